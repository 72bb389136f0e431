#include "SimulatedDynoController.h"

#include "FirmwarePageCheck.h"
#include "SimulatedCanopenNode.h"
#include "SimulatedControllerRegisters.h"
#include "SimulatedFirmwareImage.h"
#include "SimulatedKx4Module.h"
#include "SimulatedTestStream.h"
#include "SimulatedVehiclePlant.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace {

// The firmware's own frame CRC: CRC-8, polynomial 0x1D, over bytes 0..4.
uint8_t crc8(const unsigned char* data, int n)
{
    uint8_t crc = 0;
    for (int i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80) ? static_cast<uint8_t>((crc << 1) ^ 0x1D) : static_cast<uint8_t>(crc << 1);
    }
    return crc;
}

uint32_t bigEndian(const uint8_t* b)
{
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
}

constexpr int64_t performancePeriodUs = 1000000;
constexpr int64_t selfTestDurationUs = 300000;
constexpr int maxTraceEntries = 2000000;
constexpr int maxTextLength = 256;

} // namespace

class SimulatedDynoController::Sink : public SimulatedPlant::FrameSink
{
public:
    explicit Sink(SimulatedDynoController& c) : controller(c) {}
    void push(uint8_t reg, uint32_t value) override { controller.push(reg, value); }

private:
    SimulatedDynoController& controller;
};

class SimulatedDynoController::CanBus : public SimulatedCanPeer::Bus
{
public:
    explicit CanBus(SimulatedDynoController& controller)
        : c(controller)
    {
    }
    void sendToBoard(int bus, uint32_t identifier, const uint8_t* data8) override
    {
        c.receiveCanLocked(bus, identifier, data8, uint32_t(c.canNowUs / 1000));
    }

private:
    SimulatedDynoController& c;
};

SimulatedDynoController::SimulatedDynoController(const SimulatedControllerConfig& config, const QString& userPageFile)
    : config(config), userPageFile(userPageFile), queue(queueCapacity)
{
    clock.start();
    if (config.vehiclePlant) {
        SimulatedScenario scenario = SimulatedScenario::standing();
        if (!config.scenarioFile.isEmpty()) {
            QString error;
            scenario = SimulatedScenario::fromFile(config.scenarioFile, &error);
            if (!error.isEmpty())
                qDebug().noquote() << "Simulated controller:" << error << "- the vehicle stands still";
            else
                qDebug().noquote() << "Simulated controller: scenario" << config.scenarioFile;
        }
        auto vehicle = std::make_unique<SimulatedVehiclePlant>(scenario, config.deviceCode);
        vehicle->setLoadCellClipping(config.loadCellClipping);
        plant = std::move(vehicle);
    } else {
        auto stream = std::make_unique<SimulatedTestStream>(config.streamFramesPerMs);
        testStream = stream.get();
        plant = std::move(stream);
    }
    version = config.firmwareVersion;
    if (config.canopenNode > 0)
        canPeers.push_back(std::make_shared<SimulatedCanopenNode>(config.canopenBus, config.canopenNode));
    for (int i = 0; i < config.kx4Modules; ++i)
        canPeers.push_back(
            std::make_shared<SimulatedKx4Module>(0, SimulatedKx4Module::firstSerialNumber + quint32(i)));
    syncEchoSuppressed = config.noSyncEcho;
    userPageReadsUnanswered = config.noUserPageAnswer;
    flashErrorPage = config.flashErrorPage;
    wrongCheckPage = config.wrongCheckPage;
    silentPage = config.bootloaderSilentPage;
    loadUserPage();
    if (!config.targetLogFile.isEmpty()) {
        targetLog = std::make_unique<QFile>(config.targetLogFile);
        if (!targetLog->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            qDebug().noquote() << "Simulated controller: can't write the target log" << config.targetLogFile;
            targetLog.reset();
        }
    }
    bootApplication(nowUs());
}

SimulatedDynoController::~SimulatedDynoController() = default;

int64_t SimulatedDynoController::nowUs() const
{
    return clock.nsecsElapsed() / 1000;
}

