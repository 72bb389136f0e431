// Requests/s through the OBD thread against a bare write/read-to-prompt loop
// on the same zero-delay simulated adapter on a pty (ratio), and the
// process's CPU share while the thread polls an adapter that answers in 20 ms.
#include "ObdOptions.h"
#include "ObdThread.h"
#include "SimulatedObdAdapter.h"
#include "SimulatedObdPty.h"
#include "UDSChannel.h"
#include "UDSChannelModel.h"
#include "UsbObdInterface.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

double bareLoop(const QString& port)
{
    const int fd = ::open(port.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return 0.0;
    termios raw {};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    const char* setup[] = {"ATZ\r", "ATE0\r", "ATS0\r", "ATL0\r", "ATSP6\r"};
    auto exchange = [fd](const char* command) {
        (void)::write(fd, command, strlen(command));
        char c = 0;
        while (::read(fd, &c, 1) == 1 && c != '>') {
        }
    };
    for (const char* command : setup)
        exchange(command);
    QElapsedTimer timer;
    timer.start();
    int count = 0;
    while (timer.elapsed() < 2000) {
        exchange("010C\r");
        ++count;
    }
    const double rate = count * 1000.0 / double(timer.elapsed());
    ::close(fd);
    return rate;
}

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    SimulatedObdAdapter adapter;
    SimulatedObdPty pty(adapter);
    if (!pty.start())
        return 2;
    const double bare = bareLoop(pty.slaveName());

    theObdThread = new ObdThread;
    auto* channel = new UDSChannel;
    channel->udsSetup.command = "010C";
    channel->udsSetup.equation = "(A*256+B)/4";
    channel->udsSetup.priorityGroup = PriorityGroup_1;
    channel->updateAndCheckEquation(false);
    theUDSChannelModel.addChannels({channel});
    theObdThread->start();
    theObdOptions.enable = true;
    theObdOptions.interfaceType = 1;
    theObdOptions.readTroubleCodesAfterConnection = false;
    QMetaObject::invokeMethod(theObdThread->serialTransport(), "slot_setPortName", Qt::QueuedConnection,
                              Q_ARG(QString, pty.slaveName()));
    QMetaObject::invokeMethod(theObdThread, "slot_interfaceTypeChanged", Qt::QueuedConnection);
    QElapsedTimer wait;
    wait.start();
    while (!theObdThread->isVehicleConnected() && wait.elapsed() < 30000)
        QTest::qWait(50);
    QTest::qWait(500);

    adapter.clearCommandLog();
    QElapsedTimer timer;
    timer.start();
    QTest::qWait(2000);
    const double threaded = adapter.commandLog().size() * 1000.0 / double(timer.elapsed());

    pty.replyDelayMs = 20;
    QTest::qWait(300);
    const double cpuBefore = cpuSeconds();
    timer.restart();
    QTest::qWait(3000);
    const double share = (cpuSeconds() - cpuBefore) / (double(timer.elapsed()) / 1000.0);

    std::printf("obd requests: thread %.0f/s, bare loop %.0f/s, ratio %.2f\n", threaded, bare,
                bare > 0 ? threaded / bare : 0.0);
    std::printf("obd cpu with 20 ms replies (serial, process incl. simulator): %.1f %% of a core\n", share * 100.0);
    theObdThread->quit();
    theObdThread->requestInterruption();
    theObdThread->wait();
    return 0;
}
