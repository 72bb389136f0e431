#include "BinFinder.h"
#include "CharacteristicReader.h"
#include "CharacteristicReductor.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

bool samePoints(const QList<QPointF>& a, const QList<QPointF>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (std::fabs(a[i].x() - b[i].x()) > 1e-12 || std::fabs(a[i].y() - b[i].y()) > 1e-12)
            return false;
    }
    return true;
}
} // namespace

class TestCharacteristics : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readCurve_data();
    void readCurve();
    void readChangingCurve();
    void reduce_data();
    void reduce();
    void reduceEndsWithoutPositiveTolerance_data();
    void reduceEndsWithoutPositiveTolerance();
    void bins_data();
    void bins();
    void binsOfChangingAxis();
};

void TestCharacteristics::readCurve_data()
{
    QTest::addColumn<QList<QPointF>>("curve");
    QTest::addColumn<QList<double>>("queries");
    QTest::addColumn<QList<double>>("expected");
    const QList<QPointF> line{{0, 0}, {10, 100}};
    QTest::newRow("clamped line") << line << QList<double>{5, -3, 12, 10, NaN}
                                  << QList<double>{50, 0, 100, 100, NaN};
    QTest::newRow("empty curve") << QList<QPointF>{} << QList<double>{7, -1} << QList<double>{7, -1};
    QTest::newRow("repeated x") << QList<QPointF>{{1, 10}, {1, 20}, {2, 30}} << QList<double>{1, 1.5, 0.5}
                                << QList<double>{20, 25, 10};
    QTest::newRow("back and forth") << QList<QPointF>{{0, 0}, {1, 1}, {2, 4}, {3, 9}}
                                    << QList<double>{2.5, 0.5, 2.75, 1.5, -1}
                                    << QList<double>{6.5, 0.5, 7.75, 2.5, 0};
}

void TestCharacteristics::readCurve()
{
    QFETCH(QList<QPointF>, curve);
    QFETCH(QList<double>, queries);
    QFETCH(QList<double>, expected);
    CharacteristicReader reader;
    reader.init(&curve);
    for (int i = 0; i < queries.size(); ++i) {
        const double value = reader.getValue(queries[i]);
        if (std::isnan(expected[i]))
            QVERIFY(std::isnan(value));
        else
            QCOMPARE(value, expected[i]);
    }
}

void TestCharacteristics::readChangingCurve()
{
    // The owner edits the curve between queries: a shorter curve starts the
    // search over instead of reading past its end.
    QList<QPointF> curve{{0, 0}, {1, 10}, {2, 20}, {3, 30}, {4, 40}};
    CharacteristicReader reader;
    reader.init(&curve);
    QCOMPARE(reader.getValue(3.5), 35.0);
    curve = {{0, 0}, {1, 5}};
    QCOMPARE(reader.getValue(0.5), 2.5);
    QCOMPARE(reader.getValue(3.5), 5.0);
    curve.clear();
    QCOMPARE(reader.getValue(3.5), 3.5);

    CharacteristicReader unset;
    QCOMPARE(unset.getValue(2.0), 2.0);
}

void TestCharacteristics::reduce_data()
{
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<QList<QPointF>>("expected");
    QList<QPointF> parabola;
    for (int x = 0; x <= 4; ++x)
        parabola.append(QPointF(x, 0.05 * x * x));
    QTest::newRow("corner kept") << QList<QPointF>{{0, 0}, {1, 1}, {2, 0}} << 0.1
                                 << QList<QPointF>{{0, 0}, {1, 1}, {2, 0}};
    QTest::newRow("one segment") << parabola << 1.0 << QList<QPointF>{{0, -0.05}, {4, 0.75}};
    QTest::newRow("two segments") << parabola << 0.1
                                  << QList<QPointF>{{0, -0.0125}, {2, 0.175}, {4, 0.7875}};
    QTest::newRow("straight line") << QList<QPointF>{{0, 1}, {1, 3}, {2, 5}, {5, 11}} << 0.01
                                   << QList<QPointF>{{0, 1}, {5, 11}};
    QTest::newRow("two points") << QList<QPointF>{{0, 1}, {3, 2}} << 0.5 << QList<QPointF>{{0, 1}, {3, 2}};
    QTest::newRow("single point") << QList<QPointF>{{1, 1}} << 0.1 << QList<QPointF>{};
    QTest::newRow("no point") << QList<QPointF>{} << 0.1 << QList<QPointF>{};
}

