#include "UsbSerialObdInterface.h"

#include "usbserial.h"

#include <QDateTime>
#include <QDebug>
#include <QThread>

#include <algorithm>
#include <functional>
#include <iterator>
#include <vector>

const char* const USS_STATUS_description[20] = {
    "USS_OK",
    "USS_INVALID_HANDLE",
    "USS_DEVICE_NOT_FOUND",
    "USS_DEVICE_NOT_OPENED",
    "USS_IO_ERROR",
    "USS_INSUFFICIENT_RESOURCES",
    "USS_INVALID_PARAMETER",
    "USS_INVALID_BAUD_RATE",
    "USS_DEVICE_NOT_OPENED_FOR_ERASE",
    "USS_DEVICE_NOT_OPENED_FOR_WRITE",
    "USS_FAILED_TO_WRITE_DEVICE",
    "USS_EEPROM_READ_FAILED",
    "USS_EEPROM_WRITE_FAILED",
    "USS_EEPROM_ERASE_FAILED",
    "USS_EEPROM_NOT_PRESENT",
    "USS_EEPROM_NOT_PROGRAMMED",
    "USS_INVALID_ARGS",
    "USS_NOT_SUPPORTED",
    "USS_OTHER_ERROR",
    "USS_DEVICE_LIST_NOT_READY",
};

UsbSerialObdInterface::UsbSerialObdInterface(QObject* parent)
    : AbstractObdInterface(parent)
{
}

UsbSerialObdInterface::~UsbSerialObdInterface()
{
    if (handle)
        USS_Close(handle);
    handle = nullptr;
}

QString UsbSerialObdInterface::ftStatusToStr(unsigned int status)
{
    if (status >= std::size(USS_STATUS_description))
        return QString();
    return QString::fromLatin1(USS_STATUS_description[status]);
}

void UsbSerialObdInterface::slot_setDevice(const QString& deviceString)
{
    const QStringList parts = deviceString.split(QStringLiteral(" = "));
    if (!parts.isEmpty()) {
        serialNumber = parts.at(0);
        description = parts.size() >= 2 ? parts.at(1) : parts.at(0);
    }
    resetSocket();
    emit signal_connectedSignal(false);
}

QString UsbSerialObdInterface::deviceName()
{
    return serialNumber;
}

void UsbSerialObdInterface::slot_connectDevice()
{
    if (serialNumber.isEmpty()) {
        emit signal_socketErrorTxt(tr("Device serial number empty"));
        return;
    }
    if (handle) {
        emit signal_connectedSignal(true);
        return;
    }
    QByteArray serial = serialNumber.toUtf8();
    serial.append('\0');
    USS_HANDLE opened = nullptr;
    const USS_STATUS openStatus = USS_OpenEx(serial.data(), USS_OPEN_BY_SERIAL_NUMBER, &opened);
    if (openStatus != 0 || !opened) {
        emit signal_whatsGoingOn(QStringLiteral("USB-serial chip open by serial error"));
        resetSocket();
        emit signal_socketStateTxt(ftStatusToStr(openStatus));
        return;
    }
    handle = opened;
    const unsigned int status = init();
    if (status == 0) {
        emit signal_connectedSignal(true);
        emit signal_socketStateTxt(QStringLiteral("USS_OK"));
        return;
    }
    emit signal_whatsGoingOn(QStringLiteral("USB-serial chip init error"));
    resetSocket();
    emit signal_socketStateTxt(ftStatusToStr(status));
}

unsigned int UsbSerialObdInterface::init()
{
    const struct {
        const char* name;
        std::function<USS_STATUS()> call;
    } steps[] = {
        {"USS_SetUSBParameters", [this] { return USS_SetUSBParameters(handle, 64, 64); }},
        {"USS_SetBaudRate", [this] { return USS_SetBaudRate(handle, uint32_t(baudRate)); }},
        {"USS_SetDataCharacteristics", [this] { return USS_SetDataCharacteristics(handle, 8, 0, 0); }},
        {"USS_SetFlowControl", [this] { return USS_SetFlowControl(handle, 0, 0, 0); }},
        {"USS_SetTimeouts", [this] { return USS_SetTimeouts(handle, 2000, 100); }},
        {"USS_SetLatencyTimer", [this] { return USS_SetLatencyTimer(handle, 1); }},
        {"USS_Purge", [this] { return USS_Purge(handle, 3); }},
    };
    for (const auto& step : steps) {
        const USS_STATUS status = step.call();
        if (status != 0) {
            qDebug() << step.name;
            return status;
        }
    }
    return 0;
}

