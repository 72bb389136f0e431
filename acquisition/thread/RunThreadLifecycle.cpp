// The run thread's readiness and the run: start, synchronisation with the
// controller, stop and markers.
#include "RunThread.h"

#include "AbstractLogWriter.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "DigitalFreqInputFrameProxy.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "EngineSpeedFrameProxy.h"
#include "FilterBoxVariableSamplingChannel.h"
#include "HwInfo.h"
#include "McuThread.h"
#include "RunChannel.h"
#include "lib/Tools.h"

#include <QDateTime>
#include <QDebug>
#include <QTimer>

#include <cmath>

namespace {
constexpr int syncTimeoutMs = 500;
constexpr int stoppedInputFirstMs = 2000;
} // namespace

void RunThread::refreshSettings()
{
    DynoSettings* registry = theDynoSettings;
    if (!registry || !registry->initialized)
        return;
    const HwInfo& hw = theHwInfo;
    auto intOf = [registry](DynoSettingId id, int channel, int fallback) {
        const DynoSetting* s = registry->getSetting(id, channel);
        return s ? s->value().toInt() : fallback;
    };
    auto doubleOf = [registry](DynoSettingId id, int channel, double fallback) {
        const DynoSetting* s = registry->getSetting(id, channel);
        return s ? s->value().toDouble() : fallback;
    };
    auto listOf = [registry](DynoSettingId id, int channel) {
        const DynoSetting* s = registry->getSetting(id, channel);
        return s ? s->value().value<QList<double>>() : QList<double>();
    };

    for (int s = 0; s < hw.mcuFreqSlots && s < 6; ++s) {
        FreqInputSettings& f = freqSettings[s];
        f.mode = intOf(DynoSettingId_freqInputMode, s, 0);
        f.sensor = intOf(DynoSettingId_freqInputSensor, s, 0);
        f.signalsPerRotation = std::max(1, intOf(DynoSettingId_freqInputSignalsPerRotation, s, 1));
        f.multiplier = doubleOf(DynoSettingId_freqInputMultiplier, s, 1.0);
        f.spikeFilter = intOf(DynoSettingId_freqInputSpikeFilter, s, 0) != 0;
    }
    for (int j = 0; j < hw.rollers && j < 4; ++j) {
        RollerSettings& r = rollerSettings[j];
        r.speedSource = intOf(DynoSettingId_rollerSpeedSource, j, 0);
        r.supportRoller = intOf(DynoSettingId_rollerSupportRoller, j, 0);
        r.inertia = doubleOf(DynoSettingId_inertia, j, 0.0);
        r.diameter = doubleOf(DynoSettingId_rollerDiameter, j, 1.0);
        r.lossModel = listOf(DynoSettingId_rollerInternalLossModel, j);
    }
    for (int i = 0; i < hw.loadCells && i < 4; ++i) {
        LoadCellSettings& l = loadCellSettings[i];
        l.roller = intOf(DynoSettingId_loadCellRoller, i, 0);
        l.direction = intOf(DynoSettingId_loadCellDirection, i, 0);
        l.a = doubleOf(DynoSettingId_loadCellA, i, 0.0);
        l.b = doubleOf(DynoSettingId_loadCellB, i, 0.0);
        l.voltageCheckLow = doubleOf(DynoSettingId_loadCellVoltageCheckLow, i, 0.0);
        l.voltageCheckHigh = doubleOf(DynoSettingId_loadCellVoltageCheckHigh, i, 5.0);
        l.pgaGain = intOf(DynoSettingId_loadCellPgaGain, i, 7);
    }
    for (int i = 0; i < hw.analogInputs && i < 12; ++i) {
        ainSettings[i].calibration = doubleOf(DynoSettingId_ainCalibration, i, 0.0);
        ainSettings[i].ratiometric = intOf(DynoSettingId_ainRatiometric, i, 0) != 0;
    }
    for (int i = 0; i < hw.hpAnalogInputs && i < 8; ++i) {
        hpAinSettings[i].mode = intOf(DynoSettingId_hpAinMode, i, 0);
        hpAinSettings[i].calibration = doubleOf(DynoSettingId_hpAinCalibration, i, 0.0);
    }
    dynoType = intOf(DynoSettingId_dynoType, 0, 1);
    engineSpeedSource = intOf(DynoSettingId_engineSpeedSource, 0, 0);
    engineSpeedRatio = doubleOf(DynoSettingId_engineSpeedRatio, 0, 1.0);
    slipEstimationCoefficient = doubleOf(DynoSettingId_slipEstimationCoefficient, 0, 0.0);
    slipEstimationAvailable = dynoType == 1 && engineSpeedSource == 0;
    for (int j = 0; j < hw.rollers && j < 4; ++j)
        slipEstimationAvailable = slipEstimationAvailable && rollerSettings[j].supportRoller == 0;
    dynoLossFromLoadFactor = doubleOf(DynoSettingId_lossFromLoadFactor, 0, 0.0);
    internalLossModel = listOf(DynoSettingId_internalLossModel, 0);
    speedLossModel = listOf(DynoSettingId_lossModel, 0);
}

