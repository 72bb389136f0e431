// The plot-axis base: limit lines, and the alignment of a plot's left and
// right value axes so that their ticks share pixel rows.
#include "AbstractPlotAxis.h"
#include "Colors.h"

#include <QTest>
#include <qcustomplot.h>

#include <cmath>

namespace {

// An axis whose normal ticker steps by a fixed amount, as the owners' tickers
// do for the ranges of these tests.
class StepAxis : public AbstractPlotAxis
{
public:
    StepAxis(QCPAxis* axis, double step)
        : normal(new QCPAxisTickerFixed)
    {
        normal->setTickStep(step);
        setAndConnectQcpAxis(axis);
        axis->setTicker(normal);
    }
    void setDefaultTicker() override { qcpAxis->setTicker(normal); }
    bool hasSimpleTicker() override { return simple; }
    QSharedPointer<QCPAxisTickerFixed> normal;
    bool simple = true;
};

// A plot whose axis rect is exactly 300 px high.
class Plot : public QCustomPlot
{
public:
    Plot()
    {
        yAxis2->setVisible(true);
        axisRect()->setAutoMargins(QCP::msNone);
        axisRect()->setMargins(QMargins(50, 20, 50, 20));
        setViewport(QRect(0, 0, 400, 340));
        replot();
    }
};

QList<double> pixelsOf(QCPAxis* axis, const QList<double>& values)
{
    QList<double> pixels;
    for (double value : values)
        pixels << std::round(axis->coordToPixel(value));
    return pixels;
}

} // namespace

class TestPlotAxis : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { theColors.init(); }
    void workedExample();
    void eitherOrderGivesTheSameRows();
    void alignedAxesAreNotScaled();
    void axesWithTickersOfTheirOwnKind();
    void limitLines();
};

void TestPlotAxis::workedExample()
{
    Plot plot;
    QCOMPARE(plot.axisRect()->height(), 300);
    plot.yAxis->setRange(0, 100);
    plot.yAxis2->setRange(0, 30);
    StepAxis left(plot.yAxis, 20);
    StepAxis right(plot.yAxis2, 10);
    AbstractPlotAxis::alignLeftRightPlotAxis(&left, &right);
    QCOMPARE(plot.yAxis->range().lower, 0.0);
    QCOMPARE(plot.yAxis->range().upper, 120.0);
    QCOMPARE(plot.yAxis2->range().lower, 0.0);
    QCOMPARE(plot.yAxis2->range().upper, 30.0);
    // The right ticks lie on the rows of the left ticks 0, 40, 80, 120.
    QCOMPARE(pixelsOf(plot.yAxis2, {0, 10, 20, 30}), pixelsOf(plot.yAxis, {0, 40, 80, 120}));
    // Later ticks keep the steps found.
    QCOMPARE(plot.yAxis->ticker(), QSharedPointer<QCPAxisTicker>(left.fixedTicker));
    QCOMPARE(left.fixedTicker->tickStep(), 20.0);
    QCOMPARE(right.fixedTicker->tickStep(), 10.0);
}

void TestPlotAxis::eitherOrderGivesTheSameRows()
{
    Plot plot;
    plot.yAxis->setRange(0, 100);
    plot.yAxis2->setRange(0, 30);
    StepAxis left(plot.yAxis, 20);
    StepAxis right(plot.yAxis2, 10);
    AbstractPlotAxis::alignLeftRightPlotAxis(&right, &left);
    QCOMPARE(plot.yAxis->range().upper, 120.0);
    QCOMPARE(plot.yAxis2->range().upper, 30.0);
    QCOMPARE(pixelsOf(plot.yAxis2, {0, 10, 20, 30}), pixelsOf(plot.yAxis, {0, 40, 80, 120}));
}

