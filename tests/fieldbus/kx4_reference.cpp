// What the KX4 reference check compares with crcmod: every frame the KX4 tool
// and the simulated module exchange during a scan, the selection, settings,
// tests, tones and a full firmware update, one line each:
//   "tool|module <identifier hex> <8 data bytes hex>"
#include "KX4Tool.h"
#include "Kx4TestBus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>

#include <cstdio>

namespace {

bool waitFor(const std::function<bool()>& done, int timeoutMs = 60000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    KX4Tool::setPauseScale(0.0);
    Kx4TestBus bus(0);
    bus.install();
    bus.modules.append(std::make_shared<SimulatedKx4Module>(0, 4001));
    bus.modules.append(std::make_shared<SimulatedKx4Module>(0, 0xA1B2C3D4u));
    auto* tool = new KX4Tool(nullptr, 0);
    bus.tool = tool;
    bool updated = false;
    QObject::connect(tool, &KX4Tool::signal_updateFinished, [&](bool ok) { updated = ok; });
    if (!waitFor([&] { return tool->upgradeButton->isEnabled(); })) {
        std::fprintf(stderr, "no module answered\n");
        return 2;
    }
    tool->assignButton->click();
    tool->currentRangeButton->click();
    tool->fanButton->click();
    tool->outputButton->click();
    tool->playNote(1, 261.63f, 0.3f, 0.25f);
    waitFor([&] { return !tool->busy(); });
    tool->upgradeButton->click();
    if (!waitFor([&] { return updated; })) {
        std::fprintf(stderr, "the update did not end well\n");
        return 2;
    }
    waitFor([&] { return !tool->busy(); });
    QCoreApplication::processEvents();
    for (const Kx4TestBus::Frame& f : bus.allFrames())
        std::printf("%s %x %s\n", f.fromTool ? "tool" : "module", f.identifier, f.bytes.toHex().constData());
    delete tool;
    return 0;
}
