#include "RunThread.h"

#include "AbstractLogWriter.h"
#include "ArgumentWidget.h"
#include "Channels.h"
#include "DigitalFreqInputFrameProxy.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "EngineSpeedFrameProxy.h"
#include "FilterBoxChannel.h"
#include "HwInfo.h"
#include "McuThread.h"
#include "RunChannel.h"
#include "VehicleParamId.h"
#include "functions/Argument.h"
#include "lib/ThreadHandOver.h"
#include "lib/Tools.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDebug>
#include <QMetaMethod>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

RunThread* theRunThread = nullptr;
RunThreadHooks RunThread::hooks;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// 100,001 ms less than 2^32: the run file's millisecond stamps must not wrap.
constexpr qint64 maxRunMs = 4294867295LL;
constexpr int syncTimeoutMs = 500;
constexpr int tickMs = 10;

std::function<void(const QString&)>& programEnder()
{
    static std::function<void(const QString&)> ender = [](const QString& message) {
        qFatal("%s", qUtf8Printable(message));
    };
    return ender;
}

inline float asFloat(uint32_t value)
{
    float f;
    std::memcpy(&f, &value, sizeof f);
    return f;
}

inline uint16_t high(uint32_t value)
{
    return uint16_t(value >> 16);
}

inline uint16_t low(uint32_t value)
{
    return uint16_t(value & 0xFFFF);
}

} // namespace

RunThread::RunThread()
{
    theRunThread = this;
    runStartTime = QDateTime::currentMSecsSinceEpoch();
    canFrameBatch.reserve(256);

    filterBoxTimer = new QTimer(this);
    filterBoxTimer->setTimerType(Qt::PreciseTimer);
    connect(filterBoxTimer, &QTimer::timeout, this, &RunThread::slot_sampleFilterBox);
    syncTimer = new QTimer(this);
    syncTimer->setSingleShot(true);
    connect(syncTimer, &QTimer::timeout, this, &RunThread::slot_syncTimeout);
    inputBufferTimer = new QTimer(this);
    inputBufferTimer->setTimerType(Qt::PreciseTimer);
    connect(inputBufferTimer, &QTimer::timeout, this, &RunThread::slot_processInputBuffer);
    mcuArgumentsTimer = new QTimer(this);
    mcuArgumentsTimer->setTimerType(Qt::PreciseTimer);
    connect(mcuArgumentsTimer, &QTimer::timeout, this, &RunThread::slot_updateMcuArguments);

    moveToThread(this);
    IOReadings::install(this);
}

RunThread::~RunThread()
{
    if (isRunning()) {
        requestInterruption();
        quit();
        wait();
    }
    // What the thread wrote before it ended is ours now (see run()).
    ThreadHandOver::acquire(this);
    for (DigitalFreqInputFrameProxy*& proxy : freqInputProxies) {
        delete proxy;
        proxy = nullptr;
    }
    delete engineSpeedProxy;
    engineSpeedProxy = nullptr;
    if (IOReadings::installed() == this)
        IOReadings::install(nullptr);
    if (theRunThread == this)
        theRunThread = nullptr;
}

uint64_t RunThread::pulseCount(int mcuSlot) const
{
    if (mcuSlot < 0 || mcuSlot >= int(std::size(pulseCounts)))
        return 0;
    return pulseCounts[mcuSlot].load(std::memory_order_relaxed);
}

uint16_t RunThread::supplyMillivolts(int powerInfoId) const
{
    if (powerInfoId < 0 || powerInfoId >= PowerInfoIdCount)
        return 0;
    return supplyMillivoltsNow[powerInfoId].load(std::memory_order_relaxed);
}

bool RunThread::supplyWarningLogged(int powerInfoId) const
{
    if (powerInfoId < 0 || powerInfoId >= PowerInfoIdCount)
        return false;
    return supplyWarningActive[powerInfoId].load(std::memory_order_relaxed);
}

double RunThread::filterOutput(int group, int channel) const
{
    if (!filtersBuilt.load(std::memory_order_acquire) || group < 0 || group >= InputDataChannelIdCount)
        return std::numeric_limits<double>::quiet_NaN();
    const FilterBoxChannel* c = filterBox.channel(InputDataChannelId(group), channel);
    return c ? c->value() : std::numeric_limits<double>::quiet_NaN();
}