void TestPlotAxis::alignedAxesAreNotScaled()
{
    Plot plot;
    plot.yAxis->setRange(0, 100);
    plot.yAxis2->setRange(0, 50);
    StepAxis left(plot.yAxis, 20);
    StepAxis right(plot.yAxis2, 10);
    AbstractPlotAxis::alignLeftRightPlotAxis(&left, &right);
    QCOMPARE(plot.yAxis->range(), QCPRange(0, 100));
    QCOMPARE(plot.yAxis2->range(), QCPRange(0, 50));

    // Shifted but on the same rows already.
    plot.yAxis2->setRange(-10, 40);
    AbstractPlotAxis::alignLeftRightPlotAxis(&left, &right);
    QCOMPARE(plot.yAxis2->range(), QCPRange(-10, 40));
    QCOMPARE(pixelsOf(plot.yAxis2, {-10, 0, 10, 20, 30, 40}), pixelsOf(plot.yAxis, {0, 20, 40, 60, 80, 100}));

    // Whatever the pairing, both end on the same rows and cut nothing off.
    plot.yAxis2->setRange(-5, 45);
    AbstractPlotAxis::alignLeftRightPlotAxis(&left, &right);
    QVERIFY(plot.yAxis->range().lower <= 0 && plot.yAxis->range().upper >= 100);
    QVERIFY(plot.yAxis2->range().lower <= -5 && plot.yAxis2->range().upper >= 45);
    QCOMPARE(std::round(plot.yAxis->coordToPixel(plot.yAxis->range().upper)),
             std::round(plot.yAxis2->coordToPixel(plot.yAxis2->range().upper)));
    QCOMPARE(std::round(plot.yAxis->coordToPixel(plot.yAxis->range().lower)),
             std::round(plot.yAxis2->coordToPixel(plot.yAxis2->range().lower)));
}

void TestPlotAxis::axesWithTickersOfTheirOwnKind()
{
    Plot plot;
    plot.yAxis->setRange(0, 100);
    plot.yAxis2->setRange(0, 30);
    StepAxis left(plot.yAxis, 20);
    StepAxis right(plot.yAxis2, 10);
    right.simple = false;
    AbstractPlotAxis::alignLeftRightPlotAxis(&left, &right);
    QCOMPARE(plot.yAxis->range(), QCPRange(0, 100));
    QCOMPARE(plot.yAxis2->range(), QCPRange(0, 30));
    QCOMPARE(plot.yAxis->ticker(), QSharedPointer<QCPAxisTicker>(left.normal));

    // Fewer than two ticks: nothing to align.
    right.simple = true;
    plot.yAxis2->setRange(1, 2);
    AbstractPlotAxis::alignLeftRightPlotAxis(&left, &right);
    QCOMPARE(plot.yAxis2->range(), QCPRange(1, 2));
}

void TestPlotAxis::limitLines()
{
    Plot plot;
    StepAxis right(plot.yAxis2, 10);
    StepAxis bottom(plot.xAxis, 1);
    right.initAlarmsAndWarnings(&plot);
    bottom.initAlarmsAndWarnings(&plot);
    QCOMPARE(right.alarmHighLine->pen().color(), QColor(255, 0, 0));
    QCOMPARE(right.warningHighLine->pen().color(), QColor(255, 150, 0));
    QCOMPARE(right.warningLowLine->pen().color(), QColor(0, 150, 255));
    QCOMPARE(right.alarmLowLine->pen().color(), QColor(0, 0, 255));
    QCOMPARE(right.alarmHighLine->pen().width(), 2);
    QVERIFY(!right.alarmHighLine->visible());
    QCOMPARE(right.warningLowLine->start->coords(), QPointF(0, -2));

    // A right axis: horizontal across the rect, the diamond at the right edge.
    right.setLinePosition(right.alarmHighLine, 5);
    QCOMPARE(right.alarmHighLine->start->coords(), QPointF(0, 5));
    QCOMPARE(right.alarmHighLine->end->coords(), QPointF(1, 5));
    QCOMPARE(right.alarmHighLine->start->typeX(), QCPItemPosition::ptAxisRectRatio);
    QCOMPARE(right.alarmHighLine->start->typeY(), QCPItemPosition::ptPlotCoords);
    QCOMPARE(right.alarmHighLine->start->valueAxis(), plot.yAxis2);
    QCOMPARE(right.alarmHighLine->head().style(), QCPLineEnding::esDiamond);
    QCOMPARE(right.alarmHighLine->tail().style(), QCPLineEnding::esNone);

    // A bottom axis: vertical.
    bottom.setLinePosition(bottom.alarmHighLine, 7);
    QCOMPARE(bottom.alarmHighLine->start->coords(), QPointF(7, 0));
    QCOMPARE(bottom.alarmHighLine->end->coords(), QPointF(7, 1));
    QCOMPARE(bottom.alarmHighLine->start->keyAxis(), plot.xAxis);
}

QTEST_MAIN(TestPlotAxis)
#include "tst_plot_axis.moc"
