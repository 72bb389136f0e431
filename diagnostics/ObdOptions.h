#pragma once

#include <atomic>

// The OBD options as the OBD thread, the polling order and the UDS channels
// read them: a copy that the settings page keeps in step with its widgets from
// the GUI thread, read from any thread without touching a widget. Defaults are
// those of a fresh page.
struct ObdOptions {
    std::atomic<bool> enable {false};
    std::atomic<int> interfaceType {0};   // 0 none, 1 serial, 2 Bluetooth, 3 USB-serial
    std::atomic<int> protocol {0};        // 0 automatic .. 10
    std::atomic<int> queryDelayMs {0};    // 0..200
    std::atomic<bool> autoCANHeaders {true};
    std::atomic<bool> logCommunication {false};
    std::atomic<bool> keepLastValueOnFailedRead {false};
    std::atomic<bool> readTroubleCodesAfterConnection {true};
    std::atomic<bool> readAllChannels {false};
    std::atomic<bool> readAllAvailableOnceAfterConnection {false};
    std::atomic<bool> skipChannelsWithNoData {false};
};

extern ObdOptions theObdOptions;