void RunThread::run()
{
    // Started here, by the thread that owns it: a timer started by the
    // constructor would have to be handed over to this thread by an event
    // that a thread never started leaks, and it could only be stopped from
    // the wrong thread when a never-started run thread is destroyed.
    inputBufferTimer->start(tickMs);
    exec();
    // Timers belong to this thread and are stopped here, before it ends.
    for (QTimer* timer : findChildren<QTimer*>())
        timer->stop();
    // Handed to whoever waits for the thread and then destroys it.
    ThreadHandOver::release(this);
}

void RunThread::setProgramEnder(std::function<void(const QString&)> ender)
{
    programEnder() = ender ? std::move(ender) : [](const QString& message) {
        qFatal("%s", qUtf8Printable(message));
    };
}

void RunThread::setLogWriter(AbstractLogWriter* writer)
{
    logWriter = writer;
    if (!writer)
        return;
    writer->moveToThread(this);
    writer->setParent(this);
}

QString RunThread::lastRunFilePath() const
{
    QMutexLocker locker(&pathMutex);
    return lastPath;
}

McuThread* RunThread::link() const
{
    return useGlobalInputSource ? theMCUThread : inputSource;
}

void RunThread::connectDataSources()
{
    if (!theChannels.isInitialized())
        return;
    RunChannel* vp = theChannels.getVehicleParam(VehicleParamId_engineSpeed);
    if (vp)
        connect(vp, &RunChannel::signal_newData, this, &RunThread::slot_newEngineSpeedVPData, Qt::UniqueConnection);
}

void RunThread::stopPaThread()
{
    if (hooks.stopAudioCapture)
        hooks.stopAudioCapture();
}

DigitalFreqInputFrameProxy* RunThread::freqInputProxy(int digitalInput) const
{
    return digitalInput >= 0 && digitalInput < 5 ? freqInputProxies[digitalInput] : nullptr;
}

int RunThread::stoppedInputTimerCount() const
{
    int n = 0;
    for (QTimer* timer : stoppedInputTimers)
        n += timer ? 1 : 0;
    return n;
}

// ------------------------------------------------------------ channel access

void RunThread::setChannel(ChannelId id, int index, double value, qint64 now)
{
    if (RunChannel* channel = theChannels.getChannel(id, index))
        channel->setData(value, now);
}

double RunThread::channelValue(ChannelId id, int index) const
{
    const RunChannel* channel = theChannels.getChannel(id, index);
    return channel ? channel->getValue() : kNaN;
}

// ------------------------------------------------------------ input blocks

void RunThread::slot_processInputBuffer()
{
    cycles.fetch_add(1, std::memory_order_relaxed);
    McuThread* source = link();
    if (!source || fatalPending)
        return;
    McuThreadFrameBuffer* block = source->acquireInput();
    if (!block)
        return;
    // Data that arrive before the settings exist cannot be decoded; the block
    // is given back unread.
    if (!theDynoSettings || !theDynoSettings->initialized) {
        source->releaseInput(block);
        return;
    }
    processBlock(block->frames.get(), block->count);
    source->releaseInput(block);
}

void RunThread::processBlock(const SpiDynoFrame* frames, int count)
{
    blockTime = QDateTime::currentMSecsSinceEpoch();
    if (decodersReady)
        refreshSettings();
    canFrameBatch.clear();
    for (int i = 0; i < count; ++i)
        processIncomingFrame(frames[i]);
    restartStoppedInputTimers();
    if (!canFrameBatch.isEmpty())
        emit signal_newCanFrameBatch(canFrameBatch);
}