void UsbSerialObdInterface::resetSocket()
{
    emit signal_connectedSignal(false);
    if (!handle)
        return;
    emit signal_socketStateTxt(tr("Reset issued"));
    USS_Close(handle);
    handle = nullptr;
    emit signal_socketStateTxt(tr("Disconnected"));
}

unsigned int UsbSerialObdInterface::getRxQueueBytes()
{
    queueQueryFailed = false;
    uint32_t rx = 0;
    uint32_t tx = 0;
    uint32_t events = 0;
    if (!handle || USS_GetStatus(handle, &rx, &tx, &events) != 0) {
        queueQueryFailed = true;
        resetSocket();
        return 0;
    }
    return rx;
}

unsigned int UsbSerialObdInterface::purgeRx()
{
    if (!handle)
        return 3;
    return USS_Purge(handle, 1);
}

QByteArray UsbSerialObdInterface::readData(qint64 timeoutMs, qint64& elapsedMs)
{
    if (!handle) {
        qDebug() << "Reading from not connected UsbSerial interface";
        resetSocket();
        return QByteArray();
    }
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    QByteArray collected;
    for (;;) {
        const unsigned int queued = getRxQueueBytes();
        if (queueQueryFailed)
            return QByteArray();
        if (queued > 0) {
            const qsizetype before = collected.size();
            collected.resize(before + qsizetype(queued));
            uint32_t got = 0;
            const USS_STATUS status = USS_Read(handle, collected.data() + before, queued, &got);
            if (status != 0 || got < queued) {
                qDebug().noquote() << ftStatusToStr(status);
                resetSocket();
                return QByteArray();
            }
            if (collected.endsWith('>'))
                return collected;
        }
        if (stopRequested())
            return collected;
        elapsedMs = QDateTime::currentMSecsSinceEpoch() - start;
        if (elapsedMs > timeoutMs)
            return collected;
        // Nothing new yet: the chip's 1 ms latency timer decides when bytes
        // show, so polling faster than that only burns the board's CPU.
        if (queued == 0)
            QThread::usleep(500);
    }
}

bool UsbSerialObdInterface::writeData(const QByteArray& data)
{
    if (!handle)
        return false;
    uint32_t written = 0;
    QByteArray bytes = data;
    const USS_STATUS status = USS_Write(handle, bytes.data(), uint32_t(bytes.size()), &written);
    if (status != 0) {
        qDebug() << "UsbSerial write failed";
        resetSocket();
        return false;
    }
    return true;
}

QStringList UsbSerialObdInterface::listDevices()
{
    QStringList devices;
    uint32_t count = 0;
    const USS_STATUS created = USS_CreateDeviceInfoList(&count);
    if (created != 0) {
        qDebug().noquote() << "USS_CreateDeviceInfoList error" << ftStatusToStr(created);
        count = 0;
    }
    if (count == 0)
        return devices;
    std::vector<DeviceInfoNode> nodes(count);
    uint32_t filled = count;
    const USS_STATUS status = USS_GetDeviceInfoList(nodes.data(), &filled);
    if (status != 0) {
        qDebug().noquote() << "USS_GetDeviceInfoList error" << ftStatusToStr(status);
        return devices;
    }
    const uint32_t entries = std::min<uint32_t>(filled, count);
    for (uint32_t i = 0; i < entries; ++i) {
        const DeviceInfoNode& node = nodes[i];
        const QString serial = QString::fromUtf8(node.serialNumber, qstrnlen(node.serialNumber, sizeof node.serialNumber));
        const QString text = QString::fromUtf8(node.description, qstrnlen(node.description, sizeof node.description));
        devices.append(QStringLiteral("%1 = %2").arg(serial, text));
    }
    return devices;
}
