// The comparison plot, its channel-bound axes and the scatter plot built on it.
#include "ChannelSetup.h"
#include "ChannelSetupModel.h"
#include "Colors.h"
#include "ComparePlot.h"
#include "ComparePlotAxis.h"
#include "Fonts.h"
#include "LogCapture.h"
#include "TrackingLine.h"
#include "VectorChannel.h"
#include "VectorScatterPlot.h"
#include "functions/AbstractRunData.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QDomDocument>
#include <QRubberBand>
#include <QSignalSpy>
#include <QTest>

namespace {

// A recorded run that takes markers.
class MarkedRun : public QObject, public AbstractRunData
{
    Q_OBJECT
public:
    VectorChannel* getChannelByRunKey(const QString&) const override { return nullptr; }
    QVariant getProjectInfoValue(int, const QVariant& defaultValue) const override { return defaultValue; }
    void addMarker(double time, const QString& label) override { markers.append({time, label}); }
    QList<std::pair<double, QString>> markers;
};

// A plot whose axis rect is exactly 360 x 260 px.
struct FixedPlot {
    FixedPlot()
    {
        plot.axisRect()->setAutoMargins(QCP::msNone);
        plot.axisRect()->setMargins(QMargins(20, 10, 20, 30));
        plot.resize(400, 300);
        plot.setViewport(QRect(0, 0, 400, 300));
        plot.xAxis->setRange(0, 10);
        plot.yAxis->setRange(0, 100);
        plot.yAxis2->setRange(0, 50);
        plot.replot();
    }
    ComparePlot plot;
};

QCPCurve* curveOf(ComparePlot& plot, MarkedRun* run, const QString& key, const QVector<double>& keys,
                  const QVector<double>& values)
{
    auto* curve = new QCPCurve(plot.xAxis, plot.yAxis);
    QVector<double> t;
    for (int i = 0; i < keys.size(); ++i)
        t << i;
    curve->setData(t, keys, values);
    curve->setProperty("rundata", QVariant::fromValue(run));
    curve->setProperty("channelKey", key);
    return curve;
}

} // namespace

class TestComparePlot : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void axesOfTheConstruction();
    void rubberBandZoom_data();
    void rubberBandZoom();
    void keysZoomAndPan();
    void nearestAxis_data();
    void nearestAxis();
    void backgroundPlacement_data();
    void backgroundPlacement();
    void pixmapOfAnySize();
    void markers();
    void addingMarkers_data();
    void addingMarkers();
    void axisFollowsItsSetup();
    void axisXml_data();
    void axisXml();
    void scatterPlot();
};

void TestComparePlot::initTestCase()
{
    theUnits.init();
    theColors.init();
    theFonts.init();
}

void TestComparePlot::axesOfTheConstruction()
{
    ComparePlot plot;
    QCOMPARE(plot.plotAxisFromQcpAxis(plot.yAxis), PlotAxis_left);
    QCOMPARE(plot.plotAxisFromQcpAxis(plot.yAxis2), PlotAxis_right);
    QCOMPARE(plot.plotAxisFromQcpAxis(plot.xAxis), PlotAxis_bottom);
    QCOMPARE(plot.plotAxisFromQcpAxis(plot.leftOuterAxis), PlotAxis_leftOuter);
    QCOMPARE(plot.plotAxisFromQcpAxis(plot.rightOuterAxis), PlotAxis_rightOuter);
    QCOMPARE(plot.plotAxisFromQcpAxis(plot.xAxis2), PlotAxis_none);
    QCOMPARE(plot.axes[PlotAxis_left]->axisKey, QStringLiteral("left_inner"));
    QCOMPARE(plot.axes[PlotAxis_right]->axisArrow, QStringLiteral("→  "));
    QCOMPARE(plot.axes[PlotAxis_leftOuter]->axisArrow, QStringLiteral("←← "));
    QCOMPARE(plot.axes[PlotAxis_rightOuter]->axisDisplayName, QStringLiteral("right outer"));
    // Value axes show only once a setup is bound; the bottom one always.
    QVERIFY(!plot.yAxis->visible());
    QVERIFY(!plot.leftOuterAxis->visible());
    QVERIFY(plot.xAxis->visible());
    QCOMPARE(plot.currentLayer()->name(), QStringLiteral("background"));
    QCOMPARE(plot.trackingLine->comparePlot, static_cast<PlotValueLabeler*>(&plot));
    QVERIFY(!plot.xAxis->subTicks());
    QCOMPARE(plot.yAxis->labelFont(), theFonts.normalFont);
}

