#include "RunChannel.h"

#include "Argument.h"
#include "ChannelSetup.h"
#include "ChannelSetupModel.h"
#include "Channels.h"
#include "Colors.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"
#include "lib/Units.h"

#include <QDateTime>
#include <QMessageBox>
#include <QPointer>
#include <mutex>
#include <shared_mutex>
#include <QTimer>

#include <cmath>
#include <limits>

std::atomic<int> g_runChannelLastUniqueId {0};

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

qint64 systemClock()
{
    return QDateTime::currentMSecsSinceEpoch();
}

std::atomic<qint64 (*)()> g_wallClock {&systemClock};

std::function<void(RunChannel*)>& alarmConnector()
{
    static std::function<void(RunChannel*)> connector;
    return connector;
}

} // namespace

void RunChannel::setAlarmConnector(std::function<void(RunChannel*)> connector)
{
    alarmConnector() = std::move(connector);
}

void RunChannel::setWallClock(qint64 (*clock)())
{
    g_wallClock.store(clock ? clock : &systemClock);
}

qint64 RunChannel::wallClock()
{
    return g_wallClock.load()();
}

RunChannel::RunChannel(int flags, const QString& keyTemplateText, int instance, const QString& nameTemplateText,
                       Quantity quantity)
    : AbstractChannel(nullptr)
    , uniqueId(++g_runChannelLastUniqueId)
{
    keyTemplate = keyTemplateText;
    nameTemplate = nameTemplateText;

    ChannelSetup* channelSetup = nullptr;
    if (!keyTemplate.isEmpty()) {
        const QString key = Tools::optionalArg(keyTemplate, instance);
        const QString name = Tools::optionalArg(nameTemplate, instance);
        channelSetup = theRunChannelSetupModel.getSetup(key, name, quantity, nullptr);
    } else {
        channelSetup = new ChannelSetup(this);
    }
    channelSetup->flags = quint32(flags);

    if (alarmConnector())
        alarmConnector()(this);
    connect(this, &AbstractChannel::signal_setupChanged, this, &RunChannel::slot_setupChanged);
    setSetup(channelSetup); // announces the setup once, which sets the filter up
    if (theChannels.alarmCheckTimer)
        connect(theChannels.alarmCheckTimer, &QTimer::timeout, this, &RunChannel::slot_checkWarningsAndAlarms,
                Qt::UniqueConnection);
}

RunChannel::~RunChannel()
{
    // Every argument bound here loses its channel before the channel is gone;
    // readers in other threads hold the binding lock while they use it.
    QList<QPointer<Argument>> unbound;
    {
        std::unique_lock<std::shared_mutex> locker(Argument::bindingLock());
        const QList<Argument*> bound = users;
        for (Argument* argument : bound) {
            argument->detachLocked();
            if (argument->type == ArgumentType_channel)
                unbound.append(argument);
        }
        users.clear();
    }
    for (const QPointer<Argument>& argument : unbound) {
        if (argument)
            emit argument->signal_updateWidget();
    }
}

// ---------------------------------------------------------------- writing

void RunChannel::setData(double value, qint64 time)
{
    double output;
    {
        QMutexLocker locker(&mutex);
        if (limits.filter == 0.0) {
            filter.setState(value, true);
        } else {
            const double dt = double(time - timestamp) / 1000.0;
            if (dt < 0.0)
                filter.setState(value, false); // time went back: restart from the sample
            else
                filter.addData(value, dt);
        }
        timestamp = time;
        output = filter.getOutput();
    }
    slot_checkWarningsAndAlarms();
    emit signal_newData(output, time);
}

void RunChannel::setDataWithoutFilter(double value, qint64 time)
{
    {
        QMutexLocker locker(&mutex);
        timestamp = time;
        filter.setState(value, true);
    }
    slot_checkWarningsAndAlarms();
    emit signal_newData(value, time);
}

void RunChannel::resetTo0(qint64 time)
{
    setDataWithoutFilter(0.0, time);
}

void RunChannel::slot_setData(double data)
{
    setData(data, wallClock());
}

// ---------------------------------------------------------------- reading

double RunChannel::getValue() const
{
    QMutexLocker locker(&mutex);
    return filter.getOutput();
}

void RunChannel::getTimestampedData(double& value, qint64& time) const
{
    QMutexLocker locker(&mutex);
    value = filter.getOutput();
    time = timestamp;
}

double RunChannel::getDataTranslated() const
{
    double value;
    const Unit* unit;
    {
        QMutexLocker locker(&mutex);
        value = filter.getOutput();
        unit = limits.unit;
    }
    return unit ? unit->getUnitValue(value) : value;
}

QString RunChannel::getDataTranslatedString() const
{
    return setup->getLabelString(getDataTranslated());
}