void RunThread::processIncomingFrame(const SpiDynoFrame& frame)
{
    const int reg = int(frame.reg);
    const uint32_t value = frame.value;
    const qint64 now = blockTime;

    switch (frame.reg) {
    case DynoRegister::flag_startOfTransmission:
        if (synced)
            qDebug() << "Start of transmission flag when synced";
        return;
    case DynoRegister::readUserPageWord:
        emit signal_userPageDataReceived(static_cast<unsigned char>(value & 0xFF), userPageWordLatch);
        return;
    case DynoRegister::userPageWord:
        userPageWordLatch = value;
        return;
    case DynoRegister::canBus0Status:
        emit signal_newCanBus0Status(value);
        return;
    case DynoRegister::canBus1Status:
        emit signal_newCanBus1Status(value);
        return;
    case DynoRegister::sync:
        synced = true;
        synced_();
        return;
    default:
        break;
    }
    if (reg < 42 || !decodersReady)
        return;

    const HwInfo& hw = theHwInfo;
    switch (frame.reg) {
    case DynoRegister::canData0:
        canData0Latch = value;
        return;
    case DynoRegister::canData1:
        canData1Latch = value;
        return;
    case DynoRegister::canTimestamp:
        pendingCanFrame.timestamp = value;
        return;
    case DynoRegister::canId:
        pendingCanFrame.canChannelAndId = value;
        pendingCanFrame.canData = (uint64_t(canData0Latch) << 32) | uint64_t(canData1Latch);
        canFrameBatch.append(pendingCanFrame);
        if (logging && logWriter)
            logWriter->newCANFrame(pendingCanFrame);
        return;
    case DynoRegister::debugChannel1:
    case DynoRegister::debugChannel2:
        setChannel(ChannelId_debugChannel, reg - int(DynoRegister::debugChannel1), asFloat(value), now);
        return;
    default:
        break;
    }

    if (reg >= int(DynoRegister::freq1_frequency) && reg <= int(DynoRegister::freq6_dt)) {
        const int slot = reg <= int(DynoRegister::freq6_frequency) ? reg - int(DynoRegister::freq1_frequency)
                                                                   : reg - int(DynoRegister::freq1_dt);
        if (slot >= hw.mcuFreqSlots || slot >= 6)
            return;
        const FreqFrame record{value};
        freqFrameSplitter(record, slot);
        toothCounter(record, slot);
        if (logging && logWriter)
            logWriter->newFreqFrame(record, static_cast<unsigned char>(slot));
        return;
    }

    if (reg >= int(DynoRegister::ain1_2) && reg <= int(DynoRegister::ain11_12)) {
        const int block = reg <= int(DynoRegister::ain5_6) ? 0 : 1;
        const int k = (reg - int(DynoRegister::ain1_2)) % 3;
        ainFrame.data[2 * k] = high(value);
        ainFrame.data[2 * k + 1] = low(value);
        const bool complete = frame.reg == DynoRegister::ain5_6 || frame.reg == DynoRegister::ain11_12
                              || (frame.reg == DynoRegister::ain1_2 && hw.liteVariant);
        if (complete) {
            newAinData(ainFrame, block);
            if (logging && logWriter)
                logWriter->newAinFrame(ainFrame, block);
        }
        return;
    }

    if (reg >= int(DynoRegister::accPID_1_SP) && reg <= int(DynoRegister::ainPID_6_SP)) {
        const float sp = asFloat(value);
        if (reg <= int(DynoRegister::accPID_4_SP)) {
            const int i = reg - int(DynoRegister::accPID_1_SP);
            accControllerSPFrame.data[i] = sp;
            if (i < hw.rollers)
                setChannel(ChannelId_accControllerSP, i, sp, now);
            if (i == hw.rollers - 1 && logging && logWriter)
                logWriter->newAccControllerSPFrame(accControllerSPFrame);
        } else if (reg <= int(DynoRegister::speedPID_4_SP)) {
            const int i = reg - int(DynoRegister::speedPID_1_SP);
            speedControllerSPFrame.data[i] = sp;
            if (i < hw.rollers)
                setChannel(ChannelId_speedControllerSP, i, sp, now);
            if (i == hw.rollers - 1 && logging && logWriter)
                logWriter->newSpeedControllerSPFrame(speedControllerSPFrame);
        } else if (reg <= int(DynoRegister::torquePID_4_SP)) {
            const int i = reg - int(DynoRegister::torquePID_1_SP);
            torqueControllerSPFrame.data[i] = sp;
            if (i < hw.loadCells)
                setChannel(ChannelId_torqueControllerSP, i, sp, now);
            if (i == hw.loadCells - 1 && logging && logWriter)
                logWriter->newTorqueControllerSPFrame(torqueControllerSPFrame);
        } else {
            const int i = reg - int(DynoRegister::ainPID_1_SP);
            ainControllerSPFrame.data[i] = sp;
            if (i < hw.analogInputControllers)
                setChannel(ChannelId_ainControllerSP, i, sp, now);
            if (i == hw.analogInputControllers - 1 && logging && logWriter)
                logWriter->newAINControllerSPFrame(ainControllerSPFrame);
        }
        return;
    }

    if (reg >= int(DynoRegister::tcCh1_2) && reg <= int(DynoRegister::tcCh7_8)) {
        const int k = reg - int(DynoRegister::tcCh1_2);
        hpAinFrame.data[2 * k] = int16_t(high(value));
        hpAinFrame.data[2 * k + 1] = int16_t(low(value));
        if (frame.reg == DynoRegister::tcCh7_8 || (frame.reg == DynoRegister::tcCh3_4 && hw.liteVariant)) {
            newHpAinData(hpAinFrame);
            if (logging && logWriter)
                logWriter->newTcFrame(hpAinFrame);
        }
        return;
    }

    switch (frame.reg) {
    case DynoRegister::ainlc1_2:
    case DynoRegister::ainlc3_4: {
        const int k = reg - int(DynoRegister::ainlc1_2);
        loadCellFrame.data[2 * k] = high(value);
        loadCellFrame.data[2 * k + 1] = low(value);
        if (frame.reg == DynoRegister::ainlc3_4 || hw.deviceCode == DeviceCode_ZR5L) {
            newLoadCellData(loadCellFrame);
            if (logging && logWriter)
                logWriter->newLoadCellFrame(loadCellFrame);
        }
        return;
    }
    case DynoRegister::ainlcV2_1:
    case DynoRegister::ainlcV2_2:
    case DynoRegister::ainlcV2_3:
    case DynoRegister::ainlcV2_4: {
        const int i = reg - int(DynoRegister::ainlcV2_1);
        loadCellFrameV2.data[i] = asFloat(value);
        if (i == hw.loadCells - 1) {
            newLoadCellDataV2(loadCellFrameV2);
            if (logging && logWriter)
                logWriter->newLoadCellFrameV2(loadCellFrameV2);
        }
        return;
    }
    case DynoRegister::accPID_output:
    case DynoRegister::speedPID_output:
    case DynoRegister::torquePID_output: {
        speedControllerOutFrame_t record;
        for (int i = 0; i < 4; ++i)
            record.data[i] = uint8_t(value >> (24 - 8 * i));
        ChannelId id = ChannelId_accControllerOutput;
        int count = hw.rollers;
        if (frame.reg == DynoRegister::speedPID_output)
            id = ChannelId_speedControllerOutput;
        else if (frame.reg == DynoRegister::torquePID_output) {
            id = ChannelId_torqueControllerOutput;
            count = hw.loadCells;
        }
        for (int i = 0; i < count && i < 4; ++i)
            setChannel(id, i, record.data[i] / 255.0, now);
        if (logging && logWriter) {
            if (frame.reg == DynoRegister::accPID_output)
                logWriter->newAccControllerOutFrame(record);
            else if (frame.reg == DynoRegister::speedPID_output)
                logWriter->newSpeedControllerOutFrame(record);
            else {
                torqueControllerOutFrame_t torque;
                std::memcpy(torque.data, record.data, sizeof torque.data);
                logWriter->newTorqueControllerOutFrame(torque);
            }
        }
        return;
    }
    case DynoRegister::ainPID_output1:
        for (int i = 0; i < 4; ++i)
            ainControllerOutFrame.data[i] = uint8_t(value >> (24 - 8 * i));
        return;
    case DynoRegister::ainPID_output2:
        ainControllerOutFrame.data[4] = uint8_t(value >> 24);
        ainControllerOutFrame.data[5] = uint8_t(value >> 16);
        for (int i = 0; i < hw.analogInputControllers && i < 6; ++i)
            setChannel(ChannelId_ainControllerOutput, i, ainControllerOutFrame.data[i] / 255.0, now);
        if (logging && logWriter)
            logWriter->newAINControllerOutFrame(ainControllerOutFrame);
        return;
    case DynoRegister::pidDetails1:
        pidDetailsFrame.e = asFloat(value);
        setChannel(ChannelId_pidDetailsE, 0, pidDetailsFrame.e, now);
        return;
    case DynoRegister::pidDetails2:
        pidDetailsFrame.ff = int16_t(high(value));
        pidDetailsFrame.p = int16_t(low(value));
        setChannel(ChannelId_pidDetailsFF, 0, pidDetailsFrame.ff / 32767.0, now);
        setChannel(ChannelId_pidDetailsP, 0, pidDetailsFrame.p / 32767.0, now);
        return;
    case DynoRegister::pidDetails3:
        pidDetailsFrame.i = int16_t(high(value));
        pidDetailsFrame.dSlow = int16_t(low(value));
        setChannel(ChannelId_pidDetailsI, 0, pidDetailsFrame.i / 32767.0, now);
        setChannel(ChannelId_pidDetailsDSlow, 0, pidDetailsFrame.dSlow / 32767.0, now);
        return;
    case DynoRegister::pidDetails4:
        pidDetailsFrame.dd = int16_t(high(value));
        pidDetailsFrame.out = int16_t(low(value));
        setChannel(ChannelId_pidDetailsDD, 0, pidDetailsFrame.dd / 32767.0, now);
        setChannel(ChannelId_pidDetailsOUT, 0, pidDetailsFrame.out / 32767.0, now);
        return;
    case DynoRegister::pidDetails5:
        pidDetailsFrame.dFast = int16_t(high(value));
        pidDetailsFrame.lowerHalfOfFifthWord = low(value);
        setChannel(ChannelId_pidDetailsDFast, 0, pidDetailsFrame.dFast / 32767.0, now);
        if (logging && logWriter)
            logWriter->newPidDetailsFrame(pidDetailsFrame);
        return;
    case DynoRegister::diagVcc_diag5V:
        checkPowerInfo(high(value), PowerInfoId_vccMcu, "MCU VCC", 5000, 3, 4);
        checkPowerInfo(low(value), PowerInfoId_external5V, "External 5V", 5000, 3, 3);
        return;
    case DynoRegister::diag12V_diag24V:
        checkPowerInfo(high(value), PowerInfoId_external12V, "External 12V", 12000, 5, 5);
        if (!hw.liteVariant)
            checkPowerInfo(low(value), PowerInfoId_external24V, "External 24V", 24000, 5, 5);
        return;
    case DynoRegister::bridgeCurrents:
        if (hw.deviceCode != DeviceCode_ZR6)
            return;
        for (int i = 0; i < 4; ++i)
            setChannel(ChannelId_bridgeCurrent, i, uint8_t(value >> (24 - 8 * i)) * 0.125, now);
        return;
    default:
        // 42..45, 50..52 and everything above the data range carry nothing here.
        return;
    }
}

