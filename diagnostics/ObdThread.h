#pragma once

#include "ObdChannelIterator.h"
#include "RunThreadHooks.h"
#include "SerialCommDir.h"
#include "UDSResponse.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>

class AbstractObdInterface;
class BluetoothObdInterface;
class UDSChannel;
class UsbObdInterface;

// The one worker that talks to the vehicle through an ELM327-type adapter:
// keeps a transport linked, sets the adapter up, connects to the vehicle and
// finds its protocol, ECUs and supported PIDs, then polls the UDS channels one
// request per tick in the order the polling order chooses. All work arrives
// as timer events and queued calls in the thread's own event loop.
class ObdThread : public QThread
{
    Q_OBJECT
public:
    // Protocol family named by the adapter's "ATDP" reply.
    enum DetectedProtocol { Can11 = 0, Can29, Iso9141, Kwp, J1850Vpw, J1850Pwm, Unknown = 100 };

    ObdThread();
    ~ObdThread() override;

    // The transport of each interface type (1 serial, 2 Bluetooth, 3
    // USB-serial); null where none is built. Tests and the settings page
    // reach the transports' setters through these.
    AbstractObdInterface* interfaceForType(int type) const;
    UsbObdInterface* serialTransport() const { return serialInterface; }
    // Puts a transport of one's own in place of one type's (a stand-in);
    // before the thread starts.
    void setInterfaceForType(int type, AbstractObdInterface* transport);

    // How `readAndVerify` turns a cleaned reply into one text: the numbered
    // frames of a multi-frame reply joined, byte-count lines dropped,
    // negative-response lines outweighed by any other line.
    static QByteArray assembleReply(const QByteArray& cleaned);
    static QByteArray cleanReply(QByteArray raw);
    // The verdict on an assembled reply.
    static UDSResponse judgeReply(const QByteArray& assembled, const QByteArray& expected, int prefixLength,
                                  int dataLength);
    // The expected reply prefix and its length for a channel's command.
    static QByteArray expectedPrefix(const QByteArray& command, int& prefixLength);

    // Trouble codes of a service-03 reply as `readAndVerify` hands it back
    // (the text after the first "43"), in reply order; `can` when the vehicle
    // speaks CAN (a count byte after every "43").
    static QList<QString> troubleCodesFromReply(QByteArray text, bool can);
    // "P0".."U3" for the first hex digit of a two-byte code; empty otherwise.
    static QString troubleCodePrefix(char first);

    // Connects the polled values to a run's log writer (the run thread's
    // source connector of the UDS channels).
    static RunThreadHooks::SourceConnector logWriterConnector();

    // The polling order; belongs to the GUI thread.
    ObdChannelIterator channelIterator;

    // The waiting channel reset: runs `slot_resetChannelStatusAndValues` in
    // the model's thread. Replaceable by tests.
    std::function<void()> resetChannels;

    // Read-only views for tests and the status fields.
    bool isVehicleConnected() const { return vehicleConnected.load(); }
    int currentErrorCounter() const { return errorCounter.load(); }
    QByteArray detectedDefaultHeader() const;
    int detectedProtocol() const { return protocolCode.load(); }

Q_SIGNALS:
    void signal_setStatusColor(const QColor& color);
    void signal_setStatusText(const QString& text);
    void signal_whatsGoingOn(const QString& text);
    void signal_elmResponse(const QString& text);
    void signal_elmName(const QString& text);
    void signal_obdProtocol(const QString& text);
    void signal_errorCounter(const QString& text);
    void signal_errorCodesList(QList<QString> list);
    void signal_errorCodesCleared();
    void signal_newDataToLog(SerialCommDir direction, const QByteArray& data, qint64 operationTime = 0);
    void signal_newDataToLogWriter(double data, uint16_t id, qint64 timestamp);
    // The transport's text signals pass through these to the settings page.
    void signal_socketErrorTxt(const QString& text);
    void signal_socketStateTxt(const QString& text);
    void signal_transportWhatsGoingOn(const QString& text);

public Q_SLOTS:
    void slot_interfaceTypeChanged();
    void slot_baudrateChanged(const QString& baudrateString);
    void slot_connected(bool connected);
    void slot_initElm();
    void slot_enableObdRequests(bool enable);
    void slot_requestTick();
    void slot_readErrorCodesRequested();
    void slot_clearErrorCodesRequested();

private:
    void setStatusText(const QString& text);
    void rateLimitedDebugMessage(const QString& text);
    void connectToVehicle();
    void discoverSupportedPids();
    void readPidBytes(const QByteArray& command, const QByteArray& prefix, std::atomic<double>* target);
    void resetChannelsAndWait();
    void sleepInterruptibly(int ms);

    void writeData(const QByteArray& data);
    QByteArray readData(qint64 timeoutMs);
    QByteArray readAndClean();
    UDSResponse readAndVerify(const QByteArray& expected, QByteArray* reply, int prefixLength, int dataLength);
    void setHeader(const QByteArray& header);
    void requestChannel(UDSChannel* channel);
    void sendExtraCommands(const QByteArray& commands);
    void readErrorCodes(bool showResult);
    void clearErrorCodes();

    qint64 lastDebugMessageMs = 0;
    bool debugMessagesSuppressed = false;
    qint64 rateWindowStartMs = 0;
    int requestsInWindow = 0;
    std::atomic<int> errorCounter {0};
    bool readErrorCodesPending = false;
    bool clearErrorCodesPending = false;
    bool interfaceConnected = false;
    std::atomic<bool> vehicleConnected {false};
    QByteArray protocolDescription;
    std::atomic<int> protocolCode {Unknown};
    QByteArray currentHeader;
    QByteArray defaultHeader;
    QTimer* reinitTimer = nullptr;
    QTimer* connectTimer = nullptr;
    QTimer* requestTimer = nullptr;
    AbstractObdInterface* bluetoothInterface = nullptr;
    UsbObdInterface* serialInterface = nullptr;
    AbstractObdInterface* usbSerialInterface = nullptr;
    AbstractObdInterface* activeInterface = nullptr;
    QString adapterName;
    mutable QMutex headerMutex; // guards defaultHeader for the read-only view
};

extern ObdThread* theObdThread;
