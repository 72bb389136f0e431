#pragma once

#include <QDebug>

namespace Quantities {

// The physical quantities of the program. The number is the stored form (XML
// attribute "unitType", settings integers), so the numbering never changes.
// Written as Quantity::Power; the enumerators stay out of the global namespace.
enum Quantity : int {
    None = 0,
    Time = 1,
    Speed = 2,
    Power = 3,
    Torque = 4,
    Pressure = 5,
    TimingAngle = 6,
    Voltage = 7,
    Frequency = 8,
    Temperature = 9,
    Fraction = 10,
    RotationalSpeed = 11,
    RotationalAcceleration = 12,
    Acceleration = 13,
    Current = 14,
    Distance = 15,
    Area = 16,
    Energy = 17,
    Force = 18,
    AirFuelRatio = 19,
    Volume = 20,
    VolumeFlow = 21,
    Mass = 22,
    MassFlow = 23,
    Inertia = 24,
    RelativeHumidity = 25,
    Resistance = 26,
    Density = 27,
    Bitfield = 28,
    Enumerated = 29,
    Logic = 30,
    Angle = 31,
    ClockTime = 32,
    FrequencyRate = 33,
    SoundPressureLevel = 34,
    Integer = 35
};

// Writes the quantity's display name, as a QString is written to a debug stream.
QDebug operator<<(QDebug debug, const Quantity& quantity);

} // namespace Quantities

using Quantity = Quantities::Quantity;

constexpr int QuantityCount = 36;
