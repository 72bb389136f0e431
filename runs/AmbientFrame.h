#pragma once

#include <QMetaType>

#include <cstdint>

// The ambient record of a run file, in this field order: pressure in Pa,
// temperature in °C, relative humidity in %, milliseconds since the run start.
struct ambientFrame_t {
    double pressure;
    double temperature;
    double humidity;
    uint32_t timestamp;
};

Q_DECLARE_METATYPE(ambientFrame_t)
