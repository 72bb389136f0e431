#pragma once

#include "lib/FieldBusEnums.h"

#include <QString>

#include <cstdint>

class Argument;
class QDomElement;
class Unit;

// One signal of a CAN output message: an argument's value converted into the
// output unit, offset, scaled, clipped to its bit field and placed there.
// Owned by its message; read by the trigger thread under the message's mutex.
class CanOutputChannel
{
public:
    CanOutputChannel();
    // A deep copy (its own argument, bound to the same source).
    CanOutputChannel(const CanOutputChannel& other);
    CanOutputChannel& operator=(const CanOutputChannel&) = delete;
    ~CanOutputChannel();

    int startBit() const { return byteOffset * 8 + bitOffset; }
    // Ones in the field's bits inside the word; 0 for a field that writes nothing.
    uint64_t getMask() const;
    // The encoded value placed in its field, zeros elsewhere.
    uint64_t getData() const;
    // The encoding of one SI value (the argument's, or the fallback).
    uint64_t encode(double value) const;

    void parseDomElement(const QDomElement* element);
    void writeSetupToDomElement(QDomElement* element) const;

    Argument* argument = nullptr;
    double fallbackValue = 0.0;
    const Unit* fallbackUnit = nullptr;
    const Unit* outputUnit = nullptr;
    double offset = 0.0;
    double multiplier = 1.0;
    double divider = 1.0;
    Signedness isSigned = Signedness_signed;
    int bitCount = 8;
    int byteOffset = 0;
    int bitOffset = 0;
    QString comment;
};
