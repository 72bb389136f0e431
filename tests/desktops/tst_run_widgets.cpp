// The RUN widgets of lamps, numbers, bars, gauges, inputs, commands and
// pictures: their desktop-file round trip, their pixels on grabbed images,
// their refresh rules on an injected clock, and the inputs they must refuse.

#include "BrakeControllerPanelInputs.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "ColorButton.h"
#include "Colors.h"
#include "DesktopTestSupport.h"
#include "HwInfo.h"
#include "LogCapture.h"
#include "MdiManager.h"
#include "MySettings.h"
#include "QcColorBand.h"
#include "QcGaugeWidget.h"
#include "QcLabelItem.h"
#include "QcNeedleItem.h"
#include "RMdiBar.h"
#include "RMdiCommandButton.h"
#include "RMdiGauge.h"
#include "RMdiGaugeEngineSpeed.h"
#include "RMdiGaugeRoadSpeed.h"
#include "RMdiImage.h"
#include "RMdiIndicator.h"
#include "RMdiInputButton.h"
#include "RMdiInputSlider.h"
#include "RMdiInputSpinBox.h"
#include "RMdiNumber.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "RunMdi.h"
#include "SafeSpinBox.h"
#include "inputChannels/InputChannel.h"
#include "inputChannels/InputChannelsModel.h"
#include "lib/DialogAnswerer.h"
#include "lib/Units.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

qint64 g_wall = 1'000'000;
qint64 wallClock()
{
    return g_wall;
}

bool near(const QColor& c, const QColor& want, int tolerance = 12)
{
    return std::abs(c.red() - want.red()) <= tolerance && std::abs(c.green() - want.green()) <= tolerance
        && std::abs(c.blue() - want.blue()) <= tolerance;
}