// ----------------------------------------------------------------- supplies

bool RunThread::isVoltageFaulty(uint16_t millivolts, uint16_t nominal, int lowPercent, int highPercent)
{
    const unsigned mv = millivolts;
    const unsigned lowLimit = unsigned(100 - lowPercent) * nominal / 100u;
    const unsigned highLimit = unsigned(nominal) * unsigned(100 + highPercent) / 100u;
    return mv < lowLimit || mv > highLimit;
}

void RunThread::checkPowerInfo(uint16_t millivolts, ::PowerInfoId id, const char* name, uint16_t nominal,
                               int lowPercent, int highPercent)
{
    if (id < 0 || id >= PowerInfoIdCount)
        return;
    static const ChannelId channels[PowerInfoIdCount] = {ChannelId_voltage5Mcu, ChannelId_voltage5,
                                                         ChannelId_voltage12, ChannelId_voltage24};
    setChannel(channels[id], 0, millivolts / 1000.0, blockTime);
    supplyMillivoltsNow[id].store(millivolts, std::memory_order_relaxed);
    if (!isVoltageFaulty(millivolts, nominal, lowPercent, highPercent)) {
        supplyWarningActive[id].store(false, std::memory_order_relaxed);
        return;
    }
    // Once per excursion: a supply that stays out of range would flood the log.
    if (supplyWarningActive[id].load(std::memory_order_relaxed))
        return;
    qDebug().noquote() << name << "voltage warning" << millivolts << "mV";
    supplyWarningActive[id].store(true, std::memory_order_relaxed);
}

