// The range selection plot: drags kept inside the data and announced once,
// the time axis kept inside the data, the scroll bar, and a run's speeds and
// stored selection.
#include "ChannelSetup.h"
#include "RangeSelectionPlot.h"
#include "TrackingLine.h"
#include "VectorChannel.h"
#include "functions/AbstractRunData.h"
#include "lib/Units.h"

#include <QRubberBand>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <qcustomplot.h>

#include <limits>
#include <memory>

namespace {

QList<double> ramp(double from, double to, int count)
{
    QList<double> values;
    for (int i = 0; i < count; ++i)
        values << from + (to - from) * i / (count - 1);
    return values;
}

// A recorded run with its speeds, stored selection and peak engine speed.
class Run : public AbstractRunData
{
public:
    VectorChannel* getChannelByRunKey(const QString&) const override { return nullptr; }
    QVariant getProjectInfoValue(int, const QVariant& defaultValue) const override { return defaultValue; }
    VectorChannel* getVectorChannel(ChannelId id, int instance) const override
    {
        if (instance != 0)
            return nullptr;
        return id == ChannelId_engineSpeed ? engineSpeed : id == ChannelId_dynoSpeed ? roadSpeed : nullptr;
    }
    std::pair<double, double> getSelection() const override { return selection; }
    QVariant getRunInfoValue(int field, const QVariant& defaultValue) const override
    {
        return field == 22 && peakEngineSpeed ? QVariant(*peakEngineSpeed) : defaultValue;
    }
    VectorChannel* engineSpeed = nullptr;
    VectorChannel* roadSpeed = nullptr;
    std::pair<double, double> selection {0, 0};
    std::unique_ptr<double> peakEngineSpeed;
};

struct Shown {
    Shown()
    {
        plot.resize(600, 400);
        plot.show();
    }
    RangeSelectionPlot plot;
};

QPoint atTime(RangeSelectionPlot& plot, double seconds)
{
    const QRect rect = plot.customPlot->axisRect()->rect();
    return QPoint(int(plot.customPlot->xAxis->coordToPixel(seconds)), rect.center().y());
}

} // namespace

class TestRangeSelection : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { theUnits.init(); }
    void dragIsKeptInsideTheData_data();
    void dragIsKeptInsideTheData();
    void timeAxisStaysInsideTheData();
    void scrollBar();
    void axisRanges_data();
    void axisRanges();
    void noKeysClearsTheAxis();
    void runSpeedsAndSelection();
    void titleAndLabels();
};

void TestRangeSelection::dragIsKeptInsideTheData_data()
{
    QTest::addColumn<int>("fromX");
    QTest::addColumn<int>("toX");
    QTest::addColumn<double>("anchor");
    // Pixels 2 and 598 lie beyond the axis rect on either side. The plot's own
    // range drag pans the view meanwhile, so only the press point is fixed.
    QTest::newRow("from before the data to after it") << 2 << 598 << 10.0;
    QTest::newRow("right to left") << 598 << 2 << 70.0;
    QTest::newRow("from inside to after the data") << -40 << 598 << 40.0;
}

