#include "SimulatedKx4Module.h"

#include "FirmwarePageCheck.h"
#include "SimulatedFirmwareImage.h"

#include <QMutexLocker>

namespace {

enum Command : uint8_t {
    cmdEcho = 1,
    cmdFirmwareText = 3,
    cmdPageStart = 4,
    cmdFirmwareData = 5,
    cmdUpdateEnd = 6,
    cmdEnterUpdate = 8,
    cmdScan = 10,
    cmdSelect = 11,
    cmdWriteSetting = 12,
    cmdReadSetting = 13,
    cmdFanTest = 15,
    cmdTone = 16,
};

enum Reply : uint8_t {
    replyEcho = 1,
    replyText = 3,
    replyPageCheck = 6,
    replyFlashError = 7,
    replySerial = 10,
    replySetting = 13,
};

uint32_t bigEndian(const uint8_t* b)
{
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
}

} // namespace

SimulatedKx4Module::SimulatedKx4Module(int bus, quint32 serialNumber, const QString& firmwareText, int pageSize)
    : onBus(bus & 1), serial(serialNumber), pageSize(pageSize), text(firmwareText)
{
    settings.insert(1, 0);
    settings.insert(2, 4095);
}

uint8_t SimulatedKx4Module::frameCrc(const uint8_t* data7)
{
    uint8_t crc = 0;
    for (int i = 0; i < 7; ++i) {
        crc ^= data7[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80) ? uint8_t((crc << 1) ^ 0x1D) : uint8_t(crc << 1);
    }
    return crc;
}

void SimulatedKx4Module::frameFromBoard(Bus& bus, int busIndex, uint32_t identifier, const uint8_t* data8)
{
    if (busIndex != onBus || identifier != hostIdentifier)
        return;
    QMutexLocker lock(&mutex);
    ++receivedCount;
    if (frameCrc(data8) != data8[7]) {
        ++badCrcCount;
        return;
    }
    const uint8_t command = data8[4];
    const uint32_t value = bigEndian(data8);
    if (command == cmdScan) {
        reply(bus, replySerial, serial);
        return;
    }
    if (command == cmdSelect) {
        isSelected = value == serial;
        return;
    }
    if (!isSelected)
        return;
    switch (command) {
    case cmdEcho:
        ++echoCount;
        reply(bus, replyEcho, value);
        break;
    case cmdFirmwareText: {
        const QByteArray bytes = text.toLatin1();
        // Four characters a frame; a zero byte ends the text (a frame of
        // zeros when the length is a multiple of four).
        for (int i = 0; i <= bytes.size(); i += 4) {
            uint8_t chunk[4] = {0, 0, 0, 0};
            for (int k = 0; k < 4 && i + k < bytes.size(); ++k)
                chunk[k] = uint8_t(bytes.at(i + k));
            replyBytes(bus, replyText, chunk);
        }
        break;
    }
    case cmdWriteSetting:
        settings.insert(data8[5], value);
        break;
    case cmdReadSetting:
        reply(bus, replySetting, settings.value(data8[5], 0), data8[5]);
        break;
    case cmdFanTest:
        ++fanCount;
        break;
    case cmdTone:
        toneWords.append(value);
        break;
    case cmdEnterUpdate:
        updateMode = true;
        // The module restarts into its loader and must be selected again.
        isSelected = false;
        pageIndex = -1;
        pageData.clear();
        break;
    case cmdPageStart:
        if (updateMode) {
            pageIndex = int(value);
            pageData.clear();
        }
        break;
    case cmdFirmwareData:
        if (updateMode && pageIndex >= 0) {
            pageData.append(reinterpret_cast<const char*>(data8), 4);
            if (pageData.size() >= pageSize)
                finishPage(bus);
        }
        break;
    case cmdUpdateEnd:
        if (updateMode) {
            updateMode = false;
            int pages = 0;
            QString version;
            const int last = flash.isEmpty() ? -1 : flash.lastKey();
            if (last >= 0 && SimulatedFirmwareImage::readVersionMarker(flash.value(last), &pages, &version)
                && pages == last + 1)
                text = version;
        }
        break;
    default:
        break;
    }
}

void SimulatedKx4Module::finishPage(Bus& bus)
{
    const int page = pageIndex;
    const QByteArray data = pageData.left(pageSize);
    pageIndex = -1;
    pageData.clear();
    if (page == silentPage)
        return;
    if (page == flashErrorPage) {
        reply(bus, replyFlashError, flashErrorCode);
        return;
    }
    uint8_t check = firmwarePageCheck(reinterpret_cast<const unsigned char*>(data.constData()), int(data.size()));
    if (page == wrongCheckPage)
        check ^= 0x5A;
    else {
        flash.insert(page, data);
        flashedOrder.append(page);
    }
    reply(bus, replyPageCheck, check);
}

void SimulatedKx4Module::reply(Bus& bus, uint8_t code, uint32_t value, uint8_t settingId)
{
    const uint8_t bytes[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
    if (silent)
        return;
    uint8_t frame[8] = {bytes[0], bytes[1], bytes[2], bytes[3], code, settingId, 0, 0};
    frame[7] = frameCrc(frame);
    if (badReplyCrc)
        frame[7] ^= 0xFF;
    bus.sendToBoard(onBus, moduleIdentifier, frame);
}

void SimulatedKx4Module::replyBytes(Bus& bus, uint8_t code, const uint8_t* value4)
{
    reply(bus, code, bigEndian(value4));
}

void SimulatedKx4Module::setWrongCheckPage(int page)
{
    QMutexLocker lock(&mutex);
    wrongCheckPage = page;
}

void SimulatedKx4Module::setFlashErrorPage(int page, quint32 code)
{
    QMutexLocker lock(&mutex);
    flashErrorPage = page;
    flashErrorCode = code;
}

void SimulatedKx4Module::setSilentPage(int page)
{
    QMutexLocker lock(&mutex);
    silentPage = page;
}

void SimulatedKx4Module::setSilent(bool s)
{
    QMutexLocker lock(&mutex);
    silent = s;
}

void SimulatedKx4Module::setBadReplyCrc(bool bad)
{
    QMutexLocker lock(&mutex);
    badReplyCrc = bad;
}

QString SimulatedKx4Module::firmwareText() const
{
    QMutexLocker lock(&mutex);
    return text;
}

quint32 SimulatedKx4Module::setting(int id) const
{
    QMutexLocker lock(&mutex);
    return settings.value(id, 0);
}

bool SimulatedKx4Module::selected() const
{
    QMutexLocker lock(&mutex);
    return isSelected;
}

bool SimulatedKx4Module::inUpdateMode() const
{
    QMutexLocker lock(&mutex);
    return updateMode;
}

QList<int> SimulatedKx4Module::flashedPages() const
{
    QMutexLocker lock(&mutex);
    return flashedOrder;
}

QList<quint32> SimulatedKx4Module::tones() const
{
    QMutexLocker lock(&mutex);
    return toneWords;
}

int SimulatedKx4Module::fanTests() const
{
    QMutexLocker lock(&mutex);
    return fanCount;
}

int SimulatedKx4Module::echoes() const
{
    QMutexLocker lock(&mutex);
    return echoCount;
}

int SimulatedKx4Module::framesWithBadCrc() const
{
    QMutexLocker lock(&mutex);
    return badCrcCount;
}

int SimulatedKx4Module::framesReceived() const
{
    QMutexLocker lock(&mutex);
    return receivedCount;
}
