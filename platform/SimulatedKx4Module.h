#pragma once

#include "SimulatedCanPeer.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>

#include <array>

// Our own model of a KX4 power-stage module on a CAN bus of the simulated
// controller (a SimulatedCanPeer on one bus). Frames of 8 bytes both ways: bytes 0-3 a value
// (big-endian), byte 4 the command or reply code, byte 5 a setting id, byte 6
// zero, byte 7 a CRC-8 (polynomial 0x1D, initial 0, no reflection) over
// bytes 0-6. Commands arrive on 0x160, replies leave on 0x161.
//
// Every module answers the scan (10) with its serial number; the others act
// only on the module selected by command 11 with its serial number: echo (1),
// firmware text (3, four characters a frame, ended by a zero byte), settings
// (12 write, 13 read: 1 output channel, 2 current range), fan (15), tone
// (16), firmware update (8 enters it and drops the selection, as the module
// restarts into its loader; 4 starts a page, 5 carries four bytes; a full page
// is answered with its check value (6), the image builder's
// firmwarePageCheck, or a flash error (7); 6 ends the update, and the module
// then runs the version named by the image's marker in its last page). A
// frame whose CRC is wrong is ignored.
//
// Faults: a page answered with a wrong check value, a flash error or nothing;
// silence; replies with a wrong CRC. Thread-safe: the controller calls it from
// the link thread while tests inject faults and observe.
class SimulatedKx4Module : public SimulatedCanPeer
{
public:
    static constexpr uint32_t hostIdentifier = 0x160;
    static constexpr uint32_t moduleIdentifier = 0x161;
    static constexpr quint32 firstSerialNumber = 4001;
    static constexpr int defaultPageSize = 512;
    // What a fresh module runs: older than the image the program carries.
    static QString defaultFirmwareText() { return QStringLiteral("KX4_2.0.3_2023-11-02_09-41-12"); }

    // A module on CAN bus `bus` (0 or 1).
    explicit SimulatedKx4Module(int bus = 0, quint32 serialNumber = firstSerialNumber,
                                const QString& firmwareText = defaultFirmwareText(), int pageSize = defaultPageSize);

    void frameFromBoard(Bus& bus, int busIndex, uint32_t identifier, const uint8_t* data8) override;
    void advance(Bus&, int64_t) override {}

    // The frame CRC: CRC-8, polynomial 0x1D, initial 0, MSB first, no final XOR, over bytes 0-6.
    static uint8_t frameCrc(const uint8_t* data7);

    // Fault injection (page indexes from 0; -1 for none).
    void setWrongCheckPage(int page);
    void setFlashErrorPage(int page, quint32 code = 5);
    void setSilentPage(int page);
    void setSilent(bool silent);
    void setBadReplyCrc(bool bad);

    // Observation.
    quint32 serialNumber() const { return serial; }
    QString firmwareText() const;
    quint32 setting(int id) const;
    bool selected() const;
    bool inUpdateMode() const;
    QList<int> flashedPages() const;
    // Tone words (command 16) in the order received.
    QList<quint32> tones() const;
    int fanTests() const;
    int echoes() const;
    int framesWithBadCrc() const;
    int framesReceived() const;

private:
    void reply(Bus& bus, uint8_t code, uint32_t value, uint8_t settingId = 0);
    void replyBytes(Bus& bus, uint8_t code, const uint8_t* value4);
    void finishPage(Bus& bus);

    const int onBus;
    const quint32 serial;
    const int pageSize;
    mutable QMutex mutex;
    QString text;
    QMap<int, quint32> settings;
    bool isSelected = false;
    bool updateMode = false;
    int pageIndex = -1;
    QByteArray pageData;
    QMap<int, QByteArray> flash;
    QList<int> flashedOrder;
    QList<quint32> toneWords;
    int fanCount = 0;
    int echoCount = 0;
    int badCrcCount = 0;
    int receivedCount = 0;

    int wrongCheckPage = -1;
    int flashErrorPage = -1;
    quint32 flashErrorCode = 5;
    int silentPage = -1;
    bool silent = false;
    bool badReplyCrc = false;
};
