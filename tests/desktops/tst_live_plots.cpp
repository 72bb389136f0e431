// The live plots and the X-Y table, fed on the scheduler's fake clock.

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
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "RunMdi.h"
#include "ScatterPlotAxis.h"
#include "TimePlotAxis.h"
#include "lib/DialogAnswerer.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QCheckBox>
#include <QDomDocument>
#include <QSpinBox>
#include <QTest>
#include <qcustomplot.h>

#include <cmath>
#include <memory>

class TestLivePlots : public QObject
{
    Q_OBJECT
    RecordingAnswerer answerer;
    std::unique_ptr<MdiManager> manager;
    RunMdi* mdi = nullptr;
    qint64 runStart = 0;

    template <class T>
    T* add(int type)
    {
        return static_cast<T*>(mdi->addWidget(type, QRect(0, 0, 500, 400), false));
    }
    RunChannel* channel(const char* key) { return theChannels.getChannelByKey(QLatin1String(key)); }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void timePlotHoldsOnlyItsWindow();
    void timePlotPauseAndBreaksLeaveGaps();
    void timePlotClearsAtRunStart();
    void scatterPlotKeepsOneGreyEntryPerRun();
    void scatterCurvesCompareTheirOwnLastPoint();
    void previewPlotDrawsTheLoadedRuns();
    void xyTableFilters_data();
    void xyTableFilters();
    void xyTableInvertAndBadBins();
};

void TestLivePlots::initTestCase()
{
    theUnits.init();
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
    theChannels.init();
    installProbeWidgets();
    DialogAnswerer::install(&answerer);
    DesktopHooks::instance()->runStartTime = [this] { return runStart; };
}

void TestLivePlots::init()
{
    runStart = ProbeWidget::fakeNow;
    manager = std::make_unique<MdiManager>(nullptr, MdiType_run);
    manager->resize(800, 600);
    manager->show();
    mdi = static_cast<RunMdi*>(manager->newMdi(QStringLiteral("plots"), QString(), false));
}

void TestLivePlots::cleanup()
{
    manager.reset();
    DesktopHooks::instance()->loadedRuns = nullptr;
}

void TestLivePlots::timePlotHoldsOnlyItsWindow()
{
    auto* plot = add<RMdiTimePlot>(4);
    RunChannel* speed = channel("dyno_speed");
    plot->leftAxis->setAxisChannel(speed);
    plot->historyLength->setValue(10);
    QCPGraph* graph = plot->leftAxis->graph;
    int most = 0;
    // Ten minutes at 50 refreshes a second, a new sample before each.
    for (int i = 0; i < 10 * 60 * 50; ++i) {
        ProbeWidget::fakeNow += 20;
        speed->setDataWithoutFilter(std::sin(i * 0.01) * 20.0 + 20.0, ProbeWidget::fakeNow);
        plot->refreshTick(ProbeWidget::fakeNow);
        most = std::max(most, graph->dataCount());
    }
    QVERIFY2(most <= 10 * 50 + 2, qPrintable(QString::number(most)));
    QVERIFY(graph->dataCount() >= 10 * 50);
    // The axis follows the window.
    const double x = double(ProbeWidget::fakeNow - runStart) / 1000.0;
    QCOMPARE(plot->plot->xAxis->range().upper, x);
    QCOMPARE(plot->plot->xAxis->range().lower, x - 10);
}

void TestLivePlots::timePlotPauseAndBreaksLeaveGaps()
{
    auto* plot = add<RMdiTimePlot>(4);
    RunChannel* speed = channel("dyno_speed");
    plot->leftAxis->setAxisChannel(speed);
    QCPGraph* graph = plot->leftAxis->graph;
    auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            ProbeWidget::fakeNow += 20;
            speed->setDataWithoutFilter(10.0 + i, ProbeWidget::fakeNow);
            plot->refreshTick(ProbeWidget::fakeNow);
        }
    };
    auto breaks = [&]() {
        int n = 0;
        for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
            n += std::isnan(it->value) ? 1 : 0;
        return n;
    };
    tick(20);
    QCOMPARE(breaks(), 0);
    plot->slot_pause(true);
    const int frozen = graph->dataCount();
    tick(20);
    QCOMPARE(graph->dataCount(), frozen);
    plot->unpause();
    tick(20);
    QVERIFY(!plot->paused);
    QCOMPARE(breaks(), 2);
    // A single break (the desktop stopped and started again) survives the next refresh.
    mdi->stopUpdates();
    tick(1);
    QCOMPARE(breaks(), 3);
    tick(5);
    QCOMPARE(breaks(), 3);
}