QString colorText(const QColor& c)
{
    return c.name();
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class TestRunWidgets : public QObject
{
    Q_OBJECT
    RecordingAnswerer answerer;
    std::unique_ptr<MdiManager> manager;
    RunMdi* mdi = nullptr;
    QList<RunChannel*> ownChannels;
    BrakeControllerPanelInputs panel;
    qint64 now = 10'000'000;

    template <class T>
    T* add(int type, int w, int h)
    {
        auto* widget = qobject_cast<T*>(mdi->addWidget(type, QRect(0, 0, w, h), false));
        Q_ASSERT(widget);
        return widget;
    }
    // A channel of its own, range lo..hi fixed, no limits, unit factor 1.
    RunChannel* testChannel(double lo, double hi)
    {
        static int n = 0;
        auto* c = new RunChannel(0, QStringLiteral("widgetTest_%1"), ++n, QStringLiteral("Test %1"), Quantity::None);
        ownChannels.append(c);
        ChannelSetup* s = c->setup;
        s->autorangeMin = s->autorangeMax = false;
        s->rangeMin = lo;
        s->rangeMax = hi;
        s->decimals = 0;
        s->filter = 0.0;
        s->alarmDelay = 0.0;
        setLimits(c, -kInf, kInf, -kInf, kInf);
        return c;
    }
    void setLimits(RunChannel* c, double wl, double wh, double al, double ah)
    {
        c->setup->warningLow = wl;
        c->setup->warningHigh = wh;
        c->setup->alarmLow = al;
        c->setup->alarmHigh = ah;
        emit c->setup->signal_setupChanged();
    }
    void set(RunChannel* c, double v) { c->setDataWithoutFilter(v, ++g_wall); }
    InputChannel* input(const char* name)
    {
        return qobject_cast<InputChannel*>(theChannels.getChannelByKey(QStringLiteral("I_") + QLatin1String(name)));
    }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void setupRoundTrip_data();
    void setupRoundTrip();
    void defaultDesktopBarsAndNumbersComeBack();

    void barFillsItsScale_data();
    void barFillsItsScale();
    void barStripColoursAndStateFrame();
    void barDegenerateAndBadScales();

    void gaugeScale_data();
    void gaugeScale();
    void gaugeRefreshLimitAndWarningLook();
    void speedGaugeTargetNeedles();

    void lampStates_data();
    void lampStates();
    void lampAlarmAfterDelayAndNoIdleRepaint();

    void numberRateLimitAndAlarm();
    void numberRedBarAndLabels();

    void inputButton();
    void inputSlider_data();
    void inputSlider();
    void inputsWriteOnlyInputChannels();
    void spinBoxNeverWritesBackWhatItShows();

    void commandButtonArguments_data();
    void commandButtonArguments();
    void commandButtonInertCases();

    void slideshow();
    void slideshowPausesWhileHidden();
};

void TestRunWidgets::initTestCase()
{
    theUnits.init();
    theColors.init();
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
    theChannels.init();
    theChannels.registerFamily(Channels::Family_inputChannels, &theInputChannelsModel);
    theInputChannelsModel.loadFromString(QStringLiteral("<inputChannels>"
                                                        "<inputChannel name=\"Btn\" step=\"1\" value=\"0\"/>"
                                                        "<inputChannel name=\"Sld\" step=\"1\" value=\"0\"/>"
                                                        "<inputChannel name=\"Spin\" step=\"1\" value=\"0\"/>"
                                                        "</inputChannels>"),
                                         false);
    QVERIFY(input("Btn") && input("Sld") && input("Spin"));
    RunChannel::setWallClock(&wallClock);
    RunMdi::registerRunDesktop();
    RunMdi::setTimerStarter([](RunMdi*, int) {});
    RMdiGauge::setBrakePanelSource([this] { return &panel; });
    DialogAnswerer::install(&answerer);
}

void TestRunWidgets::init()
{
    answerer.respond = nullptr;
    answerer.result = QDialog::Rejected;
    manager = std::make_unique<MdiManager>(nullptr, MdiType_run);
    manager->resize(900, 700);
    manager->show();
    mdi = static_cast<RunMdi*>(manager->newMdi(QStringLiteral("widgets"), QString(), false));
    QVERIFY(QTest::qWaitForWindowExposed(manager.get()));
}

void TestRunWidgets::cleanup()
{
    manager.reset();
    qDeleteAll(ownChannels);
    ownChannels.clear();
}

// ---------------------------------------------------------------- desktop file

void TestRunWidgets::setupRoundTrip_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("expected"); // empty: as read
    const QString barDefaults = QStringLiteral(
        R"(autoBarColor="0" barColor="#bebebe" colorAlarmLow="#0000ff" colorAlarmHigh="#ff0000" colorOK="#ffffff" colorWarningLow="#0096ff" colorWarningHigh="#ff9600")");
    const QString gaugeDefaults = QStringLiteral(
        R"(colorAlarmLow="#0000ff" colorAlarmHigh="#ff0000" colorOK="#4dff4d" colorWarningLow="#0096ff" colorWarningHigh="#ff9600")");
    auto row = [](const char* name, const QString& in, const QString& out = QString()) {
        QTest::newRow(name) << in << out;
    };
    row("indicator",
        R"(<indicator x="0" y="0" w="100" h="50" stayOnTop="0"><setup type="1" color="#000080" inactiveColor="#101010" variableKey="dyno_speed"/></indicator>)");
    row("indicator, type 7 writes -1",
        R"(<indicator x="0" y="0" w="100" h="50" stayOnTop="0"><setup type="7" color="nonsense"/></indicator>)",
        R"(<indicator x="0" y="0" w="100" h="50" stayOnTop="0"><setup type="-1" color="#00ff00" inactiveColor="#efefef"/></indicator>)");
    row("number",
        R"(<number x="10" y="20" w="130" h="50" stayOnTop="0"><setup clipValuesOutOfRange="1" unitFontSize="30" refreshRateLimit="100" variableKey="engine_speed"/></number>)");
    row("number, defaults",
        R"(<number x="10" y="20" w="130" h="50" stayOnTop="0"><setup variableKey="engine_speed" clipValuesOutOfRange="0"/></number>)",
        R"(<number x="10" y="20" w="130" h="50" stayOnTop="0"><setup variableKey="engine_speed" clipValuesOutOfRange="0" unitFontSize="50" refreshRateLimit="200"/></number>)");
    row("bar",
        R"(<bar x="0" y="0" w="80" h="220" stayOnTop="0"><setup tickCount="7" autoBarColor="1" barColor="#123456" colorAlarmLow="#000001" colorAlarmHigh="#000002" colorOK="#000003" colorWarningLow="#000004" colorWarningHigh="#000005" variableKey="roller_1_speed"/></bar>)");
    row("bar, no tickCount gives 1",
        R"(<bar x="0" y="0" w="80" h="220" stayOnTop="0"><setup variableKey="roller_1_speed" barColor="#ff0000"/></bar>)",
        QStringLiteral(R"(<bar x="0" y="0" w="80" h="220" stayOnTop="0"><setup tickCount="1" %1 variableKey="roller_1_speed"/></bar>)")
            .arg(barDefaults)
            .replace(QStringLiteral("#bebebe"), QStringLiteral("#ff0000")));
    row("gauge",
        R"(<gauge x="0" y="0" w="200" h="200" stayOnTop="0"><setup tickCount="4" colorAlarmLow="#000001" colorAlarmHigh="#000002" colorOK="#000003" colorWarningLow="#000004" colorWarningHigh="#000005" variableKey="dyno_speed"/></gauge>)");
    row("gauge, no tickCount gives 1",
        R"(<gauge x="0" y="0" w="200" h="200" stayOnTop="0"><setup variableKey="dyno_speed"/></gauge>)",
        QStringLiteral(R"(<gauge x="0" y="0" w="200" h="200" stayOnTop="0"><setup tickCount="1" %1 variableKey="dyno_speed"/></gauge>)")
            .arg(gaugeDefaults));
    row("engine speed gauge",
        QStringLiteral(R"(<gaugeEngineSpeed x="0" y="0" w="200" h="200" stayOnTop="0"><setup tickCount="5" %1 variableKey="engine_speed"/></gaugeEngineSpeed>)")
            .arg(gaugeDefaults));
    row("road speed gauge",
        QStringLiteral(R"(<gaugeRoadSpeed x="0" y="0" w="200" h="200" stayOnTop="0"><setup tickCount="5" %1 variableKey="dyno_speed"/></gaugeRoadSpeed>)")
            .arg(gaugeDefaults));
    row("input button", R"(<inputButton x="0" y="0" w="100" h="40" stayOnTop="0"><setup pulse="1" variableKey="I_Btn"/></inputButton>)");
    row("input slider", R"(<inputSlider x="0" y="0" w="200" h="70" stayOnTop="0"><setup variableKey="I_Sld"/></inputSlider>)");
    row("input spin box", R"(<inputSpinBox x="0" y="0" w="200" h="60" stayOnTop="0"><setup variableKey="I_Spin"/></inputSpinBox>)");
    row("command button",
        R"X(<commandButton x="0" y="0" w="100" h="40" stayOnTop="0"><setup label="Go &amp; &quot;see&quot;" command="/bin/echo a  b $(id)"/></commandButton>)X");
    row("image, swapTime 0 gives 500",
        R"(<image x="0" y="0" w="100" h="40" stayOnTop="0"><setup swapTime="0"><image src="/nowhere/a.png"/><Image src="/ignored.png"/><image src="/nowhere/b b.jpg"/></setup></image>)",
        R"(<image x="0" y="0" w="100" h="40" stayOnTop="0"><setup swapTime="500"><image src="/nowhere/a.png"/><image src="/nowhere/b b.jpg"/></setup></image>)");
    row("image, swapTime 300 gives 500",
        R"(<image x="0" y="0" w="100" h="40" stayOnTop="0"><setup swapTime="300"/></image>)",
        R"(<image x="0" y="0" w="100" h="40" stayOnTop="0"><setup swapTime="500"/></image>)");
    row("image, swapTime missing gives 500",
        R"(<image x="0" y="0" w="100" h="40" stayOnTop="0"><setup/></image>)",
        R"(<image x="0" y="0" w="100" h="40" stayOnTop="0"><setup swapTime="500"/></image>)");
    row("image, swapTime 501 stays",
        R"(<image x="0" y="0" w="100" h="40" stayOnTop="0"><setup swapTime="501"/></image>)");
}

void TestRunWidgets::setupRoundTrip()
{
    QFETCH(QString, element);
    QFETCH(QString, expected);
    const QString head = QStringLiteral(R"(<widgets lockedEditing="0" lockedClosing="0" standalone="0">)");
    const QString text = head + element + QStringLiteral("</widgets>");
    const QString want = expected.isEmpty() ? text : head + expected + QStringLiteral("</widgets>");
    mdi->loadFromString(text);
    QCOMPARE(mdi->widgets.size(), 1);
    QVERIFY2(mdi->widgets.first()->metaObject()->className() != QByteArray("RMdiPlaceholder"), "a class of its own");
    QString why;
    QVERIFY2(sameXml(mdi->toXml(), want, &why), qPrintable(why + "\n" + mdi->toXml()));
    // What was written reads back to the same.
    const QString written = mdi->toXml();
    mdi->closeAllWidgets();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    mdi->loadFromString(written);
    QVERIFY2(sameXml(mdi->toXml(), want, &why), qPrintable(why));
}

void TestRunWidgets::defaultDesktopBarsAndNumbersComeBack()
{
    QFile file(QStringLiteral(":/resources/desktops/defaultMdi.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    mdi->loadFromString(text);
    int bars = 0, numbers = 0;
    for (AbstractMdiWidget* w : mdi->widgets) {
        if (auto* bar = qobject_cast<RMdiBar*>(w)) {
            ++bars;
            QCOMPARE(bar->tickCount->value(), 5);
            QCOMPARE(bar->barColor->color(), QColor(Qt::red));
        }
        if (qobject_cast<RMdiNumber*>(w))
            ++numbers;
    }
    QCOMPARE(bars, 6);
    QCOMPARE(numbers, 10);
    // Every channel the file names and this dyno has comes back.
    QDomDocument in, out;
    QVERIFY(in.setContent(text));
    QVERIFY(out.setContent(mdi->toXml()));
    const QDomNodeList a = in.documentElement().childNodes();
    QDomElement o = out.documentElement().firstChildElement();
    for (int i = 0; i < a.size(); ++i) {
        const QDomElement e = a.at(i).toElement();
        if (e.isNull())
            continue;
        QCOMPARE(o.tagName(), e.tagName());
        const QString key = e.firstChildElement(QStringLiteral("setup")).attribute(QStringLiteral("variableKey"));
        if (!key.isEmpty() && theChannels.getChannelByKey(key))
            QCOMPARE(o.firstChildElement(QStringLiteral("setup")).attribute(QStringLiteral("variableKey")), key);
        o = o.nextSiblingElement();
    }
}

// ---------------------------------------------------------------- bar

void TestRunWidgets::barFillsItsScale_data()
{
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<double>("value");
    // Fractions of the bar area's height from the top: filled / empty probes.
    QTest::addColumn<QList<double>>("filled");
    QTest::addColumn<QList<double>>("empty");
    QTest::newRow("50 of 0..100: lower half") << 0.0 << 100.0 << 50.0 << QList<double>{0.52, 0.75, 0.98}
                                              << QList<double>{0.02, 0.25, 0.48};
    QTest::newRow("150 of 0..100: all, clipped") << 0.0 << 100.0 << 150.0 << QList<double>{0.01, 0.5, 0.99}
                                                 << QList<double>{};
    QTest::newRow("-10 of 0..100: nothing") << 0.0 << 100.0 << -10.0 << QList<double>{}
                                            << QList<double>{0.01, 0.5, 0.99};
    // -50..50 stretches to -60..60: the bar hangs from the middle to 0.708.
    QTest::newRow("-25 of -50..50: from the zero line") << -50.0 << 50.0 << -25.0 << QList<double>{0.53, 0.6, 0.68}
                                                        << QList<double>{0.3, 0.47, 0.75, 0.95};
}

void TestRunWidgets::barFillsItsScale()
{
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(double, value);
    QFETCH(QList<double>, filled);
    QFETCH(QList<double>, empty);
    auto* bar = add<RMdiBar>(2, 200, 400);
    RunChannel* c = testChannel(lo, hi);
    bar->setChannel(c);
    set(c, value);
    bar->refreshTick(now);
    const QImage image = bar->grab().toImage();
    const QRect area = bar->barArea();
    const int x = area.right() - 3;
    auto at = [&](double f) { return image.pixelColor(x, area.top() + int(f * (area.height()))); };
    for (double f : filled)
        QVERIFY2(near(at(f), QColor(0xbe, 0xbe, 0xbe)), qPrintable(QStringLiteral("%1: %2").arg(f).arg(colorText(at(f)))));
    for (double f : empty)
        QVERIFY2(near(at(f), Qt::white), qPrintable(QStringLiteral("%1: %2").arg(f).arg(colorText(at(f)))));
}

void TestRunWidgets::barStripColoursAndStateFrame()
{
    auto* bar = add<RMdiBar>(2, 200, 400);
    RunChannel* c = testChannel(0, 100);
    setLimits(c, -kInf, 80, -kInf, 90);
    bar->setChannel(c);
    set(c, 50);
    bar->refreshTick(now);
    QImage image = bar->grab().toImage();
    const QRect area = bar->barArea();
    auto strip = [&](double f) { return image.pixelColor(2, area.top() + int(f * area.height())); };
    QVERIFY2(near(strip(0.05), QColor(0xff, 0, 0)), qPrintable(colorText(strip(0.05))));
    QVERIFY2(near(strip(0.15), QColor(0xff, 0x96, 0)), qPrintable(colorText(strip(0.15))));
    QVERIFY2(near(strip(0.5), Qt::white), qPrintable(colorText(strip(0.5))));
    // No warning: no state frame.
    QVERIFY(near(image.pixelColor(100, 4), Qt::white));

    // Above the warning limit: without automatic colour only the frame shows it.
    set(c, 85);
    bar->refreshTick(now);
    image = bar->grab().toImage();
    const int x = area.right() - 3;
    const int y = area.bottom() - 5;
    QVERIFY(near(image.pixelColor(x, y), QColor(0xbe, 0xbe, 0xbe)));
    QVERIFY2(near(image.pixelColor(100, 4), QColor(0xff, 0x96, 0)), qPrintable(colorText(image.pixelColor(100, 4))));
    QVERIFY(near(image.pixelColor(100, 7), Qt::white));
    // With automatic colour the bar turns orange at once, and red in alarm.
    bar->autoBarColor->setChecked(true);
    image = bar->grab().toImage();
    QVERIFY2(near(image.pixelColor(x, y), QColor(0xff, 0x96, 0)), qPrintable(colorText(image.pixelColor(x, y))));
    set(c, 95);
    bar->refreshTick(now);
    image = bar->grab().toImage();
    QVERIFY2(near(image.pixelColor(x, y), QColor(0xff, 0, 0)), qPrintable(colorText(image.pixelColor(x, y))));
    // A stale channel: no bar, the strip stays.
    set(c, kNaN);
    bar->refreshTick(now);
    image = bar->grab().toImage();
    QVERIFY(near(image.pixelColor(x, y), Qt::white));
    QVERIFY(near(image.pixelColor(2, area.top() + 2), QColor(0xff, 0, 0)));
}

void TestRunWidgets::barDegenerateAndBadScales()
{
    auto* bar = add<RMdiBar>(2, 200, 400);
    for (auto range : {std::pair<double, double>{5, 5}, {kNaN, 10}, {0, kInf}, {-kInf, kInf}}) {
        RunChannel* c = testChannel(range.first, range.second);
        bar->setChannel(c);
        set(c, 5);
        bar->refreshTick(now);
        const QImage image = bar->grab().toImage();
        const QRect area = bar->barArea();
        // No bar anywhere, one tick at the top.
        for (double f : {0.1, 0.5, 0.9})
            QVERIFY(near(image.pixelColor(area.right() - 3, area.top() + int(f * area.height())), Qt::white));
        QVERIFY(image.pixelColor(area.left() + 8, area.top()).lightness() < 128);
        QVERIFY(image.pixelColor(area.left() + 8, area.top() + area.height() / 2).lightness() > 200);
    }
}

// ---------------------------------------------------------------- gauges

void TestRunWidgets::gaugeScale_data()
{
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<QList<double>>("limits"); // wl, wh, al, ah
    QTest::addColumn<float>("scaleLo");
    QTest::addColumn<float>("scaleHi");
    QTest::addColumn<QList<float>>("band"); // ends of al, wl, wh, ah, hi
    const QList<double> none{-kInf, kInf, -kInf, kInf};
    QTest::newRow("0..0 gives 0..1") << 0.0 << 0.0 << none << 0.0f << 1.0f << QList<float>{0, 0, 1, 1, 1};
    QTest::newRow("-10..-10 gives -10..-8") << -10.0 << -10.0 << none << -10.0f << -8.0f
                                            << QList<float>{-10, -10, -8, -8, -8};
    QTest::newRow("warning 80, alarm 90") << 0.0 << 100.0 << QList<double>{-kInf, 80, -kInf, 90} << 0.0f << 100.0f
                                          << QList<float>{0, 0, 80, 90, 100};
    QTest::newRow("limits beyond the scale clamp") << 0.0 << 100.0 << QList<double>{-20, 150, -30, 200} << 0.0f
                                                   << 100.0f << QList<float>{0, 0, 100, 100, 100};
    QTest::newRow("warning above alarm is lowered") << 0.0 << 100.0 << QList<double>{-kInf, 95, -kInf, 90} << 0.0f
                                                    << 100.0f << QList<float>{0, 0, 90, 90, 100};
    QTest::newRow("warning low below alarm low is raised") << 0.0 << 100.0 << QList<double>{50, kInf, 60, kInf}
                                                           << 0.0f << 100.0f << QList<float>{60, 60, 100, 100, 100};
    QTest::newRow("range stretched to the step") << 3.0 << 97.0 << none << 0.0f << 100.0f
                                                 << QList<float>{0, 0, 100, 100, 100};
}

void TestRunWidgets::gaugeScale()
{
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(QList<double>, limits);
    QFETCH(float, scaleLo);
    QFETCH(float, scaleHi);
    QFETCH(QList<float>, band);
    auto* gauge = add<RMdiGauge>(3, 200, 200);
    RunChannel* c = testChannel(lo, hi);
    setLimits(c, limits[0], limits[1], limits[2], limits[3]);
    gauge->setChannel(c);
    auto same = [](float a, float b) { return std::fabs(a - b) <= 1e-4f * std::max(1.0f, std::fabs(b)); };
    QVERIFY2(same(gauge->needle->minValue(), scaleLo), qPrintable(QString::number(gauge->needle->minValue())));
    QVERIFY2(same(gauge->needle->maxValue(), scaleHi), qPrintable(QString::number(gauge->needle->maxValue())));
    QString ends;
    bool ok = gauge->band->colors().size() == band.size();
    for (int i = 0; i < gauge->band->colors().size(); ++i) {
        const float end = gauge->band->colors().at(i).second;
        ends += QString::number(end) + QLatin1Char(' ');
        ok = ok && same(end, band.value(i));
    }
    QVERIFY2(ok, qPrintable(ends));
    gauge->grab();
}

void TestRunWidgets::gaugeRefreshLimitAndWarningLook()
{
    auto* gauge = add<RMdiGauge>(3, 200, 200);
    RunChannel* c = testChannel(0, 100);
    setLimits(c, -kInf, 80, -kInf, kInf);
    gauge->setChannel(c);
    set(c, 10);
    gauge->refreshTick(now);
    QCOMPARE(gauge->needle->currentValue(), 10.0f);
    set(c, 20);
    gauge->refreshTick(now + 49);
    QCOMPARE(gauge->needle->currentValue(), 10.0f);
    gauge->refreshTick(now + 50);
    QCOMPARE(gauge->needle->currentValue(), 20.0f);
    QCOMPARE(gauge->valueLabel->text(), QStringLiteral("20"));
    QCOMPARE(gauge->dial->getFrameWidth(), 1);

    set(c, 85);
    gauge->refreshTick(now + 100);
    QCOMPARE(gauge->dial->getFrameWidth(), 6);
    QCOMPARE(gauge->dial->getFrameColor(), QColor(0xff, 0x96, 0));
    QImage image = gauge->grab().toImage();
    const QColor corner = image.pixelColor(12, 12);
    QVERIFY2(corner.red() == 255 && corner.green() > 220 && corner.green() < 245 && corner.blue() > 190
                 && corner.blue() < 215,
             qPrintable(colorText(corner)));
    set(c, 50);
    gauge->refreshTick(now + 150);
    QCOMPARE(gauge->dial->getFrameWidth(), 1);
    image = gauge->grab().toImage();
    QVERIFY(near(image.pixelColor(12, 12), Qt::white, 2));
    // Stale: the needle is not drawn, the text is NaN's.
    set(c, kNaN);
    gauge->refreshTick(now + 200);
    QVERIFY(std::isnan(gauge->needle->currentValue()));
    QCOMPARE(gauge->valueLabel->text(), QStringLiteral("?"));
}

void TestRunWidgets::speedGaugeTargetNeedles()
{
    auto* engine = add<RMdiGaugeEngineSpeed>(14, 200, 200);
    auto* road = add<RMdiGaugeRoadSpeed>(15, 200, 200);
    RunChannel* engineSpeed = theChannels.getChannelByKey(QStringLiteral("engine_speed"));
    RunChannel* roadSpeed = theChannels.getChannelByKey(QStringLiteral("dyno_speed"));
    QCOMPARE(engine->channel(), engineSpeed);
    QCOMPARE(road->channel(), roadSpeed);
    QCOMPARE(engine->standardMenuBits, 14);
    for (RunChannel* c : {engineSpeed, roadSpeed}) {
        c->setup->autorangeMin = c->setup->autorangeMax = false;
        c->setup->rangeMin = 0;
        c->setup->rangeMax = 1000;
        emit c->setup->signal_setupChanged();
    }
    const double engineFactor = engineSpeed->setup->unit->factor;
    const double roadFactor = roadSpeed->setup->unit->factor;
    set(engineSpeed, 50);
    set(roadSpeed, 20);
    panel.engineSpeedTarget = 100;
    panel.dynoSpeedTarget = 30;
    panel.engineAccTarget = 10;
    panel.dynoAccTarget = 2;
    qint64 t = now;
    auto refresh = [&] {
        t += 50;
        engine->refreshTick(t);
        road->refreshTick(t);
    };
    struct Case {
        int mode, variable;
        double engineTarget, engineAcc, roadTarget, roadAcc; // NaN: no needle
    };
    const Case cases[] = {
        {3, 1, 100 * engineFactor, kNaN, kNaN, kNaN},
        {4, 1, kNaN, (10 + 50) * engineFactor, kNaN, kNaN},
        {3, 0, kNaN, kNaN, 30 * roadFactor, kNaN},
        {4, 0, kNaN, kNaN, kNaN, (2 + 20) * roadFactor},
        {1, 1, kNaN, kNaN, kNaN, kNaN},
    };
    auto same = [](float got, double want) {
        return std::isnan(want) ? std::isnan(got) : std::fabs(got - want) < 1e-3 * std::max(1.0, std::fabs(want));
    };
    for (const Case& k : cases) {
        panel.mode = k.mode;
        panel.variable = k.variable;
        refresh();
        const QString what = QStringLiteral("mode %1 variable %2").arg(k.mode).arg(k.variable);
        QVERIFY2(same(engine->targetNeedle->currentValue(), k.engineTarget), qPrintable(what));
        QVERIFY2(same(engine->accelerationNeedle->currentValue(), k.engineAcc), qPrintable(what));
        QVERIFY2(same(road->targetNeedle->currentValue(), k.roadTarget), qPrintable(what));
        QVERIFY2(same(road->accelerationNeedle->currentValue(), k.roadAcc), qPrintable(what));
    }
    // An acceleration target of 0 puts the dark-yellow needle on the main one.
    panel.mode = 4;
    panel.variable = 1;
    panel.engineAccTarget = 0;
    refresh();
    QCOMPARE(engine->accelerationNeedle->currentValue(), engine->needle->currentValue());
    // Only while the gauge is visible does the panel matter at all; no panel: no needles.
    RMdiGauge::setBrakePanelSource([]() -> BrakeControllerPanelInputs* { return nullptr; });
    refresh();
    QVERIFY(std::isnan(engine->accelerationNeedle->currentValue()));
    RMdiGauge::setBrakePanelSource([this] { return &panel; });
    panel.mode = 0;
}

// ---------------------------------------------------------------- lamp

void TestRunWidgets::lampStates_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("lit");
    QTest::newRow("value 0.0 dark") << 0 << 0.0 << false;
    QTest::newRow("value -0.0 dark") << 0 << -0.0 << false;
    QTest::newRow("value 0.001 lit") << 0 << 0.001 << true;
    QTest::newRow("value stale lit") << 0 << kNaN << true;
    QTest::newRow("warning above") << 1 << 85.0 << true;
    QTest::newRow("warning below") << 1 << 15.0 << true;
    QTest::newRow("warning between") << 1 << 50.0 << false;
    QTest::newRow("no entry selected") << 7 << 1.0 << false;
}

void TestRunWidgets::lampStates()
{
    QFETCH(int, type);
    QFETCH(double, value);
    QFETCH(bool, lit);
    auto* lamp = add<RMdiIndicator>(0, 100, 50);
    RunChannel* c = testChannel(0, 100);
    setLimits(c, 20, 80, -kInf, kInf);
    lamp->setChannel(c);
    lamp->typeBox->setCurrentIndex(type);
    set(c, value);
    lamp->refreshTick(now);
    QCOMPARE(lamp->lit, lit);
    const QImage image = lamp->grab().toImage();
    QVERIFY(near(image.pixelColor(50, 40), lit ? QColor(0, 255, 0) : QColor(0xef, 0xef, 0xef), 2));
    // The grey outline along every edge.
    QVERIFY(near(image.pixelColor(0, 25), Qt::gray, 2));
    QVERIFY(near(image.pixelColor(99, 25), Qt::gray, 2));
}

void TestRunWidgets::lampAlarmAfterDelayAndNoIdleRepaint()
{
    auto* lamp = add<RMdiIndicator>(0, 100, 50);
    RunChannel* c = testChannel(0, 100);
    c->setup->alarmDelay = 1.0;
    setLimits(c, -kInf, kInf, -kInf, 90);
    lamp->setChannel(c);
    lamp->typeBox->setCurrentIndex(RMdiIndicator::Type_alarm);
    // The selection cover arrives 10 ms after the widget; let it settle first.
    QTest::qWait(50);
    PaintCounter counter;
    lamp->installEventFilter(&counter);
    QCoreApplication::processEvents();
    set(c, 95);
    lamp->refreshTick(now);
    QVERIFY(!lamp->lit);
    g_wall += 999;
    c->slot_checkWarningsAndAlarms();
    lamp->refreshTick(now);
    QVERIFY(!lamp->lit);
    QCoreApplication::processEvents();
    const int before = counter.paints;
    g_wall += 1;
    c->slot_checkWarningsAndAlarms();
    lamp->refreshTick(now);
    QVERIFY(lamp->lit);
    QTRY_COMPARE(counter.paints, before + 1);
    // The same state again and again repaints nothing.
    for (int i = 0; i < 20; ++i) {
        lamp->refreshTick(now + i);
        QCoreApplication::processEvents();
    }
    QCOMPARE(counter.paints, before + 1);
    lamp->removeEventFilter(&counter);
}

// ---------------------------------------------------------------- number

void TestRunWidgets::numberRateLimitAndAlarm()
{
    auto* number = add<RMdiNumber>(1, 200, 80);
    RunChannel* c = testChannel(0, 1000);
    setLimits(c, -kInf, kInf, -kInf, 500);
    number->setChannel(c);
    QVERIFY(number->valueText.isEmpty());
    QTest::qWait(50);
    PaintCounter counter;
    number->installEventFilter(&counter);
    QCoreApplication::processEvents();
    number->lastRefreshMs = 0;
    const int before = counter.paints;
    // One second of a channel that changes every 10 ms, refreshed as often.
    qint64 t = now;
    for (int i = 0; i < 100; ++i, t += 10) {
        set(c, i);
        number->refreshTick(t);
        QCoreApplication::processEvents();
    }
    QCOMPARE(counter.paints - before, 5);
    QCOMPARE(number->valueText, QStringLiteral("80"));
    // The alarm shows at once, inside the limit, though the text stays.
    const int beforeAlarm = counter.paints;
    set(c, 600);
    number->refreshTick(now + 810);
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, beforeAlarm + 1);
    QVERIFY(number->alarmCopy);
    const QImage image = number->grab().toImage();
    QVERIFY2(near(image.pixelColor(3, 40), QColor(255, 0, 0), 30), qPrintable(colorText(image.pixelColor(3, 40))));
    number->removeEventFilter(&counter);
}

void TestRunWidgets::numberRedBarAndLabels()
{
    auto* number = add<RMdiNumber>(1, 100, 50);
    RunChannel* c = testChannel(0, 1e12);
    c->setup->color = Qt::black;
    number->setChannel(c);
    set(c, 123456789012.0);
    number->refreshTick(now);
    QImage image = number->grab().toImage();
    QVERIFY(number->textClipped);
    const int barY = 6 + int(number->captionText.size().height()) + 8;
    QVERIFY2(near(image.pixelColor(8, barY), Qt::red, 30), qPrintable(colorText(image.pixelColor(8, barY))));
    // Short text: no bar.
    set(c, 7);
    number->refreshTick(now + 1000);
    image = number->grab().toImage();
    QVERIFY(!number->textClipped);
    QVERIFY(!near(image.pixelColor(8, barY), Qt::red, 30));
    // A label channel is left-aligned and never shows the bar.
    c->setup->quantity = Quantity::Enumerated;
    c->setup->labels = {{1, QStringLiteral("a label far too wide for this widget")}};
    emit c->setup->signal_setupChanged();
    set(c, 1);
    number->refreshTick(now + 2000);
    QVERIFY2(number->valueText.endsWith(QStringLiteral("a label far too wide for this widget")), qPrintable(number->valueText));
    image = number->grab().toImage();
    QVERIFY(!number->textClipped);
    QVERIFY(!near(image.pixelColor(8, barY), Qt::red, 30));
}

// ---------------------------------------------------------------- inputs

void TestRunWidgets::inputButton()
{
    auto* w = add<RMdiInputButton>(8, 100, 40);
    InputChannel* btn = input("Btn");
    btn->setDataWithoutFilter(0, g_wall);
    w->setChannel(btn);
    QCOMPARE(w->button->text(), btn->setup->getName());
    w->button->click();
    QCOMPARE(btn->getValue(), 1.0);
    QVERIFY(w->button->isChecked());
    QCOMPARE(w->button->palette().color(QPalette::Button), QColor(0x8c, 0xff, 0x8c));
    w->button->click();
    QCOMPARE(btn->getValue(), 0.0);
    QVERIFY(!w->button->isChecked());
    // A click that ends a drag switches nothing.
    w->moved = true;
    w->button->click();
    QVERIFY(!w->moved);
    QCOMPARE(btn->getValue(), 0.0);
    QVERIFY(!w->button->isChecked());
    // Pulse: 1 now, 0 when the pulse is over.
    w->pulse->setChecked(true);
    w->button->click();
    QCOMPARE(btn->getValue(), 1.0);
    QVERIFY(w->button->isChecked());
    QVERIFY(btn->pulseTimer->isActive());
    QCOMPARE(btn->pulseTimer->interval(), 1000);
    QCOMPARE(btn->pulseTimer->timerType(), Qt::PreciseTimer);
    btn->pulseTimer->stop();
    btn->slot_pulseTimer();
    QCOMPARE(btn->getValue(), 0.0);
    QVERIFY(!w->button->isChecked());
    // A stale channel shows checked.
    btn->setDataWithoutFilter(kNaN, g_wall);
    QVERIFY(w->button->isChecked());
    btn->setDataWithoutFilter(0, g_wall);
}

void TestRunWidgets::inputSlider_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<int>("position");
    QTest::newRow("50 of 0..200") << 50.0 << 0.0 << 200.0 << 25;
    QTest::newRow("300 beyond") << 300.0 << 0.0 << 200.0 << 100;
    QTest::newRow("-10 below") << -10.0 << 0.0 << 200.0 << 0;
    QTest::newRow("half rounds away from zero") << 1.0 << 0.0 << 200.0 << 1;
    QTest::newRow("stale") << kNaN << 0.0 << 200.0 << 0;
    QTest::newRow("zero width, at the minimum") << 5.0 << 5.0 << 5.0 << 0;
    QTest::newRow("zero width, above") << 6.0 << 5.0 << 5.0 << 100;
    QTest::newRow("zero width, below") << 4.0 << 5.0 << 5.0 << 0;
}

void TestRunWidgets::inputSlider()
{
    QFETCH(double, x);
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(int, position);
    QCOMPARE(RMdiInputSlider::positionOf(x, lo, hi), position);
    // On a real slider: showing the value does not write it.
    auto* w = add<RMdiInputSlider>(10, 200, 70);
    InputChannel* sld = input("Sld");
    sld->setup->rangeMin = lo;
    sld->setup->rangeMax = hi;
    w->setChannel(sld);
    QSignalSpy spy(sld, &RunChannel::signal_newData);
    sld->setDataWithoutFilter(x, ++g_wall);
    QCOMPARE(w->slider->value(), position);
    QCOMPARE(spy.size(), 1);
}

void TestRunWidgets::inputsWriteOnlyInputChannels()
{
    InputChannel* sld = input("Sld");
    sld->setup->rangeMin = 0;
    sld->setup->rangeMax = 200;
    auto* slider = add<RMdiInputSlider>(10, 200, 70);
    slider->setChannel(sld);
    slider->slider->setValue(25);
    QCOMPARE(sld->getValue(), 50.0);

    RunChannel* speed = theChannels.getChannelByKey(QStringLiteral("dyno_speed"));
    speed->setup->rangeMin = 0;
    speed->setup->rangeMax = 100;
    set(speed, 10);
    slider->setChannel(speed);
    QCOMPARE(slider->slider->value(), 10);
    slider->slider->setValue(80);
    QCOMPARE(speed->getValue(), 10.0);

    auto* button = add<RMdiInputButton>(8, 100, 40);
    button->setChannel(speed);
    QVERIFY(button->button->isChecked());
    button->button->click();
    QCOMPARE(speed->getValue(), 10.0);

    auto* spin = add<RMdiInputSpinBox>(9, 200, 60);
    spin->setChannel(speed);
    spin->spinBox->setValue(spin->spinBox->value() + 5);
    QCOMPARE(speed->getValue(), 10.0);
}

void TestRunWidgets::spinBoxNeverWritesBackWhatItShows()
{
    auto* w = add<RMdiInputSpinBox>(9, 200, 60);
    InputChannel* spin = input("Spin");
    spin->setup->autorangeMin = spin->setup->autorangeMax = true;
    spin->setup->decimals = 2;
    spin->setup->filter = 0.5;
    emit spin->setup->signal_setupChanged();
    w->setChannel(spin);
    QCOMPARE(w->label->text(), spin->setup->getName());
    QSignalSpy spy(spin, &RunChannel::signal_newData);
    // The operator's entry is written once; what the filter hands back is only shown.
    w->spinBox->setValue(7.25);
    QCOMPARE(spy.size(), 1);
    // What came back (the filter's first sample) is what the box shows now.
    const double back = spy.first().first().toDouble();
    QVERIFY(back == w->spinBox->getValueSI() || (std::isnan(back) && std::isnan(w->spinBox->getValueSI())) || back != 7.25);
    // A value from elsewhere is shown and not written again.
    spin->setDataWithoutFilter(3.5, ++g_wall);
    QCOMPARE(spy.size(), 2);
    QCOMPARE(w->spinBox->getValueSI(), 3.5);
    spin->setup->filter = 0.0;
    emit spin->setup->signal_setupChanged();
    w->spinBox->setValue(12);
    QCOMPARE(spin->getValue(), 12.0);
    // Without a channel nothing is stored anywhere.
    w->setChannel(nullptr);
    QCOMPARE(w->label->text(), QStringLiteral("-"));
    w->spinBox->setValue(20);
    QCOMPARE(spin->getValue(), 12.0);
}

// ---------------------------------------------------------------- command button

void TestRunWidgets::commandButtonArguments_data()
{
    QTest::addColumn<QString>("tail");
    QTest::addColumn<QStringList>("argv");
    QTest::newRow("words") << "a b" << QStringList{"a", "b"};
    QTest::newRow("two spaces: an empty argument") << "a  b" << QStringList{"a", "", "b"};
    QTest::newRow("quotes are plain characters") << "\"a b\"" << QStringList{"\"a", "b\""};
    QTest::newRow("semicolon") << "a;id" << QStringList{"a;id"};
    QTest::newRow("command substitution") << "$(id)" << QStringList{"$(id)"};
    QTest::newRow("redirection") << ">x" << QStringList{">x"};
}

void TestRunWidgets::commandButtonArguments()
{
    QFETCH(QString, tail);
    QFETCH(QStringList, argv);
    const QDir home(QDir::homePath());
    const QString script = home.filePath(QStringLiteral("argv.py"));
    QFile s(script);
    QVERIFY(s.open(QIODevice::WriteOnly | QIODevice::Truncate));
    s.write("import json, sys\nopen(sys.argv[1] + '.tmp', 'w').write(json.dumps(sys.argv[2:]))\n"
            "import os\nos.rename(sys.argv[1] + '.tmp', sys.argv[1])\n");
    s.close();
    const QString out = home.filePath(QStringLiteral("argv-%1.json").arg(QString::fromLatin1(QTest::currentDataTag()).size()));
    QFile::remove(out);
    QVERIFY2(!script.contains(QLatin1Char(' ')), "the test's home has no blank");
    auto* w = add<RMdiCommandButton>(13, 100, 40);
    w->labelEdit->setText(QStringLiteral("Run"));
    QCOMPARE(w->button->text(), QStringLiteral("Run"));
    w->commandEdit->setText(QStringLiteral("/usr/bin/python3 %1 %2 %3").arg(script, out, tail));
    w->button->click();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 20000);
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QStringList got;
    for (const QJsonValue& v : QJsonDocument::fromJson(f.readAll()).array())
        got.append(v.toString());
    QCOMPARE(got, argv);
    QVERIFY(!QFile::exists(home.filePath(QStringLiteral("x"))));
}

void TestRunWidgets::commandButtonInertCases()
{
    LogCapture log;
    const QString marker = QDir(QDir::homePath()).filePath(QStringLiteral("touched"));
    auto* w = add<RMdiCommandButton>(13, 100, 40);
    w->commandEdit->setText(QStringLiteral("/usr/bin/touch ") + marker);
    // A click that ends a drag starts nothing.
    w->moved = true;
    w->button->click();
    QVERIFY(!w->moved);
    // An empty command is inert.
    w->commandEdit->clear();
    w->button->click();
    QTest::qWait(300);
    QVERIFY(!QFile::exists(marker));
    // A program that cannot start is logged.
    w->commandEdit->setText(QStringLiteral("/nonexistent/program arg"));
    w->button->click();
    QCOMPARE(log.count(QStringLiteral("Could not start")), 1);
    // The first configuration opens the dialog; cancelling keeps the widget.
    answerer.result = QDialog::Rejected;
    QSignalSpy save(w, &AbstractMdiWidget::signal_requestSetupSave);
    w->onCreateConfiguration();
    QCOMPARE(mdi->widgets.size(), 1);
    QCOMPARE(save.size(), 1);
}

// ---------------------------------------------------------------- slideshow

void TestRunWidgets::slideshow()
{
    const QDir home(QDir::homePath());
    const QString red = home.filePath(QStringLiteral("red.png"));
    const QString green = home.filePath(QStringLiteral("green.jpg"));
    const QString big = home.filePath(QStringLiteral("big.png"));
    const QString truncated = home.filePath(QStringLiteral("truncated.png"));
    const QString missing = home.filePath(QStringLiteral("missing.png"));
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(red));
    image.fill(Qt::green);
    QVERIFY(image.save(green));
    QImage huge(8000, 6000, QImage::Format_RGB32);
    huge.fill(Qt::blue);
    QVERIFY(huge.save(big, "PNG", 90));
    huge = QImage();
    QVERIFY(QFile::copy(red, truncated));
    QFile t(truncated);
    QVERIFY(t.open(QIODevice::ReadWrite));
    QVERIFY(t.resize(t.size() / 2));
    t.close();

    // A camera-sized picture is decoded at the screen's size at most.
    const QPixmap fitted = RMdiImage::loadPicture(big, QSize(1920, 1080));
    QCOMPARE(fitted.size(), QSize(1440, 1080));
    // A picture the reader would have to decode beyond its memory limit is refused, not decoded.
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(1);
    QVERIFY(RMdiImage::loadPicture(big, QSize(1920, 1080)).isNull());
    QImageReader::setAllocationLimit(limit);
    QVERIFY(RMdiImage::loadPicture(truncated, QSize(1920, 1080)).isNull());
    QVERIFY(RMdiImage::loadPicture(missing, QSize(1920, 1080)).isNull());

    // One picture: shown, the swap timer stops, a resize rescales after 50 ms.
    mdi->loadFromString(QStringLiteral(R"(<widgets><image x="0" y="0" w="200" h="100"><setup swapTime="1000"><image src="%1"/></setup></image></widgets>)")
                            .arg(red));
    auto* w = qobject_cast<RMdiImage*>(mdi->widgets.last());
    QVERIFY(w);
    QTRY_VERIFY(!w->label->pixmap().isNull());
    QVERIFY(!w->swapTimer->isActive());
    QCOMPARE(w->label->pixmap().size(), QSize(w->label->height() * 2, w->label->height()));
    w->subWindow->resize(300, 300);
    QVERIFY(w->rescaleTimer->isActive());
    QCOMPARE(w->rescaleTimer->interval(), 50);
    QTRY_COMPARE(w->label->pixmap().width(), w->label->width());

    // Bad files have their turn with "Invalid image".
    mdi->loadFromString(QStringLiteral(R"(<widgets><image x="0" y="200" w="200" h="100"><setup swapTime="600"><image src="%1"/><image src="%2"/><image src="%3"/></setup></image></widgets>)")
                            .arg(truncated, green, missing));
    auto* show = qobject_cast<RMdiImage*>(mdi->widgets.last());
    QVERIFY(show->swapTimer->isActive());
    show->currentIndex = 2;
    show->slot_swapTick(true); // back to the first: truncated
    QCOMPARE(show->label->text(), QStringLiteral("Invalid image"));
    show->slot_swapTick(true);
    QVERIFY(!show->label->pixmap().isNull());
    show->slot_swapTick(true);
    QCOMPARE(show->label->text(), QStringLiteral("Invalid image"));

    // The dialog: a new list, and the desktop is asked to save it.
    QSignalSpy save(show, &AbstractMdiWidget::signal_requestSetupSave);
    answerer.respond = [&](QDialog* dialog) {
        dialog->findChild<QTextEdit*>()->setPlainText(red + QStringLiteral("\n\n") + green + QStringLiteral("\n"));
        return int(QDialog::Accepted);
    };
    show->configureWidget();
    QCOMPARE(show->imagePaths, (QStringList{red, green}));
    QCOMPARE(show->pictures.size(), 2);
    QCOMPARE(save.size(), 1);
    // Emptied: "Select images".
    answerer.respond = [&](QDialog* dialog) {
        dialog->findChild<QTextEdit*>()->clear();
        return int(QDialog::Rejected);
    };
    show->configureWidget();
    QCOMPARE(show->label->text(), QStringLiteral("Select images"));
}

void TestRunWidgets::slideshowPausesWhileHidden()
{
    const QDir home(QDir::homePath());
    const QString a = home.filePath(QStringLiteral("a.png"));
    const QString b = home.filePath(QStringLiteral("b.png"));
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(a));
    image.fill(Qt::blue);
    QVERIFY(image.save(b));
    mdi->loadFromString(QStringLiteral(R"(<widgets><image x="0" y="0" w="200" h="100"><setup swapTime="5000"><image src="%1"/><image src="%2"/></setup></image></widgets>)")
                            .arg(a, b));
    auto* w = qobject_cast<RMdiImage*>(mdi->widgets.last());
    QTRY_VERIFY(w->isVisible());
    const int index = w->currentIndex;
    manager->hide();
    w->slot_swapTick(true);
    w->slot_swapTick(true);
    w->slot_swapTick(true);
    QCOMPARE(w->currentIndex, index);
    manager->show();
    QTRY_VERIFY(w->isVisible());
    w->slot_swapTick(true);
    QCOMPARE(w->currentIndex, (index + 1) % 2);
}

QTEST_MAIN(TestRunWidgets)
#include "tst_run_widgets.moc"
