// The I/O page on the registry of the largest board: the tiles and their
// order for every board, the header line, what each kind of tile shows and
// when the page refreshes.
#include "FakeReadings.h"
#include "SettingsFixture.h"

#include "AmbientIO.h"
#include "AnalogInput.h"
#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "HallInput.h"
#include "HpAin.h"
#include "HwInfo.h"
#include "IO.h"
#include "LoadCell.h"
#include "MySettings.h"
#include "Pin.h"
#include "Pins.h"
#include "PowerPort.h"
#include "PwmBridgeSupply.h"
#include "Relay.h"
#include "RunChannel.h"
#include "SwitchInputZR6.h"
#include "VerticalLabel.h"
#include "lib/Tools.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

QStringList section(const char* kind, int count)
{
    QStringList tiles;
    if (count == 1)
        return {QLatin1String(kind)};
    for (int n = count; n >= 1; --n)
        tiles.append(QStringLiteral("%1:%2").arg(QLatin1String(kind)).arg(n));
    return tiles;
}

QString power(const char* caption)
{
    return QStringLiteral("PowerPort(%1)").arg(QLatin1String(caption));
}

// What a tile is on the page: its kind, the number it shows and, for a supply, its caption.
QString describe(const IOItem* item)
{
    QString text = QString::fromLatin1(item->metaObject()->className());
    if (qobject_cast<const PowerPort*>(item))
        return text + QStringLiteral("(%1)").arg(item->caption->text());
    if (!item->number->isHidden())
        text += QLatin1Char(':') + item->number->text();
    return text;
}

QList<QStringList> rowsOf(const IO& page)
{
    QList<QStringList> rows;
    for (int r = 1; r < 4; ++r) {
        QStringList tiles;
        for (int i = 0; i < page.rows[r]->count(); ++i) {
            if (auto* item = qobject_cast<IOItem*>(page.rows[r]->itemAt(i)->widget()))
                tiles.append(describe(item));
        }
        rows.append(tiles);
    }
    return rows;
}

// Builds a page for another board on the registry of the fixture's one.
class BoardScope
{
public:
    BoardScope(int code, bool developer = false)
        : saved(theHwInfo)
        , savedDeveloper(theSettings.developerMode)
    {
        theHwInfo = HwInfo();
        theHwInfo.setDeviceCode(DeviceCode(code));
        theSettings.developerMode = developer;
    }
    ~BoardScope()
    {
        theHwInfo = saved;
        theSettings.developerMode = savedDeveloper;
    }

private:
    HwInfo saved;
    bool savedDeveloper;
};

void setChannel(ChannelId id, int instance, double value)
{
    theChannels.getChannel(id, instance)->setDataWithoutFilter(value, QDateTime::currentMSecsSinceEpoch());
}

} // namespace

class TestIOPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    // The controller thread logs until it is stopped: stop it while the
    // test log still exists.
    void cleanupTestCase() { fixture.reset(); }
    void cleanup();
    void tilesFollowTheBoard_data();
    void tilesFollowTheBoard();
    void headerNamesTheBoard_data();
    void headerNamesTheBoard();
    void tileShapes();
    void stateTilesShowGreyOnlyForZero();
    void switchPairTile();
    void numberTiles();
    void highPrecisionInputs();
    void loadCellText_data();
    void loadCellText();
    void supplyAndAmbientTiles();
    void noPreviewTilesNeverChange();
    void refreshRunsWhileShownAndOnceSettingsAreReady();

private:
    std::unique_ptr<SettingsFixture> fixture;
    FakeReadings readings;
};

void TestIOPage::initTestCase()
{
    fixture = std::make_unique<SettingsFixture>(3);
    QVERIFY(fixture->start());
    theSettings.initEnumLabels();
    IOReadings::install(&readings);
}

void TestIOPage::cleanup()
{
    readings = FakeReadings();
}

