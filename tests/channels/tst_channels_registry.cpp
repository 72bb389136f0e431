// The channel registry on every controller board, its lookups over the
// user-defined families, and what it does to stored setups.
#include "Argument.h"
#include "ChannelFamily.h"
#include "ChannelSetup.h"
#include "ChannelSetupModel.h"
#include "Channels.h"
#include "HwInfo.h"
#include "RunChannel.h"
#include "lib/Units.h"

#include <QTest>

#include <cmath>
#include <memory>

namespace {

// A user-defined family with channels of its own keys.
class TestFamily : public ChannelFamily
{
public:
    explicit TestFamily(const QStringList& keys)
    {
        for (const QString& key : keys) {
            auto* channel = new RunChannel(0, QString(), 0, QString(), Quantity::None);
            channel->setup->key = key;
            channel->setup->quantity = Quantity::Power;
            channels.append(channel);
        }
    }
    ~TestFamily() override { qDeleteAll(channels); }
    RunChannel* getChannelByKey(const QString& key) const override
    {
        for (RunChannel* channel : channels) {
            if (channel->setup->key == key)
                return channel;
        }
        return nullptr;
    }
    QList<AbstractChannel*> listChannelsForArgument(Quantity quantity) const override
    {
        QList<AbstractChannel*> list;
        for (RunChannel* channel : channels) {
            if (quantity == -1 || channel->setup->quantity == quantity)
                list.append(channel);
        }
        return list;
    }
    QList<AbstractChannel*> getListForChannels() const override
    {
        return QList<AbstractChannel*>(channels.cbegin(), channels.cend());
    }
    QList<RunChannel*> channels;
};

QString keyOf(const AbstractChannel* channel)
{
    return channel ? channel->setup->key : QStringLiteral("(null)");
}

} // namespace

class TestChannelsRegistry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void storedSetupsMeetTheRegistry();
    void perBoard_data();
    void perBoard();
    void familiesInTheirOrder();
    void runStartResetsItsChannels();
};

void TestChannelsRegistry::initTestCase()
{
    theUnits.init();
    // What a setup file may hold before the registry is filled.
    theRunChannelSetupModel.loadFromString(QStringLiteral(R"(<variables key="run">
 <variable key="time" filter="2" unitType="1" unit="s" sampling="1"/>
 <variable key="roller_1_speed" unitType="3" unit="kW" decimals="3" rangeMax="50"/>
 <variable key="ain_1" unitType="9" unit="°C" decimals="1"/>
 <variable key="voltage_12" unitType="7" unit="V" alarmHigh="13">
  <alarmGate type="channel" value="runActive" unitType="30"/>
 </variable>
</variables>)"),
                                           false);
}

