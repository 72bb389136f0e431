#include "FirmwareUpdaterWorker.h"

#include "McuThread.h"

#include <QDebug>
#include <QThread>
#include <QTimer>

#include <new>

// The embedded firmware bundle is compiled into a static library; its
// initialiser must be called by name, outside any namespace.
static void initFirmwareResource()
{
    Q_INIT_RESOURCE(firmware);
}

namespace {
int u16At(const QByteArray& bytes, int offset)
{
    return static_cast<unsigned char>(bytes[offset]) | (static_cast<unsigned char>(bytes[offset + 1]) << 8);
}
} // namespace

FirmwareUpdaterWorker::FirmwareUpdaterWorker(McuThread* link, const QString& imagePath)
    : QObject(link), link(link), file(imagePath)
{
    initFirmwareResource();
    if (!file.open(QIODevice::ReadOnly))
        qDebug() << "Cannot open the firmware image" << imagePath << file.errorString();
    header = file.read(headerSize);
    if (header.size() < headerSize) {
        qDebug() << "Error reading current firmware header";
    } else {
        const int end = header.indexOf('\0');
        imageVersion = QString::fromLatin1(header.left(end < 0 || end > 128 ? 128 : end));
        pageSizeBytes = u16At(header, 128);
        pages = u16At(header, 130);
    }
    try {
        pageBuffer.resize(pageSizeBytes);
        pageBufferOk = true;
    } catch (const std::bad_alloc& error) {
        qDebug() << "firmware updater page allocation bad_alloc caught:" << error.what();
    }
}

void FirmwareUpdaterWorker::init()
{
    responseTimer = new QTimer(this);
    responseTimer->setSingleShot(true);
    responseTimer->setInterval(1000);
    connect(responseTimer, &QTimer::timeout, this, &FirmwareUpdaterWorker::slot_responseTimeout);
    connect(link, &McuThread::signal_firmwareUpdateCrc, this, &FirmwareUpdaterWorker::slot_firmwareCRC,
            Qt::QueuedConnection);
    connect(link, &McuThread::signal_firmwareUpdateFlashError, this, &FirmwareUpdaterWorker::slot_firmwareFlashError,
            Qt::QueuedConnection);
}

void FirmwareUpdaterWorker::checkDeviceInfo(const QString& text)
{
    emit signal_currentFirmware(text);
    emit signal_progressInfo(QString());
    link->firmwareConfirmed = false;
    if (!link->boardSupported()) {
        // The program is ending; no firmware is offered to a board it cannot drive.
        return;
    }

    if (text.startsWith(QLatin1String("DEBUG_"))) {
        qDebug().noquote() << "!DEBUG FIRMWARE IN THE DEVICE!" << text;
        if (link->confirmFirmware())
            emit link->signal_firmwareVersionConfirmed();
        return;
    }
    if (text == imageVersion) {
        if (link->confirmFirmware()) {
            emit signal_closeUI();
            emit link->signal_firmwareVersionConfirmed();
        }
        return;
    }
    qDebug() << "Firmware size:" << pages << "pages";
    qDebug() << "Page size:" << pageSizeBytes;
    emit signal_showUI();
}

void FirmwareUpdaterWorker::slot_startUpdate()
{
    updateActive = true;
    file.seek(headerSize);

    link->polling = false;
    for (int i = 0; i < 32; ++i)
        link->writeReg(DynoRegister::enterBootloader, 0);
    emit signal_currentFirmware(QStringLiteral("BOOTLOADER"));
    link->slot_commitWriteReg();
    QThread::msleep(1000);
    link->restartLoopTimer();

    emit signal_progressValue(0);
    transferOk = true;
    pageIndex = 0;
    sendPage();
}

void FirmwareUpdaterWorker::sendPage()
{
    if (!updateActive)
        return;
    if (!pageBufferOk) {
        transferOk = false;
        updateEnd();
        return;
    }
    if (pageIndex >= uint32_t(pages)) {
        updateEnd();
        return;
    }
    if (developerMode) {
        while (pageIndex <= 31 && pageIndex < uint32_t(pages)) {
            file.read(pageSizeBytes);
            file.read(1);
            ++pageIndex;
        }
        if (pageIndex >= uint32_t(pages)) {
            updateEnd();
            return;
        }
    }
    if (file.read(pageBuffer.data(), pageSizeBytes) < pageSizeBytes) {
        transferOk = false;
        qDebug() << "Error reading firmware file. Page" << pageIndex;
        updateEnd();
        return;
    }
    char check = 0;
    if (file.read(&check, 1) != 1) {
        transferOk = false;
        qDebug() << "Error reading firmware file. Page" << pageIndex << "checksum";
        updateEnd();
        return;
    }
    checkByte = static_cast<uint8_t>(check);
    link->sendFirmwarePage(pageIndex, uint32_t(pageSizeBytes), reinterpret_cast<const uint8_t*>(pageBuffer.constData()));
    responseTimer->start(1000);
}

void FirmwareUpdaterWorker::slot_firmwareCRC(uint32_t crc)
{
    if (!updateActive) {
        // A late or stray answer must not finish an update a second time.
        qDebug() << "Firmware page check value received outside an update; ignored";
        return;
    }
    responseTimer->stop();
    if (crc == uint32_t(checkByte)) {
        emit signal_progressInfo(QString::asprintf("PAGE %d OF %d", int(pageIndex) + 1, pages));
        emit signal_progressValue(int(pageIndex) + 1);
        ++pageIndex;
        sendPage();
        return;
    }
    emit signal_progressInfo(QString::asprintf("Checksum error. Page %d", int(pageIndex)));
    qDebug() << "CRC error. Anticipated: " << int(checkByte) << "Received: " << crc;
    transferOk = false;
    updateEnd();
}

void FirmwareUpdaterWorker::slot_firmwareFlashError()
{
    if (!updateActive) {
        qDebug() << "Firmware flash error reported outside an update; ignored";
        return;
    }
    responseTimer->stop();
    transferOk = false;
    qDebug() << "Flash write error";
    updateEnd();
}

void FirmwareUpdaterWorker::slot_responseTimeout()
{
    if (!updateActive)
        return;
    const QString text = QStringLiteral("Response timeout. No response from bootloader");
    emit signal_progressInfo(text);
    qDebug().noquote() << text;
    emit signal_currentFirmware(QStringLiteral("no response ???"));
    transferOk = false;
    updateEnd();
}

void FirmwareUpdaterWorker::updateEnd()
{
    if (transferOk && pages != 0 && pageIndex == uint32_t(pages)) {
        emit signal_currentFirmware(QStringLiteral("..."));
        emit signal_progressInfo(QStringLiteral("Firmware updated. Waiting for firmware information..."));
        qDebug() << "Firmware updated";
        link->writeReg(DynoRegister::firmwareConfirmCRC, 0);
    } else {
        emit signal_currentFirmware(QStringLiteral("Update error. Waiting for firmware information..."));
        qDebug() << "Firmware update error";
    }
    link->polling = false;
    link->slot_commitWriteReg();
    QThread::msleep(1000);
    link->polling = true;
    link->restartLoopTimer();
    updateActive = false;
    link->getDeviceInfo();
    emit signal_updateFinished();
}