void TestComparePlot::rubberBandZoom_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QPoint>("size");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("zooms");
    QTest::newRow("plain drag") << Qt::KeyboardModifiers() << QPoint(100, 80) << false << true;
    QTest::newRow("3 x 3 px") << Qt::KeyboardModifiers() << QPoint(2, 2) << false << true;
    QTest::newRow("2 px wide") << Qt::KeyboardModifiers() << QPoint(1, 50) << false << false;
    QTest::newRow("Shift held") << Qt::KeyboardModifiers(Qt::ShiftModifier) << QPoint(100, 80) << false << false;
    QTest::newRow("Control held") << Qt::KeyboardModifiers(Qt::ControlModifier) << QPoint(100, 80) << false
                                  << false;
    QTest::newRow("right press cancels") << Qt::KeyboardModifiers() << QPoint(100, 80) << true << false;
}

void TestComparePlot::rubberBandZoom()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QPoint, size);
    QFETCH(bool, cancel);
    QFETCH(bool, zooms);
    FixedPlot fixed;
    ComparePlot& plot = fixed.plot;
    // Without the library's own drag, so that only the band moves the ranges.
    plot.setInteractions({});
    const QPoint origin(100, 60);
    const QPoint corner = origin + size;
    QMouseEvent press(QEvent::MouseButtonPress, origin, plot.mapToGlobal(origin), Qt::LeftButton, Qt::LeftButton,
                      modifiers);
    plot.slot_mousePress(&press);
    QMouseEvent move(QEvent::MouseMove, corner, plot.mapToGlobal(corner), Qt::NoButton, Qt::LeftButton, modifiers);
    plot.slot_mouseMove(&move);
    if (cancel) {
        QMouseEvent right(QEvent::MouseButtonPress, corner, plot.mapToGlobal(corner), Qt::RightButton,
                          Qt::LeftButton | Qt::RightButton, modifiers);
        plot.slot_mousePress(&right);
    }
    const double left = plot.xAxis->pixelToCoord(origin.x());
    const double right = plot.xAxis->pixelToCoord(corner.x());
    const double top = plot.yAxis->pixelToCoord(origin.y());
    const double bottom = plot.yAxis->pixelToCoord(corner.y());
    QMouseEvent release(QEvent::MouseButtonRelease, corner, plot.mapToGlobal(corner), Qt::LeftButton, Qt::NoButton,
                        modifiers);
    plot.slot_mouseRelease(&release);
    QVERIFY(plot.rubberBand->isHidden());
    if (zooms) {
        QVERIFY(std::abs(plot.xAxis->range().lower - left) < 1e-9);
        QVERIFY(std::abs(plot.xAxis->range().upper - right) < 1e-9);
        QVERIFY(std::abs(plot.yAxis->range().upper - top) < 1e-9);
        QVERIFY(std::abs(plot.yAxis->range().lower - bottom) < 1e-9);
    } else {
        QCOMPARE(plot.xAxis->range(), QCPRange(0, 10));
        QCOMPARE(plot.yAxis->range(), QCPRange(0, 100));
    }
}