void TestLivePlots::timePlotClearsAtRunStart()
{
    auto* plot = add<RMdiTimePlot>(4);
    RunChannel* power = channel("engine_power");
    plot->rightAxis->setAxisChannel(power);
    for (int i = 0; i < 50; ++i) {
        ProbeWidget::fakeNow += 20;
        power->setDataWithoutFilter(1000.0 * i, ProbeWidget::fakeNow);
        plot->refreshTick(ProbeWidget::fakeNow);
    }
    QVERIFY(plot->rightAxis->graph->dataCount() > 2);
    runStart = ProbeWidget::fakeNow;
    ProbeWidget::fakeNow += 20;
    plot->refreshTick(ProbeWidget::fakeNow);
    QVERIFY(plot->rightAxis->graph->dataCount() <= 2);
}

void TestLivePlots::scatterPlotKeepsOneGreyEntryPerRun()
{
    auto* plot = add<RMdiScatterPlot>(5);
    RunChannel* x = channel("engine_speed");
    RunChannel* y = channel("engine_power");
    plot->xAxis->setAxisChannel(x);
    plot->yAxis->setAxisChannel(y);
    plot->leavePrevious->setChecked(true);
    plot->backgroundCurveLimit->setValue(3);
    for (int run = 1; run <= 5; ++run) {
        runStart = ProbeWidget::fakeNow;
        for (int i = 0; i < 30; ++i) {
            ProbeWidget::fakeNow += 20;
            x->setDataWithoutFilter(run * 1000.0 + i, ProbeWidget::fakeNow);
            y->setDataWithoutFilter(i * 100.0, ProbeWidget::fakeNow);
            plot->refreshTick(ProbeWidget::fakeNow);
        }
        QCOMPARE(plot->backgroundEntries.size(), qsizetype(std::min(run, 3)));
    }
    // Entry 1 is the run before the current one: its X values start at 4000 rpm.
    const QCPCurve* previous = plot->backgroundEntries[1].first;
    QVERIFY(previous->dataCount() > 0);
    const double firstKey = previous->data()->constBegin()->key;
    QCOMPARE(std::round(x->setup->unit ? (firstKey - x->setup->unit->offset) / x->setup->unit->factor : firstKey),
             4000.0);
    // Off: the background goes at the next refresh.
    plot->leavePrevious->setChecked(false);
    ProbeWidget::fakeNow += 20;
    plot->refreshTick(ProbeWidget::fakeNow);
    QCOMPARE(plot->backgroundEntries.size(), 0);
    QCOMPARE(plot->topBgY->dataCount(), 0);
}