void TestIOPage::tilesFollowTheBoard_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("developer");
    QTest::addColumn<QStringList>("row1");
    QTest::addColumn<QStringList>("row2");
    QTest::addColumn<QStringList>("row3");

    const QStringList zr5Row2 = section("MCULowSide", 4) + QStringList{"EngineSpeedIO"} + section("CANBus", 2)
                                + section("AnalogOut", 2) + section("LoadCell", 4) + section("HpAin", 4);
    QTest::newRow("ZR5") << 0 << false
                         << section("Relay", 4) + QStringList{power("+24V"), power("+12V"), power("+5V")}
                                + section("HallInput", 2) + section("SwitchInput", 4) + section("AnalogInput", 6)
                         << zr5Row2 << QStringList();
    QTest::newRow("ZR5E4") << 1 << false
                           << section("Relay", 4) + QStringList{power("+24V"), power("+12V")}
                                  + section("HallInput", 4) + section("SwitchInput", 4)
                                  + section("AnalogInput", 6)
                           << section("MCULowSide", 4) + QStringList{power("+5V"), "EngineSpeedIO"}
                                  + section("CANBus", 2) + section("AnalogOut", 2) + section("LoadCell", 4)
                                  + section("HpAin", 4)
                           << QStringList();
    QTest::newRow("ZR6") << 3 << false
                         << section("Relay", 4) + QStringList{power("+24V"), power("+12V"), power("+5V")}
                                + section("CANBus", 2) + section("HallInput", 5)
                                + QStringList{"SwitchInputZR6:2", "SwitchInputZR6:1"} + section("AnalogOut", 4)
                         << section("PwmBridge", 4) + section("PILowSide", 4) + section("AnalogInput", 12)
                         << section("PwmBridgeSupply", 4) + QStringList{"EngineSpeedIO"} + section("LoadCell", 4)
                                + section("HpAin", 4) + QStringList{"AmbientIO"};
    const QStringList zr5l = QStringList{"Relay"} + section("SwitchInput", 2)
                             + QStringList{"HallInput", "AnalogOut", "PILowSide"} + section("MCULowSide", 2)
                             + QStringList{"EngineSpeedIO", "CANBus"} + section("LoadCell", 2)
                             + QStringList{"AnalogInput"} + section("HpAin", 2);
    QTest::newRow("ZR5L") << 2 << false << zr5l << QStringList() << QStringList();
    QTest::newRow("ZR5L, developer") << 2 << true << zr5l + QStringList{power("+5V"), power("+12V")}
                                     << QStringList() << QStringList();
    const QStringList zr6l = QStringList{"Relay", "SwitchInput", "HallInput", "AnalogOut", "PILowSide"}
                             + section("MCULowSide", 2)
                             + QStringList{"EngineSpeedIO", "CANBus", "AnalogInput", "AmbientIO", "LoadCell"}
                             + section("HpAin", 2);
    QTest::newRow("ZR6L") << 4 << false << zr6l << QStringList() << QStringList();
    QTest::newRow("ZR6L, developer") << 4 << true << zr6l + QStringList{power("+5V"), power("+12V")}
                                     << QStringList() << QStringList();
    // An unknown board: counts all 0, so only the fixed tiles, and no 5 V tile.
    QTest::newRow("code 7") << 7 << false
                            << section("Relay", 4) + QStringList{power("+24V"), power("+12V")}
                            << QStringList{"EngineSpeedIO"} << QStringList();
}