void TestComparePlot::keysZoomAndPan()
{
    FixedPlot fixed;
    ComparePlot& plot = fixed.plot;
    plot.leftOuterAxis->setRange(0, 1);
    QTest::keyClick(&plot, Qt::Key_Plus);
    QCOMPARE(plot.xAxis->range(), QCPRange(2.5, 7.5));
    QCOMPARE(plot.yAxis->range(), QCPRange(25, 75));
    QCOMPARE(plot.leftOuterAxis->range(), QCPRange(0, 1));
    QTest::keyClick(&plot, Qt::Key_Minus);
    QCOMPARE(plot.xAxis->range(), QCPRange(0, 10));
    QTest::keyClick(&plot, Qt::Key_Up);
    QCOMPARE(plot.yAxis->range(), QCPRange(10, 110));
    QCOMPARE(plot.yAxis2->range(), QCPRange(5, 55));
    QTest::keyClick(&plot, Qt::Key_Left);
    QCOMPARE(plot.xAxis->range(), QCPRange(-1, 9));
    QCOMPARE(plot.leftOuterAxis->range(), QCPRange(0, 1));
}

void TestComparePlot::nearestAxis_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("axis");
    QTest::newRow("left edge") << QPoint(10, 150) << int(PlotAxis_left);
    QTest::newRow("right edge") << QPoint(390, 150) << int(PlotAxis_right);
    QTest::newRow("bottom edge") << QPoint(200, 295) << int(PlotAxis_bottom);
    QTest::newRow("as near to both sides goes left") << QPoint(200, 100) << int(PlotAxis_left);
    QTest::newRow("bottom as near as the left") << QPoint(5, 295) << int(PlotAxis_left);
}

void TestComparePlot::nearestAxis()
{
    QFETCH(QPoint, pos);
    QFETCH(int, axis);
    FixedPlot fixed;
    QCOMPARE(fixed.plot.getNearestAxis(pos), fixed.plot.axes[axis]);
}

void TestComparePlot::backgroundPlacement_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("xPosition");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("offset");
    QTest::newRow("half size, centred") << 50 << 50 << QSize(180, 90) << QPoint(90, 85);
    // Larger than the rect at 0 %: its right edge on the rect's right edge.
    QTest::newRow("double size, left") << 200 << 0 << QSize(720, 360) << QPoint(-360, -50);
}

void TestComparePlot::backgroundPlacement()
{
    QFETCH(int, scale);
    QFETCH(int, xPosition);
    QFETCH(QSize, size);
    QFETCH(QPoint, offset);
    FixedPlot fixed;
    ComparePlot& plot = fixed.plot;
    const QRect rect = plot.axisRect()->rect();
    QCOMPARE(rect.size(), QSize(360, 260));
    QPixmap picture(200, 100);
    picture.fill(Qt::darkCyan);
    EnhancedPixmap background;
    background.fromQPixmap(picture);
    background.scale = scale;
    background.xPosition = xPosition;
    plot.slot_setEnhancedBackground(background);
    QVERIFY(plot.backgroundItem->visible());
    QCOMPARE(plot.backgroundItem->pixmap().size(), size);
    QCOMPARE(plot.backgroundItem->topLeft->pixelPosition().toPoint(), rect.topLeft() + offset);
    if (xPosition == 0)
        QCOMPARE(int(plot.backgroundItem->topLeft->pixelPosition().x()) + size.width(), rect.right() + 1);

    plot.slot_setEnhancedBackground(EnhancedPixmap());
    QVERIFY(!plot.backgroundItem->visible());
}

void TestComparePlot::pixmapOfAnySize()
{
    ComparePlot plot;
    plot.resize(300, 200);
    const QRect viewport = plot.viewport();
    QCOMPARE(plot.toPixmapEnhanced(0, 0, 2).size(), QSize(600, 400));
    QCOMPARE(plot.toPixmapEnhanced(150, 100, 1).size(), QSize(150, 100));
    QCOMPARE(plot.viewport(), viewport);
}

