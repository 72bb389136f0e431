#include "UnixSignalNotifier.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

int UnixSignalNotifier::writePipes[UnixSignalNotifier::kSignalCount] = {};
int UnixSignalNotifier::readPipes[UnixSignalNotifier::kSignalCount] = {};
QSocketNotifier* UnixSignalNotifier::notifiers[UnixSignalNotifier::kSignalCount] = {};

UnixSignalNotifier* UnixSignalNotifier::instance()
{
    static UnixSignalNotifier notifier;
    return &notifier;
}

UnixSignalNotifier::~UnixSignalNotifier()
{
    for (int sig = 0; sig < kSignalCount; ++sig) {
        if (!notifiers[sig])
            continue;
        delete notifiers[sig];
        notifiers[sig] = nullptr;
        const int w = writePipes[sig];
        const int r = readPipes[sig];
        writePipes[sig] = 0;
        readPipes[sig] = 0;
        ::close(w);
        ::close(r);
    }
}

bool UnixSignalNotifier::installSignalHandler(int sig)
{
    if (sig <= 0 || sig >= kSignalCount)
        qFatal("%s: Couldn't register signal handler", Q_FUNC_INFO);
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        qFatal("%s: Couldn't create socketpair", Q_FUNC_INFO);
    // The handler must never block: when the pair is full a wake-up is already pending.
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    writePipes[sig] = fds[0];
    readPipes[sig] = fds[1];
    notifiers[sig] = new QSocketNotifier(fds[1], QSocketNotifier::Read);
    connect(notifiers[sig], &QSocketNotifier::activated, this,
            [this](QSocketDescriptor socket) { slot_socketHandler(int(socket)); });

    struct sigaction action = {};
    action.sa_handler = &UnixSignalNotifier::_signalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(sig, &action, nullptr) != 0)
        qFatal("%s: Couldn't register signal handler", Q_FUNC_INFO);
    return true;
}

void UnixSignalNotifier::_signalHandler(int sig)
{
    const int savedErrno = errno;
    if (sig > 0 && sig < kSignalCount && writePipes[sig] != 0) {
        const char byte = 1;
        const ssize_t written = ::write(writePipes[sig], &byte, 1);
        (void)written;
    }
    errno = savedErrno;
}

void UnixSignalNotifier::slot_socketHandler(int pipeFd)
{
    int sig = 0;
    for (int i = 1; i < kSignalCount; ++i) {
        if (readPipes[i] == pipeFd && notifiers[i]) {
            sig = i;
            break;
        }
    }
    if (sig == 0) {
        qWarning("%s: Unable to find signal number for socket fd %d", Q_FUNC_INFO, pipeFd);
        return;
    }
    notifiers[sig]->setEnabled(false);
    char byte = 0;
    const ssize_t got = ::read(pipeFd, &byte, 1);
    (void)got;
    Q_EMIT unixSignal(sig);
    notifiers[sig]->setEnabled(true);
}