void SimulatedDynoController::encodeFrame(uint8_t reg, uint32_t value, unsigned char* out)
{
    out[0] = reg;
    out[1] = static_cast<unsigned char>(value >> 24);
    out[2] = static_cast<unsigned char>(value >> 16);
    out[3] = static_cast<unsigned char>(value >> 8);
    out[4] = static_cast<unsigned char>(value);
    out[5] = crc8(out, 5);
}

uint8_t SimulatedDynoController::frameCrc(const unsigned char* frame)
{
    return crc8(frame, 5);
}

// ------------------------------------------------------------------ transfer

int SimulatedDynoController::transfer(const unsigned char* tx, unsigned char* rx, int length)
{
    if (length <= 0)
        return -1;
    QMutexLocker lock(&mutex);
    ++transferCount;
    std::memset(rx, 0, size_t(length));
    if (config.silent)
        return length;

    const int64_t now = nowUs();
    advance(now);
    // The board switches to whole batches once it has confirmed the firmware;
    // only then does it take the serial number (it drops such frames before).
    if (!bootloader && length >= 192 && !serialSent) {
        serialSent = true;
        push(SimReg::serialNumber, config.serialNumber);
    }

    // What leaves now was queued before this transfer's frames were seen.
    const int frames = length / 6;
    const bool corruptNow = corruptFrame > 0 && frames >= corruptFrame
                            && queueSize + (overflowFlagPending ? 1 : 0) >= corruptFrame;
    for (int i = 0; i < frames; ++i) {
        Frame frame;
        if (overflowFlagPending) {
            encodeFrame(SimReg::spiOutputBufferFull, 0, frame.data());
            overflowFlagPending = false;
        } else if (!pop(frame)) {
            break;
        }
        if (corruptNow && i == corruptFrame - 1)
            frame[5] ^= 0xA5;
        std::memcpy(rx + 6 * i, frame.data(), 6);
    }
    if (corruptNow)
        corruptFrame = 0;

    for (int i = 0; i < frames; ++i) {
        const unsigned char* f = tx + 6 * i;
        if (f[0] == SimReg::null)
            continue;
        const bool crcOk = crc8(f, 5) == f[5];
        if (tracing && traceEntries.size() < maxTraceEntries) {
            TraceEntry entry;
            entry.transfer = transferCount;
            entry.transferBytes = length;
            entry.slot = i;
            entry.reg = f[0];
            entry.value = bigEndian(f + 1);
            std::memcpy(entry.bytes.data(), f, 6);
            entry.crcOk = crcOk;
            traceEntries.append(entry);
        }
        if (!crcOk || rejectNext) {
            rejectNext = false;
            push(SimReg::mcuSideCrcError, 0);
            continue;
        }
        handle(f[0], f + 1, now);
    }
    return length;
}

void SimulatedDynoController::advance(int64_t now)
{
    if (bootloader)
        return;
    if (!canPeers.empty()) {
        canNowUs = now;
        CanBus bus(*this);
        for (const auto& peer : canPeers)
            peer->advance(bus, now);
    }
    Sink sink(*this);
    if (testStream || serialSent) {
        plant->advance(now, sink);
    } else {
        // The firmware streams measurements only once the board takes whole
        // batches; before that they would only fill the transmit buffer.
        class Discard : public SimulatedPlant::FrameSink
        {
        public:
            void push(uint8_t, uint32_t) override {}
        } discard;
        plant->advance(now, discard);
    }
    if (now >= nextPerformanceUs) {
        // Average load 12 %, peak 35 %, 1400 bytes of free stack.
        push(SimReg::systemPerformance, (12u << 24) | (35u << 16) | 1400u);
        nextPerformanceUs = now + performancePeriodUs;
    }
    if (selfTestDoneUs >= 0 && now >= selfTestDoneUs) {
        selfTestDoneUs = -1;
        push(SimReg::selftest, 0);
    }
}

// --------------------------------------------------------------------- queue