void TestIOPage::tilesFollowTheBoard()
{
    QFETCH(int, code);
    QFETCH(bool, developer);
    QFETCH(QStringList, row1);
    QFETCH(QStringList, row2);
    QFETCH(QStringList, row3);
    BoardScope board(code, developer);
    IO page;
    page.init();
    const QList<QStringList> rows = rowsOf(page);
    QCOMPARE(rows.at(0), row1);
    QCOMPARE(rows.at(1), row2);
    QCOMPARE(rows.at(2), row3);
    QCOMPARE(page.items.size(), row1.size() + row2.size() + row3.size());

    // Each tile takes room by its pin count; only rows 1 to 3 stretch.
    for (int r = 1; r < 4; ++r) {
        for (int i = 0; i < page.rows[r]->count(); ++i) {
            auto* item = qobject_cast<IOItem*>(page.rows[r]->itemAt(i)->widget());
            QCOMPARE(page.rows[r]->stretch(i), item->pinCount());
        }
    }
    auto* outer = qobject_cast<QBoxLayout*>(page.layout());
    QVERIFY(outer);
    QCOMPARE(outer->stretch(0), 0);
    QCOMPARE(outer->stretch(1), 1);
    QCOMPARE(outer->stretch(3), 1);

    // Built once.
    page.init();
    QCOMPARE(rowsOf(page).at(0), row1);
}

void TestIOPage::headerNamesTheBoard_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("header");
    QTest::newRow("ZR5") << 0 << "ZR5 Rev.B+ SN: 1042";
    QTest::newRow("ZR5E4") << 1 << "ZR5E4 Rev.B+ SN: 1042";
    QTest::newRow("ZR5L") << 2 << "ZR5L Rev.B+ SN: 1042";
    QTest::newRow("ZR6") << 3 << "ZR6 Rev.B+ SN: 1042";
    QTest::newRow("ZR6L") << 4 << "ZR6L Rev.B+ SN: 1042";
    QTest::newRow("unknown") << 9 << "9 Rev.B+ SN: 1042";
}

void TestIOPage::headerNamesTheBoard()
{
    QFETCH(int, code);
    QFETCH(QString, header);
    BoardScope board(code);
    theHwInfo.revision = 'B';
    theHwInfo.serialNumber = 1042;
    IO page;
    page.init();
    QCOMPARE(page.header->text(), header);
    QCOMPARE(page.rows[0]->count(), 1);
}

void TestIOPage::tileShapes()
{
    // Pin rows of the kinds whose connector differs between boards, and the
    // tile's parts.
    struct Case {
        int code;
        QList<QColor> engine;
        QList<QColor> loadCell;
        QList<QColor> hpAin;
        int canPins;
    };
    const QColor k(Qt::black), w(Qt::white), r(Qt::red);
    const Case cases[] = {{3, {k, k, w, w, r}, {k, k, w, w, r}, {k, w, k, w}, 3},
                          {0, {k, w, w, r}, {k, w, r}, {w, k, w}, 2},
                          {4, {k, w, w, r}, {k, w, r}, {w, k, w}, 3}};
    for (const Case& c : cases) {
        BoardScope board(c.code);
        IO page;
        page.init();
        QHash<QString, QList<QColor>> pins;
        for (IOItem* item : page.items) {
            QList<QColor> colours;
            for (const Pin* pin : item->pins->list())
                colours.append(pin->color());
            pins.insert(QString::fromLatin1(item->metaObject()->className()), colours);
            QCOMPARE(item->pinCount(), colours.size());
            // The reading gives way when the page is short (the pictures test
            // checks that nothing overlaps then).
            QCOMPARE(item->valueLabel->sizePolicy().verticalPolicy(), QSizePolicy::Ignored);
            QCOMPARE(item->frameShape(), QFrame::Box);
            QVERIFY(!item->caption->isVertical());
        }
        QCOMPARE(pins.value("EngineSpeedIO"), c.engine);
        QCOMPARE(pins.value("LoadCell"), c.loadCell);
        QCOMPARE(pins.value("HpAin"), c.hpAin);
        QCOMPARE(pins.value("CANBus").size(), c.canPins);
        QCOMPARE(pins.value("Relay"), QList<QColor>({w, w}));
        QCOMPARE(pins.value("SwitchInput", {w, k}), QList<QColor>({w, k}));
    }
}

