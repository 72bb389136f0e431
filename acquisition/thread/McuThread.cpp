#include "McuThread.h"

#include "DynoRegisterNames.h"
#include "FirmwareUpdaterWorker.h"
#include "HwInfo.h"
#include "MySettings.h"
#include "PlatformMode.h"
#include "SimulatedControllerConfig.h"
#include "SimulatedDynoController.h"
#include "SpiChannel.h"
#include "SystemCommandRunner.h"
#include "lib/Tools.h"

#include <QDateTime>
#include <QDebug>
#include <QMetaMethod>
#include <QTimer>

#include <cstring>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

McuThread* theMCUThread = nullptr;

namespace {

constexpr int batchFrames = SpiDynoFrameBatch::frameCount;
constexpr int batchBytes = int(sizeof(SpiDynoFrameBatch));
constexpr int maxFramesPerTick = 3000;
constexpr int linkCpu = 3;
constexpr uint32_t deviceModeAddress = 1712;
constexpr uint32_t absorberLockAddress = 1716;

std::function<void(const QString&)>& programEnder()
{
    static std::function<void(const QString&)> ender = [](const QString& message) {
        qFatal("%s", qUtf8Printable(message));
    };
    return ender;
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

McuThread::McuThread(SpiTransport* transport, const QString& firmwareImagePath)
{
    nullFrame = SpiDynoFrame::make(DynoRegister::null, 0);
    for (SpiDynoFrame& frame : nullBatch.frames)
        frame = nullFrame;

    firmwareUpdater = new FirmwareUpdaterWorker(this, firmwareImagePath);

    if (transport) {
        spi = transport;
    } else if (PlatformMode::simulated()) {
        SimulatedControllerConfig config = SimulatedControllerConfig::fromEnvironment();
        if (config.firmwareVersion.isEmpty())
            config.firmwareVersion = firmwareUpdater->imageVersion;
        ownedTransport = std::make_unique<SimulatedDynoController>(
            config, theSettings.settingsDir.filePath(QStringLiteral("simulatedControllerUserPage.txt")));
        spi = ownedTransport.get();
        qDebug() << "MCU link: simulated dyno controller on the bus";
    } else {
        auto channel = std::make_unique<SpiChannel>();
        channel->init(QStringLiteral("/dev/spidev1.0"), 8000000, SPI_MODE_0, 8);
        spi = channel.get();
        ownedTransport = std::move(channel);
    }

    loadWindowStart = nowMs();

    processTimer = new QTimer(this);
    processTimer->setTimerType(Qt::PreciseTimer);
    processTimer->setInterval(1);
    inputSwapTimer = new QTimer(this);
    inputSwapTimer->setTimerType(Qt::PreciseTimer);
    inputSwapTimer->setInterval(20);
    outputSwapTimer = new QTimer(this);
    outputSwapTimer->setTimerType(Qt::PreciseTimer);
    outputSwapTimer->setInterval(10);
    deviceInfoTimer = new QTimer(this);
    deviceInfoTimer->setSingleShot(true);
    deviceInfoTimer->setInterval(1000);
    connect(processTimer, &QTimer::timeout, this, &McuThread::slot_processBuffers);
    connect(inputSwapTimer, &QTimer::timeout, this, &McuThread::slot_swapInputBuffer);
    connect(outputSwapTimer, &QTimer::timeout, this, &McuThread::slot_swapOutputBuffer);
    connect(deviceInfoTimer, &QTimer::timeout, this, &McuThread::slot_getDeviceInfoTimeout);

    moveToThread(this);
}

McuThread::~McuThread()
{
    if (isRunning()) {
        quit();
        wait();
    }
}

void McuThread::setProgramEnder(std::function<void(const QString&)> ender)
{
    programEnder() = ender ? std::move(ender) : [](const QString& message) {
        qFatal("%s", qUtf8Printable(message));
    };
}

// --------------------------------------------------------------- thread start

void McuThread::run()
{
    linkThreadId = static_cast<int>(::syscall(SYS_gettid));
    pinAndPrioritise();

    processTimer->start();
    loopTimer.restart();
    inputSwapTimer->start();
    outputSwapTimer->start();
    firmwareUpdater->init();

    exec();

    processTimer->stop();
    inputSwapTimer->stop();
    outputSwapTimer->stop();
    deviceInfoTimer->stop();
}

void McuThread::pinAndPrioritise()
{
    // Pinning fails on a board with fewer cores; the link then runs unpinned.
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(linkCpu, &set);
    if (::sched_setaffinity(0, sizeof set, &set) != 0)
        qDebug() << "Error setting MCUThread affinity";

    SystemCommandRunner* runner = SystemCommandRunner::instance();
    const int tid = linkThreadId;
    // Raising the priority needs root; the board's user has password-less sudo.
    if (::setpriority(PRIO_PROCESS, id_t(tid), -10) != 0) {
        const SystemCommandResult renice = runner->run(
            QStringLiteral("renice"), {QStringLiteral("-n"), QStringLiteral("-10"), QStringLiteral("-p"),
                                       QString::number(tid)}, true);
        if (!renice.started || renice.exitCode != 0)
            qDebug() << "Failed to raise MCUThread priority";
    }

    // The kernel's SPI worker belongs on the link's CPU too.
    const SystemCommandResult pgrep = runner->run(QStringLiteral("pgrep"), {QStringLiteral("spi1")}, false);
    if (!pgrep.started) {
        qDebug() << "Failed to execute pgrep spi1";
        return;
    }
    QByteArray line = pgrep.standardOutput;
    const int newline = line.indexOf('\n');
    if (newline >= 0)
        line.truncate(newline);
    line = line.left(49).trimmed();
    if (line.isEmpty())
        return;
    const int pid = line.toInt();
    if (pid > 0)
        runner->run(QStringLiteral("taskset"),
                    {QStringLiteral("-p"), QStringLiteral("-c"), QString::number(linkCpu), QString::number(pid)},
                    true);
}

// ------------------------------------------------------------------ queueing

void McuThread::appendFrame(const SpiDynoFrame& frame)
{
    QMutexLocker lock(&queueMutex);
    if (outputBuffers[writeIndex].append(frame))
        return;
    ++outputFramesLost;
    if (!outputLossReported.exchange(true))
        qDebug() << "MCU output queue full: register writes are dropped (further losses are only counted)";
}

void McuThread::writeRegRaw(DynoRegister reg, uint32_t raw)
{
    appendFrame(SpiDynoFrame::makeRaw(reg, raw));
}

void McuThread::writeReg(DynoRegister reg, uint32_t value)
{
    appendFrame(SpiDynoFrame::make(reg, value));
}

void McuThread::writeCachedReg(DynoRegister base, int index, float value)
{
    appendFrame(SpiDynoFrame::makeFloat(static_cast<DynoRegister>(static_cast<int>(base) + index), value));
}

void McuThread::setSetting(uint32_t address, uint32_t value, uint16_t channel)
{
    QMutexLocker lock(&settingMutex);
    writeReg(DynoRegister::configAddress, ((address / 4) << 16) | channel);
    writeReg(DynoRegister::configValue, value);
}

void McuThread::setSettingFloat(uint32_t address, float value, uint16_t channel)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    setSetting(address, bits, channel);
}

void McuThread::setDeviceMode(DynoMode mode)
{
    setSetting(deviceModeAddress, static_cast<uint32_t>(static_cast<int32_t>(mode)), 0);
}

void McuThread::setAbsorberLock(bool on)
{
    setSetting(absorberLockAddress, on ? 1 : 0, 0);
}

void McuThread::readUserPageWord(UserPageWordId id)
{
    writeRegRaw(DynoRegister::readUserPageWord, uint32_t(id) << 24);
}

void McuThread::writeUserPageWord(UserPageWordId id, uint32_t value)
{
    QMutexLocker lock(&userPageMutex);
    writeReg(DynoRegister::userPageWord, value);
    writeRegRaw(DynoRegister::writeUserPageWord, uint32_t(id) << 24);
}

void McuThread::sendCanData(uint8_t bus, uint32_t identifier, const uint8_t* data8)
{
    const uint32_t low = uint32_t(data8[0]) | (uint32_t(data8[1]) << 8) | (uint32_t(data8[2]) << 16)
                         | (uint32_t(data8[3]) << 24);
    const uint32_t high = uint32_t(data8[4]) | (uint32_t(data8[5]) << 8) | (uint32_t(data8[6]) << 16)
                          | (uint32_t(data8[7]) << 24);
    QMutexLocker lock(&canMutex);
    writeRegRaw(DynoRegister::canData0, low);
    writeRegRaw(DynoRegister::canData1, high);
    writeReg(DynoRegister::canId, (uint32_t(bus & 1) << 31) | (identifier & 0x1FFFFFFFu));
}

void McuThread::getDeviceInfo()
{
    if (QThread::currentThread() == this)
        deviceInfoTimer->start(1000);
    else
        QMetaObject::invokeMethod(deviceInfoTimer, [this] { deviceInfoTimer->start(1000); }, Qt::QueuedConnection);
    writeReg(DynoRegister::deviceInfo, 0);
}

bool McuThread::runSelfTest()
{
    if (!selfTestRunning.exchange(true))
        writeReg(DynoRegister::selftest, 0);
    return true;
}

int McuThread::getTxBufferFill()
{
    QMutexLocker lock(&queueMutex);
    return outputBuffers[writeIndex].count;
}

void McuThread::printStatistic()
{
    qDebug() << "Peak SPI load in this session: " << peakSpiLoad.load();
    if (inputFramesLost || outputFramesLost)
        qDebug() << "MCU link frames lost in this session: received" << inputFramesLost.load() << "queued"
                 << outputFramesLost.load();
}

void McuThread::logPeakLoad()
{
    qDebug() << "Peak SPI load in this session: " << peakSpiLoad.load();
}

// ------------------------------------------------------------ transfer tick

void McuThread::slot_processBuffers()
{
    transferTick(true);
}

void McuThread::transferTick(bool fromTimer)
{
    // 1: the pause since the previous tick ended.
    const qint64 pauseUs = loopTimer.nsecsElapsed() / 1000;
    loopTimer.restart();
    if (pauseUs > peakLoopDelayUs.load(std::memory_order_relaxed))
        peakLoopDelayUs.store(pauseUs, std::memory_order_relaxed);
    const qint64 d = pauseUs / 1000;
    loopDelayTotal += d;
    ++loopDelayCount;
    loopDelayMax = std::max(loopDelayMax, d);
    if (d > 150)
        qDebug() << "high SPI loop delay: " << d << "ms, average SPI loop delay" << loopDelayTotal / loopDelayCount
                 << "ms, peak delay" << loopDelayMax;
    if (loopDelayTotal > 1000) {
        loopDelayTotal = 0;
        loopDelayCount = 0;
        loopDelayMax = 0;
    }

    // 2: the first device-information request, once polling is on.
    if (fromTimer && deviceInfoPending && polling) {
        deviceInfoTimer->start(1000);
        writeReg(DynoRegister::deviceInfo, 0);
        deviceInfoPending = false;
    }

    // 3: what the writers queued, in batches; null frames complete the last one.
    McuThreadFrameBuffer& out = outputBuffers[sendIndex];
    McuThreadFrameBuffer& in = inputBuffers[inputFillIndex.load(std::memory_order_relaxed)];
    const int queued = out.count;
    for (int i = 0; i < batchFrames; ++i)
        out.frames[queued + i] = nullFrame;
    int received = 0;
    for (int i = 0; i < queued; i += batchFrames)
        received += writeReadFrameBatch(&out.frames[i], in);

    // 4, 5
    int last = writeReadFrameBatch(nullBatch.frames, in);
    received += last;
    out.count = 0;
    out.ready.store(false, std::memory_order_relaxed);

    // 6: collect while the MCU keeps sending full batches.
    while (polling && last == batchFrames && received < maxFramesPerTick) {
        last = writeReadFrameBatch(nullBatch.frames, in);
        received += last;
    }

    // 7: received frames per second over windows of at least one second.
    loadFrameCount += received;
    framesReceived.fetch_add(quint64(received), std::memory_order_relaxed);
    const qint64 now = nowMs();
    const qint64 elapsed = now - loadWindowStart;
    if (elapsed > 999) {
        const float load = float(loadFrameCount) * 1000.0f / float(elapsed);
        spiLoad = load;
        if (load > peakSpiLoad)
            peakSpiLoad = load;
        loadFrameCount = 0;
        loadWindowStart = now;
    }

    // 8
    loopTimer.restart();
}

int McuThread::writeReadFrameBatch(const SpiDynoFrame* batch, McuThreadFrameBuffer& input)
{
    SpiDynoFrame* rx = receiveBatch.frames;
    const auto* tx = reinterpret_cast<const unsigned char*>(batch);
    if (firmwareConfirmed.load(std::memory_order_relaxed)) {
        const int result = spi->transfer(tx, reinterpret_cast<unsigned char*>(rx), batchBytes);
        if (result != batchBytes) {
            logTransferError(result);
            return 0;
        }
    } else {
        const bool poll = polling.load(std::memory_order_relaxed);
        for (int i = 0; i < batchFrames; ++i) {
            if (!poll && batch[i].isNull()) {
                rx[i] = nullFrame;
                continue;
            }
            const int result = spi->transfer(tx + 6 * i, reinterpret_cast<unsigned char*>(&rx[i]), 6);
            if (result != 6) {
                logTransferError(result);
                return 0;
            }
        }
    }

    int count = 0;
    for (int i = 0; i < batchFrames; ++i) {
        if (rx[i].isNull())
            continue;
        ++count;
        switch (preprocessFrame(rx[i])) {
        case FrameResult::Store:
            if (!input.append(rx[i])) {
                ++inputFramesLost;
                if (!inputLossReported) {
                    inputLossReported = true;
                    qDebug() << "MCU input buffer full: received frames are dropped, the reader is not keeping up "
                                "(further losses are only counted)";
                }
            }
            break;
        case FrameResult::CrcError:
            return count;
        case FrameResult::Consumed:
            break;
        }
    }
    return count;
}

void McuThread::logTransferError(int result)
{
    // A dead bus fails twice per millisecond: report the first failure and
    // then at most once a second, with the number of failures in between.
    const qint64 now = nowMs();
    if (lastTransferErrorLog >= 0 && now - lastTransferErrorLog < 1000) {
        ++suppressedTransferErrors;
        return;
    }
    qDebug() << "SPI ioctl error. Bytes written:" << result;
    qDebug() << "MCU SPI R/W error" << true;
    if (suppressedTransferErrors > 0)
        qDebug() << suppressedTransferErrors << "more failed SPI transfers since the last report";
    suppressedTransferErrors = 0;
    lastTransferErrorLog = now;
}

// ----------------------------------------------------------- received frames

bool McuThread::appendText(QString& text, const SpiDynoFrame& frame, QString* complete)
{
    const bool ends = frame.bytes[0] == 0 || frame.bytes[1] == 0 || frame.bytes[2] == 0 || frame.bytes[3] == 0;
    QString done = Tools::readString(&text, frame.rawValue());
    if (text.size() > textCapacity || done.size() > textCapacity) {
        text.truncate(textCapacity);
        done.truncate(textCapacity);
        if (!textOverflowLogged) {
            textOverflowLogged = true;
            qDebug() << "MCU text longer than" << textCapacity << "characters; the rest is dropped";
        }
    }
    if (ends)
        *complete = done;
    return ends;
}

McuThread::FrameResult McuThread::preprocessFrame(SpiDynoFrame& frame)
{
    const auto reg = static_cast<uint8_t>(frame.reg);
    if (!firmwareConfirmed.load(std::memory_order_relaxed) && reg > uint8_t(DynoRegister::lastProtectedReg))
        return FrameResult::Consumed;

    const uint8_t calculated = frame.computeCrc();
    if (calculated != frame.crc) {
        qDebug() << "";
        qDebug() << "frame crc error";
        qDebug() << "reg" << frame.reg;
        qDebug() << "data" << frame.rawValue();
        qDebug() << "frame CRC" << int(frame.crc);
        qDebug() << "calculated CRC" << int(calculated);
        logPeakLoad();
        raiseNotice(Notice::CrcError);
        return FrameResult::CrcError;
    }

    // Handled on the bytes as received.
    switch (frame.reg) {
    case DynoRegister::flag_spiInputBufferFull:
        qDebug() << "SPI Input buffer full flag (RPI->MCU) (this is sent only once per SPI connection session even "
                    "if it happens more times)";
        logPeakLoad();
        break;
    case DynoRegister::flag_mcuSideCrcError:
        logPeakLoad();
        raiseNotice(Notice::CrcErrorMcu);
        break;
    case DynoRegister::debug: {
        QString text;
        if (appendText(debugText, frame, &text))
            qDebug().noquote() << "MCU Debug: " + text;
        break;
    }
    case DynoRegister::firmwareContent:
        qDebug().noquote() << QString::asprintf("%02x %02x %02x %02x", frame.bytes[0], frame.bytes[1],
                                                frame.bytes[2], frame.bytes[3]);
        break;
    case DynoRegister::flag_spiOutputBufferFull:
        qDebug() << "SPI Output buffer full flag (MCU->RPI)";
        logPeakLoad();
        raiseFatal(QStringLiteral("SPI overloaded (MCU->RPI)"), false);
        break;
    case DynoRegister::deviceInfo: {
        QString text;
        if (appendText(deviceInfoText, frame, &text)) {
            deviceInfoTimer->stop();
            firmwareUpdater->checkDeviceInfo(text);
        }
        break;
    }
    default:
        break;
    }

    frame.convertToHostOrder();
    const uint32_t value = frame.value;

    switch (frame.reg) {
    case DynoRegister::selftest:
        selfTestRunning = false;
        return FrameResult::Consumed;
    case DynoRegister::systemPerformance: {
        const auto average = static_cast<uint8_t>(value >> 24);
        const auto peak = static_cast<uint8_t>(value >> 16);
        const auto stack = static_cast<int16_t>(value & 0xFFFF);
        mcuAverageLoad = average;
        mcuPeakLoad = peak;
        if (average > 80 || stack <= 255)
            qDebug() << "MCU peak load: " << int(peak) << "% , average load:" << int(average) << "% , free stack:" << stack
                     << "B";
        return FrameResult::Consumed;
    }
    case DynoRegister::debugRead:
        qDebug() << "debugRead INT:" << value << " float: " << frame.valueFloat;
        return FrameResult::Consumed;
    case DynoRegister::serialNumber:
        theHwInfo.serialNumber = value;
        qDebug() << "serial number" << value;
        return FrameResult::Consumed;
    case DynoRegister::hardwareRevision:
        theHwInfo.revision = static_cast<char>(value & 0xFF);
        qDebug() << "hardware revision" << theHwInfo.revision;
        return FrameResult::Consumed;
    case DynoRegister::hardwareVersion: {
        const int code = int(value & 0xFF);
        if (hardwareLocked) {
            // Everything has been sized from the board reported first.
            qDebug() << "hardware version" << code << "received after the firmware was confirmed; ignored";
            return FrameResult::Consumed;
        }
        if (!HwInfo::isKnownDeviceCode(code)) {
            unsupportedBoard = true;
            qDebug() << "hardware version" << code << "is no controller board this program supports";
            raiseFatal(QStringLiteral("Unsupported controller board (device code %1).\n"
                                      "This program cannot drive it; please update the program.")
                           .arg(code),
                       true);
            return FrameResult::Consumed;
        }
        theHwInfo.setDeviceCode(static_cast<DeviceCode>(code));
        theSettings.setDeviceCode(static_cast<DeviceCode>(code));
        return FrameResult::Consumed;
    }
    case DynoRegister::firmwareConfirmCRC:
        emit signal_firmwareUpdateCrc(value);
        return FrameResult::Consumed;
    case DynoRegister::firmwareFlashError:
        emit signal_firmwareUpdateFlashError();
        return FrameResult::Consumed;
    default:
        return FrameResult::Store;
    }
}

bool McuThread::confirmFirmware()
{
    if (unsupportedBoard) {
        qDebug() << "Firmware not confirmed: the controller board is not supported";
        return false;
    }
    firmwareConfirmed = true;
    hardwareLocked = true;
    qDebug() << "MCU firmware confirmed";
    return true;
}

// ------------------------------------------------------------------- buffers

void McuThread::slot_swapInputBuffer()
{
    const int read = inputReadIndex.load(std::memory_order_relaxed);
    if (inputBuffers[read].ready.load(std::memory_order_acquire))
        return;
    const int fill = inputFillIndex.load(std::memory_order_relaxed);
    inputFillIndex.store(read, std::memory_order_relaxed);
    inputReadIndex.store(fill, std::memory_order_release);
    inputBuffers[fill].ready.store(true, std::memory_order_release);
}

McuThreadFrameBuffer* McuThread::acquireInput()
{
    McuThreadFrameBuffer& buffer = inputBuffers[inputReadIndex.load(std::memory_order_acquire)];
    return buffer.ready.load(std::memory_order_acquire) ? &buffer : nullptr;
}

void McuThread::releaseInput(McuThreadFrameBuffer* buffer)
{
    buffer->count = 0;
    buffer->ready.store(false, std::memory_order_release);
}

void McuThread::slot_swapOutputBuffer()
{
    if (!queueMutex.tryLock())
        return;
    swapOutputBuffers();
    queueMutex.unlock();
}

void McuThread::swapOutputBuffers()
{
    if (outputBuffers[sendIndex].count > 0) {
        qDebug() << "MCU Output buffer swap skipped";
        return;
    }
    std::swap(writeIndex, sendIndex);
    outputBuffers[sendIndex].ready.store(true, std::memory_order_relaxed);
}

void McuThread::slot_commitWriteReg()
{
    if (QThread::currentThread() != this) {
        qDebug() << "Don't commit write from another thread.";
        return;
    }
    commit();
}

void McuThread::commit()
{
    QMutexLocker lock(&queueMutex);
    transferTick(false);
    if (outputBuffers[sendIndex].count == 0)
        swapOutputBuffers();
    transferTick(false);
}

void McuThread::slot_startPolling()
{
    polling = true;
}

void McuThread::slot_stopPollingWithoutBye()
{
    polling = false;
}

void McuThread::slot_stopPolling()
{
    polling = false;
    if (firmwareConfirmed)
        writeRegRaw(DynoRegister::bye, 0);
}

void McuThread::sendFirmwarePage(uint32_t pageIndex, uint32_t length, const uint8_t* bytes)
{
    if (length % 4 != 0) {
        qDebug() << "Invalid page size";
        return;
    }
    polling = false;
    if (firmwareConfirmed)
        writeRegRaw(DynoRegister::bye, 0);
    writeReg(DynoRegister::firmwarePage, pageIndex);
    commit();
    QThread::msleep(50);
    for (uint32_t i = 0; i < length; i += 4)
        writeRegRaw(DynoRegister::firmwareContent, uint32_t(bytes[i]) | (uint32_t(bytes[i + 1]) << 8)
                                                       | (uint32_t(bytes[i + 2]) << 16)
                                                       | (uint32_t(bytes[i + 3]) << 24));
    commit();
    QThread::msleep(51);
    polling = true;
}

void McuThread::slot_commitUserPageWrite()
{
    if (QThread::currentThread() != this) {
        // The commit transfers and sleeps in the link thread, never in the caller's.
        QMetaObject::invokeMethod(this, &McuThread::slot_commitUserPageWrite, Qt::QueuedConnection);
        return;
    }
    commit();
    polling = false;
    writeReg(DynoRegister::commitUserPageWrite, 0);
    commit();
    QThread::msleep(51);
    loopTimer.restart();
    polling = true;
}

// ------------------------------------------------------------------- notices

void McuThread::slot_getDeviceInfoTimeout()
{
    qDebug() << "no device info";
    raiseFatal(QStringLiteral("No device info received from MCU."), true);
}

void McuThread::raiseFatal(const QString& message, bool endsProgram)
{
    {
        QMutexLocker lock(&fatalMutex);
        if (!pendingFatalMessages.contains(message) && pendingFatalMessages.size() < 8)
            pendingFatalMessages.append(message);
        if (endsProgram && !programEnding) {
            endingMessage = message;
            programEnding = true;
        }
    }
    raiseNotice(Notice::FatalError);
}

void McuThread::raiseNotice(Notice notice)
{
    pendingNotices.fetch_or(1 << int(notice));
    deliverNextNotice();
}

void McuThread::deliverNextNotice()
{
    if (noticeOpen.exchange(true))
        return;
    for (const Notice notice : {Notice::FatalError, Notice::CrcError, Notice::CrcErrorMcu}) {
        const int bit = 1 << int(notice);
        if (!(pendingNotices.fetch_and(~bit) & bit))
            continue;
        switch (notice) {
        case Notice::FatalError: {
            QString message;
            bool ending = false;
            {
                QMutexLocker lock(&fatalMutex);
                if (pendingFatalMessages.isEmpty())
                    continue;
                message = pendingFatalMessages.takeFirst();
                if (!pendingFatalMessages.isEmpty())
                    pendingNotices.fetch_or(bit);
                ending = programEnding && message == endingMessage;
            }
            shownFatalEndsProgram = ending;
            if (!isSignalConnected(QMetaMethod::fromSignal(&McuThread::signal_fatalError))) {
                // Nobody shows it: a fatal error still ends the program.
                if (ending)
                    programEnder()(message);
                continue;
            }
            emit signal_fatalError(message);
            return;
        }
        case Notice::CrcError:
            if (!isSignalConnected(QMetaMethod::fromSignal(&McuThread::signal_crcError)))
                continue;
            emit signal_crcError();
            return;
        case Notice::CrcErrorMcu:
            if (!isSignalConnected(QMetaMethod::fromSignal(&McuThread::signal_crcErrorMcu)))
                continue;
            emit signal_crcErrorMcu();
            return;
        }
    }
    noticeOpen = false;
}

void McuThread::noticeClosed(Notice notice)
{
    if (notice == Notice::FatalError && shownFatalEndsProgram) {
        QString ending;
        {
            QMutexLocker lock(&fatalMutex);
            ending = endingMessage;
        }
        programEnder()(ending);
        return;
    }
    noticeOpen = false;
    QMetaObject::invokeMethod(this, [this] { deliverNextNotice(); }, Qt::QueuedConnection);
}