void SimulatedDynoController::push(uint8_t reg, uint32_t value)
{
    Frame frame;
    encodeFrame(reg, value, frame.data());
    pushFrame(frame);
}

void SimulatedDynoController::pushRaw(uint8_t reg, const uint8_t* bytes4)
{
    Frame frame;
    frame[0] = reg;
    std::memcpy(frame.data() + 1, bytes4, 4);
    frame[5] = crc8(frame.data(), 5);
    pushFrame(frame);
}

void SimulatedDynoController::pushFrame(const Frame& frame)
{
    if (queueSize >= queueCapacity) {
        // The transmit buffer is full: the frame is lost and the board is told.
        ++dropped;
        overflowFlagPending = true;
        return;
    }
    queue[(queueHead + queueSize) % queueCapacity] = frame;
    ++queueSize;
}

bool SimulatedDynoController::pop(Frame& frame)
{
    if (queueSize == 0)
        return false;
    frame = queue[queueHead];
    queueHead = (queueHead + 1) % queueCapacity;
    --queueSize;
    return true;
}

void SimulatedDynoController::clearQueue()
{
    queueHead = 0;
    queueSize = 0;
    overflowFlagPending = false;
}

// ---------------------------------------------------------- frames received

void SimulatedDynoController::handle(uint8_t reg, const uint8_t* bytes, int64_t now)
{
    const uint32_t value = bigEndian(bytes);
    if (bootloader) {
        handleBootloader(reg, value, bytes, now);
        return;
    }
    handleApplication(reg, value, bytes, now);
}

void SimulatedDynoController::handleApplication(uint8_t reg, uint32_t value, const uint8_t* bytes, int64_t now)
{
    switch (reg) {
    case SimReg::deviceInfo:
        answerDeviceInfo();
        break;
    case SimReg::enterBootloader:
        bootloader = true;
        clearQueue();
        pageIndex = -1;
        pageData.clear();
        flash.clear();
        break;
    case SimReg::bye:
        break;
    case SimReg::sync:
        ++syncCount;
        if (!syncEchoSuppressed)
            push(SimReg::sync, 0);
        break;
    case SimReg::selftest:
        selfTestDoneUs = now + selfTestDurationUs;
        break;
    case SimReg::canBus0Status:
        push(SimReg::canBus0Status, canStatus[0]);
        if (config.deviceCode != 2 && config.deviceCode != 4)
            push(SimReg::canBus1Status, canStatus[1]);
        break;
    case SimReg::readUserPageWord: {
        if (userPageReadsUnanswered)
            break;
        const uint8_t id = static_cast<uint8_t>(value & 0xFF);
        push(SimReg::userPageWord, userPage.value(id, 0xFFFFFFFFu));
        push(SimReg::readUserPageWord, id);
        break;
    }
    case SimReg::userPageWord:
        userPageLatch = value;
        break;
    case SimReg::writeUserPageWord:
        userPage.insert(static_cast<uint8_t>(value & 0xFF), userPageLatch);
        break;
    case SimReg::commitUserPageWrite:
        saveUserPage();
        break;
    case SimReg::configAddress:
        configAddressLatch = value;
        break;
    case SimReg::configValue:
        configMemory.insert(configAddressLatch, value);
        plant->configWritten(static_cast<uint16_t>(configAddressLatch >> 16),
                             static_cast<uint16_t>(configAddressLatch & 0xFFFF), value);
        break;
    case SimReg::canData0:
        std::memcpy(canData.data(), bytes, 4);
        break;
    case SimReg::canData1:
        std::memcpy(canData.data() + 4, bytes, 4);
        break;
    case SimReg::canId: {
        SentCanFrame frame;
        frame.bus = int(value >> 31);
        frame.identifier = value & 0x1FFFFFFFu;
        frame.data = QByteArray(reinterpret_cast<const char*>(canData.data()), 8);
        // Outputs repeat for hours under `make run`: keep the newest frames only.
        if (canSent.size() >= maxSentCanFrames)
            canSent.remove(0, maxSentCanFrames / 4);
        canSent.append(frame);
        if (config.canLoopback) {
            pushRaw(SimReg::canData0, canData.data());
            pushRaw(SimReg::canData1, canData.data() + 4);
            push(SimReg::canTimestamp, uint32_t(now));
            push(SimReg::canId, (uint32_t(frame.bus ^ 1) << 31) | frame.identifier);
        }
        if (!canPeers.empty()) {
            canNowUs = now;
            CanBus bus(*this);
            const std::array<uint8_t, 8> sent = canData;
            for (const auto& peer : canPeers)
                peer->frameFromBoard(bus, frame.bus, frame.identifier, sent.data());
        }
        break;
    }
    default:
        if (reg >= SimReg::writeFirst && reg < SimReg::writeEnd) {
            if (targetLog && (!targetLogged[reg] || targets[reg] != value)) {
                targetLogged[reg] = true;
                char line[24];
                const int length = std::snprintf(line, sizeof line, "%u %08x\n", unsigned(reg), unsigned(value));
                targetLog->write(line, length);
                targetLog->flush();
            }
            targets[reg] = value;
            plant->targetWritten(reg, value);
        } else if (reg == SimReg::stepperAdjust) {
            targets[reg] = value;
        }
        break;
    }
}