void TestChannelsRegistry::storedSetupsMeetTheRegistry()
{
    ChannelSetup* gated = theRunChannelSetupModel.getSetup(QStringLiteral("voltage_12"), QString(),
                                                           static_cast<Quantity>(-1), nullptr);
    // Until the channels exist the gate keeps its key, so a save in between
    // does not lose it.
    QCOMPARE(gated->alarmGate->getSourceString(), QStringLiteral("runActive"));
    QCOMPARE(gated->alarmGate->getChannel(), nullptr);

    theHwInfo = HwInfo();
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
    theChannels.init();
    theRunChannelSetupModel.resolveAlarmGates();

    // The time channels are never filtered, whatever the file says.
    RunChannel* time = theChannels.getChannel(ChannelId_time, 0);
    QCOMPARE(time->setup->filter, 0.0);
    QVERIFY(time->setup->timeBase);
    time->setData(1.0, 1000);
    time->setData(2.0, 1010);
    QCOMPARE(time->getValue(), 2.0);

    // The registry's quantity wins over the file and brings its default unit;
    // the rest of the stored setup stays. A channel of free quantity keeps the stored one.
    ChannelSetup* roller = theChannels.getChannel(ChannelId_rollerSpeed, 0)->setup;
    QCOMPARE(roller->quantity, Quantity::Speed);
    QCOMPARE(roller->unit, theUnits.getDefaultUnit(Quantity::Speed));
    QCOMPARE(roller->decimals, 3);
    QCOMPARE(roller->rangeMax, 50.0);
    ChannelSetup* ain = theChannels.getChannel(ChannelId_ain, 0)->setup;
    QCOMPARE(ain->quantity, Quantity::Temperature);
    QCOMPARE(ain->unit->name, QStringLiteral("°C"));

    QCOMPARE(gated->alarmGate->getChannel(), theChannels.getChannel(ChannelId_runActive, 0));
    QCOMPARE(gated->alarmGate->getSourceString(), QStringLiteral("runActive"));

    // Flags, labels, sampling and visibility set by the registry.
    QVERIFY(theChannels.noneChannel->setup->hide);
    QCOMPARE(theChannels.getChannel(ChannelId_dynoSpeed, 0)->setup->flags, 2u);
    QCOMPARE(int(theChannels.getChannel(ChannelId_throttleTarget, 0)->setup->sampling), 0);
    QCOMPARE(theChannels.getChannel(ChannelId_brakeControlMode, 0)->setup->labels.value(2),
             QStringLiteral("torque joined"));
    QCOMPARE(theChannels.getChannel(ChannelId_actuatorControllerState, 3)->setup->labels.size(), 7);

    // A preset read later binds its gates at once.
    theRunChannelSetupModel.loadFromString(QStringLiteral(R"(<variables key="run">
 <variable key="voltage_24" unitType="7" unit="V"><alarmGate type="channel" value="switch_2_state" unitType="30"/></variable>
</variables>)"),
                                           true);
    ChannelSetup* imported = theChannels.getChannel(ChannelId_voltage24, 0)->setup;
    QCOMPARE(imported->alarmGate->getChannel(), theChannels.getChannel(ChannelId_switchState, 1));
    QCOMPARE(imported->alarmGate->getSourceString(), QStringLiteral("switch_2_state"));

    // A second confirmation of the controller registers nothing more.
    const int before = int(theChannels.listBaseChannelsForArgument(static_cast<Quantity>(-1)).size());
    theChannels.init();
    QCOMPARE(int(theChannels.listBaseChannelsForArgument(static_cast<Quantity>(-1)).size()), before);
}

void TestChannelsRegistry::perBoard_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("total"); // built-in channels and the 22 vehicle parameters
    QTest::addColumn<int>("powerChannels");
    QTest::addColumn<bool>("bridges");

    QTest::newRow("ZR5") << 0 << 183 << 14 << false;
    QTest::newRow("ZR5E4") << 1 << 213 << 18 << false;
    QTest::newRow("ZR5L") << 2 << 134 << 12 << false;
    QTest::newRow("ZR6") << 3 << 233 << 18 << true;
    QTest::newRow("ZR6L") << 4 << 126 << 12 << false;
}