void TestComparePlot::markers()
{
    FixedPlot fixed;
    ComparePlot& plot = fixed.plot;
    MarkedRun run;
    QCPCurve* curve = curveOf(plot, &run, QStringLiteral("engine_speed_ω"), {1, 2, 3, 4, 5}, {10, 20, 30, 40, 50});
    const struct {
        double time;
        double key;
    } cases[] = {{2.0, 2}, {2.5, 3}, {-1, 1}, {9, 5}, {0, 1}};
    for (const auto& entry : cases) {
        const auto marker = plot.createMarker(curve, entry.time);
        QVERIFY(marker.first && marker.second);
        QCOMPARE(marker.first->position->key(), entry.key);
        QCOMPARE(marker.second->position->value(), entry.key * 10);
    }
    QCPCurve* empty = curveOf(plot, &run, QStringLiteral("none"), {}, {});
    QCOMPARE(plot.createMarker(empty, 1).first, nullptr);

    // Near the bottom of the axis the label stands above its point; midway and
    // above it hangs below.
    auto* low = new QCPItemText(&plot);
    low->position->setAxes(plot.xAxis, plot.yAxis);
    low->position->setCoords(5, 10);
    auto* middle = new QCPItemText(&plot);
    middle->position->setAxes(plot.xAxis, plot.yAxis);
    middle->position->setCoords(5, 50);
    plot.updateMarkerLabelPositions();
    QCOMPARE(low->positionAlignment(), Qt::AlignBottom | Qt::AlignHCenter);
    QCOMPARE(low->padding(), QMargins(0, 0, 0, 5));
    QCOMPARE(middle->positionAlignment(), Qt::AlignTop | Qt::AlignHCenter);
    QCOMPARE(middle->padding(), QMargins(0, 5, 0, 0));
}

void TestComparePlot::addingMarkers_data()
{
    QTest::addColumn<int>("runs");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("firstMarkers");
    QTest::addColumn<int>("secondMarkers");
    QTest::addColumn<QString>("label");
    QTest::newRow("single run, all channels") << 0 << 0 << 1 << 0 << QString();
    // The nearest crossing is the power curve's second segment.
    QTest::newRow("single run, single channel") << 0 << 1 << 1 << 0 << QStringLiteral("engine_power_P");
    // The first run's curves cross at its samples 0 (both curves: one
    // marker) and 1; the second run's at its sample 0.
    QTest::newRow("all runs") << 1 << 0 << 2 << 1 << QString();
}

void TestComparePlot::addingMarkers()
{
    QFETCH(int, runs);
    QFETCH(int, channels);
    QFETCH(int, firstMarkers);
    QFETCH(int, secondMarkers);
    QFETCH(QString, label);
    FixedPlot fixed;
    ComparePlot& plot = fixed.plot;
    MarkedRun first;
    MarkedRun second;
    curveOf(plot, &first, QStringLiteral("engine_speed_ω"), {0, 4, 8}, {20, 40, 60});
    curveOf(plot, &first, QStringLiteral("engine_power_P"), {0, 6, 2}, {30, 50, 70});
    curveOf(plot, &second, QStringLiteral("engine_speed_ω"), {0, 8}, {80, 90});
    const QPoint click(int(plot.xAxis->coordToPixel(3)), int(plot.yAxis->coordToPixel(41)));
    plot.addMarkerAction(click, static_cast<ComparePlot::AddMarkerModeRuns>(runs),
                         static_cast<ComparePlot::AddMarkerModeChannels>(channels));
    QCOMPARE(first.markers.size(), firstMarkers);
    QCOMPARE(second.markers.size(), secondMarkers);
    QCOMPARE(first.markers.first().second, label);
    if (runs == 0)
        QCOMPARE(first.markers.first().first, 1.0);
    else
        QVERIFY(first.markers == (QList<std::pair<double, QString>> {{0.0, QString()}, {1.0, QString()}}));
    // Outside the axis rect nothing is marked.
    plot.addMarkerAction(QPoint(2, click.y()), ComparePlot::AddMarkerModeRuns_all,
                         ComparePlot::AddMarkerModeChannels_all);
    QCOMPARE(first.markers.size(), firstMarkers);
}