void SimulatedDynoController::answerDeviceInfo()
{
    ++deviceInfoCount;
    push(SimReg::hardwareRevision, static_cast<uint8_t>(config.revision));
    push(SimReg::hardwareVersion, static_cast<uint32_t>(config.deviceCode & 0xFF));
    // Four characters per frame in text order; the first frame holding a zero
    // byte ends the text, so a text whose length is a multiple of four needs
    // one more frame.
    QByteArray text = version.toLatin1().left(maxTextLength);
    text.append(4 - text.size() % 4, '\0');
    for (int i = 0; i < text.size(); i += 4)
        pushRaw(SimReg::deviceInfo, reinterpret_cast<const uint8_t*>(text.constData() + i));
}

void SimulatedDynoController::handleBootloader(uint8_t reg, uint32_t value, const uint8_t* bytes, int64_t now)
{
    switch (reg) {
    case SimReg::firmwarePage:
        pageIndex = int(value);
        pageData.clear();
        break;
    case SimReg::firmwareContent:
        if (pageIndex < 0)
            break;
        pageData.append(reinterpret_cast<const char*>(bytes), 4);
        if (pageData.size() == config.bootloaderPageSize)
            finishPage();
        break;
    case SimReg::firmwareConfirmCRC: {
        // End of the update: boot the flashed image when it is whole, else the
        // previous one, which a failed update leaves in place.
        if (!flash.isEmpty()) {
            int pages = 0;
            QString flashedVersion;
            const int last = flash.lastKey();
            bool whole = SimulatedFirmwareImage::readVersionMarker(flash.value(last), &pages, &flashedVersion)
                         && last == pages - 1;
            for (int p = flash.firstKey(); whole && p <= last; ++p)
                whole = flash.contains(p);
            if (whole)
                version = flashedVersion;
        }
        bootApplication(now);
        break;
    }
    case SimReg::deviceInfo:
        // Asked for its identity, the bootloader starts the application it has.
        bootApplication(now);
        answerDeviceInfo();
        break;
    default:
        break;
    }
}

void SimulatedDynoController::finishPage()
{
    const int page = pageIndex;
    pageIndex = -1;
    if (page == silentPage)
        return;
    if (page == flashErrorPage) {
        push(SimReg::firmwareFlashError, 0);
        return;
    }
    uint8_t check = firmwarePageCheck(reinterpret_cast<const unsigned char*>(pageData.constData()),
                                      int(pageData.size()));
    if (page == wrongCheckPage)
        check ^= 0x5A;
    else
        flash.insert(page, pageData);
    push(SimReg::firmwareConfirmCRC, check);
}

void SimulatedDynoController::bootApplication(int64_t now)
{
    bootloader = false;
    clearQueue();
    serialSent = false;
    selfTestDoneUs = -1;
    nextPerformanceUs = now + performancePeriodUs;
    plant->start(now);
    push(SimReg::startOfTransmission, 0);
}