void RunThread::slot_settingsReady()
{
    if (decodersReady)
        return;
    if (!theDynoSettings || !theDynoSettings->initialized) {
        qDebug() << "Run thread: settings are not ready";
        return;
    }
    const HwInfo& hw = theHwInfo;
    refreshSettings();

    filterBox.init();
    for (int i = 0; i < hw.freqInputs && i < 5; ++i) {
        const int slot = int(Tools::mcuFreqInputFromDigitalFreqInput(static_cast<DigitalFreqInput>(i)));
        if (slot >= hw.mcuFreqSlots)
            continue;
        freqInputProxies[i] = new DigitalFreqInputFrameProxy(
            static_cast<McuFreqInput>(slot),
            filterBox.variableChannel(InputDataVariableSamplingChannelId_frequencies, slot),
            filterBox.variableChannel(InputDataVariableSamplingChannelId_frequencyRates, slot), &freqSettings[slot]);
    }
    if (hw.mcuFreqSlots > 2) {
        engineSpeedProxy = new EngineSpeedFrameProxy(
            filterBox.variableChannel(InputDataVariableSamplingChannelId_frequencies, 2),
            filterBox.variableChannel(InputDataVariableSamplingChannelId_frequencyRates, 2), &freqSettings[2]);
    }
    theRunThreadFilterBox = &filterBox;
    filtersBuilt.store(true, std::memory_order_release);

    for (int s = 0; s < hw.mcuFreqSlots && s < 6; ++s) {
        auto* timer = new QTimer(this);
        timer->setProperty("inputId", s);
        connect(timer, &QTimer::timeout, this, &RunThread::slot_stoppedMcuFreqInputCleanup);
        timer->start(stoppedInputFirstMs);
        stoppedInputTimers[s] = timer;
    }
    filterBoxTimer->start(10);
    mcuArgumentsTimer->start(10);
    filterBox.connectFilterSettings();
    decodersReady = true;
    setChannel(ChannelId_runActive, 0, 0.0, QDateTime::currentMSecsSinceEpoch());
    if (hooks.audioInit)
        hooks.audioInit();

    miscChannelsToLog.clear();
    static const ChannelId misc[] = {
        ChannelId_brakeControlMode,           ChannelId_audioLevel,
        ChannelId_audioKnockLevel,            ChannelId_audioKnockCount,
        ChannelId_driveCycleTarget,           ChannelId_bme280Temperature,
        ChannelId_bme280Pressure,             ChannelId_bme280Humidity,
        ChannelId_runActive,                  ChannelId_gearTarget,
        ChannelId_throttleTarget,             ChannelId_throttleControlEnabled,
        ChannelId_debugChannel,               ChannelId_switchState,
        ChannelId_lowSideOutputState,         ChannelId_relayOutputState,
        ChannelId_actuatorControllerState,    ChannelId_actuatorControllerActivate,
        ChannelId_actuatorControllerDeactivate, ChannelId_voltage5Mcu,
        ChannelId_voltage5,                   ChannelId_voltage12,
        ChannelId_voltage24,                  ChannelId_bridgeCurrent,
    };
    for (const ChannelId id : misc)
        addChannelIdToMiscChannelsToLog(id);
    if (logWriter) {
        QString text;
        for (const RunChannel* channel : std::as_const(miscChannelsToLog))
            text += QString::number(channel->uniqueId) + QLatin1Char(',')
                    + (channel->setup ? channel->setup->key : QString()) + QLatin1Char('\n');
        logWriter->miscChannelsDescriptor += text;
    }
    qDebug() << "Run thread: settings ready";
}

void RunThread::addChannelIdToMiscChannelsToLog(ChannelId id)
{
    if (int(id) < 0 || int(id) >= theChannels.channelLists.size())
        return;
    miscChannelsToLog.append(theChannels.getChannels(id));
}

void RunThread::slot_startRun()
{
    if (fatalPending)
        return;
    runStartPending = true;
    syncTimer->start(syncTimeoutMs);
    synced = false;
    if (McuThread* mcu = theMCUThread)
        mcu->writeReg(DynoRegister::sync, 0);
    runStartTime = QDateTime::currentMSecsSinceEpoch();
    markers.clear();
    if (hooks.odometerRunStarted)
        hooks.odometerRunStarted(runStartTime);
}

