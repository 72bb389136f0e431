#pragma once

#include "AbstractChannel.h"
#include "AlarmType.h"
#include "VariableSamplingIIR.h"

#include <QColor>
#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <functional>

class Argument;
class Unit;

// Unique ids of live channels: the last one given out.
extern std::atomic<int> g_runChannelLastUniqueId;

// A live value of the running dyno: SI value with a millisecond time stamp,
// low-pass filtered by the setup's time constant, with warning and alarm limits
// that take a delay and a gate. Producers write from any thread (run thread,
// GUI, OBD thread); readers anywhere take value and validity together under
// the channel's mutex. A filtered channel reads NaN while it settles: after each
// filter set-up, for 3 time constants + 0.2 s of sample time. There is no
// time-out: a channel keeps its last value until the next sample.
class RunChannel : public AbstractChannel
{
    Q_OBJECT
    friend class Argument;

public:
    // The alarm state as the last check left it.
    struct AlarmState {
        bool alarmTimerRunning = false;
        bool alarmActive = false;
        bool aboveAlarmHigh = false;
        bool belowAlarmLow = false;
        bool aboveWarningHigh = false;
        bool belowWarningLow = false;
        qint64 alarmSince = 0;
    };

    // The key and the default name are the templates with "%1" filled by
    // `instance`; the setup comes from the live setup model (quantity -1 keeps
    // the stored one). An empty key template gives a private setup, which the
    // channel's family names later.
    RunChannel(int flags, const QString& keyTemplate, int instance, const QString& nameTemplate, Quantity quantity);
    ~RunChannel() override;

    void setData(double value, qint64 timestamp);
    void setDataWithoutFilter(double value, qint64 timestamp);
    void resetTo0(qint64 timestamp);

    // NaN while the channel has no value or settles.
    double getValue() const;
    void getTimestampedData(double& value, qint64& timestamp) const;
    double getDataTranslated() const;
    // The string forms read the setup's labels and range: GUI thread only.
    QString getDataTranslatedString() const;
    QString getDataTranslatedWithUnit() const;
    QString getDataTranslatedAndClippedString() const;
    QString getTimestampString() const;
    // Alarm high/low while the alarm is active, else warning high/low, else the inactive colour.
    const QColor& getAlarmOrWarningColor() const;
    AlarmState alarmState() const;

    // Asked by a family's model before it deletes the channel: true means keep
    // it (the operator said No to breaking the arguments that use it).
    bool confirmChannelRemoval();
    int userCount() const;

    // Connects a new channel's alarm signal to the alarm list (the widget lives
    // in a higher layer and registers here before the channels are made).
    static void setAlarmConnector(std::function<void(RunChannel*)> connector);
    // The wall clock of the alarm delays, in ms since the epoch; nullptr
    // restores the system clock.
    static void setWallClock(qint64 (*clock)());
    static qint64 wallClock();

    const int uniqueId;

Q_SIGNALS:
    void signal_newData(double data, qint64 timestamp);
    void signal_alarm(AlarmType type);

public Q_SLOTS:
    void slot_setupChanged();
    void slot_checkWarningsAndAlarms();
    void slot_setData(double data);

private:
    // What the writer threads need of the setup, copied under the mutex
    // whenever the setup changes: the setup itself belongs to the GUI thread.
    struct SetupCopy {
        double filter = 0.0;
        double warningLow = 0.0;
        double warningHigh = 0.0;
        double alarmLow = 0.0;
        double alarmHigh = 0.0;
        double alarmDelay = 0.0;
        const Unit* unit = nullptr;
    };

    mutable QMutex mutex;
    VariableSamplingIIR filter;
    qint64 timestamp = 0;
    SetupCopy limits;
    AlarmState state;
    // Guarded by Argument::bindingLock.
    QList<Argument*> users;
};
