// What a lasting load-cell clipping fault costs the GUI thread: the whole
// program in this process on the simulated dyno, ZEMBO_BENCH_SECONDS (default
// 60) with the fault and as long without it, in one run. Prints the GUI
// thread's CPU share and the queued calls it receives per second in both
// phases and their ratios (fault / no fault).
#include "AlarmWidget.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "McuThread.h"
#include "RecordingAnswerer.h"
#include "SimulatedDynoController.h"
#include "Statusbar.h"
#include "UI.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTest>

#include <sys/resource.h>

#include <atomic>
#include <algorithm>
#include <cstdio>

namespace {

// Counts the queued calls (signals from other threads, posted invocations)
// delivered in the GUI thread.
class QueuedCallCounter : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall)
            ++count;
        return QObject::eventFilter(watched, event);
    }
    qint64 count = 0;
};

double threadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Phase {
    double cpuShare = 0;
    double queuedPerSecond = 0;
    int alarmActiveSamples = 0;
    int samples = 0;
};

Phase measure(QueuedCallCounter& counter, int seconds, AlarmWidget* alarm)
{
    Phase phase;
    const double cpu0 = threadCpuSeconds();
    const qint64 count0 = counter.count;
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < seconds * 1000LL) {
        QTest::qWait(100);
        ++phase.samples;
        phase.alarmActiveSamples += alarm->isAlarmActive() ? 1 : 0;
    }
    const double elapsed = double(wall.elapsed()) / 1000.0;
    phase.cpuShare = (threadCpuSeconds() - cpu0) / elapsed;
    phase.queuedPerSecond = double(counter.count - count0) / elapsed;
    return phase;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int seconds = qEnvironmentVariableIsSet("ZEMBO_BENCH_SECONDS")
                            ? std::max(1, qEnvironmentVariableIntValue("ZEMBO_BENCH_SECONDS"))
                            : 60;
    RecordingAnswerer answerer;
    MainWindowFixture::prepareProcess();
    MainUI* window = MainWindowFixture::createWindow();
    if (!QTest::qWaitFor([window] { return window->secondStageDone; }, 60000)) {
        std::fprintf(stderr, "the second start-up stage did not come\n");
        return 1;
    }
    auto* controller = dynamic_cast<SimulatedDynoController*>(theMCUThread->transport());
    if (!controller) {
        std::fprintf(stderr, "no simulated controller\n");
        return 1;
    }
    // Every load cell on roller 1, so their clipping is checked.
    for (int cell = 0; cell < 4; ++cell) {
        if (DynoSetting* setting = theDynoSettings->getSetting(DynoSettingId_loadCellRoller, cell))
            setting->setValue(1);
    }
    AlarmWidget* alarm = theUI->statusbar->alarmWidget;
    QueuedCallCounter counter;
    app.installEventFilter(&counter);
    QTest::qWait(2000);

    const Phase quiet = measure(counter, seconds, alarm);
    controller->setLoadCellClipping(true);
    QTest::qWait(500);
    const Phase fault = measure(counter, seconds, alarm);
    controller->setLoadCellClipping(false);

    std::printf("alarm load: %d s per phase\n", seconds);
    std::printf("  without fault: GUI thread CPU %.2f %%, %.0f queued calls/s, alarm shown %d/%d samples\n",
                quiet.cpuShare * 100.0, quiet.queuedPerSecond, quiet.alarmActiveSamples, quiet.samples);
    std::printf("  with fault:    GUI thread CPU %.2f %%, %.0f queued calls/s, alarm shown %d/%d samples\n",
                fault.cpuShare * 100.0, fault.queuedPerSecond, fault.alarmActiveSamples, fault.samples);
    std::printf("  ratio fault / no fault: CPU %.3f, queued calls %.3f\n",
                quiet.cpuShare > 0 ? fault.cpuShare / quiet.cpuShare : 0.0,
                quiet.queuedPerSecond > 0 ? fault.queuedPerSecond / quiet.queuedPerSecond : 0.0);
    MainWindowFixture::destroyWindow(window);
    return fault.alarmActiveSamples > 0 ? 0 : 1;
}