// ------------------------------------------------------------ MCU arguments

void RunThread::updateMcuArgument(DynoSettingId id, DynoRegister firstRegister, int count)
{
    McuThread* mcu = theMCUThread;
    if (!mcu || !theDynoSettings)
        return;
    for (int i = 0; i < count; ++i) {
        const DynoSetting* setting = theDynoSettings->getSetting(id, i);
        if (!setting || setting->widgetType != SettingWidgetType_argumentWidget)
            continue;
        // Argument reads are safe from this thread against the GUI rebinding them.
        const Argument* argument = static_cast<const ArgumentWidget*>(setting->widget)->argument;
        double value = argument ? argument->getValue() : kNaN;
        if (std::isnan(value))
            value = 0.0;
        mcu->writeCachedReg(firstRegister, i, float(value));
    }
}

void RunThread::slot_updateMcuArguments()
{
    McuThread* mcu = theMCUThread;
    if (!decodersReady || !mcu || fatalPending)
        return;
    const HwInfo& hw = theHwInfo;
    updateMcuArgument(DynoSettingId_pwmArgument, DynoRegister::pwmArgument1, std::min(hw.mcuPwmOutputs, 4));
    updateMcuArgument(DynoSettingId_lsOutputArgument, DynoRegister::lsOutputArgument1, std::min(hw.mcuPwmOutputs, 4));
    updateMcuArgument(DynoSettingId_hsOutputArgument, DynoRegister::hsOutputArgument1, std::min(hw.mcuPwmOutputs, 4));
    updateMcuArgument(DynoSettingId_analogOutputArgument, DynoRegister::analogOutputArgument1,
                      std::min(hw.analogOutputs, 4));
    updateMcuArgument(DynoSettingId_ainPidSpArgument, DynoRegister::ainPID_SP1, std::min(hw.analogInputControllers, 6));
    updateMcuArgument(DynoSettingId_torquePidSpArgument, DynoRegister::torquePID_SP1, std::min(hw.loadCells, 4));
    updateMcuArgument(DynoSettingId_stepperArgument, DynoRegister::stepperArgument1, 2);

    const RunChannel* vp = theChannels.getVehicleParam(VehicleParamId_engineSpeed);
    mcu->writeCachedReg(DynoRegister::engineSpeedVP, 0, float(vp ? vp->getValue() : kNaN));

    for (int i = 0; i < hw.loadCells && i < 4; ++i) {
        const int r = loadCellSettings[i].roller - 1;
        if (r < 0 || r >= hw.rollers)
            continue;
        const double omega = channelValue(ChannelId_rollerRotationalSpeed, r);
        if (!std::isfinite(omega))
            continue;
        const float v = float(characteristicAt(DynoSettingId_torquePidSpeedCorrection, i, omega));
        if (std::isfinite(v))
            mcu->writeCachedReg(DynoRegister::torquePidSpeedCorrection1, i, v);
    }
    for (int j = 0; j < hw.rollers && j < 4; ++j) {
        const double omega = channelValue(ChannelId_rollerRotationalSpeed, j);
        if (!std::isfinite(omega))
            continue;
        const float v = float(characteristicAt(DynoSettingId_pidSpeedCorrectionSens, j, omega));
        if (std::isfinite(v))
            mcu->writeCachedReg(DynoRegister::pidSpeedCorrection1, j, v);
        const float w = float(characteristicAt(DynoSettingId_accPidSpeedCorrectionSens, j, omega));
        if (std::isfinite(w))
            mcu->writeCachedReg(DynoRegister::accPidSpeedCorrection1, j, w);
    }
}

