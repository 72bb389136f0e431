#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QTabWidget;
class QWidget;

// The preview vectors of one run loaded in the ANALYZE tab (SI units, 100
// samples over the run's selection): the master channel and both powers.
struct PreviewRunVectors {
    QList<double> master;
    QList<double> enginePower;
    QList<double> wheelPower;
};

// What the desktops need of the layers above them, filled by those layers at
// start-up: the main window's tab widget, the alarm indicator of the status
// bar and the list of runs loaded in the ANALYZE tab. Each hook may stay empty;
// the desktops then behave as if there were no alarm and no loaded run.
class DesktopHooks : public QObject
{
    Q_OBJECT
public:
    static DesktopHooks* instance();

    // The main window's tab widget; without a hook the tab set looks for an
    // outermost tab widget around it.
    std::function<QTabWidget*(QWidget* from)> mainTabs;
    // The status bar's alarm indicator: whether an alarm is active, and its
    // list of active alarms (one per line).
    std::function<bool()> alarmActive;
    std::function<QString()> alarmText;
    // Runs loaded in the ANALYZE tab, in the loaded-runs list's order, and the
    // live channel id of the ANALYZE main graph's master channel (engine speed,
    // road speed or time). Callers announce changes of either with
    // signal_loadedRunsChanged.
    std::function<QList<PreviewRunVectors>()> loadedRuns;
    std::function<int()> masterChannelId;

    // The run thread's time origin in ms since the epoch (set when the thread
    // is built and at every run start); replaceable for tests.
    std::function<qint64()> runStartTime;
    qint64 runStart() const;

    // Developer mode: the RUN desktops show their refresh rate.
    bool developerMode = false;

    QTabWidget* findMainTabs(QWidget* from) const;
    bool isAlarmActive() const { return alarmActive && alarmActive(); }
    QString activeAlarmText() const { return alarmText ? alarmText() : QString(); }

Q_SIGNALS:
    void signal_loadedRunsChanged();
};
