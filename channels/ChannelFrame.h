#pragma once

#include <QtGlobal>

// One recorded sample of a channel in a run file's channel tables: the SI
// value, the low 16 bits of the sending channel's unique id and the time in ms
// since the run started. Packed: it is the stored record, byte for byte.
#pragma pack(push, 1)
struct channelFrame_t {
    double value;
    quint16 id;
    quint32 timestamp;
};
#pragma pack(pop)
static_assert(sizeof(channelFrame_t) == 14, "channelFrame_t is the 14-byte stored record");
