#pragma once

#include <QWidget>

class AlarmWidget;
class OutputStatusWidget;
class ProgressWidget;
class QCheckBox;
class QLabel;
class QPushButton;
class SelfTest;
class SystemLoadWidget;

// STAND-IN, in part, until the status bar is built: the strip under the main
// tabs with the widgets others write to (output strip, ambient label, OBD
// button, system load, alarm indicator, progress bars, hidden test-mode box
// with the hardware self test).
// The SPI label, memory bar, clock and CAN labels arrive with their issue.
class Statusbar : public QWidget
{
    Q_OBJECT
public:
    explicit Statusbar(QWidget* parent = nullptr);
    void init();

    QCheckBox* checkBox_testMode = nullptr;
    OutputStatusWidget* outputStatusWidget = nullptr;
    QLabel* label_ambient = nullptr;
    AlarmWidget* alarmWidget = nullptr;
    QPushButton* pushButton_obd = nullptr;
    SystemLoadWidget* systemLoadWidget = nullptr;
    ProgressWidget* progressWidget = nullptr;
    // Switched on and off by the hidden box (checked in test mode).
    SelfTest* selfTest = nullptr;

public Q_SLOTS:
    void slot_setOBDLabelText(const QString& text);
    void slot_setOBDLabelColor(const QColor& color);
};
