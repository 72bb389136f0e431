#pragma once

#include <QObject>

class QSocketNotifier;

// Turns POSIX signals into a Qt signal in the GUI thread. The handler only
// writes one byte into a socket pair; a socket notifier wakes the event loop,
// which emits unixSignal once per delivered signal.
class UnixSignalNotifier : public QObject
{
    Q_OBJECT
public:
    static UnixSignalNotifier* instance();
    ~UnixSignalNotifier() override;

    bool installSignalHandler(int sig);

Q_SIGNALS:
    void unixSignal(int signalNumber);

private Q_SLOTS:
    void slot_socketHandler(int pipeFd);

private:
    UnixSignalNotifier() = default;
    static void _signalHandler(int sig);

    static constexpr int kSignalCount = 65;
    static int writePipes[kSignalCount];
    static int readPipes[kSignalCount];
    static QSocketNotifier* notifiers[kSignalCount];
};