void TestCharacteristics::reduce()
{
    QFETCH(QList<QPointF>, points);
    QFETCH(double, tolerance);
    QFETCH(QList<QPointF>, expected);
    QVERIFY(samePoints(CharacteristicReductor::reduceCharacteristic(points, tolerance), expected));
}

void TestCharacteristics::reduceEndsWithoutPositiveTolerance_data()
{
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<double>("tolerance");
    QList<QPointF> steep; // split near one end again and again
    for (int i = 0; i < 200000; ++i)
        steep.append(QPointF(i * 1e-3, std::exp(i * 1e-4)));
    QList<QPointF> noisy;
    for (int i = 0; i < 5000; ++i)
        noisy.append(QPointF(i, std::sin(i * 0.37) + 0.001 * (i % 7)));
    QTest::newRow("steep curve, tolerance 0") << steep << 0.0;
    QTest::newRow("noisy curve, negative tolerance") << noisy << -1.0;
    QTest::newRow("repeated x, tolerance 0")
        << QList<QPointF>{{0, 0}, {1, 1}, {1, 2}, {1, 3}, {2, 2}, {2, 2}, {3, 0}} << 0.0;
    QTest::newRow("collinear, negative tolerance") << QList<QPointF>{{0, 0}, {1, 1}, {2, 2}, {3, 3}} << -0.5;
    QTest::newRow("all x equal") << QList<QPointF>{{1, 0}, {1, 5}, {1, 2}} << 0.1;
}

void TestCharacteristics::reduceEndsWithoutPositiveTolerance()
{
    // Nothing is lost: every input point lies on the reduced curve.
    QFETCH(QList<QPointF>, points);
    QFETCH(double, tolerance);
    const QList<QPointF> reduced = CharacteristicReductor::reduceCharacteristic(points, tolerance);
    QVERIFY(reduced.size() >= 2);
    QCOMPARE(reduced.first(), points.first());
    QCOMPARE(reduced.last(), points.last());
    for (const QPointF& p : reduced)
        QVERIFY(std::isfinite(p.y()));
    CharacteristicReader reader;
    reader.init(&reduced);
    for (qsizetype i = 1; i < points.size(); ++i) {
        if (points[i].x() == points[i - 1].x() || (i + 1 < points.size() && points[i].x() == points[i + 1].x()))
            continue; // a vertical step has no single value
        QVERIFY2(std::fabs(reader.getValue(points[i].x()) - points[i].y()) < 1e-9 * (1 + std::fabs(points[i].y())),
                 qPrintable(QString::number(i)));
    }
}

void TestCharacteristics::bins_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("bin");
    QTest::addColumn<float>("position");
    QTest::newRow("inside bin 1") << 14.0 << 1 << 0.4f;
    QTest::newRow("on a boundary: upper bin") << 15.0 << 2 << -0.5f;
    QTest::newRow("last centre") << 20.0 << 2 << 0.0f;
    QTest::newRow("beyond the last centre") << 22.0 << 2 << float(Inf);
    QTest::newRow("before the first centre") << -1.0 << 0 << float(-Inf);
    QTest::newRow("first bin") << 3.0 << 0 << 0.3f;
    QTest::newRow("below a centre") << 8.0 << 1 << -0.2f;
}

void TestCharacteristics::bins()
{
    QFETCH(double, x);
    QFETCH(int, bin);
    QFETCH(float, position);
    const QList<double> axis{0, 10, 20};
    BinFinder finder;
    QVERIFY(!finder.init(&axis));
    // From wherever the previous value left it.
    for (double start : {0.0, 20.0, 10.0}) {
        finder.findBin(start);
        QCOMPARE(finder.findBin(x), bin);
        QCOMPARE(finder.getBinRelativePosition(x), position);
    }
}

void TestCharacteristics::binsOfChangingAxis()
{
    QList<double> axis{0, 10, 20, 30};
    BinFinder finder;
    finder.init(&axis);
    QCOMPARE(finder.findBin(29), 3);
    axis = {0, 10};
    QVERIFY(!finder.recheckBins());
    QCOMPARE(finder.findBin(29), 1);
    axis.clear();
    QVERIFY(finder.recheckBins());
    QVERIFY(std::isnan(finder.getBinRelativePosition(3)));
    const QList<double> none;
    QVERIFY(finder.init(&none));
}

QTEST_GUILESS_MAIN(TestCharacteristics)
#include "tst_characteristics.moc"