void TestChannelsRegistry::perBoard()
{
    QFETCH(int, code);
    QFETCH(int, total);
    QFETCH(int, powerChannels);
    QFETCH(bool, bridges);

    theHwInfo = HwInfo();
    theHwInfo.setDeviceCode(DeviceCode(code));
    Channels registry;
    registry.init();
    const HwInfo& hw = theHwInfo;

    const QList<AbstractChannel*> all = registry.listBaseChannelsForArgument(static_cast<Quantity>(-1));
    QCOMPARE(int(all.size()), total);
    QVERIFY(all.contains(registry.noneChannel));
    QCOMPARE(int(registry.listChannelsForMdi().size()), total - 1); // the none channel is hidden
    QVERIFY(!registry.listChannelsForMdi().contains(registry.noneChannel));
    const QList<AbstractChannel*> power = registry.listBaseChannelsForArgument(Quantity::Power);
    QCOMPARE(int(power.size()), powerChannels);
    for (const AbstractChannel* channel : power)
        QCOMPARE(channel->setup->quantity, Quantity::Power);

    // Counts that come from the board.
    const struct {
        ChannelId id;
        int count;
        const char* lastKey;
    } sized[] = {
        {ChannelId_rollerRotationalSpeed, hw.rollers, "roller_%1_rotationalSpeed"},
        {ChannelId_freqInputSensorValue, hw.freqInputs, "freqInput_%1_sensorValue"},
        {ChannelId_loadCellValue, hw.loadCells, "loadCell_%1_value"},
        {ChannelId_ainControllerOutput, hw.analogInputControllers, "ainController_%1_output"},
        {ChannelId_ainVoltage, hw.analogInputs, "ain_%1_voltage"},
        {ChannelId_hpAin, hw.hpAnalogInputs, "hpAin_%1"},
        {ChannelId_switchState, hw.switchInputs, "switch_%1_state"},
        {ChannelId_lowSideOutputState, hw.lowSideOutputs, "lowSideOutput_%1_state"},
        {ChannelId_relayOutputState, hw.relayOutputs, "relayOutput_%1_state"},
        {ChannelId_bridgeCurrent, int(hw.pwmBridges), "bridge_%1_current"},
        {ChannelId_debugChannel, 2, "debugChannel_%1"},
        {ChannelId_actuatorControllerDeactivate, 4, "actuatorController_%1_deactivate"},
    };
    for (const auto& row : sized) {
        QCOMPARE(int(registry.getChannels(row.id).size()), row.count);
        QCOMPARE(registry.getChannel(row.id, row.count), nullptr);
        QCOMPARE(registry.getChannel(row.id, -1), nullptr);
        if (row.count > 0)
            QCOMPARE(keyOf(registry.getChannel(row.id, row.count - 1)),
                     QString::fromLatin1(row.lastKey).arg(row.count));
    }
    QCOMPARE(registry.getChannel(ChannelId_bridgeCurrent, 0) != nullptr, bridges);

    // Keys, names and lookups.
    RunChannel* roller = registry.getChannel(ChannelId_rollerRotationalSpeed, 0);
    QCOMPARE(keyOf(roller), QStringLiteral("roller_1_rotationalSpeed"));
    QCOMPARE(roller->generateVectorChannelName(0), QStringLiteral("Roller 1 rotational speed"));
    QCOMPARE(registry.getChannelByKey(QStringLiteral("roller_1_rotationalSpeed")), roller);
    QCOMPARE(registry.getChannelIdByKey(QStringLiteral("VP_gear")), ChannelId_vehicleParameters);
    QCOMPARE(registry.getChannelIdByKey(QStringLiteral("roller_2_power")),
             hw.rollers >= 2 ? ChannelId_rollerPower : ChannelId_none);
    QCOMPARE(registry.getChannelIdByKey(QStringLiteral("no such key")), ChannelId_none);
    QCOMPARE(registry.getChannelByKey(QStringLiteral("no such key")), nullptr);
    QCOMPARE(keyOf(registry.getVehicleParam(VehicleParamId_oilTemperature)),
             QStringLiteral("VP_oilTemperature"));
    QCOMPARE(registry.getChannel(ChannelId_vehicleParameters, 18), registry.getVehicleParam(VehicleParamId_gear));
    QCOMPARE(registry.getVehicleParam(22), registry.noneChannel);
    QCOMPARE(registry.getVehicleParam(-1), registry.noneChannel);
    QCOMPARE(registry.getVehicleParam(VehicleParamId_MAF)->setup->quantity, Quantity::MassFlow);

    // The registration order fixes the unique ids: the ambient block follows
    // the debug channels, load cells come before the controller set points.
    QCOMPARE(registry.getChannel(ChannelId_bme280Temperature, 0)->uniqueId,
             registry.getChannel(ChannelId_debugChannel, 1)->uniqueId + 1);
    QCOMPARE(registry.getChannel(ChannelId_freqInputFrequency, 0)->uniqueId,
             registry.getChannel(ChannelId_ambientCorrectionFactor, 0)->uniqueId + 1);
    if (hw.loadCells > 0)
        QCOMPARE(registry.getChannel(ChannelId_loadCellValue, 0)->uniqueId,
                 registry.getChannel(ChannelId_engineCorrectedTorque, 0)->uniqueId + 1);

    // Start values.
    QCOMPARE(registry.getChannel(ChannelId_voltage5Mcu, 0)->getValue(), 5.0);
    QCOMPARE(registry.getChannel(ChannelId_voltage24, 0)->getValue(), 24.0);
    QCOMPARE(registry.getChannel(ChannelId_engineSpeed, 0)->getValue(), 0.0);
    QVERIFY(std::isnan(registry.getChannel(ChannelId_dynoSpeed, 0)->getValue()));
}