void TestIOPage::stateTilesShowGreyOnlyForZero()
{
    struct Case {
        const char* what;
        double value;
        QColor colour;
    };
    const Case cases[] = {{"never set", NAN, Qt::green}, {"off", 0.0, Qt::gray}, {"on", 1.0, Qt::green},
                          {"any other", -0.5, Qt::green}, {"off again", 0.0, Qt::gray}};
    Relay relay;
    relay.setId(2, true);
    for (const Case& c : cases) {
        if (!std::isnan(c.value))
            setChannel(ChannelId_relayOutputState, 2, c.value);
        relay.updateTimerTick();
        QVERIFY2(relay.valueLabel->autoFillBackground(), c.what);
        QVERIFY2(relay.valueLabel->palette().color(QPalette::Window) == c.colour, c.what);
    }
}

void TestIOPage::switchPairTile()
{
    SwitchInputZR6 tile;
    tile.setId(0, true);
    struct Case {
        double first, second;
        const char* text;
        QColor pin2, pin1;
    };
    const Case cases[] = {{0, 1, "sw1:0\nsw2:1", Qt::gray, Qt::green},
                          {1, 0, "sw1:1\nsw2:0", Qt::green, Qt::gray},
                          {NAN, 0, "sw1:1\nsw2:0", Qt::green, Qt::gray}};
    for (const Case& c : cases) {
        setChannel(ChannelId_switchState, 0, c.first);
        setChannel(ChannelId_switchState, 1, c.second);
        tile.updateTimerTick();
        QCOMPARE(tile.valueLabel->text(), QString::fromLatin1(c.text));
        QCOMPARE(tile.pins->list().at(2)->color(), c.pin2);
        QCOMPARE(tile.pins->list().at(1)->color(), c.pin1);
        QCOMPARE(tile.pins->list().at(0)->color(), QColor(Qt::black));
    }
    SwitchInputZR6 second;
    second.setId(1, true);
    setChannel(ChannelId_switchState, 2, 1);
    setChannel(ChannelId_switchState, 3, 1);
    second.updateTimerTick();
    QCOMPARE(second.valueLabel->text(), QStringLiteral("sw3:1\nsw4:1"));
}

void TestIOPage::numberTiles()
{
    readings.pulses = {{0, 10}, {1, 11}, {2, 222}, {3, 33}, {4, 44}, {5, 55}};
    // Digital input 2 is MCU slot 3: slot 2 is the engine speed.
    const int mcuSlots[5] = {0, 1, 3, 4, 5};
    for (int input = 0; input < 5; ++input) {
        HallInput tile;
        tile.setId(input, true);
        tile.updateTimerTick();
        const QString text = tile.valueLabel->text();
        QCOMPARE(text.section(QLatin1Char('\n'), 1), QString::number(readings.pulses.value(mcuSlots[input])));
        QCOMPARE(text.section(QLatin1Char('\n'), 0, 0),
                 theChannels.getChannel(ChannelId_freqInputFrequency, input)->getDataTranslatedWithUnit());
    }
    IO page;
    page.init();
    for (IOItem* item : page.items) {
        if (QLatin1String(item->metaObject()->className()) == QLatin1String("EngineSpeedIO")) {
            item->updateTimerTick();
            QVERIFY(item->valueLabel->text().endsWith(QStringLiteral("\n222")));
        }
    }

    setChannel(ChannelId_ainVoltage, 4, 2.34567);
    AnalogInput ain;
    ain.setId(4, true);
    ain.updateTimerTick();
    QCOMPARE(ain.valueLabel->text(), QStringLiteral("2.346\nV"));

    PwmBridgeSupply bridge;
    bridge.setId(1, true);
    bridge.updateTimerTick();
    // Never measured: shown as every missing number is.
    QCOMPARE(bridge.valueLabel->text(), QStringLiteral("?\nA"));
    setChannel(ChannelId_bridgeCurrent, 1, 3.24);
    bridge.updateTimerTick();
    QCOMPARE(bridge.valueLabel->text(), QStringLiteral("3.2\nA"));
}