void TestComparePlot::axisFollowsItsSetup()
{
    FixedPlot fixed;
    ComparePlot& plot = fixed.plot;
    ComparePlotAxis* axis = plot.axes[PlotAxis_left];
    ChannelSetup* setup = theVectorChannelSetupModel.getSetup(QStringLiteral("dyno_speed_v"),
                                                             QStringLiteral("Road speed"), Quantity::Speed, nullptr);
    setup->unit = theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("km/h"));
    setup->decimals = -2;
    setup->warningHigh = 69.444;
    setup->alarmHigh = std::numeric_limits<double>::infinity();
    QSignalSpy saves(axis, &ComparePlotAxis::signal_requestSettingsSave);
    axis->setChannelSetup(setup);
    QCOMPARE(saves.count(), 1);
    QVERIFY(plot.yAxis->visible());
    QCOMPARE(plot.yAxis->label(), QStringLiteral("Road speed [km/h]"));
    QCOMPARE(plot.yAxis->numberFormat(), QStringLiteral("ebc"));
    QCOMPARE(plot.yAxis->numberPrecision(), 2);
    QVERIFY(axis->hasSimpleTicker());
    QVERIFY(axis->warningHighLine->visible());
    QVERIFY(!axis->alarmHighLine->visible());
    QVERIFY(std::abs(axis->warningHighLine->start->coords().y() - 249.9984) < 1e-9);
    QVERIFY(plot.yAxis->grid()->visible());
    QCOMPARE(plot.getValueLabel(plot.yAxis, 250.0), setup->getLabelString(250.0));

    setup->decimals = 3;
    Q_EMIT setup->signal_setupChanged();
    QCOMPARE(plot.yAxis->numberFormat(), QStringLiteral("f"));
    QCOMPARE(plot.yAxis->numberPrecision(), 3);

    // Fixed range 0 .. 10 (display units): from zero or not, that range.
    setup->autorangeMin = setup->autorangeMax = false;
    setup->rangeMin = 0;
    setup->rangeMax = 10 / 3.6;
    axis->setConfiguredRange(3, 7, true);
    QVERIFY(std::abs(plot.yAxis->range().upper - 10) < 1e-9);
    QCOMPARE(plot.yAxis->range().lower, 0.0);

    // A clock-time channel gets hours, minutes and seconds.
    ChannelSetup clock;
    clock.quantity = Quantity::ClockTime;
    axis->setChannelSetup(&clock);
    QCOMPARE(plot.yAxis->ticker(), QSharedPointer<QCPAxisTicker>(axis->clockTicker));
    QVERIFY(!axis->hasSimpleTicker());
    QCOMPARE(axis->clockTicker->dateTimeFormat(), QStringLiteral("HH:mm:ss"));

    // Unbound: hidden, without lines or grid.
    axis->setChannelSetup(nullptr);
    QVERIFY(!plot.yAxis->visible());
    QVERIFY(!axis->warningHighLine->visible());
    QVERIFY(!plot.yAxis->grid()->visible());

    // Red while no run holds the channel, the found colour otherwise.
    axis->setColor_placeholder();
    QCOMPARE(plot.yAxis->labelColor(), QColor(Qt::red));
    QCOMPARE(plot.yAxis->basePen().color(), QColor(Qt::red));
    axis->setChannelSetup(setup);
    axis->setColor_found();
    QCOMPARE(plot.yAxis->tickLabelColor(), QColor(Qt::black));
}

void TestComparePlot::axisXml_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<int>("binCount");
    QTest::addColumn<bool>("gridChoice");
    QTest::addColumn<bool>("bound");
    QTest::newRow("too many bins") << R"(channelKey="engine_speed_ω" binCount="500" showGrid="1")" << 200 << true
                                   << true;
    QTest::newRow("no bins") << R"(channelKey="engine_speed_ω" binCount="0" showGrid="0")" << 1 << false << true;
    QTest::newRow("nothing stored") << QString() << 1 << false << false;
    QTest::newRow("grid without channel") << R"(channelKey="" showGrid="1" binCount="12")" << 12 << true << false;
}

