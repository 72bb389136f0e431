// The painted gauge: geometry, angles, marks, labels, frame, and the inputs
// that must neither loop nor throw.

#include "LogCapture.h"
#include "QcColorBand.h"
#include "QcDegreesItem.h"
#include "QcGaugeWidget.h"
#include "QcLabelItem.h"
#include "QcNeedleItem.h"
#include "QcValuesItem.h"

#include <QImage>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

bool isColor(const QImage& image, int x, int y, const QColor& color, int tolerance = 40)
{
    const QColor c = image.pixelColor(x, y);
    return std::abs(c.red() - color.red()) <= tolerance && std::abs(c.green() - color.green()) <= tolerance
        && std::abs(c.blue() - color.blue()) <= tolerance;
}

// A gauge of exactly this size (the widget's minimum is lifted).
std::unique_ptr<QcGaugeWidget> gaugeOfSize(int w, int h)
{
    auto g = std::make_unique<QcGaugeWidget>();
    g->setMinimumSize(0, 0);
    g->resize(w, h);
    return g;
}

} // namespace

class TestPaintedGauge : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dialGeometry();
    void needlePointsAtItsValue_data();
    void needlePointsAtItsValue();
    void markCounts_data();
    void markCounts();
    void valueLabels_data();
    void valueLabels();
    void frameInsetAndLabelSize();
    void badRangesAreRefused();
    void movingNeedleKeepsTheCachedDial();
};

void TestPaintedGauge::dialGeometry()
{
    auto g = gaugeOfSize(200, 100);
    QcDegreesItem* item = g->addDegrees(90);
    item->resetRect();
    QCOMPARE(item->getRadius(item->rect()), 50.0f);
    QCOMPARE(item->rect().center(), QPointF(99, 49));
    QCOMPARE(item->getRadius(item->adjustRect(90)), 45.0f);
    // Position is kept within 0..100.
    item->setPosition(150);
    QCOMPARE(item->position(), 100.0f);
    item->setPosition(-3);
    QCOMPARE(item->position(), 0.0f);
}

void TestPaintedGauge::needlePointsAtItsValue_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QPoint>("tip");    // where the needle must be, relative to the centre
    QTest::addColumn<QPoint>("nowhere"); // where it must not be
    QTest::newRow("0 lower left") << 0.0f << QPoint(-25, 25) << QPoint(0, -50);
    QTest::newRow("50 straight up") << 50.0f << QPoint(0, -35) << QPoint(-25, 25);
    QTest::newRow("100 lower right") << 100.0f << QPoint(25, 25) << QPoint(0, -50);
    QTest::newRow("150 clamped to 100") << 150.0f << QPoint(25, 25) << QPoint(0, -50);
}

void TestPaintedGauge::needlePointsAtItsValue()
{
    QFETCH(float, value);
    QFETCH(QPoint, tip);
    QFETCH(QPoint, nowhere);
    auto g = gaugeOfSize(201, 201);
    QcNeedleItem* needle = g->addNeedle(100);
    needle->setColor(Qt::black);
    needle->setCurrentValue(value);
    QCOMPARE(needle->currentValue(), std::min(value, 100.0f));
    const QImage image = g->grab().toImage();
    const QPoint c(100, 100);
    QVERIFY2(isColor(image, c.x() + tip.x(), c.y() + tip.y(), Qt::black, 100), qPrintable(QString::number(value)));
    QVERIFY(isColor(image, c.x() + nowhere.x(), c.y() + nowhere.y(), Qt::white, 10));
}

void TestPaintedGauge::markCounts_data()
{
    QTest::addColumn<float>("min");
    QTest::addColumn<float>("max");
    QTest::addColumn<float>("step");
    QTest::addColumn<int>("count");
    QTest::newRow("0..100 step 10") << 0.0f << 100.0f << 10.0f << 11;
    QTest::newRow("last mark despite rounding") << 0.0f << 1.0f << 0.1f << 11;
    QTest::newRow("negative scale") << -10.0f << -8.0f << 0.5f << 5;
    QTest::newRow("step 0") << 0.0f << 100.0f << 0.0f << 0;
    QTest::newRow("negative step") << 0.0f << 100.0f << -1.0f << 0;
    QTest::newRow("NaN step") << 0.0f << 100.0f << kNaN << 0;
    QTest::newRow("infinite step") << 0.0f << 100.0f << std::numeric_limits<float>::infinity() << 0;
    QTest::newRow("1001 marks") << 0.0f << 1000.0f << 1.0f << 0;
    QTest::newRow("1000 marks") << 0.0f << 999.0f << 1.0f << 1000;
    QTest::newRow("step far below float resolution") << 1.0e6f << 2.0e6f << 1.0e-3f << 0;
}

