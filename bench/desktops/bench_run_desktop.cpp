// The RUN desktop of run_desktop_30.xml (or of the file ZEMBO_BENCH_DESKTOP
// names, such as run_desktop_widgets.xml: lamps, numbers, bars and gauges) on
// the simulated dyno (full throttle) for ZEMBO_BENCH_SECONDS (60) seconds: refresh cycles per second and the CPU
// share of one core, then, in the same run, 30 plain widgets each repainting
// a number on its own 20 ms timer; the ratio of the two CPU shares.
#include "AbstractMdi.h"
#include "MainTab.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "MdiManager.h"
#include "MySettings.h"
#include "RunMdi.h"
#include "RunWidget.h"
#include "UI.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QGridLayout>
#include <QPainter>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// What a widget without the scheduler does: its own timer, a repaint each time.
class PlainNumber : public QWidget
{
public:
    explicit PlainNumber(QWidget* parent)
        : QWidget(parent)
    {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] {
            value = double(QDateTime::currentMSecsSinceEpoch() % 100000) / 7.0;
            update();
        });
        timer->start(20);
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.drawText(rect(), Qt::AlignCenter, QString::number(value, 'f', 1));
    }
    double value = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int seconds = qEnvironmentVariableIntValue("ZEMBO_BENCH_SECONDS") > 0
        ? qEnvironmentVariableIntValue("ZEMBO_BENCH_SECONDS")
        : 60;
    const QByteArray source = qgetenv("ZEMBO_SOURCE_DIR");
    qputenv("ZEMBO_SIM_SCENARIO", source + "/platform/scenarios/full-throttle.txt");
    QFile::remove(theSettings.desktopsDir.filePath(QStringLiteral("desktop.xml")));
    const QByteArray desktopFile = qEnvironmentVariableIsEmpty("ZEMBO_BENCH_DESKTOP")
        ? QByteArray("run_desktop_30.xml")
        : qgetenv("ZEMBO_BENCH_DESKTOP");
    QFile::copy(QString::fromLocal8Bit(source + "/bench/desktops/" + desktopFile),
                theSettings.desktopsDir.filePath(QStringLiteral("bench.xml")));
    MainWindowFixture::prepareProcess();
    MainUI* window = MainWindowFixture::createWindow();
    while (!window->secondStageDone)
        QTest::qWait(50);
    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    auto* mdi = static_cast<RunMdi*>(theUI->runWidget->mdiManager->mdiWidget(0));
    std::printf("desktop %s: %d widgets\n", desktopFile.constData(), int(mdi->widgets.size()));
    QTest::qWait(2000);

    // Cycles: the desktop measures them per second and starts over; add up
    // each second's count before it is reset.
    qint64 cycles = 0;
    int lastCount = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (mdi->cycleCount < lastCount)
            cycles += lastCount;
        lastCount = mdi->cycleCount;
    });
    sampler.start(5);
    QElapsedTimer wall;
    double cpu0 = cpuSeconds();
    wall.start();
    QTest::qWait(seconds * 1000);
    const double desktopCpu = (cpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
    const double rate = (cycles + lastCount) / (wall.nsecsElapsed() / 1e9);
    sampler.stop();

    // The same run, the plain widgets instead: the RUN desktop stops refreshing.
    theUI->tabWidget_main->setCurrentIndex(MainTab_projects);
    QWidget plain;
    auto* grid = new QGridLayout(&plain);
    for (int i = 0; i < 30; ++i)
        grid->addWidget(new PlainNumber(&plain), i / 6, i % 6);
    plain.resize(1500, 900);
    plain.show();
    QTest::qWait(2000);
    cpu0 = cpuSeconds();
    wall.restart();
    QTest::qWait(seconds * 1000);
    const double plainCpu = (cpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);

    std::printf("RUN desktop: %.1f cycles/s, CPU %.1f %% of one core\n", rate, desktopCpu * 100);
    std::printf("30 plain widgets on own 20 ms timers: CPU %.1f %% of one core\n", plainCpu * 100);
    std::printf("ratio desktop / plain: %.2f\n", desktopCpu / plainCpu);
    MainWindowFixture::destroyWindow(window);
    return 0;
}
