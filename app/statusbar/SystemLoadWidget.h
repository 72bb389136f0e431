#pragma once

#include <QLabel>

// STAND-IN until the status bar is built: the system-load label. It shows no
// load yet; the CPU temperature the main window logs with every error is 0.
class SystemLoadWidget : public QLabel
{
    Q_OBJECT
public:
    explicit SystemLoadWidget(QWidget* parent = nullptr);
    void initAfterChannels();

    int cpuTemperature = 0;
};