// ---------------------------------------------------------------- sampling

void RunThread::slot_sampleFilterBox()
{
    if (!decodersReady || fatalPending)
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 elapsed = now - runStartTime;
    if (elapsed > maxRunMs && logging) {
        emit signal_error(QStringLiteral("Maximum single run time reached"));
        // The RUN tab stops the run as if the operator had pressed STOP.
        QMetaObject::invokeMethod(
            qApp,
            [] {
                for (QWidget* top : QApplication::topLevelWidgets()) {
                    if (auto* button =
                            top->findChild<QAbstractButton*>(QStringLiteral("pushButton_run_startStop"))) {
                        button->click();
                        return;
                    }
                }
            },
            Qt::QueuedConnection);
    }
    setChannel(ChannelId_time, 0, elapsed / 1000.0, now);
    setChannel(ChannelId_selectedTime, 0, elapsed / 1000.0, now);
    setChannel(ChannelId_clockTime, 0, now / 1000.0, now);

    refreshSettings();
    sampleFreqData(now);
    sampleEngineSpeedData(now);
    sampleAinData(now);
    sampleHpAinData(now);
    sampleLoadCellData(now);
}

// ------------------------------------------------------------------- fatal

void RunThread::raiseFatalError(const QString& message)
{
    if (fatalPending.exchange(true))
        return;
    fatalMessage = message;
    if (!isSignalConnected(QMetaMethod::fromSignal(&RunThread::signal_fatalError))) {
        programEnder()(message);
        return;
    }
    emit signal_fatalError(message);
}

void RunThread::fatalErrorClosed()
{
    if (!fatalPending)
        return;
    programEnder()(fatalMessage);
}