void TestChannelsRegistry::familiesInTheirOrder()
{
    TestFamily functions({QStringLiteral("dyno_speed"), QStringLiteral("F_power"), QStringLiteral("shared")});
    TestFamily can({QStringLiteral("C_rpm"), QStringLiteral("shared"), QStringLiteral("both")});
    TestFamily modbus({QStringLiteral("M_flow"), QStringLiteral("both")});
    theChannels.registerFamily(Channels::Family_functions, &functions);
    theChannels.registerFamily(Channels::Family_canInputs, &can);
    theChannels.registerFamily(Channels::Family_modbus, &modbus);

    // Built-in channels come first; a key shared by CAN and Modbus is the CAN input.
    QCOMPARE(theChannels.getChannelByKey(QStringLiteral("dyno_speed")),
             theChannels.getChannel(ChannelId_dynoSpeed, 0));
    QCOMPARE(theChannels.getChannelByKey(QStringLiteral("F_power")), functions.channels.at(1));
    QCOMPARE(theChannels.getChannelByKey(QStringLiteral("shared")), functions.channels.at(2));
    QCOMPARE(theChannels.getChannelByKey(QStringLiteral("both")), can.channels.at(2));
    QCOMPARE(theChannels.getChannelByKey(QStringLiteral("M_flow")), modbus.channels.at(0));
    QCOMPARE(theChannels.getChannelIdByKey(QStringLiteral("F_power")), ChannelId_none);

    // Pickers list CAN inputs before functions, desktops functions before CAN inputs.
    const QList<AbstractChannel*> picker = theChannels.listAllChannels(Quantity::Power);
    const QList<AbstractChannel*> base = theChannels.listBaseChannelsForArgument(Quantity::Power);
    QCOMPARE(picker.mid(0, base.size()), base);
    QStringList rest;
    for (const AbstractChannel* channel : picker.mid(base.size()))
        rest.append(keyOf(channel));
    QCOMPARE(rest, QStringList({"C_rpm", "shared", "both", "dyno_speed", "F_power", "shared", "M_flow", "both"}));
    QStringList desktop;
    const QList<AbstractChannel*> mdi = theChannels.listChannelsForMdi();
    for (const AbstractChannel* channel : mdi.mid(mdi.size() - 8))
        desktop.append(keyOf(channel));
    QCOMPARE(desktop,
             QStringList({"dyno_speed", "F_power", "shared", "C_rpm", "shared", "both", "M_flow", "both"}));

    theChannels.registerFamily(Channels::Family_functions, nullptr);
    theChannels.registerFamily(Channels::Family_canInputs, nullptr);
    theChannels.registerFamily(Channels::Family_modbus, nullptr);
    QCOMPARE(theChannels.getChannelByKey(QStringLiteral("F_power")), nullptr);
}

void TestChannelsRegistry::runStartResetsItsChannels()
{
    auto channel = [](ChannelId id, int index = 0) { return theChannels.getChannel(id, index); };
    channel(ChannelId_time)->setData(12.0, 100);
    channel(ChannelId_dynoSpeedMax)->setData(30.0, 100);
    channel(ChannelId_dynoOnWheelsPowerMax)->setData(3e4, 100);
    channel(ChannelId_audioKnockCount, 1)->setData(17.0, 100);
    channel(ChannelId_ambientCorrectionFactor)->setData(0.04, 100);

    theChannels.zeroOnLogStart();
    QVERIFY(std::isnan(channel(ChannelId_time)->getValue()));
    QVERIFY(std::isnan(channel(ChannelId_selectedTime)->getValue()));
    QVERIFY(std::isnan(channel(ChannelId_dynoSpeedMax)->getValue()));
    QVERIFY(std::isnan(channel(ChannelId_dynoOnWheelsPowerMax)->getValue()));
    QCOMPARE(channel(ChannelId_audioKnockCount, 0)->getValue(), 0.0);
    QCOMPARE(channel(ChannelId_audioKnockCount, 1)->getValue(), 0.0);
    QCOMPARE(channel(ChannelId_ambientCorrectionFactor)->getValue(), 0.0);
}

QTEST_MAIN(TestChannelsRegistry)
#include "tst_channels_registry.moc"
