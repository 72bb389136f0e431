#include "SimulatedObdPty.h"

#include "SimulatedObdAdapter.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

SimulatedObdPty::SimulatedObdPty(SimulatedObdAdapter& a)
    : adapter(a)
{
}

SimulatedObdPty::~SimulatedObdPty()
{
    stop();
}

bool SimulatedObdPty::start(QString* error)
{
    char name[256] = {};
    struct termios raw;
    std::memset(&raw, 0, sizeof raw);
    cfmakeraw(&raw);
    if (openpty(&masterFd, &slaveFd, name, &raw, nullptr) != 0 || pipe(wakeFds) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    slave = QString::fromLocal8Bit(name);
    worker = std::thread([this]() { serve(); });
    return true;
}

void SimulatedObdPty::stop()
{
    if (worker.joinable()) {
        const char wake = 'x';
        (void)::write(wakeFds[1], &wake, 1);
        worker.join();
    }
    for (int* fd : {&masterFd, &slaveFd, &wakeFds[0], &wakeFds[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void SimulatedObdPty::send(const QByteArray& bytes)
{
    int done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(masterFd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0) {
            if (errno == EINTR || errno == EAGAIN) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            return;
        }
        done += int(n);
    }
}

void SimulatedObdPty::serve()
{
    QByteArray pending;
    for (;;) {
        struct pollfd fds[2] = {{masterFd, POLLIN, 0}, {wakeFds[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN)) {
            // Nobody has the slave open besides us: nothing to read yet.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        char buffer[512];
        const ssize_t n = ::read(masterFd, buffer, sizeof buffer);
        if (n <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        pending.append(buffer, int(n));
        int cr;
        while ((cr = pending.indexOf('\r')) >= 0) {
            QByteArray line = pending.left(cr);
            pending.remove(0, cr + 1);
            line.replace('\n', QByteArray());
            QByteArray reply = adapter.handleCommand(line);
            if (silent.load())
                continue;
            if (nulPadding.load())
                reply.replace("\r", QByteArray("\r\0\0", 3));
            if (const int delay = replyDelayMs.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            if (splitDeliveries.load() && reply.size() > 2) {
                const int half = reply.size() / 2;
                send(reply.left(half));
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                send(reply.mid(half));
            } else {
                send(reply);
            }
            if (bytesAfterPrompt.load()) {
                // A second prompt follows the stray bytes, as an adapter that
                // answers a doubled CR does.
                send("\r>");
            }
        }
    }
}
