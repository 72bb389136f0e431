// Tracking lines: the x value under the mouse, the edges of the axis rect,
// and two lines following each other through a shared relay.
#include "TrackingLine.h"

#include <QSignalSpy>
#include <QTest>
#include <qcustomplot.h>

#include <memory>

namespace {

// Stands for the list of loaded runs: it relays every line's announcement to
// every line, the sender included.
class Relay : public QObject
{
    Q_OBJECT
Q_SIGNALS:
    void signal_trackingLineSync(QObject* run, double time);
};

// A plot with one curve of a run over time, time = key, as the analysis graphs draw them.
struct RunPlot {
    explicit RunPlot(QObject* run)
    {
        plot.resize(500, 300);
        curve = new QCPCurve(plot.xAxis, plot.yAxis);
        QVector<double> t;
        QVector<double> keys;
        QVector<double> values;
        for (int i = 0; i <= 100; ++i) {
            t << i * 0.1;
            keys << i * 0.1;
            values << 50 + i;
        }
        curve->setData(t, keys, values);
        curve->setProperty("rundata", QVariant::fromValue(run));
        plot.xAxis->setRange(0, 10);
        plot.yAxis->setRange(0, 200);
        line = new TrackingLine(&plot, nullptr, nullptr);
        plot.show();
        plot.replot();
    }
    QCustomPlot plot;
    QCPCurve* curve = nullptr;
    TrackingLine* line = nullptr;
};

void connectThrough(Relay& relay, TrackingLine* line)
{
    QObject::connect(line, &TrackingLine::signal_syncTrackingLines, &relay, &Relay::signal_trackingLineSync);
    QObject::connect(&relay, &Relay::signal_trackingLineSync, line, &TrackingLine::slot_syncTrackingLines);
}

QPoint pointAt(QCustomPlot& plot, double key, double value)
{
    return QPoint(qRound(plot.xAxis->coordToPixel(key)), qRound(plot.yAxis->coordToPixel(value)));
}

} // namespace

class TestTrackingLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void xValueOnlyInsideTheAxisRect();
    void twoLinesFollowEachOther();
    void repaintsAreCoalesced();
    void valueTextOfTheAxis();
};

void TestTrackingLine::xValueOnlyInsideTheAxisRect()
{
    QObject run;
    RunPlot shown(&run);
    QVERIFY(QTest::qWaitForWindowExposed(&shown.plot));
    QSignalSpy values(shown.line, &TrackingLine::signal_newXValue);
    QSignalSpy syncs(shown.line, &TrackingLine::signal_syncTrackingLines);
    const QRect rect = shown.plot.axisRect()->rect();
    shown.line->setPosition(QPoint(rect.left(), rect.center().y()));
    shown.line->setPosition(QPoint(rect.right(), rect.center().y()));
    QCOMPARE(values.count(), 0);
    // Outside, the line tells the others to let go.
    QTRY_VERIFY(syncs.count() >= 1);
    QCOMPARE(syncs.last().at(0).value<QObject*>(), nullptr);
    QCOMPARE(syncs.last().at(1).toDouble(), -1.0);

    shown.line->setPosition(pointAt(shown.plot, 2.5, 75));
    QCOMPARE(values.count(), 1);
    QVERIFY(std::abs(values.first().first().toDouble() - 2.5) < 0.05);
}

void TestTrackingLine::twoLinesFollowEachOther()
{
    QObject run;
    RunPlot first(&run);
    RunPlot second(&run);
    QVERIFY(QTest::qWaitForWindowExposed(&first.plot));
    QVERIFY(QTest::qWaitForWindowExposed(&second.plot));
    Relay relay;
    connectThrough(relay, first.line);
    connectThrough(relay, second.line);

    // The mouse over the first plot at 4.05 s: the nearest curve point before
    // it is the sample at 4.0 s, which the second line takes up.
    QTest::mouseMove(&first.plot, pointAt(first.plot, 4.05, 90));
    QTRY_COMPARE(second.line->syncRun, &run);
    QVERIFY(std::abs(second.line->syncTime - 4.0) < 1e-9);
    QTRY_VERIFY(second.line->isVisible());
    QCOMPARE(second.line->cursorPos.x(), -1);
    // The first line ignored its own announcement coming back.
    QCOMPARE(first.line->syncRun, nullptr);
    QVERIFY(first.line->cursorPos.x() >= 0);

    // And the other way round: the second line leads, the first follows.
    second.line->setPosition(pointAt(second.plot, 7.05, 120));
    QCOMPARE(second.line->syncRun, nullptr);
    QTRY_COMPARE(first.line->syncRun, &run);
    QVERIFY(std::abs(first.line->syncTime - 7.0) < 1e-9);

    // Leaving the axis rect lets the follower go.
    second.line->setPosition(QPoint(2, 2));
    QTRY_COMPARE(first.line->syncRun, nullptr);
    QTRY_VERIFY(!first.line->isVisible());
}

void TestTrackingLine::repaintsAreCoalesced()
{
    QObject run;
    RunPlot shown(&run);
    QVERIFY(QTest::qWaitForWindowExposed(&shown.plot));
    QSignalSpy syncs(shown.line, &TrackingLine::signal_syncTrackingLines);
    // A burst of mouse moves within one timer period paints once.
    for (int i = 0; i < 50; ++i)
        shown.line->setPosition(pointAt(shown.plot, 1 + i * 0.1, 80));
    QTRY_COMPARE(syncs.count(), 1);
    QTest::qWait(120);
    QCOMPARE(syncs.count(), 1);
    QVERIFY(std::abs(syncs.first().at(1).toDouble() - 5.9) < 0.1 + 1e-9);

    // A resize starts over: hidden until the mouse moves again.
    shown.plot.resize(450, 300);
    QTRY_VERIFY(!shown.line->isVisible());
    QCOMPARE(shown.line->cursorPos.x(), -1);
    QCOMPARE(shown.line->size(), QSize(450, 300));
}

void TestTrackingLine::valueTextOfTheAxis()
{
    QCustomPlot plot;
    TrackingLine line(&plot, nullptr, nullptr);
    plot.yAxis->setNumberFormat(QStringLiteral("f"));
    plot.yAxis->setNumberPrecision(2);
    QCOMPARE(line.getValueLabel(plot.yAxis, 3.14159), QStringLiteral("3.14"));
    plot.yAxis->setNumberFormat(QStringLiteral("ebc"));
    plot.yAxis->setNumberPrecision(1);
    QVERIFY(line.getValueLabel(plot.yAxis, 31415.9).startsWith(QStringLiteral("3.1")));
}

QTEST_MAIN(TestTrackingLine)
#include "tst_tracking_line.moc"
