#pragma once

#include "AbstractObdInterface.h"

#include <QStringList>

// The adapter on a USB-serial chip driven by our own usbserial library instead
// of the kernel's serial driver. The chip is chosen by its USB serial number;
// opening it applies a set-up for short, quick ELM replies: 64-byte USB
// transfers, the base's baud rate, 8N1, no flow control, 2000/100 ms
// time-outs, a 1 ms latency timer and both buffers purged.
class UsbSerialObdInterface : public AbstractObdInterface
{
    Q_OBJECT
public:
    explicit UsbSerialObdInterface(QObject* parent = nullptr);
    ~UsbSerialObdInterface() override;

    bool isConnected() const { return handle != nullptr; }
    // The receive queue's byte count; 0 (and the link reset) when there is no
    // device or the query fails.
    unsigned int getRxQueueBytes();
    unsigned int purgeRx();
    // The library's name of a status code; empty above the known codes.
    static QString ftStatusToStr(unsigned int status);
    // Applies the set-up to the open device; the first failing status, or 0.
    unsigned int init();
    // "serial = description" of every attached chip. Uses no field of the
    // transport, so the settings page may call it from the GUI thread.
    static QStringList listDevices();

public Q_SLOTS:
    void resetSocket() override;
    QString deviceName() override;
    bool writeData(const QByteArray& data) override;
    QByteArray readData(qint64 timeoutMs, qint64& elapsedMs) override;
    void slot_connectDevice() override;
    // "serial = description", or a text without " = " taken whole as both.
    void slot_setDevice(const QString& deviceString);

private:
    void* handle = nullptr;
    QString serialNumber;
    QString description;
    // The last query of the receive queue failed (the link was reset by it).
    bool queueQueryFailed = false;
};

// The library's status names, indexed by status code.
extern const char* const USS_STATUS_description[20];
