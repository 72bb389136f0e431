#pragma once

#include "RunChannel.h"
#include "lib/FieldBusEnums.h"

#include <QString>

class QDomElement;
class Unit;

// What selects a CAN input's frames and how its bit field is scaled; the
// dialog edits it in place and keeps a copy to restore on Cancel. Each field
// is named after its attribute in "canInputs.xml".
struct CanInputDefinition {
    qint32 channelId = 0;
    quint32 canMask = 0xFFFFFFFFu;
    qint32 canId = 0;
    bool compoundMessage = false;
    qint32 compoundId = 0;
    qint32 compoundIdBitOffset = 56;
    qint32 compoundIdBitCount = 8;
    qint32 bitCount = 8;
    qint32 byteOffset = 0;
    qint32 bitOffset = 0;
    Endianness endianness = Endianness_big;
    Signedness isSigned = Signedness_unsigned;
    double multiplier = 1.0;
    double divider = 1.0;
    double offset = 0.0;
    const Unit* inputUnit = nullptr;
    bool timeoutEnable = false;
    double timeoutTime = 1.0;
    double timeoutValue = 0.0;
    qint32 vehicleParamId = -1;
};

// A live channel fed by one bit field of the CAN frames of one identifier
// (through a mask, optionally only for one multiplexer value) on bus 0 or 1.
// Its key is "C_" + name; its setup is its own. Live inputs are fed in the
// GUI thread; a recorded run's inputs only decode (parseData).
class CanInput : public RunChannel
{
    Q_OBJECT
public:
    CanInput();
    // Same definition and setup values; the caller names the copy.
    explicit CanInput(CanInput* source);

    QString getChildName() const override;
    void setChildName(const QString& name) override;

    // The value (SI) of one data word; ok false (and NaN) when the frame does
    // not carry this input's value.
    double parseData(quint64 data, bool* ok) const;
    bool newData(quint64 data, qint64 timestamp);
    // Time-out check, `now` in ms since the epoch.
    void update(qint64 now);
    // Bus in bit 31, identifier in bits 0 to 28.
    quint32 parsingMapKey() const;

    void parseDomElement(const QDomElement* element);
    void writeSetupToDomElement(QDomElement* element) const;

    QString canIdAndCompoundString() const;
    QString timeoutString() const;

    bool received() const { return receivedFlag; }

    CanInputDefinition def;

private:
    bool receivedFlag = false;
};
