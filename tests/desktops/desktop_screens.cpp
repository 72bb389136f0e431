// Not a test: pictures of a RUN desktop with every widget kind of this folder
// filled with data, a multi-selection, and the alarm overlay. Run it on a
// virtual X display:
//   xvfb-run -a -s "-screen 0 1600x1000x24" desktop_screens OUTDIR
#include "ChannelSetup.h"
#include "Channels.h"
#include "DesktopHooks.h"
#include "DesktopTestSupport.h"
#include "HwInfo.h"
#include "MdiManager.h"
#include "MySettings.h"
#include "RMdiPreviewPlot.h"
#include "RMdiScatterPlot.h"
#include "RMdiTimePlot.h"
#include "RMdiXYTable.h"
#include "RMdiXYTableModel.h"
#include "RunChannel.h"
#include "RunMdi.h"
#include "ScatterPlotAxis.h"
#include "TimePlotAxis.h"
#include "lib/Units.h"

#include <QApplication>
#include <QDir>
#include <QMdiSubWindow>
#include <QTest>

#include <cmath>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    theUnits.init();
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
    theChannels.init();
    installProbeWidgets();
    qint64 runStart = ProbeWidget::fakeNow;
    DesktopHooks::instance()->runStartTime = [&runStart] { return runStart; };
    QList<PreviewRunVectors> runs(3);
    for (int r = 0; r < 3; ++r)
        for (int i = 0; i < 100; ++i) {
            const double w = 100 + i * 6.0;
            runs[r].master.append(w);
            runs[r].enginePower.append((80000 + r * 6000) * std::sin(M_PI * i / 120.0));
            runs[r].wheelPower.append(70000 * std::sin(M_PI * i / 120.0));
        }
    DesktopHooks::instance()->loadedRuns = [&runs] { return runs; };

    MdiManager manager(nullptr, MdiType_run);
    manager.resize(1500, 950);
    manager.show();
    auto* mdi = static_cast<RunMdi*>(manager.newMdi(QStringLiteral("screens"), QString(), false));
    mdi->loadFromString(QStringLiteral(R"(<widgets>
<timePlot x="0" y="0" w="700" h="300"><setup historyLength="10"><left variableKey="dyno_speed" tickCount="5"/><right variableKey="engine_power" tickCount="5"/></setup></timePlot>
<scatterPlot x="700" y="0" w="700" h="450"><setup leavePrevious="1" historyLength="30" drawLines="1" backgroundDataColor="#888a85"><y variableKey="engine_power" tickCount="5"/><y2 variableKey="engine_torque" tickCount="5"/><x variableKey="engine_speed" tickCount="5"/></setup></scatterPlot>
<previewPlot x="0" y="300" w="700" h="350"><setup historyLength="30" drawLines="1" powerCurve="0"><y tickCount="5"/><y2 tickCount="5"/><x tickCount="5"/></setup></previewPlot>
<xyTable x="700" y="450" w="560" h="400"><setup><x channelKey="dyno_speed"/><y channelKey="engine_speed"/><c channelKey="engine_power"/></setup></xyTable>
<number x="1260" y="450" w="230" h="110"><setup variableKey="engine_speed" clipValuesOutOfRange="0"/></number>
</widgets>)"));
    RunChannel* speed = theChannels.getChannelByKey(QStringLiteral("dyno_speed"));
    RunChannel* rpm = theChannels.getChannelByKey(QStringLiteral("engine_speed"));
    RunChannel* power = theChannels.getChannelByKey(QStringLiteral("engine_power"));
    RunChannel* torque = theChannels.getChannelByKey(QStringLiteral("engine_torque"));
    // The bins are in display units: km/h and RPM.
    speed->setup->bins = {20, 40, 60, 80, 100};
    rpm->setup->bins = {1000, 2000, 3000, 4000, 5000, 6000};
    emit speed->setup->signal_setupChanged();
    emit rpm->setup->signal_setupChanged();

    // Three runs on the fake clock: a pull from 1000 to 6000 RPM each.
    for (int run = 0; run < 3; ++run) {
        runStart = ProbeWidget::fakeNow;
        for (int i = 0; i < 500; ++i) {
            ProbeWidget::fakeNow += 20;
            const double e = (1000 + i * 10) * M_PI / 30;
            const double p = (60000 + run * 8000) * std::sin(M_PI * i / 600.0) + 10000;
            rpm->setDataWithoutFilter(e, ProbeWidget::fakeNow);
            power->setDataWithoutFilter(p, ProbeWidget::fakeNow);
            torque->setDataWithoutFilter(p / e, ProbeWidget::fakeNow);
            speed->setDataWithoutFilter((10 + i * 0.05 + 3 * std::sin(i * 0.05)) / 3.6 * 2.5, ProbeWidget::fakeNow);
            for (AbstractMdiWidget* w : mdi->widgets)
                static_cast<AbstractRMdiWidget*>(w)->refreshTick(ProbeWidget::fakeNow);
        }
    }
    QTest::qWait(300);
    for (AbstractMdiWidget* w : mdi->widgets)
        static_cast<AbstractRMdiWidget*>(w)->refreshTick(ProbeWidget::fakeNow);
    QTest::qWait(300);
    manager.grab().save(out + QStringLiteral("/desktop_widgets.png"));

    // A multi-selection of the two plots on the right.
    mdi->widgets[1]->selected = true;
    mdi->widgets[3]->selected = true;
    for (AbstractMdiWidget* w : mdi->widgets)
        w->updateSelectionIndicator();
    QTest::qWait(300);
    manager.grab().save(out + QStringLiteral("/desktop_selection.png"));

    // The alarm overlay.
    DesktopHooks::instance()->alarmActive = [] { return true; };
    DesktopHooks::instance()->alarmText = [] { return QStringLiteral("Engine oil temperature HIGH\nRoller 1 speed HIGH"); };
    mdi->slot_tickItems();
    QTest::qWait(300);
    manager.grab().save(out + QStringLiteral("/desktop_alarm.png"));
    std::printf("pictures in %s\n", qPrintable(out));
    return 0;
}