// ----------------------------------------------------------------- user page

void SimulatedDynoController::loadUserPage()
{
    QFile file(userPageFile);
    if (userPageFile.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QMap<uint8_t, uint32_t> words;
    bool ok = true;
    QTextStream in(&file);
    while (ok && !in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty())
            continue;
        const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bool idOk = false;
        bool valueOk = false;
        const uint id = parts.size() == 2 ? parts.at(0).toUInt(&idOk) : 0;
        const uint value = parts.size() == 2 ? parts.at(1).toUInt(&valueOk) : 0;
        ok = idOk && valueOk && id < 256;
        words.insert(static_cast<uint8_t>(id), value);
    }
    file.close();
    if (!ok) {
        const QString bad = userPageFile + QStringLiteral(".bad");
        QFile::remove(bad);
        QFile::rename(userPageFile, bad);
        qDebug().noquote() << "Simulated controller: user page file" << userPageFile
                           << "cannot be read; kept as" << bad << "and started empty";
        return;
    }
    userPage = words;
}

void SimulatedDynoController::saveUserPage()
{
    if (userPageFile.isEmpty())
        return;
    QSaveFile file(userPageFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    QByteArray text;
    for (auto it = userPage.cbegin(); it != userPage.cend(); ++it)
        text += QByteArray::number(it.key()) + ' ' + QByteArray::number(it.value()) + '\n';
    file.write(text);
    if (!file.commit())
        qDebug() << "Simulated controller: user page not saved:" << file.errorString();
}

// ----------------------------------------------------- injection, observation

void SimulatedDynoController::setPlant(std::unique_ptr<SimulatedPlant> newPlant)
{
    QMutexLocker lock(&mutex);
    plant = std::move(newPlant);
    testStream = nullptr;
    plant->start(nowUs());
}

void SimulatedDynoController::setStreamRate(int framesPerMs)
{
    QMutexLocker lock(&mutex);
    if (testStream)
        testStream->setRate(framesPerMs, nowUs());
}

void SimulatedDynoController::setSilent(bool silent)
{
    QMutexLocker lock(&mutex);
    config.silent = silent;
}

void SimulatedDynoController::corruptCrcOfFrame(int n)
{
    QMutexLocker lock(&mutex);
    corruptFrame = n;
}

void SimulatedDynoController::reportOutputBufferFull()
{
    QMutexLocker lock(&mutex);
    overflowFlagPending = true;
}

void SimulatedDynoController::reportInputBufferFull()
{
    QMutexLocker lock(&mutex);
    if (inputFullReported)
        return;
    inputFullReported = true;
    push(SimReg::spiInputBufferFull, 0);
}

void SimulatedDynoController::rejectNextBoardFrame()
{
    QMutexLocker lock(&mutex);
    rejectNext = true;
}

void SimulatedDynoController::setSyncEchoSuppressed(bool suppressed)
{
    QMutexLocker lock(&mutex);
    syncEchoSuppressed = suppressed;
}

void SimulatedDynoController::setBootloaderFaults(int flashError, int wrongCheck, int silent)
{
    QMutexLocker lock(&mutex);
    flashErrorPage = flashError;
    wrongCheckPage = wrongCheck;
    silentPage = silent;
}

void SimulatedDynoController::sendFrame(uint8_t reg, uint32_t value)
{
    QMutexLocker lock(&mutex);
    push(reg, value);
}

void SimulatedDynoController::sendFrames(const QList<QPair<uint8_t, uint32_t>>& frames)
{
    QMutexLocker lock(&mutex);
    for (const auto& f : frames)
        push(f.first, f.second);
}

void SimulatedDynoController::sendRawFrame(const unsigned char* bytes)
{
    QMutexLocker lock(&mutex);
    Frame frame;
    std::memcpy(frame.data(), bytes, 6);
    pushFrame(frame);
}

void SimulatedDynoController::addCanPeer(std::shared_ptr<SimulatedCanPeer> peer)
{
    QMutexLocker lock(&mutex);
    canPeers.push_back(std::move(peer));
}

void SimulatedDynoController::injectCanFrame(int bus, uint32_t identifier, const unsigned char* data8,
                                             uint32_t timestamp)
{
    QMutexLocker lock(&mutex);
    receiveCanLocked(bus, identifier, data8, timestamp);
}

void SimulatedDynoController::receiveCanLocked(int bus, uint32_t identifier, const uint8_t* data8,
                                               uint32_t timestamp)
{
    pushRaw(SimReg::canData0, data8);
    pushRaw(SimReg::canData1, data8 + 4);
    push(SimReg::canTimestamp, timestamp);
    push(SimReg::canId, (uint32_t(bus & 1) << 31) | (identifier & 0x1FFFFFFFu));
}

void SimulatedDynoController::setCanStatus(uint32_t bus0, uint32_t bus1)
{
    QMutexLocker lock(&mutex);
    canStatus[0] = bus0;
    canStatus[1] = bus1;
    // The firmware reports a change of a bus state without being asked.
    push(SimReg::canBus0Status, canStatus[0]);
    if (config.deviceCode != 2 && config.deviceCode != 4)
        push(SimReg::canBus1Status, canStatus[1]);
}

void SimulatedDynoController::setLoadCellClipping(bool clipping)
{
    QMutexLocker lock(&mutex);
    if (auto* vehicle = dynamic_cast<SimulatedVehiclePlant*>(plant.get()))
        vehicle->setLoadCellClipping(clipping);
}

void SimulatedDynoController::setUserPageReadsUnanswered(bool unanswered)
{
    QMutexLocker lock(&mutex);
    userPageReadsUnanswered = unanswered;
}

void SimulatedDynoController::setTraceEnabled(bool enabled)
{
    QMutexLocker lock(&mutex);
    tracing = enabled;
}

QList<SimulatedDynoController::TraceEntry> SimulatedDynoController::trace() const
{
    QMutexLocker lock(&mutex);
    return traceEntries;
}

void SimulatedDynoController::clearTrace()
{
    QMutexLocker lock(&mutex);
    traceEntries.clear();
}

QString SimulatedDynoController::runningVersion() const
{
    QMutexLocker lock(&mutex);
    return version;
}

bool SimulatedDynoController::inBootloader() const
{
    QMutexLocker lock(&mutex);
    return bootloader;
}

bool SimulatedDynoController::configWord(uint32_t byteAddress, uint16_t channel, uint32_t* value) const
{
    QMutexLocker lock(&mutex);
    const uint32_t key = ((byteAddress / 4) << 16) | channel;
    const auto it = configMemory.constFind(key);
    if (it == configMemory.cend())
        return false;
    if (value)
        *value = it.value();
    return true;
}

uint32_t SimulatedDynoController::target(uint8_t reg) const
{
    QMutexLocker lock(&mutex);
    return targets[reg];
}

QList<SimulatedDynoController::SentCanFrame> SimulatedDynoController::sentCanFrames() const
{
    QMutexLocker lock(&mutex);
    return canSent;
}

bool SimulatedDynoController::userPageWord(uint8_t id, uint32_t* value) const
{
    QMutexLocker lock(&mutex);
    if (!userPage.contains(id))
        return false;
    if (value)
        *value = userPage.value(id);
    return true;
}

QList<int> SimulatedDynoController::flashedPages() const
{
    QMutexLocker lock(&mutex);
    return flash.keys();
}

int SimulatedDynoController::deviceInfoRequests() const
{
    QMutexLocker lock(&mutex);
    return deviceInfoCount;
}

int SimulatedDynoController::syncRequests() const
{
    QMutexLocker lock(&mutex);
    return syncCount;
}

quint64 SimulatedDynoController::framesDropped() const
{
    QMutexLocker lock(&mutex);
    return dropped;
}

quint64 SimulatedDynoController::transfers() const
{
    QMutexLocker lock(&mutex);
    return transferCount;
}