void TestIOPage::highPrecisionInputs()
{
    // Tile 1 shows inputs 3 and 4 (index 2 and 3); input 3 measures a thermocouple.
    theDynoSettings->getSetting(DynoSettingId_hpAinMode, 2)->setValue(HpAin::thermocoupleMode);
    theDynoSettings->getSetting(DynoSettingId_hpAinMode, 3)->setValue(2); // "2V range"
    readings.setFilter(IOReadings::FilterGroup_hpAnalogInputs, 2, 4000.0);
    readings.setFilter(IOReadings::FilterGroup_hpAnalogInputs, 3, 16000.0);
    HpAin tile;
    tile.setId(1, true);
    tile.updateTimerTick();
    const QString third = theChannels.getChannel(ChannelId_hpAin, 2)->getDataTranslatedWithUnit();
    const QString fourth = theChannels.getChannel(ChannelId_hpAin, 3)->getDataTranslatedWithUnit();
    QCOMPARE(tile.valueLabel->text(),
             QStringLiteral("ch3\n") + third + QStringLiteral("\n\n\nch4\n") + fourth + QStringLiteral("\n1.00V"));
    QVERIFY(tile.valueLabel->wordWrap());

    // The voltage is the filter output times the gain of the input's mode.
    theDynoSettings->getSetting(DynoSettingId_hpAinMode, 2)->setValue(0); // "5V range"
    tile.updateTimerTick();
    QVERIFY(tile.valueLabel->text().startsWith(QStringLiteral("ch3\n") + third + QStringLiteral("\n0.75V\n\n")));
    theDynoSettings->getSetting(DynoSettingId_hpAinMode, 2)->setValue(0);
    theDynoSettings->getSetting(DynoSettingId_hpAinMode, 3)->setValue(0);
}

void TestIOPage::loadCellText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("raw");
    QTest::addColumn<QString>("text");
    QTest::newRow("first generation, millivolts") << 0 << 12.4 << "  12mV\n25.8Nm";
    QTest::newRow("first generation, wide") << 0 << -12345.0 << "-12345mV\n-24689.0Nm";
    QTest::newRow("second generation, volts") << 3 << 0.0125 << "0.012500\n1.0Nm";
    QTest::newRow("second generation, large") << 4 << 12.4 << "12.400000\n25.8Nm";
    QTest::newRow("first generation, no reading") << 0 << double(NAN) << "   ?mV\n?Nm";
    QTest::newRow("second generation, no reading") << 3 << double(NAN) << "?      \n?Nm";
}

void TestIOPage::loadCellText()
{
    QFETCH(int, code);
    QFETCH(double, raw);
    QFETCH(QString, text);
    theDynoSettings->getSetting(DynoSettingId_loadCellA, 0)->setValue(2.0);
    theDynoSettings->getSetting(DynoSettingId_loadCellB, 0)->setValue(1.0);
    readings.setFilter(IOReadings::FilterGroup_loadCells, 0, raw);
    BoardScope board(code);
    LoadCell tile;
    tile.setId(0, true);
    tile.updateTimerTick();
    QCOMPARE(tile.valueLabel->text(), text);
}