void TestComparePlot::axisXml()
{
    QFETCH(QString, attributes);
    QFETCH(int, binCount);
    QFETCH(bool, gridChoice);
    QFETCH(bool, bound);
    ComparePlot plot;
    ComparePlotAxis* axis = plot.axes[PlotAxis_right];
    QDomDocument document;
    QVERIFY(document.setContent(QStringLiteral("<right_inner %1/>").arg(attributes)));
    const QDomElement element = document.documentElement();
    axis->parseDomElement(&element);
    QCOMPARE(axis->binCount, binCount);
    QCOMPARE(axis->gridEnabled, gridChoice);
    QCOMPARE(axis->channelSetup != nullptr, bound);
    // The grid shows only while a setup is bound.
    QCOMPARE(plot.yAxis2->grid()->visible(), gridChoice && bound);

    QDomElement written = document.createElement(QStringLiteral("written"));
    axis->writeToDomElement(&written);
    QCOMPARE(written.attribute(QStringLiteral("channelKey")), bound ? QStringLiteral("engine_speed_ω") : QString());
    QVERIFY(written.hasAttribute(QStringLiteral("channelKey")));
    QCOMPARE(written.attribute(QStringLiteral("binCount")).toInt(), binCount);
    QCOMPARE(written.attribute(QStringLiteral("showGrid")), gridChoice ? QStringLiteral("1") : QStringLiteral("0"));
    QCOMPARE(written.attribute(QStringLiteral("tickCount")), QStringLiteral("5"));
}

void TestComparePlot::scatterPlot()
{
    VectorScatterPlot plot;
    QVERIFY(!plot.yAxis->visible());
    const QList<double> x = {0, 1, 2, 1};
    const QList<double> y = {-2, 5, 0, 3};
    plot.setData(PlotAxis_right, QStringLiteral("Model [kW]"), &x, &y);
    QVERIFY(plot.yAxis2->visible());
    QCOMPARE(plot.yAxis2->label(), QStringLiteral("Model [kW]"));
    QCOMPARE(plot.yAxis2->labelColor(), QColor(Qt::red));
    QCOMPARE(plot.curves[PlotAxis_right]->pen().color(), QColor(Qt::red));
    QCOMPARE(plot.curves[PlotAxis_right]->dataCount(), 4);
    QCOMPARE(plot.yAxis2->range(), QCPRange(-2, 5));
    plot.clearData(PlotAxis_right);
    QCOMPARE(plot.curves[PlotAxis_right]->dataCount(), 0);
    QCOMPARE(plot.yAxis2->range(), QCPRange(-2, 5));

    const QList<double> ys = {0, 10};
    plot.setData(PlotAxis_left, QStringLiteral("Measured [kW]"), &x, &ys);
    plot.yAxis2->setRange(-2, 5);
    plot.setCommonLeftRightRange();
    QCOMPARE(plot.yAxis->range(), QCPRange(-2, 10));
    QCOMPARE(plot.yAxis2->range(), QCPRange(-2, 10));
    QCOMPARE(plot.curves[PlotAxis_left]->pen().color(), QColor(Qt::green));
    plot.setXLabel(QStringLiteral("Speed [km/h]"));
    QCOMPARE(plot.xAxis->label(), QStringLiteral("Speed [km/h]"));

    // Channels of two runs: drawn all the same, the mismatch logged.
    LogCapture log;
    VectorChannel timeA(100, QString(), QStringLiteral("Time"), Quantity::Time, 3, nullptr);
    VectorChannel timeB(100, QString(), QStringLiteral("Time"), Quantity::Time, 3, nullptr);
    VectorChannel speed(100, QString(), QStringLiteral("Speed"), Quantity::Speed, 3, &timeA);
    VectorChannel loss(100, QString(), QStringLiteral("Loss"), Quantity::Power, 3, &timeB);
    *speed.getRawData() = {1, 2, 3};
    *loss.getRawData() = {10, 20, 40};
    plot.setAxisChannels(&speed, &loss);
    QCOMPARE(log.count(QStringLiteral("scatter plot different time vectors")), 1);
    QCOMPARE(plot.curves[PlotAxis_left]->dataCount(), 3);
    QCOMPARE(plot.yAxis->label(), loss.getNameWithUnit());
    QCOMPARE(plot.xAxis->label(), speed.getNameWithUnit());
}

QTEST_MAIN(TestComparePlot)
#include "tst_compare_plot.moc"
