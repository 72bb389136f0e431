#include "ContinousDoubleRollingAverage.h"
#include "DoubleRollingAverage.h"
#include "LogCapture.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

// NaN-aware comparison of whole series.
bool sameSeries(const QList<double>& a, const QList<double>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (std::isnan(a[i]) != std::isnan(b[i]) || (!std::isnan(a[i]) && std::fabs(a[i] - b[i]) > 1e-12))
            return false;
    }
    return true;
}
} // namespace

class TestAverages : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void continuousSampleBySample_data();
    void continuousSampleBySample();
    void continuousVector();
    void continuousVectorEdgeWindows();
    void summedAverage();
    void sizeBelowOne();
};

void TestAverages::continuousSampleBySample_data()
{
    QTest::addColumn<QList<double>>("input");
    QTest::addColumn<QList<double>>("expected");
    QTest::newRow("window fills") << QList<double>{1, 2, 3, 4} << QList<double>{NaN, NaN, 2, 3};
    QTest::newRow("NaN empties the window") << QList<double>{1, 2, NaN, 4, 5, 6}
                                            << QList<double>{NaN, NaN, NaN, NaN, NaN, 5};
    QTest::newRow("infinity passes and empties") << QList<double>{1, 2, 3, -Inf, 7, 8, 9}
                                                 << QList<double>{NaN, NaN, 2, -Inf, NaN, NaN, 8};
}

void TestAverages::continuousSampleBySample()
{
    QFETCH(QList<double>, input);
    QFETCH(QList<double>, expected);
    ContinousDoubleRollingAverage average(3);
    QList<double> output;
    for (double x : input)
        output.append(average.addData(x));
    QVERIFY2(sameSeries(output, expected), qPrintable(QString::number(output.last())));

    average.reset();
    QVERIFY(std::isnan(average.addData(10)));
}

void TestAverages::continuousVector()
{
    // n = 4: forward window 3, backward window 2.
    QList<double> data{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ContinousDoubleRollingAverage::filterVector(&data, 4);
    QVERIFY(sameSeries(data, {NaN, NaN, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5, NaN}));

    // Odd n: no shift, a trapezoid of n samples; a gap loses its neighbours.
    QList<double> in;
    for (int i = 0; i < 30; ++i)
        in.append(i * i);
    in[15] = NaN;
    QList<double> out{42};
    ContinousDoubleRollingAverage::filterVectorToOther(&in, &out, 5);
    QCOMPARE(out.size(), in.size());
    QVERIFY(std::isnan(in[15]) && in[3] == 9); // input untouched
    // Forward window 3, backward 3: weights 1,2,3,2,1 / 9 around the sample.
    const double expected = (1 * 16 + 2 * 25 + 3 * 36 + 2 * 49 + 1 * 64) / 9.0;
    QVERIFY(std::fabs(out[6] - expected) < 1e-9);
    for (int i = 0; i < 30; ++i) {
        const bool lost = i < 2 || i > 27 || (i >= 13 && i <= 17);
        QVERIFY2(std::isnan(out[i]) == lost, qPrintable(QString::number(i)));
    }

    // An empty input leaves the output alone.
    const QList<double> empty;
    ContinousDoubleRollingAverage::filterVectorToOther(&empty, &out, 5);
    QCOMPARE(out.size(), 30);
}

void TestAverages::continuousVectorEdgeWindows()
{
    const QList<double> original{4, 8, 15, 16, 23, 42};
    LogCapture log;
    QList<double> data = original;
    ContinousDoubleRollingAverage::filterVector(&data, 1);
    QCOMPARE(data, original);
    QCOMPARE(log.count("Can't make rolling average with size < 1"), 0);
    ContinousDoubleRollingAverage::filterVector(&data, 0);
    QCOMPARE(data, original);
    QCOMPARE(log.count("Can't make rolling average with size < 1. Size:"), 1);
}

void TestAverages::summedAverage()
{
    DoubleRollingAverage average(2);
    average.addData(1);
    average.addData(Inf); // empties, not stored
    average.addData(3);
    QVERIFY(std::isnan(average.getAverage()));
    average.addData(5);
    QCOMPARE(average.getAverage(), 4.0);
    average.addData(NaN); // stays in the window until it leaves it
    QVERIFY(std::isnan(average.getAverage()));
    average.addData(7);
    QVERIFY(std::isnan(average.getAverage()));
    average.addData(9);
    QCOMPARE(average.getAverage(), 8.0);

    // A smaller window keeps the newest samples, a larger one waits to fill.
    DoubleRollingAverage resized(4);
    for (double x : {10.0, 1.0, 2.0, 3.0, 4.0}) // 10 already left the window
        resized.addData(x);
    QCOMPARE(resized.getAverage(), 2.5);
    resized.setFilterSize(2);
    QCOMPARE(resized.getAverage(), 3.5);
    resized.addData(6);
    QCOMPARE(resized.getAverage(), 5.0);
    resized.setFilterSize(3);
    QVERIFY(std::isnan(resized.getAverage()));
    resized.addData(8);
    QCOMPARE(resized.getAverage(), 6.0);

    resized.reset();
    QVERIFY(std::isnan(resized.getAverage()));
}

void TestAverages::sizeBelowOne()
{
    LogCapture log;
    ContinousDoubleRollingAverage continuous(0);
    QCOMPARE(continuous.addData(5), 5.0);
    QCOMPARE(continuous.addData(6), 6.0);
    DoubleRollingAverage summed(-3);
    summed.addData(2);
    QCOMPARE(summed.getAverage(), 2.0);
    summed.setFilterSize(0);
    QCOMPARE(summed.getAverage(), 2.0);
    QCOMPARE(log.count("Can't make rolling average with size < 1. Size: 0"), 2);
    QCOMPARE(log.count("Can't make rolling average with size < 1. Size: -3"), 1);
}

QTEST_GUILESS_MAIN(TestAverages)
#include "tst_averages.moc"
