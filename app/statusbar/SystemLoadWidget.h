#pragma once

#include <QColor>
#include <QLabel>

#include <cstdint>

// The status bar's system-load label: the board's CPU load from "/proc/stat"
// (since the previous reading, so the first one averages since boot), the CPU
// temperature from the thermal zone and the MCU's average and peak load, once
// a second; yellow above 85 % load or 75 °C, red above 95 % or 80 °C. Every
// 100 s high board and ambient temperatures go to the debug log.
class SystemLoadWidget : public QLabel
{
    Q_OBJECT
public:
    explicit SystemLoadWidget(QWidget* parent = nullptr);
    void initAfterChannels();

    int cpuTemperature = 0;
    // Last computed load in percent (NaN before the first reading).
    double load() const { return lastLoad; }

    // Colour for a load and temperature: invalid for none.
    static QColor loadColor(double loadPercent, int temperature);

public Q_SLOTS:
    void slot_updateInfo();
    void slot_warrantyTemperatureCheck();

private:
    // user, nice, system, idle, iowait, irq, softirq
    uint64_t counters[7] = {};
    double lastLoad;
};
