// Paint time of each RUN widget kind of lamps, numbers, bars and gauges, at
// its default size and at 400 x 400 px, as a share of the scheduler's 20 ms
// cycle; the gauges both as a moving needle (cached dial) and as a dial
// painted afresh (after a change of scale, size or state). Offscreen.
#include "ChannelSetup.h"
#include "Channels.h"
#include "Colors.h"
#include "HwInfo.h"
#include "MdiManager.h"
#include "QcGaugeWidget.h"
#include "RMdiBar.h"
#include "RMdiGauge.h"
#include "RMdiIndicator.h"
#include "RMdiNumber.h"
#include "RunChannel.h"
#include "RunMdi.h"
#include "lib/Units.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>

#include <cstdio>

namespace {

double paintMs(QWidget* w, const std::function<void(int)>& change, int rounds)
{
    QPixmap target(w->size());
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i) {
        change(i);
        w->render(&target);
    }
    return double(timer.nsecsElapsed()) / 1e6 / rounds;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    theUnits.init();
    theColors.init();
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
    theChannels.init();
    RunMdi::registerRunDesktop();
    MdiManager manager(nullptr, MdiType_run);
    manager.resize(1200, 900);
    auto* mdi = static_cast<RunMdi*>(manager.newMdi(QStringLiteral("bench"), QString(), false));
    RunChannel* speed = theChannels.getChannelByKey(QStringLiteral("dyno_speed"));
    speed->setup->autorangeMin = speed->setup->autorangeMax = false;
    speed->setup->rangeMin = 0;
    speed->setup->rangeMax = 70;
    emit speed->setup->signal_setupChanged();

    struct Kind {
        const char* name;
        int type;
        QSize defaultSize;
    };
    const Kind kinds[] = {{"indicator", 0, {100, 50}}, {"number", 1, {130, 50}}, {"bar", 2, {80, 220}},
                          {"gauge", 3, {150, 150}}, {"engine speed gauge", 14, {150, 150}}};
    const int rounds = 300;
    std::printf("%-22s %-10s %10s %12s\n", "widget", "size", "ms/paint", "% of 20 ms");
    qint64 now = 1'000'000;
    for (const Kind& kind : kinds) {
        for (const QSize& size : {kind.defaultSize, QSize(400, 400)}) {
            auto* w = static_cast<AbstractRMdiWidget*>(mdi->addWidget(kind.type, QRect(QPoint(0, 0), size), false));
            if (kind.type != 14)
                w->setChannel(speed);
            w->resize(size);
            auto moveValue = [&](int i) {
                speed->setDataWithoutFilter(10.0 + (i % 50), now);
                now += 60;
                w->refreshTick(now);
            };
            const double ms = paintMs(w, moveValue, rounds);
            const QString label = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
            std::printf("%-22s %-10s %10.3f %11.1f%%\n", kind.name, qPrintable(label), ms, ms / 20.0 * 100.0);
            if (auto* gauge = qobject_cast<RMdiGauge*>(w)) {
                const double fresh = paintMs(w, [&](int i) {
                    moveValue(i);
                    gauge->dial->invalidateBackground();
                }, rounds / 3);
                std::printf("%-22s %-10s %10.3f %11.1f%%\n", "  dial painted afresh", qPrintable(label), fresh,
                            fresh / 20.0 * 100.0);
            }
            w->closeMdi();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    return 0;
}
