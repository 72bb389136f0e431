#pragma once

#include "AmbientFrame.h"

#include <QMetaType>

#include <cstdint>

// The raw records of a run, exactly as a run file stores them: packed, little
// endian, no padding other than the layouts show. A record in memory is
// appended to its packet table and read back with the table's compound type
// unchanged, so a size or an offset here is a change of the file format.
#pragma pack(push, 1)

// One 32-bit frequency-input word as the controller sent it (pulse period or
// pulse count with timing); decoded later, stored raw.
struct FreqFrame {
    uint32_t data;
};

// Four load-cell readings from two controller words, upper half first.
struct loadCellFrame_t {
    uint16_t data[4];
};

struct loadCellFrameV2_t {
    float data[4];
};

// One output byte per controller channel, most significant byte of the word first.
struct speedControllerOutFrame_t {
    uint8_t data[4];
};

struct torqueControllerOutFrame_t {
    uint8_t data[4];
};

struct ainControllerOutFrame_t {
    uint8_t data[6];
};

struct speedControllerSPFrame_t {
    float data[4];
};

struct torqueControllerSPFrame_t {
    float data[4];
};

struct ainControllerSPFrame_t {
    float data[6];
};

// Only read from files of earlier versions; nothing records it any more.
struct pidDetailsFrame_legacy_t {
    float e;
    int16_t ff;
    int16_t p;
    int16_t i;
    int16_t d;
    int16_t dd;
    int16_t out;
};

// PID internals from five controller words. The last two bytes are the lower
// half of the fifth word; no member describes them, but they are stored and
// read back as they are.
struct pidDetailsFrameV2_t {
    float e;
    int16_t ff;
    int16_t p;
    int16_t i;
    int16_t dSlow;
    int16_t dd;
    int16_t out;
    int16_t dFast;
    uint16_t lowerHalfOfFifthWord;
};

// Six analog-input readings from three controller words, upper half first.
struct ainFrame_t {
    uint16_t data[6];
};

// Eight high-precision analog or thermocouple readings from four words.
struct hpAinFrame_t {
    int16_t data[8];
};

// Only read from files of earlier versions.
struct obdFrame_t {
    double value;
    uint8_t pid;
    uint32_t timestamp;
};

// The eight data bytes with the controller's first data word in the upper 32
// bits; bus number in bit 31 of canChannelAndId, identifier below it; the
// controller's own time stamp.
struct canFrame_t {
    uint64_t canData;
    uint32_t canChannelAndId;
    uint32_t timestamp;
};

// One sample of a live channel, serial instrument, Modbus input or UDS channel:
// SI value, source id, milliseconds since the run start.
struct channelFrame_t {
    double value;
    uint16_t id;
    uint32_t timestamp;
};

#pragma pack(pop)

// One capture block of an audio input: 2048 mono 16-bit samples at 48 kHz.
// Handed over by value: the capture thread reuses its own buffer at once.
struct AudioBlock {
    static constexpr int sampleCount = 2048;
    int16_t samples[sampleCount];
};

static_assert(sizeof(FreqFrame) == 4, "stored record layout");
static_assert(sizeof(loadCellFrame_t) == 8, "stored record layout");
static_assert(sizeof(loadCellFrameV2_t) == 16, "stored record layout");
static_assert(sizeof(speedControllerOutFrame_t) == 4, "stored record layout");
static_assert(sizeof(torqueControllerOutFrame_t) == 4, "stored record layout");
static_assert(sizeof(ainControllerOutFrame_t) == 6, "stored record layout");
static_assert(sizeof(speedControllerSPFrame_t) == 16, "stored record layout");
static_assert(sizeof(torqueControllerSPFrame_t) == 16, "stored record layout");
static_assert(sizeof(ainControllerSPFrame_t) == 24, "stored record layout");
static_assert(sizeof(pidDetailsFrame_legacy_t) == 16, "stored record layout");
static_assert(sizeof(pidDetailsFrameV2_t) == 20, "stored record layout");
static_assert(sizeof(ainFrame_t) == 12, "stored record layout");
static_assert(sizeof(hpAinFrame_t) == 16, "stored record layout");
static_assert(sizeof(obdFrame_t) == 13, "stored record layout");
static_assert(sizeof(canFrame_t) == 16, "stored record layout");
static_assert(sizeof(channelFrame_t) == 14, "stored record layout");
static_assert(sizeof(AudioBlock) == 4096, "one capture block");

Q_DECLARE_METATYPE(FreqFrame)
Q_DECLARE_METATYPE(loadCellFrame_t)
Q_DECLARE_METATYPE(loadCellFrameV2_t)
Q_DECLARE_METATYPE(speedControllerOutFrame_t)
Q_DECLARE_METATYPE(torqueControllerOutFrame_t)
Q_DECLARE_METATYPE(ainControllerOutFrame_t)
Q_DECLARE_METATYPE(speedControllerSPFrame_t)
Q_DECLARE_METATYPE(torqueControllerSPFrame_t)
Q_DECLARE_METATYPE(ainControllerSPFrame_t)
Q_DECLARE_METATYPE(pidDetailsFrameV2_t)
Q_DECLARE_METATYPE(ainFrame_t)
Q_DECLARE_METATYPE(hpAinFrame_t)
Q_DECLARE_METATYPE(obdFrame_t)
Q_DECLARE_METATYPE(canFrame_t)
Q_DECLARE_METATYPE(channelFrame_t)
Q_DECLARE_METATYPE(AudioBlock)
