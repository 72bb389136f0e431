#pragma once

#include "lib/FieldBusEnums.h"

#include <QString>

#include <cstdint>

// The plain fields of a CAN output message as its dialog edits them, apart
// from the live message: each edit is copied into the message under its
// mutex, so a shot of the trigger thread never sees half an edit.
struct CanOutputMessageFields {
    int channelId = 0;
    int canId = 0;
    quint64 initialData = 0;
    Endianness endianness = Endianness_big;
    QString comment;
};