void TestIOPage::supplyAndAmbientTiles()
{
    readings.millivolts = {{2, 12034}, {3, 23990}};
    readings.warnings = {{3, true}};
    const QColor base = QApplication::palette().color(QPalette::Base);
    struct Case {
        int id;
        const char* text;
        QColor colour;
    };
    for (const Case& c : {Case{2, "12.03\nV", base}, Case{3, "23.99\nV", QColor(255, 77, 77)}}) {
        PowerPort port;
        port.setId(c.id, false);
        port.updateTimerTick();
        QCOMPARE(port.valueLabel->text(), QString::fromLatin1(c.text));
        QCOMPARE(port.valueLabel->palette().color(QPalette::Window), c.colour);
        QVERIFY(port.number->isHidden());
    }
    // The warning clears when the run thread clears it.
    PowerPort port;
    port.setId(3, false);
    port.updateTimerTick();
    readings.warnings.clear();
    port.updateTimerTick();
    QCOMPARE(port.valueLabel->palette().color(QPalette::Window), base);

    // The ambient tile follows the main window's read-out: filled means failed.
    QLabel readout;
    IO page;
    page.setAmbientReadout(&readout);
    page.init();
    AmbientIO* ambient = nullptr;
    for (IOItem* item : page.items)
        ambient = ambient ? ambient : qobject_cast<AmbientIO*>(item);
    QVERIFY(ambient);
    ambient->updateTimerTick();
    QCOMPARE(ambient->valueLabel->palette().color(QPalette::Window), QColor(77, 255, 77));
    Tools::setBackgroundColorWithPalette(&readout, QColor(255, 77, 77));
    ambient->updateTimerTick();
    QCOMPARE(ambient->valueLabel->palette().color(QPalette::Window), QColor(255, 77, 77));
    readout.setAutoFillBackground(false);
    readout.setPalette(QPalette());
    ambient->updateTimerTick();
    QCOMPARE(ambient->valueLabel->palette().color(QPalette::Window), QColor(77, 255, 77));
}

void TestIOPage::noPreviewTilesNeverChange()
{
    IO page;
    page.init();
    int previews = 0;
    for (IOItem* item : page.items) {
        const QString kind = QString::fromLatin1(item->metaObject()->className());
        const bool noPreview = kind == "AnalogOut" || kind == "CANBus" || kind == "MCULowSide" || kind == "PwmBridge";
        QCOMPARE(item->valueLabel->text() == QStringLiteral("no\npreview"), noPreview);
        if (!noPreview)
            continue;
        ++previews;
        const QPalette palette = item->valueLabel->palette();
        for (int k = 0; k < 3; ++k)
            page.slot_updateTimerTick();
        QCOMPARE(item->valueLabel->text(), QStringLiteral("no\npreview"));
        QCOMPARE(item->valueLabel->palette(), palette);
    }
    // ZR6: 2 CAN buses, 4 analog outputs, 4 PWM bridges.
    QCOMPARE(previews, 10);
}

void TestIOPage::refreshRunsWhileShownAndOnceSettingsAreReady()
{
    IO page;
    page.init();
    QCOMPARE(page.refreshTimer->interval(), 33);
    QVERIFY(!page.refreshTimer->isActive());
    Relay* relay = nullptr;
    for (IOItem* item : page.items) {
        if (!relay && item->id == 0)
            relay = qobject_cast<Relay*>(item);
    }
    QVERIFY(relay);

    // Not before the settings are ready, even with the timer running.
    theDynoSettings->initialized = false;
    setChannel(ChannelId_relayOutputState, 0, 0.0);
    page.enableSlots(true);
    QTest::qWait(120);
    QVERIFY(!relay->valueLabel->autoFillBackground());
    theDynoSettings->initialized = true;
    QTRY_VERIFY_WITH_TIMEOUT(relay->valueLabel->autoFillBackground(), 500);
    QCOMPARE(relay->valueLabel->palette().color(QPalette::Window), QColor(Qt::gray));

    // Shown: a change appears within a refresh or two.
    setChannel(ChannelId_relayOutputState, 0, 1.0);
    QTRY_COMPARE_WITH_TIMEOUT(relay->valueLabel->palette().color(QPalette::Window), QColor(Qt::green), 200);

    // Another tab: no refresh until the page is shown again.
    page.enableSlots(false);
    QVERIFY(!page.refreshTimer->isActive());
    setChannel(ChannelId_relayOutputState, 0, 0.0);
    QTest::qWait(120);
    QCOMPARE(relay->valueLabel->palette().color(QPalette::Window), QColor(Qt::green));
    page.enableSlots(true);
    QTRY_COMPARE_WITH_TIMEOUT(relay->valueLabel->palette().color(QPalette::Window), QColor(Qt::gray), 200);
    page.enableSlots(false);
}

QTEST_MAIN(TestIOPage)
#include "tst_io_page.moc"