void TestRangeSelection::dragIsKeptInsideTheData()
{
    QFETCH(int, fromX);
    QFETCH(int, toX);
    QFETCH(double, anchor);
    Shown shown;
    RangeSelectionPlot& plot = shown.plot;
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    const QList<double> keys = ramp(10, 70, 601);
    const QList<double> values = ramp(0, 700, 601);
    plot.setData(PlotAxis_left, QStringLiteral("Engine speed [RPM]"), &keys, &values, 0);
    plot.customPlot->replot();
    QCOMPARE(plot.dataMin, 10.0);
    QCOMPARE(plot.dataMax, 70.0);

    // Negative columns stand for times inside the data.
    const int y = plot.customPlot->axisRect()->rect().center().y();
    const QPoint from = fromX < 0 ? atTime(plot, -fromX) : QPoint(fromX, y);
    const QPoint to = toX < 0 ? atTime(plot, -toX) : QPoint(toX, y);
    QSignalSpy selections(&plot, &RangeSelectionPlot::signal_newSelection);
    QTest::mousePress(plot.customPlot, Qt::LeftButton, {}, from);
    QTest::mouseMove(plot.customPlot, (from + to) / 2);
    QTest::mouseMove(plot.customPlot, to);
    QCOMPARE(selections.count(), 0);
    QTest::mouseRelease(plot.customPlot, Qt::LeftButton, {}, to);
    QCOMPARE(selections.count(), 1);
    const double start = selections.first().at(0).toDouble();
    const double end = selections.first().at(1).toDouble();
    QVERIFY(start >= plot.dataMin);
    QVERIFY(end <= plot.dataMax);
    QVERIFY(start < end);
    // The press point is one end of the selection whichever way the drag went.
    QVERIFY(std::abs(start - anchor) < 0.2 || std::abs(end - anchor) < 0.2);
    QCOMPARE(plot.dragAnchor, start == anchor || std::abs(start - anchor) < 0.2 ? start : end);
    QVERIFY(plot.rubberBand->isVisible());
    QVERIFY(plot.rubberBand->geometry().left() >= plot.customPlot->axisRect()->rect().left());
    QVERIFY(plot.rubberBand->geometry().right() <= plot.customPlot->axisRect()->rect().right());
}

void TestRangeSelection::timeAxisStaysInsideTheData()
{
    RangeSelectionPlot plot;
    const QList<double> keys = ramp(0, 600, 601);
    plot.setData(PlotAxis_right, QStringLiteral("Speed"), &keys, &keys, 1);
    // Panned past the start: clipped there, so the span shrinks.
    plot.customPlot->xAxis->setRange(-50, 50);
    QCOMPARE(plot.customPlot->xAxis->range(), QCPRange(0, 50));
    plot.customPlot->xAxis->setRange(550, 650);
    QCOMPARE(plot.customPlot->xAxis->range(), QCPRange(550, 600));
}

void TestRangeSelection::scrollBar()
{
    RangeSelectionPlot plot;
    const QList<double> keys = ramp(0, 600, 601);
    plot.setData(PlotAxis_left, QStringLiteral("Speed"), &keys, &keys, 0);
    plot.customPlot->xAxis->setRange(100, 200);
    QCOMPARE(plot.scrollBar->minimum(), 0);
    QCOMPARE(plot.scrollBar->maximum(), 50000);
    QCOMPARE(plot.scrollBar->pageStep(), 10000);
    QCOMPARE(plot.scrollBar->singleStep(), 50000);
    QCOMPARE(plot.scrollBar->value(), 10000);
    plot.scrollBar->setValue(30000);
    QCOMPARE(plot.customPlot->xAxis->range(), QCPRange(300, 400));
    // Keys zoom about the centre and move by a single step.
    QTest::keyClick(&plot, Qt::Key_Plus);
    QCOMPARE(plot.customPlot->xAxis->range(), QCPRange(325, 375));
    QTest::keyClick(&plot, Qt::Key_Minus);
    QCOMPARE(plot.customPlot->xAxis->range(), QCPRange(300, 400));
    QTest::keyClick(&plot, Qt::Key_Left);
    QCOMPARE(plot.customPlot->xAxis->range(), QCPRange(0, 100));
}

void TestRangeSelection::axisRanges_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("not a number") << nan << 5.0 << -1.0 << 1.0;
    QTest::newRow("equal bounds") << 3.0 << 3.0 << 2.0 << 4.0;
    QTest::newRow("plain") << -2.0 << 8.0 << -2.0 << 8.0;
}

void TestRangeSelection::axisRanges()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, lower);
    QFETCH(double, upper);
    RangeSelectionPlot plot;
    plot.setAxisRange(PlotAxis_left, min, max);
    QCOMPARE(plot.customPlot->yAxis->range(), QCPRange(lower, upper));
}

