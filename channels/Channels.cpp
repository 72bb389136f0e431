#include "Channels.h"

#include "ChannelFamily.h"
#include "ChannelSetup.h"
#include "HwInfo.h"
#include "RunChannel.h"

#include <QDateTime>
#include <QDebug>
#include <QTimer>

#include <limits>

Channels theChannels;

namespace {

// Where the instance count of a kind comes from: a fixed number or a count of
// the connected board.
enum CountSource : int {
    Fixed,
    Rollers,
    FreqInputs,
    LoadCells,
    AnalogInputs,
    AnalogInputControllers,
    HpAnalogInputs,
    SwitchInputs,
    LowSideOutputs,
    RelayOutputs,
    PwmBridges
};

struct ChannelRow {
    const char* key;
    const char* name;
    CountSource source;
    int count;
    int quantity; // -1: free, the setup keeps what the user chose
    int flags;
};

// Indexed by ChannelId.
const ChannelRow kChannels[ChannelId_vehicleParameters] = {
    {"none", "None", Fixed, 1, Quantity::None, 0},
    {"time", "Time", Fixed, 1, Quantity::Time, 0},
    {"selectedTime", "Selected Time", Fixed, 1, Quantity::Time, 0},
    {"clockTime", "Clock Time", Fixed, 1, Quantity::ClockTime, 0},
    {"runActive", "Run active", Fixed, 1, Quantity::Logic, 7},
    {"brakeControlMode", "Brake control mode", Fixed, 1, Quantity::Enumerated, 7},
    {"debugChannel_%1", "Debug channel %1", Fixed, 2, Quantity::None, 7},
    {"freqInput_%1_frequency", "Freq. in %1 frequency", FreqInputs, 0, Quantity::Frequency, 7},
    {"freqInput_%1_rotationalSpeed", "Freq. in %1 rotational speed", FreqInputs, 0, Quantity::RotationalSpeed, 7},
    {"freqInput_%1_rotationalAcceleration", "Freq. in %1 rotational acc.", FreqInputs, 0,
     Quantity::RotationalAcceleration, 7},
    {"freqInput_%1_sensorValue", "Freq. in %1 sensor value", FreqInputs, 0, -1, 3},
    {"freqInput_engineSpeed_frequency", "Eng. speed in frequency", Fixed, 1, Quantity::Frequency, 7},
    {"freqInput_engineSpeed_rotationalSpeed", "Eng. speed in rotational speed", Fixed, 1, Quantity::RotationalSpeed, 7},
    {"freqInput_engineSpeed_rotationalAcceleration", "Eng. speed in rotational acc.", Fixed, 1,
     Quantity::RotationalAcceleration, 7},
    {"roller_%1_rotationalSpeed", "Roller %1 rotational speed", Rollers, 0, Quantity::RotationalSpeed, 7},
    {"roller_%1_rotationalAcceleration", "Roller %1 rotational acceleration", Rollers, 0,
     Quantity::RotationalAcceleration, 7},
    {"roller_%1_speed", "Roller %1 road speed", Rollers, 0, Quantity::Speed, 6},
    {"roller_%1_power", "Roller %1 received power", Rollers, 0, Quantity::Power, 7},
    {"roller_%1_inertialTorque", "Roller %1 inertial torque", Rollers, 0, Quantity::Torque, 7},
    {"roller_%1_brakesTorque", "Roller %1 brakes torque", Rollers, 0, Quantity::Torque, 7},
    {"roller_%1_internalLoss", "Roller %1 internal loss power", Rollers, 0, Quantity::Power, 7},
    {"dyno_speed", "Road speed", Fixed, 1, Quantity::Speed, 2},
    {"dyno_acceleration", "Road acceleration", Fixed, 1, Quantity::Acceleration, 6},
    {"dyno_speedMax", "Peak road speed", Fixed, 1, Quantity::Speed, 6},
    {"dyno_onWheelsPower", "Power on wheels", Fixed, 1, Quantity::Power, 2},
    {"dyno_onWheelsPowerMax", "Peak on wheels power", Fixed, 1, Quantity::Power, 6},
    {"dyno_lossPowerFromSpeedInternal", "Loss power from speed internal", Fixed, 1, Quantity::Power, 6},
    {"dyno_lossPowerFromSpeed", "Loss power from speed", Fixed, 1, Quantity::Power, 6},
    {"dyno_lossPowerFromLoad", "Loss power from load", Fixed, 1, Quantity::Power, 7},
    {"dyno_lossPower", "Loss power total", Fixed, 1, Quantity::Power, 3},
    {"dyno_tractiveForce", "Tractive force", Fixed, 1, Quantity::Force, 2},
    {"dyno_estimatedSlip", "Estimated slip", Fixed, 1, Quantity::Fraction, 6},
    {"drivetrain_inertialPower", "Drivetrain inertial power loss", Fixed, 1, Quantity::Power, 6},
    {"engineRollerSpeedRatio", "Engine / Roller speed ratio", Fixed, 1, Quantity::None, 7},
    {"gearTarget", "Gear target", Fixed, 1, Quantity::Integer, 7},
    {"throttleTarget", "Throttle target", Fixed, 1, Quantity::Fraction, 7},
    {"throttleControlEnabled", "Throttle control enabled", Fixed, 1, Quantity::Logic, 7},
    {"engine_speed", "Engine speed", Fixed, 1, Quantity::RotationalSpeed, 3},
    {"engine_rotationalAcceleration", "Engine acceleration", Fixed, 1, Quantity::RotationalAcceleration, 7},
    {"engine_inertialTorque", "Engine inertial torque", Fixed, 1, Quantity::Torque, 7},
    {"engine_inertialPower", "Engine inertial power loss", Fixed, 1, Quantity::Power, 7},
    {"engine_power", "Engine power", Fixed, 1, Quantity::Power, 7},
    {"engine_correctedPower", "Engine corr. power", Fixed, 1, Quantity::Power, 3},
    {"engine_torque", "Engine torque", Fixed, 1, Quantity::Torque, 7},
    {"engine_correctedTorque", "Engine corr. torque", Fixed, 1, Quantity::Torque, 3},
    {"accController_%1_SP", "Acceleration controller %1 setpoint", Rollers, 0, Quantity::RotationalAcceleration, 7},
    {"speedController_%1_SP", "Speed controller %1 setpoint", Rollers, 0, Quantity::RotationalSpeed, 7},
    {"torqueController_%1_SP", "Torque controller %1 setpoint", LoadCells, 0, Quantity::Torque, 7},
    {"ainController_%1_SP", "Analog in controller %1 setpoint", AnalogInputControllers, 0, Quantity::Voltage, 7},
    {"accController_%1_output", "Acceleration controller %1 output", Rollers, 0, Quantity::Fraction, 7},
    {"speedController_%1_output", "Speed controller %1 output", Rollers, 0, Quantity::Fraction, 7},
    {"torqueController_%1_output", "Torque controller %1 output", LoadCells, 0, Quantity::Fraction, 7},
    {"ainController_%1_output", "Analog in controller %1 output", AnalogInputControllers, 0, Quantity::Fraction, 7},
    {"pidDetails_E", "PID details E error value", Fixed, 1, Quantity::None, 7},
    {"pidDetails_FF", "PID details FF feed forward", Fixed, 1, Quantity::Fraction, 7},
    {"pidDetails_P", "PID details P proportional", Fixed, 1, Quantity::Fraction, 7},
    {"pidDetails_I", "PID details I integral", Fixed, 1, Quantity::Fraction, 7},
    {"pidDetails_DFast", "PID details D derivative", Fixed, 1, Quantity::Fraction, 7},
    {"pidDetails_DSlow", "PID details D derivative filtered", Fixed, 1, Quantity::Fraction, 7},
    {"pidDetails_DD", "PID details DD 2nd derivative", Fixed, 1, Quantity::Fraction, 7},
    {"pidDetails_OUT", "PID details OUT output", Fixed, 1, Quantity::Fraction, 7},
    {"loadCell_%1_value", "Load cell %1 value", LoadCells, 0, Quantity::Torque, 7},
    {"switch_%1_state", "Switch input %1 state", SwitchInputs, 0, Quantity::Logic, 7},
    {"voltage_5_MCU", "+5V MCU voltage", Fixed, 1, Quantity::Voltage, 7},
    {"voltage_5", "+5V bus voltage", Fixed, 1, Quantity::Voltage, 7},
    {"voltage_12", "+12V bus voltage", Fixed, 1, Quantity::Voltage, 7},
    {"voltage_24", "+24V bus voltage", Fixed, 1, Quantity::Voltage, 7},
    {"ain_%1_voltage", "AIN %1 voltage", AnalogInputs, 0, Quantity::Voltage, 7},
    {"ain_%1", "AIN %1", AnalogInputs, 0, -1, 3},
    {"hpAin_%1", "hpAIN %1", HpAnalogInputs, 0, -1, 3},
    {"BME280_temperature", "Built in sensor: temperature", Fixed, 1, Quantity::Temperature, 7},
    {"BME280_pressure", "Built in sensor: pressure", Fixed, 1, Quantity::Pressure, 7},
    {"BME280_humidity", "Built in sensor: humidity", Fixed, 1, Quantity::RelativeHumidity, 7},
    {"ambient_temperature", "Ambient temperature", Fixed, 1, Quantity::Temperature, 3},
    {"ambient_pressure", "Ambient pressure", Fixed, 1, Quantity::Pressure, 3},
    {"ambient_humidity", "Ambient humidity", Fixed, 1, Quantity::RelativeHumidity, 3},
    {"ambient_correctionFactor", "Ambient correction factor", Fixed, 1, Quantity::Fraction, 3},
    {"audio_%1_level", "Audio input %1 level", Fixed, 2, Quantity::Fraction, 7},
    {"audio_%1_levelPeak", "Audio input %1 level peak", Fixed, 2, Quantity::Fraction, 7},
    {"audio_%1_knockLevel", "Knock level %1", Fixed, 2, Quantity::Fraction, 3},
    {"audio_%1_knockCount", "Knock count %1", Fixed, 2, Quantity::Integer, 3},
    {"driveCycleTarget", "Drive cycle target", Fixed, 1, Quantity::Speed, 6},
    {"lowSideOutput_%1_state", "Low side output %1 state", LowSideOutputs, 0, Quantity::Logic, 7},
    {"relayOutput_%1_state", "Relay output %1 state", RelayOutputs, 0, Quantity::Logic, 7},
    {"bridge_%1_current", "PWM bridge %1 current", PwmBridges, 0, Quantity::Current, 7},
    {"actuatorController_%1_state", "Actuator controller %1 state", Fixed, 4, Quantity::Enumerated, 7},
    {"actuatorController_%1_activate", "Actuator controller %1 activate", Fixed, 4, Quantity::Logic, 7},
    {"actuatorController_%1_deactivate", "Actuator controller %1 deactivate", Fixed, 4, Quantity::Logic, 7},
};

struct VehicleParamRow {
    const char* name;
    const char* displayName;
    int quantity;
};

const VehicleParamRow kVehicleParams[VehicleParamCount] = {
    {"engineSpeed", "VP Engine speed", Quantity::RotationalSpeed},
    {"vehicleSpeed", "VP Vehicle speed", Quantity::Speed},
    {"MAF", "Mass air flow", Quantity::MassFlow},
    {"MAP", "Manifold air press.", Quantity::Pressure},
    {"BARO", "Barometric press.", Quantity::Pressure},
    {"IAT", "Intake air temp.", Quantity::Temperature},
    {"CLT", "Coolant temp.", Quantity::Temperature},
    {"PPS", "Gas pedal position", Quantity::Fraction},
    {"TPS", "Throttle position", Quantity::Fraction},
    {"AFR", "Air fuel ratio", Quantity::AirFuelRatio},
    {"EGT", "Exhaust gas temp.", Quantity::Temperature},
    {"checkEngine", "Check engine", Quantity::Logic},
    {"injectorPW", "Injector pulse width", Quantity::Time},
    {"injectorDC", "Injector duty cycle", Quantity::Fraction},
    {"batteryVoltage", "Battery voltage", Quantity::Voltage},
    {"fuelLevel", "Fuel level", Quantity::Fraction},
    {"fuelPressure", "Fuel pressure", Quantity::Pressure},
    {"fuelPressDelta", "Fuel delta pressure", Quantity::Pressure},
    {"gear", "Gear", Quantity::Integer},
    {"ignAngle", "Ignition angle", Quantity::TimingAngle},
    {"oilPressure", "Oil pressure", Quantity::Pressure},
    {"oilTemperature", "Oil temperature", Quantity::Temperature},
};

int countOf(const ChannelRow& row, const HwInfo& hw)
{
    switch (row.source) {
    case Fixed:
        return row.count;
    case Rollers:
        return hw.rollers;
    case FreqInputs:
        return hw.freqInputs;
    case LoadCells:
        return hw.loadCells;
    case AnalogInputs:
        return hw.analogInputs;
    case AnalogInputControllers:
        return hw.analogInputControllers;
    case HpAnalogInputs:
        return hw.hpAnalogInputs;
    case SwitchInputs:
        return hw.switchInputs;
    case LowSideOutputs:
        return hw.lowSideOutputs;
    case RelayOutputs:
        return hw.relayOutputs;
    case PwmBridges:
        return int(hw.pwmBridges);
    }
    return 0;
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

Channels::Channels(QObject* parent)
    : QObject(parent)
{
}

Channels::~Channels()
{
    for (QList<RunChannel*>* list : std::as_const(channelLists)) {
        if (list)
            qDeleteAll(*list);
        delete list;
    }
    channelLists.clear();
}

void Channels::init()
{
    if (initialized) {
        qDebug() << "Channels already registered";
        return;
    }
    initialized = true;

    alarmCheckTimer = new QTimer(this);
    alarmCheckTimer->start(500);

    channelLists = QList<QList<RunChannel*>*>(ChannelListCount, nullptr);
    vehicleParameters = new QList<RunChannel*>(VehicleParamCount, nullptr);
    channelLists[ChannelId_vehicleParameters] = vehicleParameters;

    // The order fixes the unique ids of the channels and the order in which
    // new setups enter the live setup model.
    QList<int> order;
    for (int id = 0; id <= 6; ++id)
        order.append(id);
    for (int id = 70; id <= 76; ++id)
        order.append(id);
    for (int id = 7; id <= 44; ++id)
        order.append(id);
    order.append(61);
    for (int id = 45; id <= 60; ++id)
        order.append(id);
    for (int id = 62; id <= 69; ++id)
        order.append(id);
    for (int id = 77; id <= 87; ++id)
        order.append(id);
    for (int id : std::as_const(order)) {
        const ChannelRow& row = kChannels[id];
        registerChannel(static_cast<ChannelId>(id), QLatin1String(row.key), QLatin1String(row.name),
                        countOf(row, theHwInfo), static_cast<Quantity>(row.quantity), row.flags);
    }

    noneChannel = getChannel(ChannelId_none, 0);
    noneChannel->setup->hide = true;

    // Time is never filtered, whatever a setup file says.
    for (ChannelId id : {ChannelId_time, ChannelId_selectedTime, ChannelId_clockTime}) {
        RunChannel* channel = getChannel(id, 0);
        channel->setup->filter = 0.0;
        channel->setup->timeBase = true;
        channel->slot_setupChanged();
    }
    getChannel(ChannelId_throttleTarget, 0)->setup->sampling = SamplingMode::SampleAndHold;

    getChannel(ChannelId_brakeControlMode, 0)->setup->labels = {
        {0, QStringLiteral("off")},    {1, QStringLiteral("torque")}, {2, QStringLiteral("torque joined")},
        {3, QStringLiteral("speed")}, {4, QStringLiteral("acc")},
    };
    const QMap<int, QString> actuatorStates = {
        {0, QStringLiteral("initial")},
        {1, QStringLiteral("activating")},
        {2, QStringLiteral("activation timeout")},
        {3, QStringLiteral("active")},
        {4, QStringLiteral("deactivating")},
        {5, QStringLiteral("deactivation timeout")},
        {6, QStringLiteral("inactive")},
    };
    for (int i = 0; i < 4; ++i)
        getChannel(ChannelId_actuatorControllerState, i)->setup->labels = actuatorStates;

    for (int id = 0; id < VehicleParamCount; ++id) {
        const VehicleParamRow& row = kVehicleParams[id];
        registerVehicleParameter(static_cast<VehicleParamId>(id), QLatin1String(row.name),
                                 QLatin1String(row.displayName), static_cast<Quantity>(row.quantity), 0);
    }

    const qint64 now = nowMs();
    getChannel(ChannelId_voltage5Mcu, 0)->setDataWithoutFilter(5.0, now);
    getChannel(ChannelId_voltage5, 0)->setDataWithoutFilter(5.0, now);
    getChannel(ChannelId_voltage12, 0)->setDataWithoutFilter(12.0, now);
    getChannel(ChannelId_voltage24, 0)->setDataWithoutFilter(24.0, now);
    getChannel(ChannelId_engineSpeed, 0)->setDataWithoutFilter(0.0, now);
    getChannel(ChannelId_engineRotationalAcceleration, 0)->setDataWithoutFilter(0.0, now);
    getChannel(ChannelId_enginePower, 0)->setDataWithoutFilter(0.0, now);
}

RunChannel* Channels::registerChannel(ChannelId id, const QString& keyTemplate, const QString& nameTemplate,
                                      int count, Quantity quantity, int flags)
{
    auto* list = new QList<RunChannel*>();
    for (int i = 1; i <= count; ++i) {
        auto* channel = new RunChannel(flags, keyTemplate, i, nameTemplate, quantity);
        if (alarmCheckTimer)
            connect(alarmCheckTimer, &QTimer::timeout, channel, &RunChannel::slot_checkWarningsAndAlarms,
                    Qt::UniqueConnection);
        list->append(channel);
    }
    if (channelLists.size() <= id)
        channelLists.resize(ChannelListCount, nullptr);
    if (QList<RunChannel*>* previous = channelLists.at(id)) {
        qDeleteAll(*previous);
        delete previous;
    }
    channelLists[id] = list;
    return list->isEmpty() ? nullptr : list->first();
}

RunChannel* Channels::registerVehicleParameter(VehicleParamId id, const QString& name, const QString& displayName,
                                               Quantity quantity, int flags)
{
    auto* channel = new RunChannel(flags, QStringLiteral("VP_") + name, id, displayName, quantity);
    if (alarmCheckTimer)
        connect(alarmCheckTimer, &QTimer::timeout, channel, &RunChannel::slot_checkWarningsAndAlarms,
                Qt::UniqueConnection);
    (*vehicleParameters)[id] = channel;
    return channel;
}

RunChannel* Channels::getChannel(ChannelId id, int index) const
{
    const QList<RunChannel*>* list = id >= 0 && id < channelLists.size() ? channelLists.at(id) : nullptr;
    if (!list) {
        qDebug() << "RunChannel* Channels::getChannel(ChannelId, int)"
                 << "Invalid channel ID" << int(id);
        qFatal("Invalid channel ID %d", int(id));
    }
    return index >= 0 && index < list->size() ? list->at(index) : nullptr;
}

bool Channels::kindTemplate(ChannelId id, QString* keyTemplate, QString* nameTemplate, Quantity* quantity,
                            int* flags)
{
    if (id < 0 || id >= ChannelId_vehicleParameters)
        return false;
    const ChannelRow& row = kChannels[id];
    *keyTemplate = QLatin1String(row.key);
    *nameTemplate = QLatin1String(row.name);
    *quantity = row.quantity < 0 ? Quantity::None : static_cast<Quantity>(row.quantity);
    *flags = row.flags;
    return true;
}

QList<RunChannel*> Channels::getChannels(ChannelId id) const
{
    const QList<RunChannel*>* list = id >= 0 && id < channelLists.size() ? channelLists.at(id) : nullptr;
    return list ? *list : QList<RunChannel*>();
}

RunChannel* Channels::getVehicleParam(int id) const
{
    if (!vehicleParameters || id < 0 || id >= VehicleParamCount)
        return noneChannel;
    return vehicleParameters->at(id);
}

RunChannel* Channels::getChannelByKey(const QString& key) const
{
    for (const QList<RunChannel*>* list : channelLists) {
        if (!list)
            continue;
        for (RunChannel* channel : *list) {
            if (channel && channel->setup->key == key)
                return channel;
        }
    }
    for (const ChannelFamily* model : families) {
        if (!model)
            continue;
        if (RunChannel* channel = model->getChannelByKey(key))
            return channel;
    }
    return nullptr;
}

ChannelId Channels::getChannelIdByKey(const QString& key) const
{
    for (int id = 0; id < channelLists.size(); ++id) {
        const QList<RunChannel*>* list = channelLists.at(id);
        if (!list)
            continue;
        for (RunChannel* channel : *list) {
            if (channel && channel->setup->key == key)
                return static_cast<ChannelId>(id);
        }
    }
    return ChannelId_none;
}

QList<AbstractChannel*> Channels::listBaseChannelsForArgument(Quantity quantity) const
{
    QList<AbstractChannel*> result;
    for (const QList<RunChannel*>* list : channelLists) {
        if (!list)
            continue;
        for (RunChannel* channel : *list) {
            if (channel && (quantity == -1 || channel->setup->quantity == quantity))
                result.append(channel);
        }
    }
    return result;
}

QList<AbstractChannel*> Channels::listAllChannels(Quantity quantity) const
{
    QList<AbstractChannel*> result = listBaseChannelsForArgument(quantity);
    // CAN inputs come before the functions here, unlike the key search.
    for (Family family : {Family_canInputs, Family_functions, Family_inputChannels, Family_serialDevices,
                          Family_modbus, Family_uds}) {
        if (families[family])
            result += families[family]->listChannelsForArgument(quantity);
    }
    return result;
}

QList<AbstractChannel*> Channels::listChannelsForMdi() const
{
    QList<AbstractChannel*> result;
    for (const QList<RunChannel*>* list : channelLists) {
        if (!list)
            continue;
        for (RunChannel* channel : *list) {
            if (channel && !channel->setup->hide)
                result.append(channel);
        }
    }
    for (Family family : {Family_functions, Family_canInputs, Family_inputChannels, Family_serialDevices,
                          Family_modbus, Family_uds}) {
        if (families[family])
            result += families[family]->getListForChannels();
    }
    return result;
}

void Channels::zeroOnLogStart()
{
    const qint64 now = nowMs();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    getChannel(ChannelId_time, 0)->setData(nan, now);
    getChannel(ChannelId_selectedTime, 0)->setData(nan, now);
    getChannel(ChannelId_dynoSpeedMax, 0)->setData(nan, now);
    getChannel(ChannelId_dynoOnWheelsPowerMax, 0)->setData(nan, now);
    for (RunChannel* channel : getChannels(ChannelId_audioKnockCount))
        channel->setDataWithoutFilter(0.0, now);
    // Holds the correction factor minus 1: 0 is no correction until the next
    // ambient update.
    getChannel(ChannelId_ambientCorrectionFactor, 0)->setDataWithoutFilter(0.0, now);
}

void Channels::registerFamily(Family family, ChannelFamily* model)
{
    if (family >= 0 && family < FamilyCount)
        families[family] = model;
}