void TestLivePlots::scatterCurvesCompareTheirOwnLastPoint()
{
    auto* plot = add<RMdiScatterPlot>(5);
    RunChannel* x = channel("engine_speed");
    RunChannel* y = channel("engine_power");
    RunChannel* y2 = channel("engine_torque");
    plot->xAxis->setAxisChannel(x);
    plot->yAxis->setAxisChannel(y);
    plot->y2Axis->setAxisChannel(y2);
    x->setDataWithoutFilter(1000, ProbeWidget::fakeNow);
    y->setDataWithoutFilter(10, ProbeWidget::fakeNow);
    y2->setDataWithoutFilter(20, ProbeWidget::fakeNow);
    plot->refreshTick(ProbeWidget::fakeNow += 20);
    QCOMPARE(plot->yCurve->dataCount(), 1);
    QCOMPARE(plot->y2Curve->dataCount(), 1);
    plot->refreshTick(ProbeWidget::fakeNow += 20);
    QCOMPARE(plot->yCurve->dataCount(), 1);
    // Only X moves: both curves get their point.
    x->setDataWithoutFilter(1100, ProbeWidget::fakeNow);
    plot->refreshTick(ProbeWidget::fakeNow += 20);
    QCOMPARE(plot->yCurve->dataCount(), 2);
    QCOMPARE(plot->y2Curve->dataCount(), 2);
    // Another X channel starts the curves over.
    plot->xAxis->setAxisChannel(channel("dyno_speed"));
    QCOMPARE(plot->yCurve->dataCount(), 0);
    QCOMPARE(plot->y2Curve->dataCount(), 0);
    // History: points older than the window go.
    plot->historyLength->setValue(1);
    plot->xAxis->setAxisChannel(x);
    plot->refreshTick(ProbeWidget::fakeNow += 20);
    QCOMPARE(plot->yCurve->dataCount(), 1);
    plot->refreshTick(ProbeWidget::fakeNow += 1500);
    QCOMPARE(plot->yCurve->dataCount(), 0);
}

void TestLivePlots::previewPlotDrawsTheLoadedRuns()
{
    QList<PreviewRunVectors> runs(2);
    for (int i = 0; i < 100; ++i) {
        runs[0].master.append(100 + i * 5.0);
        runs[0].enginePower.append(1000.0 * i);
        runs[0].wheelPower.append(900.0 * i);
    }
    runs[1] = runs[0];
    runs[1].enginePower.resize(60); // a run whose vectors differ in length
    DesktopHooks::instance()->loadedRuns = [&runs] { return runs; };
    auto* plot = add<RMdiPreviewPlot>(6);
    plot->makeInitialConfiguration(false);
    QCOMPARE(plot->axes[1]->channel, theChannels.getChannel(ChannelId_engineCorrectedPower, 0));
    plot->refreshTick(ProbeWidget::fakeNow += 20);
    QCOMPARE(plot->backgroundCurves.size(), 2);
    QCOMPARE(plot->backgroundCurves[0]->dataCount(), 100);
    QCOMPARE(plot->backgroundCurves[1]->dataCount(), 60);
    QVERIFY(plot->axes[2]->channel);
    // Wheel power: the right axis changes and the background is built anew.
    plot->powerCurve->setCurrentIndex(1);
    QCOMPARE(plot->axes[1]->channel, theChannels.getChannel(ChannelId_dynoOnWheelsPower, 0));
    runs.removeLast();
    emit DesktopHooks::instance()->signal_loadedRunsChanged();
    plot->refreshTick(ProbeWidget::fakeNow += 20);
    QCOMPARE(plot->backgroundCurves.size(), 1);
    // A new run restarts the replot throttle with it.
    plot->refreshTick(ProbeWidget::fakeNow += 3000);
    runStart = ProbeWidget::fakeNow;
    plot->refreshTick(ProbeWidget::fakeNow += 20);
    QCOMPARE(plot->lastFullReplotRunTime, qint64(20));
}

void TestLivePlots::xyTableFilters_data()
{
    QTest::addColumn<int>("center");
    QTest::addColumn<int>("transient");
    // (column value, row value, ms after the previous sample)
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<int>("accepted");
    // Bins 0, 10, 20 on both axes: cell of (10, 10) spans 5..15.
    QTest::newRow("no filter takes all") << 0 << 0 << QList<QPointF>{{10, 10}, {14.9, 5}, {5, 14.9}} << QList<int>{0, 1, 1}
                                         << 3;
    QTest::newRow("95 % centre: 2.5 % of the spacing") << 95 << 0
                                                      << QList<QPointF>{{10.2, 10}, {10.3, 10}, {10, 9.8}, {10, 9.7}}
                                                      << QList<int>{0, 1, 1, 1} << 2;
    QTest::newRow("50 % centre") << 50 << 0 << QList<QPointF>{{12.5, 10}, {12.6, 10}, {7.5, 7.5}} << QList<int>{0, 1, 1}
                                 << 2;
    QTest::newRow("transient 500 ms") << 0 << 500
                                      << QList<QPointF>{{10, 10}, {10, 10}, {10, 10}, {20, 10}, {20, 10}, {20, 10}}
                                      << QList<int>{0, 300, 200, 100, 499, 1} << 2;
    QTest::newRow("leaving the centre restarts the dwell") << 50 << 500
                                                          << QList<QPointF>{{10, 10}, {14, 10}, {10, 10}, {10, 10}}
                                                          << QList<int>{0, 400, 200, 500} << 1;
}