QString RunChannel::getDataTranslatedWithUnit() const
{
    return getDataTranslatedString() + (setup->unit ? setup->unit->name : QString());
}

QString RunChannel::getDataTranslatedAndClippedString() const
{
    if (setup->quantity == Quantity::Enumerated || setup->quantity == Quantity::Bitfield)
        return getDataTranslatedString();
    const double value = getDataTranslated();
    const int decimals = setup->decimals;
    if (!std::isnan(value)) {
        const double high = setup->unit ? setup->unit->getUnitValue(setup->rangeMax) : setup->rangeMax;
        const double low = setup->unit ? setup->unit->getUnitValue(setup->rangeMin) : setup->rangeMin;
        if (value > high && !setup->autorangeMax)
            return Tools::stringFromDouble(high, decimals) + QChar(0x02C4);
        if (value < low && !setup->autorangeMin)
            return Tools::stringFromDouble(low, decimals) + QChar(0x02C5);
    }
    return Tools::stringFromDouble(value, decimals);
}

QString RunChannel::getTimestampString() const
{
    qint64 time;
    {
        QMutexLocker locker(&mutex);
        time = timestamp;
    }
    if (time < 1)
        return QStringLiteral("?");
    return QDateTime::fromMSecsSinceEpoch(time).toLocalTime().toString(QStringLiteral("hh:mm:ss.zzz"));
}

const QColor& RunChannel::getAlarmOrWarningColor() const
{
    const AlarmState current = alarmState();
    if (current.alarmActive) {
        if (current.aboveAlarmHigh)
            return theColors.colorAlarmHigh;
        if (current.belowAlarmLow)
            return theColors.colorAlarmLow;
    }
    if (current.aboveWarningHigh)
        return theColors.colorWarningHigh;
    if (current.belowWarningLow)
        return theColors.colorWarningLow;
    // Nothing to report: the channel looks like any inactive field, not like a level.
    return theColors.colorInactive;
}

RunChannel::AlarmState RunChannel::alarmState() const
{
    QMutexLocker locker(&mutex);
    return state;
}

int RunChannel::userCount() const
{
    std::shared_lock<std::shared_mutex> locker(Argument::bindingLock());
    return int(users.size());
}

bool RunChannel::confirmChannelRemoval()
{
    if (userCount() == 0)
        return false;
    QMessageBox box(QMessageBox::Question, tr("Remove Channel"),
                    tr("The channel is used as an argument.\nAre you sure you want to remove it and break the "
                       "connection?"),
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return DialogAnswerer::exec(&box) == QMessageBox::No;
}

// ---------------------------------------------------------------- set-up and alarms

void RunChannel::slot_setupChanged()
{
    if (!setup)
        return;
    QMutexLocker locker(&mutex);
    limits.filter = setup->filter;
    limits.warningLow = setup->warningLow;
    limits.warningHigh = setup->warningHigh;
    limits.alarmLow = setup->alarmLow;
    limits.alarmHigh = setup->alarmHigh;
    limits.alarmDelay = setup->alarmDelay;
    limits.unit = setup->unit;
    // Any change restarts the settling of a filtered channel; fc = +inf (no
    // filter) needs none.
    filter.setup(1.0 / (2.0 * M_PI * limits.filter));
}

void RunChannel::slot_checkWarningsAndAlarms()
{
    // The gate may be another channel: read it before this channel's mutex.
    const double gate = setup && setup->alarmGate ? setup->alarmGate->getValue() : kNaN;
    const bool gateOpen = std::isnan(gate) || gate == 1.0;
    const qint64 now = wallClock();
    int raised = -1;
    {
        QMutexLocker locker(&mutex);
        if (!gateOpen) {
            state = AlarmState();
            return;
        }
        const double v = filter.getOutput(); // NaN while invalid
        auto timeViolation = [&](int type) {
            qint64 elapsed = 0;
            if (state.alarmTimerRunning) {
                elapsed = now - state.alarmSince;
            } else {
                state.alarmTimerRunning = true;
                state.alarmSince = now;
            }
            if (limits.alarmDelay * 1000.0 <= double(elapsed)) {
                state.alarmActive = true;
                raised = type;
            }
        };
        if (v > limits.alarmHigh) {
            timeViolation(AlarmType_high);
            state.aboveAlarmHigh = true;
            state.belowAlarmLow = false;
        } else if (v < limits.alarmLow) {
            timeViolation(AlarmType_low);
            state.belowAlarmLow = true;
            state.aboveAlarmHigh = false;
        } else {
            state.alarmTimerRunning = false;
            state.alarmActive = false;
            state.aboveAlarmHigh = false;
            state.belowAlarmLow = false;
        }
        state.aboveWarningHigh = v > limits.warningHigh;
        state.belowWarningLow = v < limits.warningLow;
    }
    if (raised >= 0)
        emit signal_alarm(static_cast<AlarmType>(raised));
}
