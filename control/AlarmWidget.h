#pragma once

#include "AlarmType.h"
#include "SystemAlarmType.h"

#include <QLabel>
#include <QMap>
#include <QMetaObject>
#include <QStringList>

class AlarmSoundPlayer;
class QTimer;
class RunChannel;

// The status bar's alarm field. It lists channel alarms (a live channel whose
// value stays beyond an alarm limit) and system alarms (faulty speed signal,
// load-cell clipping, audio clipping); while any is listed it blinks red,
// optionally sounds, shows the last alarm's name and lists all of them in its
// tooltip. A channel alarm stays listed until 2 s after its channel's last
// report (longer while the channel still says it is in alarm), a system alarm
// until 3 s after its last report.
//
// The hold times run on the channels' wall clock (RunChannel::wallClock), so
// tests can move time; the widget checks them on its 250 ms blink timer.
// GUI thread; system alarms arrive queued from the run thread.
class AlarmWidget : public QLabel
{
    Q_OBJECT
public:
    static constexpr qint64 channelAlarmHoldMs = 2000;
    static constexpr qint64 systemAlarmHoldMs = 3000;
    static constexpr int blinkIntervalMs = 250;

    explicit AlarmWidget(QWidget* parent = nullptr);
    ~AlarmWidget() override;

    // True while at least one alarm is listed.
    bool isAlarmActive() const;
    static QString systemAlarmDescription(int type);
    // System alarms in type order, then the alarmed channels' names.
    QStringList alarmTexts() const;
    // Replaces the sound player (owned). For tests.
    void setSoundPlayer(AlarmSoundPlayer* player);
    AlarmSoundPlayer* soundPlayer() const { return player; }
    // Connects the run thread's system alarms (again after a new run thread).
    void connectRunThread();

public Q_SLOTS:
    // From the sending channel.
    void slot_alarm(AlarmType type);
    void channelAlarm(RunChannel* channel, AlarmType type);
    void slot_systemAlarm(int type);
    void slot_blinkTimer();
    // Drops the alarms whose hold time has passed.
    void checkTimeouts();

private:
    struct ChannelAlarm {
        AlarmType type = AlarmType_low;
        qint64 deadline = 0;
        QMetaObject::Connection destroyedConnection;
    };

    void startBlinking();
    void checkRemainingAlarms();
    void updateTexts();

    QMap<RunChannel*, ChannelAlarm> channelAlarms;
    QMap<int, qint64> systemAlarms;
    QTimer* blinkTimer = nullptr;
    bool blinkPhaseOn = true;
    AlarmSoundPlayer* player = nullptr;
    QMetaObject::Connection runThreadConnection;
};