void TestPaintedGauge::markCounts()
{
    QFETCH(float, min);
    QFETCH(float, max);
    QFETCH(float, step);
    QFETCH(int, count);
    QCOMPARE(QcDegreesItem::markCount(min, max, step), count);
    // Painting such a dial ends (and shows the number of texts it made).
    auto g = gaugeOfSize(150, 150);
    g->addDegrees(90)->setStep(step);
    QcValuesItem* values = g->addValues(70);
    values->setStep(step);
    static_cast<QcScaleItem*>(g->items().first())->setValueRange(min, max);
    values->setValueRange(min, max);
    g->grab();
    QCOMPARE(int(values->labels().size()), count);
}

void TestPaintedGauge::valueLabels_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("leading blank") << 10.0f << 0 << " 10";
    QTest::newRow("zero") << 0.0f << 1 << " 0.0";
    QTest::newRow("negative") << -2.5f << 1 << "-2.5";
    QTest::newRow("NaN") << kNaN << 0 << "?";
    QTest::newRow("scientific") << 12345.0f << -2 << "1.23e+04";
}

void TestPaintedGauge::valueLabels()
{
    QFETCH(float, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(QcValuesItem::labelText(value, decimals), text);
}

void TestPaintedGauge::frameInsetAndLabelSize()
{
    auto g = gaugeOfSize(160, 160);
    g->setFrameColor(Qt::blue);
    g->setFrameWidth(3);
    QImage image = g->grab().toImage();
    const int y = 80;
    // Three pixels of frame at each edge: inset 1 at top and left, 2 at bottom and right.
    for (int x : {0, 1, 2, 157, 158, 159})
        QVERIFY2(isColor(image, x, y, Qt::blue, 10), qPrintable(QString::number(x)));
    QVERIFY(isColor(image, 3, y, Qt::white, 10));
    QVERIFY(isColor(image, 156, y, Qt::white, 10));
    QVERIFY(isColor(image, y, 0, Qt::blue, 10));
    QVERIFY(isColor(image, y, 159, Qt::blue, 10));

    // A label asked for a tiny font is still 10 px high.
    g->setFrameWidth(0);
    QcLabelItem* label = g->addLabel(0);
    label->setFontSize(0);
    QCOMPARE(label->fontSize(), 0.1f);
    label->setFontSize(0.001f);
    label->setText(QStringLiteral("HHHH"));
    image = g->grab().toImage();
    int top = 1000, bottom = -1;
    for (int yy = 0; yy < image.height(); ++yy) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, yy).lightness() < 128) {
                top = std::min(top, yy);
                bottom = std::max(bottom, yy);
            }
        }
    }
    QVERIFY2(bottom - top + 1 >= 6, qPrintable(QStringLiteral("%1..%2").arg(top).arg(bottom)));
}

void TestPaintedGauge::badRangesAreRefused()
{
    LogCapture log;
    auto g = gaugeOfSize(150, 150);
    QcNeedleItem* needle = g->addNeedle(90);
    QVERIFY(needle->setValueRange(10, 20));
    QVERIFY(!needle->setValueRange(10, 10));
    QVERIFY(!needle->setValueRange(20, 10));
    QVERIFY(!needle->setValueRange(kNaN, 10));
    QVERIFY(!needle->setValueRange(0, std::numeric_limits<float>::infinity()));
    QVERIFY(!needle->setMinValue(20));
    QVERIFY(!needle->setDgereeRange(30, 30));
    QCOMPARE(needle->minValue(), 10.0f);
    QCOMPARE(needle->maxValue(), 20.0f);
    QCOMPARE(log.count(QStringLiteral("refused")), 6);
    // NaN stays NaN and draws nothing.
    needle->setColor(Qt::black);
    needle->setCurrentValue(kNaN);
    QVERIFY(std::isnan(needle->currentValue()));
    const QImage image = g->grab().toImage();
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            QVERIFY(isColor(image, x, y, Qt::white, 5));
    // A band whose values are NaN paints nothing and ends.
    QcColorBand* band = g->addColorBand(80);
    band->setColors({{Qt::red, kNaN}});
    g->grab();
}

void TestPaintedGauge::movingNeedleKeepsTheCachedDial()
{
    auto g = gaugeOfSize(200, 200);
    QcDegreesItem* marks = g->addDegrees(90);
    g->addValues(70);
    QcNeedleItem* needle = g->addNeedle(90);
    g->grab();
    const int painted = g->backgroundPaints;
    for (int i = 0; i < 10; ++i) {
        needle->setCurrentValue(float(i * 10));
        g->grab();
    }
    QCOMPARE(g->backgroundPaints, painted);
    marks->setStep(5);
    g->grab();
    QCOMPARE(g->backgroundPaints, painted + 1);
    g->setBackgroundColor(QColor(255, 150, 0, 51));
    g->grab();
    QCOMPARE(g->backgroundPaints, painted + 2);
}

QTEST_MAIN(TestPaintedGauge)
#include "tst_painted_gauge.moc"