void TestRangeSelection::noKeysClearsTheAxis()
{
    RangeSelectionPlot plot;
    const QList<double> keys = ramp(0, 10, 11);
    plot.setData(PlotAxis_left, QStringLiteral("Speed"), &keys, &keys, 0);
    QCOMPARE(plot.customPlot->graph(0)->dataCount(), 11);
    QVERIFY(plot.customPlot->yAxis->visible());
    const QList<double> none;
    plot.setData(PlotAxis_left, QStringLiteral("Speed"), &none, &none, 0);
    QCOMPARE(plot.customPlot->graph(0)->dataCount(), 0);
    QVERIFY(!plot.customPlot->yAxis->visible());
    // The data extent of before stays.
    QCOMPARE(plot.dataMax, 10.0);

    // A recorded channel without samples as well.
    VectorChannel empty(100, QString(), QStringLiteral("Empty"), Quantity::Speed, 0, nullptr);
    plot.setAxisChannel(PlotAxis_right, &empty);
    QCOMPARE(plot.customPlot->graph(1)->dataCount(), 0);
    QVERIFY(!plot.customPlot->yAxis2->visible());
}

void TestRangeSelection::runSpeedsAndSelection()
{
    VectorChannel time(100, QString(), QStringLiteral("Time"), Quantity::Time, 201, nullptr);
    *time.getRawData() = ramp(0, 20, 201);
    VectorChannel engine(100, QString(), QStringLiteral("Engine speed"), Quantity::RotationalSpeed, 201, &time);
    *engine.getRawData() = ramp(100, 500, 201);
    engine.setup->decimals = -2;
    VectorChannel road(100, QString(), QStringLiteral("Road speed"), Quantity::Speed, 201, &time);
    *road.getRawData() = ramp(0, 30, 201);

    Run run;
    run.engineSpeed = &engine;
    run.roadSpeed = &road;
    run.peakEngineSpeed = std::make_unique<double>(500);
    Shown stored;
    stored.plot.setRunData(&run);
    QCOMPARE(stored.plot.customPlot->graph(0)->dataCount(), 201);
    QCOMPARE(stored.plot.customPlot->graph(1)->dataCount(), 201);
    QCOMPARE(stored.plot.customPlot->yAxis->numberFormat(), QStringLiteral("ebc"));
    QCOMPARE(stored.plot.customPlot->yAxis->numberPrecision(), 2);
    QCOMPARE(stored.plot.dataMax, 20.0);
    // A stored 0 .. 0 is no selection.
    QVERIFY(!stored.plot.selectionVisible);
    QCOMPARE(stored.plot.customPlot->itemCount(), 0);

    // After a setup change the axis numbers have no decimals.
    Q_EMIT engine.signal_setupChanged();
    QCOMPARE(stored.plot.customPlot->yAxis->numberFormat(), QStringLiteral("f"));
    QCOMPARE(stored.plot.customPlot->yAxis->numberPrecision(), 0);

    Run selected;
    selected.selection = {5, 12};
    Shown other;
    other.plot.setRunData(&selected);
    QVERIFY(other.plot.selectionVisible);
    QCOMPARE(other.plot.selectionStart, 5.0);
    QCOMPARE(other.plot.selectionEnd, 12.0);
    // No peak engine speed: the run had no engine speed data.
    QCOMPARE(other.plot.customPlot->itemCount(), 1);
    auto* notice = qobject_cast<QCPItemText*>(other.plot.customPlot->item(0));
    QCOMPARE(notice->text(), QStringLiteral("Engine Speed data empty"));
    QCOMPARE(notice->font().pointSize(), 16);
}

void TestRangeSelection::titleAndLabels()
{
    RangeSelectionPlot plot;
    QVERIFY(!plot.trackingLine->showSpanLabels);
    plot.setTitle(QStringLiteral("Coast down"));
    plot.setTitle(QStringLiteral("Coast down 2"));
    QCOMPARE(plot.customPlot->plotLayout()->rowCount(), 2);
    QCOMPARE(plot.titleElement->text(), QStringLiteral("Coast down 2"));
    QCOMPARE(plot.titleElement->font().weight(), QFont::Bold);
    plot.setXLabel(QStringLiteral("Time"));
    QCOMPARE(plot.customPlot->xAxis->label(), QStringLiteral("Time"));
    QCOMPARE(plot.customPlot->yAxis->labelColor(), QColor(Qt::blue));
    QCOMPARE(plot.customPlot->yAxis2->labelColor(), QColor(Qt::red));
}

QTEST_MAIN(TestRangeSelection)
#include "tst_range_selection.moc"