void TestLivePlots::xyTableFilters()
{
    QFETCH(int, center);
    QFETCH(int, transient);
    QFETCH(QList<QPointF>, points);
    QFETCH(QList<int>, steps);
    QFETCH(int, accepted);
    auto* table = add<RMdiXYTable>(7);
    RunChannel* c = channel("engine_speed");
    RunChannel* r = channel("dyno_speed");
    c->setup->bins = {0, 10, 20};
    r->setup->bins = {0, 10, 20};
    RMdiXYTableModel* m = table->model;
    m->setChannel(XYMapAxis_columns, c);
    m->setChannel(XYMapAxis_rows, r);
    m->setChannel(XYMapAxis_value, channel("engine_power"));
    m->centerFilter->setValue(center);
    m->transientFilter->setValue(transient);
    QVERIFY(!m->hasCurrentCell);
    for (int i = 0; i < points.size(); ++i) {
        ProbeWidget::fakeNow += steps[i];
        m->addData(points[i].x(), points[i].y(), 7.0);
    }
    int total = 0;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            total += m->cellCount(col, row);
    QCOMPARE(total, accepted);
}

void TestLivePlots::xyTableInvertAndBadBins()
{
    auto* table = add<RMdiXYTable>(7);
    RunChannel* c = channel("engine_speed");
    RunChannel* r = channel("dyno_speed");
    c->setup->bins = {0, 10};
    r->setup->bins = {0, 10, 20};
    RMdiXYTableModel* m = table->model;
    m->setChannel(XYMapAxis_columns, c);
    m->setChannel(XYMapAxis_rows, r);
    m->setChannel(XYMapAxis_value, channel("engine_power"));
    m->addData(0, 20, 42.0);
    QCOMPARE(m->cellCount(0, 2), 1);
    QCOMPARE(m->index(2, 0).data().isValid(), true);
    QCOMPARE(m->headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), r->setup->getLabelString(0));
    // Inverted: the highest row bin is on top; the data start anew.
    m->invertY = true;
    m->slot_rebuildDataContainers();
    m->addData(0, 20, 42.0);
    QVERIFY(m->index(0, 0).data().isValid());
    QVERIFY(!m->index(2, 0).data().isValid());
    QCOMPARE(m->headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), r->setup->getLabelString(20));
    QDomDocument doc;
    QDomElement setup = doc.createElement(QStringLiteral("setup"));
    table->writeToDomElement(&setup);
    QCOMPARE(setup.attribute(QStringLiteral("invertY")), QStringLiteral("1"));
    QCOMPARE(setup.firstChildElement(QStringLiteral("x")).attribute(QStringLiteral("channelKey")),
             QStringLiteral("dyno_speed"));

    // Bins that do not rise make no table; neither do too many.
    r->setup->bins = {0, 10, 10};
    m->slot_rebuildDataContainers();
    QCOMPARE(m->rowCountData, 0);
    QVERIFY(m->infoLabel->text().contains(QStringLiteral("Set up y bins")));
    m->addData(0, 10, 1.0);
    QList<double> many;
    for (int i = 0; i < 1001; ++i)
        many.append(i);
    r->setup->bins = many;
    m->slot_rebuildDataContainers();
    QCOMPARE(m->rowCountData, 0);
    QVERIFY(m->infoLabel->text().contains(QStringLiteral("1000")));
    r->setup->bins.clear();
    c->setup->bins.clear();
}

QTEST_MAIN(TestLivePlots)
#include "tst_live_plots.moc"
