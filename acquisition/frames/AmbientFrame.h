#pragma once

#include <QMetaType>

#include <cstdint>

// The ambient record of a run file (28 bytes, packed): pressure in Pa,
// temperature in °C, relative humidity in %, then milliseconds since the run
// start. The three values are the record's "data" array in the file, so they
// must stay contiguous and in this order.
#pragma pack(push, 1)
struct ambientFrame_t {
    double pressure;
    double temperature;
    double humidity;
    uint32_t timestamp;
};
#pragma pack(pop)

static_assert(sizeof(ambientFrame_t) == 28, "ambientFrame_t is a stored record layout");

Q_DECLARE_METATYPE(ambientFrame_t)
