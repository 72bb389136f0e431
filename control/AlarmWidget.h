#pragma once

#include <QLabel>

// STAND-IN until the alarm indicator is built: the status bar's alarm
// indicator. It reports an active alarm only when told so (tests).
class AlarmWidget : public QLabel
{
    Q_OBJECT
public:
    explicit AlarmWidget(QWidget* parent = nullptr);
    bool isAlarmActive() const { return alarmActive; }
    void setAlarmActive(bool active);

private:
    bool alarmActive = false;
};
