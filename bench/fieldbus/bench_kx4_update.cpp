// A full KX4 firmware update (243 pages of 512 bytes) against the simulated
// module, with the pauses the module needs kept by timers: the time it takes
// against the sum of those pauses (1 s before, 50 + 32 × 4.16 + 51 ms per
// page, 2 s after). A ratio near 1 means the timers add nothing but the pauses.
#include "KX4Tool.h"
#include "Kx4TestBus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Kx4TestBus bus(0);
    bus.install();
    bus.modules.append(std::make_shared<SimulatedKx4Module>(0, 4001));
    auto* tool = new KX4Tool(nullptr, 0);
    bus.tool = tool;
    QElapsedTimer wait;
    wait.start();
    while (!tool->upgradeButton->isEnabled() && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    bool done = false;
    QObject::connect(tool, &KX4Tool::signal_updateFinished, [&](bool) { done = true; });
    QElapsedTimer clock;
    clock.start();
    tool->upgradeButton->click();
    while (!(done && !tool->busy()) && clock.elapsed() < 200000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double elapsed = double(clock.nsecsElapsed()) / 1e9;
    const double pauses = 1.0 + tool->imagePageCount() * (0.050 + 32 * 0.00416 + 0.051) + 2.0;
    std::printf("KX4 update of %d pages: %.2f s; pauses %.2f s; ratio %.3f; module runs %s\n",
                tool->imagePageCount(), elapsed, pauses, elapsed / pauses,
                qPrintable(bus.modules[0]->firmwareText()));
    delete tool;
    return 0;
}
