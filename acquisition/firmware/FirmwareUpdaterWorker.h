#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>

class McuThread;
class QTimer;

// Compares the MCU's firmware version with the image the program carries and,
// when they differ, sends the image page by page to the MCU's bootloader.
// A child of the link thread object, living in the link thread; it calls the
// link's operations directly and talks to the dialog through queued signals.
class FirmwareUpdaterWorker : public QObject
{
    Q_OBJECT
public:
    static constexpr int headerSize = 136;

    FirmwareUpdaterWorker(McuThread* link, const QString& imagePath);

    // Called by the link thread when it starts.
    void init();
    // A complete device-information text from the MCU (link thread).
    void checkDeviceInfo(const QString& text);

    int pageSize() const { return pageSizeBytes; }
    int pageCount() const { return pages; }

    QString imageVersion;
    // Developer updates leave the first 32 pages (the bootloader's area) alone.
    std::atomic<bool> developerMode{false};

public Q_SLOTS:
    void slot_responseTimeout();
    void slot_firmwareCRC(uint32_t crc);
    void slot_firmwareFlashError();
    void slot_startUpdate();

Q_SIGNALS:
    void signal_showUI();
    void signal_closeUI();
    void signal_currentFirmware(const QString& text);
    void signal_progressInfo(const QString& text);
    void signal_progressValue(int value);
    void signal_updateFinished();

private:
    void sendPage();
    void updateEnd();

    McuThread* link;
    QByteArray pageBuffer;
    bool pageBufferOk = false;
    QFile file;
    QTimer* responseTimer = nullptr;
    bool transferOk = false;
    uint32_t pageIndex = 0;
    uint8_t checkByte = 0;
    bool updateActive = false;
    QByteArray header;
    int pageSizeBytes = 0;
    int pages = 0;
};
