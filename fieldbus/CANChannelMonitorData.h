#pragma once

#include <QString>

#include <cstdint>

// One row of the CAN monitor: what one identifier on one bus last carried and
// how often it arrives.
struct CANChannelMonitorData {
    int bus = 1;
    uint32_t identifier = 0;
    uint64_t data = 0;
    float frequency = 0.0f;
    int count = 0;
    QString bytesText;
    QString timeText;
    int countAtLastRate = 0;
    qint64 timeOfLastRate = 0;
    bool updated = false;
};
