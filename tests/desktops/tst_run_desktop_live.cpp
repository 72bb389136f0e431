// The real main window on the simulated dyno (full throttle): the default RUN
// desktop's time plot follows the road speed and its scatter plot the engine
// power over the engine speed, refreshed by the desktop's own scheduler.

#include "AbstractMdi.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "MainTab.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "MdiManager.h"
#include "RMdiScatterPlot.h"
#include "RMdiTimePlot.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "RunWidget.h"
#include "ScatterPlotAxis.h"
#include "TimePlotAxis.h"
#include "UI.h"

#include <QTabWidget>
#include <QTest>
#include <qcustomplot.h>

#include <cmath>
#include <limits>

class TestRunDesktopLive : public QObject
{
    Q_OBJECT
    MainUI* window = nullptr;
    RecordingAnswerer* answerer = nullptr;

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void defaultPlotsFollowTheDyno();
};

void TestRunDesktopLive::initTestCase()
{
    qputenv("ZEMBO_SIM_SCENARIO", QByteArray(qgetenv("ZEMBO_SOURCE_DIR") + "/platform/scenarios/full-throttle.txt"));
    answerer = new RecordingAnswerer;
    MainWindowFixture::prepareProcess();
    window = MainWindowFixture::createWindow();
    QTRY_VERIFY_WITH_TIMEOUT(window->secondStageDone, 15000);
}

void TestRunDesktopLive::cleanupTestCase()
{
    MainWindowFixture::destroyWindow(window);
}

void TestRunDesktopLive::defaultPlotsFollowTheDyno()
{
    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    MdiManager* tabs = theUI->runWidget->mdiManager;
    QCOMPARE(tabs->count(), 1);
    AbstractMdi* mdi = tabs->mdiWidget(0);
    RMdiTimePlot* time = nullptr;
    RMdiScatterPlot* scatter = nullptr;
    for (AbstractMdiWidget* w : mdi->widgets) {
        if (!time)
            time = qobject_cast<RMdiTimePlot*>(w);
        if (!scatter)
            scatter = qobject_cast<RMdiScatterPlot*>(w);
    }
    QVERIFY(time && scatter);
    RunChannel* speed = theChannels.getChannelByKey(QStringLiteral("dyno_speed"));
    QCOMPARE(time->leftAxis->channel, speed);
    QCOMPARE(scatter->xAxis->channel, theChannels.getChannelByKey(QStringLiteral("engine_speed")));
    QCOMPARE(scatter->yAxis->channel, theChannels.getChannelByKey(QStringLiteral("engine_power")));

    // The vehicle accelerates: wait until the road speed has risen well.
    QTRY_VERIFY_WITH_TIMEOUT(speed->getDataTranslated() > 60.0, 30000);
    // About a second of points; a slow (sanitizer) build may take longer.
    QCPGraph* graph = time->leftAxis->graph;
    QTRY_VERIFY_WITH_TIMEOUT(graph->dataCount() > 20, 20000);
    // The line ends at what the channel shows now (the scheduler refreshes
    // every 20 ms; the car gains well under 5 km/h in that time).
    const double last = (graph->data()->constEnd() - 1)->value;
    QVERIFY2(std::fabs(last - speed->getDataTranslated()) < 5.0,
             qPrintable(QStringLiteral("%1 vs %2").arg(last).arg(speed->getDataTranslated())));
    double lowest = 1e9, highest = -1e9;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it) {
        if (std::isnan(it->value))
            continue;
        lowest = std::min(lowest, it->value);
        highest = std::max(highest, it->value);
    }
    QVERIFY(highest - lowest > 5.0);

    // Power over engine speed: points of a rising engine speed with power.
    QCPCurve* curve = scatter->yCurve;
    QVERIFY(curve->dataCount() > 20);
    // A curve may begin with a break (NaN): compare the first point drawn.
    double firstKey = std::numeric_limits<double>::quiet_NaN();
    for (auto it = curve->data()->constBegin(); it != curve->data()->constEnd() && std::isnan(firstKey); ++it)
        if (!std::isnan(it->key))
            firstKey = it->key;
    const double lastKey = (curve->data()->constEnd() - 1)->key;
    QVERIFY2(lastKey > firstKey, qPrintable(QStringLiteral("%1 -> %2").arg(firstKey).arg(lastKey)));
    const RunChannel* power = scatter->yAxis->channel;
    QVERIFY(std::fabs((curve->data()->constEnd() - 1)->value - power->getDataTranslated())
            < std::max(5.0, 0.1 * std::fabs(power->getDataTranslated())));
    // Only the RUN tab's visible desktop refreshes: on another tab the line stops.
    theUI->tabWidget_main->setCurrentIndex(MainTab_projects);
    QTest::qWait(100);
    const int frozen = graph->dataCount();
    const double end = (graph->data()->constEnd() - 1)->key;
    QTest::qWait(500);
    QCOMPARE((graph->data()->constEnd() - 1)->key, end);
    Q_UNUSED(frozen);
}

QTEST_MAIN(TestRunDesktopLive)
#include "tst_run_desktop_live.moc"
