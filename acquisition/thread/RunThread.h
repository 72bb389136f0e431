#pragma once

#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>

class AbstractLogWriter;

// STAND-IN until the acquisition engine is built: the run thread with its run
// state, its run-file writer and its run bracket, without frame decoding. A
// run becomes active at once on start (the MCU synchronisation arrives with the
// decoder), and its stop hands the file to the writer to finish.
//
// The thread never waits for the GUI: a fatal error goes out as a queued
// notice and halts the thread's work until the GUI has shown it, so the GUI
// can always make blocking calls into this thread, also while it shuts down.
class RunThread : public QThread
{
    Q_OBJECT
public:
    RunThread();
    ~RunThread() override;

    // The writer (not owned before, owned afterwards) moves into this thread.
    void setLogWriter(AbstractLogWriter* writer);
    AbstractLogWriter* logWriter = nullptr;

    std::atomic<bool> runActive{false};
    std::atomic<qint64> runStartTime{0};
    QString lastRunFilePath() const;

    void connectDataSources();
    void stopPaThread();

    // Called in the run thread: shows the text through the main window and
    // ends the program once it has been closed.
    void raiseFatalError(const QString& message);
    // The main window calls this when the operator has closed the fatal error.
    void fatalErrorClosed();
    // How the program ends after a fatal error; qFatal by default. For tests.
    static void setProgramEnder(std::function<void(const QString&)> ender);
    bool halted() const { return fatalPending; }

public Q_SLOTS:
    void slot_settingsReady();
    void slot_startRun();
    void slot_stopRun();
    void slot_insertMarker();

Q_SIGNALS:
    void signal_fatalError(const QString& message);
    void signal_error(const QString& message);
    void signal_systemAlarm(int type);
    void signal_newCanBus0Status(unsigned status);
    void signal_newCanBus1Status(unsigned status);
    // Asks the GUI to mark a new run on every RUN desktop.
    void signal_newRunStarted();

private:
    mutable QMutex pathMutex;
    QString lastPath;
    QList<double> markers;
    std::atomic<bool> fatalPending{false};
    QString fatalMessage;
};

extern RunThread* theRunThread;