void RunThread::sync()
{
    syncTimer->start(syncTimeoutMs);
    synced = false;
    if (McuThread* mcu = theMCUThread)
        mcu->writeReg(DynoRegister::sync, 0);
}

void RunThread::deSync()
{
    synced = false;
}

void RunThread::slot_syncTimeout()
{
    if (synced)
        return;
    qDebug() << "Can't synchronize with MCU";
    runStartPending = false;
    // The run file the RUN tab opened for this start must be whole before the program ends.
    if (logWriter && logWriter->initialized) {
        logWriter->runStopProcedure(markers);
        QMutexLocker locker(&pathMutex);
        lastPath = logWriter->filePath;
    }
    raiseFatalError(QStringLiteral("Can't synchronize with MCU"));
}

void RunThread::synced_()
{
    syncTimer->stop();
    for (DigitalFreqInputFrameProxy* proxy : freqInputProxies) {
        if (proxy)
            proxy->reset();
    }
    if (engineSpeedProxy)
        engineSpeedProxy->reset();
    emit signal_newRunStarted();
    if (!runStartPending)
        return;

    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    runStartPending = false;
    theChannels.zeroOnLogStart();
    setChannel(ChannelId_runActive, 0, 1.0, now);
    if (hooks.audioFlush)
        hooks.audioFlush();
    if (logWriter) {
        for (const RunThreadHooks::SourceConnector& connector : std::as_const(hooks.connectSources))
            if (connector)
                sourceConnections += connector(logWriter);
    }
    connectChannelsToWriter(now);
    logging = true;
    runActive = true;
    qDebug() << "Run thread: run synchronised";
}

void RunThread::connectChannelsToWriter(qint64 now)
{
    loggedInputChannels = hooks.operatorInputChannels ? hooks.operatorInputChannels() : QList<RunChannel*>();
    if (!logWriter)
        return;
    auto connectOne = [this, now](RunChannel* channel) {
        if (!channel)
            return;
        connect(channel, &RunChannel::signal_newData, logWriter, &AbstractLogWriter::slot_newChannelData,
                Qt::UniqueConnection);
        // Its value at the start is part of the run.
        emit channel->signal_newData(channel->getValue(), now);
    };
    for (RunChannel* channel : std::as_const(loggedInputChannels))
        connectOne(channel);
    for (RunChannel* channel : std::as_const(miscChannelsToLog))
        connectOne(channel);
}

void RunThread::disconnectChannelsFromWriter(qint64 now)
{
    auto finishOne = [this, now](RunChannel* channel) {
        if (!channel)
            return;
        // Its value at the stop is part of the run too.
        emit channel->signal_newData(channel->getValue(), now);
        if (logWriter)
            disconnect(channel, &RunChannel::signal_newData, logWriter, &AbstractLogWriter::slot_newChannelData);
    };
    for (RunChannel* channel : std::as_const(loggedInputChannels))
        finishOne(channel);
    for (RunChannel* channel : std::as_const(miscChannelsToLog))
        finishOne(channel);
    loggedInputChannels.clear();
}

void RunThread::slot_stopRun()
{
    // Only a run that was started has anything to finish: a stray stop must
    // neither close a file nor add time to the odometer.
    if (!logging && !runStartPending)
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    syncTimer->stop();
    for (const QMetaObject::Connection& connection : std::as_const(sourceConnections))
        disconnect(connection);
    sourceConnections.clear();
    if (logging)
        disconnectChannelsFromWriter(now);

    if (logWriter) {
        logWriter->runStopProcedure(markers);
        QMutexLocker locker(&pathMutex);
        lastPath = logWriter->filePath;
    }
    if (hooks.odometerRunFinished)
        hooks.odometerRunFinished(double(now - runStartTime) / 1000.0);
    synced = false;
    logging = false;
    runStartPending = false;
    runActive = false;
    setChannel(ChannelId_runActive, 0, 0.0, now);
    qDebug() << "Run thread: run stopped";
}

void RunThread::slot_insertMarker()
{
    if (!logging)
        return;
    markers.append(double(QDateTime::currentMSecsSinceEpoch() - runStartTime) / 1000.0);
}

void RunThread::slot_stoppedMcuFreqInputCleanup()
{
    const auto* timer = qobject_cast<QTimer*>(sender());
    if (!timer)
        return;
    const int slot = timer->property("inputId").toInt();
    if (auto* f = filterBox.variableChannel(InputDataVariableSamplingChannelId_frequencies, slot))
        f->zero();
    if (auto* r = filterBox.variableChannel(InputDataVariableSamplingChannelId_frequencyRates, slot))
        r->zero();
}
