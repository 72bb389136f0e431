#include "LegacyObdChannelsModel.h"

#include "LegacyObdChannel.h"

LegacyObdChannelsModel theLegacyObdChannelsModel;

namespace {

// The PID byte of a record reaches 0xFF, so the table covers all of 0..255.
constexpr int kPidCount = 256;

} // namespace

LegacyObdChannelsModel::LegacyObdChannelsModel()
    : list(kPidCount, nullptr)
{
    insert(0x01, Quantity::Bitfield, QStringLiteral("Monitor status since DTCs cleared"));
    insert(0x02, Quantity::None, QStringLiteral("Freeze DTC"));
    insert(0x03, Quantity::Bitfield, QStringLiteral("Fuel system status"));
    insert(0x04, Quantity::Fraction, QStringLiteral("Calculated engine load"));
    insert(0x05, Quantity::Temperature, QStringLiteral("Engine coolant temperature"));
    insert(0x06, Quantity::Fraction, QStringLiteral("Short term fuel trim - Bank 1"));
    insert(0x07, Quantity::Fraction, QStringLiteral("Long term fuel trim - Bank 1"));
    insert(0x08, Quantity::Fraction, QStringLiteral("Short term fuel trim - Bank 2"));
    insert(0x09, Quantity::Fraction, QStringLiteral("Long term fuel trim - Bank 2"));
    insert(0x0A, Quantity::Pressure, QStringLiteral("Fuel pressure (gauge)"));
    insert(0x0B, Quantity::Pressure, QStringLiteral("Intake manifold absolute pressure"));
    insert(0x0C, Quantity::RotationalSpeed, QStringLiteral("Engine speed"));
    insert(0x0D, Quantity::Speed, QStringLiteral("Vehicle speed"));
    insert(0x0E, Quantity::TimingAngle, QStringLiteral("Timing advance"));
    insert(0x0F, Quantity::Temperature, QStringLiteral("Intake air temperature"));
    insert(0x10, Quantity::MassFlow, QStringLiteral("Mass air flow rate"));
    insert(0x11, Quantity::Fraction, QStringLiteral("Throttle position"));
    insert(0x12, Quantity::Bitfield, QStringLiteral("Commanded secondary air status"));
    insert(0x13, Quantity::Bitfield, QStringLiteral("Oxygen sensors present (in 2 banks)"));
    insert(0x14, Quantity::Voltage, QStringLiteral("Oxygen Sensor 1 Voltage"));
    insert(0x15, Quantity::Voltage, QStringLiteral("Oxygen Sensor 2 Voltage"));
    insert(0x16, Quantity::Voltage, QStringLiteral("Oxygen Sensor 3 Voltage"));
    insert(0x17, Quantity::Voltage, QStringLiteral("Oxygen Sensor 4 Voltage"));
    insert(0x18, Quantity::Voltage, QStringLiteral("Oxygen Sensor 5 Voltage"));
    insert(0x19, Quantity::Voltage, QStringLiteral("Oxygen Sensor 6 Voltage"));
    insert(0x1A, Quantity::Voltage, QStringLiteral("Oxygen Sensor 7 Voltage"));
    insert(0x1B, Quantity::Voltage, QStringLiteral("Oxygen Sensor 8 Voltage"));
    insert(0x1C, Quantity::Enumerated, QStringLiteral("OBD standards this vehicle conforms to"));
    insert(0x1D, Quantity::Bitfield, QStringLiteral("Oxygen sensors present (in 4 banks)"));
    insert(0x1E, Quantity::Bitfield, QStringLiteral("Auxiliary input status"));
    insert(0x1F, Quantity::Time, QStringLiteral("Run time since engine start"));
    insert(0x21, Quantity::Distance, QStringLiteral("Distance traveled with malfunction indicator"));
    insert(0x22, Quantity::Pressure, QStringLiteral("Fuel Rail Pressure (relative to manifold)"));
    insert(0x23, Quantity::Pressure, QStringLiteral("Fuel Rail Gauge Pressure (diesel, or DI)"));
    insert(0x24, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 1 Air-Fuel Ratio"));
    insert(0x25, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 2 Air-Fuel Ratio"));
    insert(0x26, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 3 Air-Fuel Ratio"));
    insert(0x27, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 4 Air-Fuel Ratio"));
    insert(0x28, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 5 Air-Fuel Ratio"));
    insert(0x29, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 6 Air-Fuel Ratio"));
    insert(0x2A, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 7 Air-Fuel Ratio"));
    insert(0x2B, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 8 Air-Fuel Ratio"));
    insert(0x2C, Quantity::Fraction, QStringLiteral("Commanded EGR"));
    insert(0x2D, Quantity::Fraction, QStringLiteral("EGR Error"));
    insert(0x2E, Quantity::Fraction, QStringLiteral("Commanded evaporative purge"));
    insert(0x2F, Quantity::Fraction, QStringLiteral("Fuel Tank Level Input"));
    insert(0x30, Quantity::Integer, QStringLiteral("Warm-ups since codes cleared"));
    insert(0x31, Quantity::Distance, QStringLiteral("Distance traveled since codes cleared"));
    insert(0x32, Quantity::Pressure, QStringLiteral("Evap. System Vapor Pressure"));
    insert(0x33, Quantity::Pressure, QStringLiteral("Absolute Barometric Pressure"));
    insert(0x34, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 1 Air-Fuel Ratio"));
    insert(0x35, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 2 Air-Fuel Ratio"));
    insert(0x36, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 3 Air-Fuel Ratio"));
    insert(0x37, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 4 Air-Fuel Ratio"));
    insert(0x38, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 5 Air-Fuel Ratio"));
    insert(0x39, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 6 Air-Fuel Ratio"));
    insert(0x3A, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 7 Air-Fuel Ratio"));
    insert(0x3B, Quantity::AirFuelRatio, QStringLiteral("Oxygen Sensor 8 Air-Fuel Ratio"));
    insert(0x3C, Quantity::Temperature, QStringLiteral("Catalyst Temperature: Bank 1, Sensor 1"));
    insert(0x3D, Quantity::Temperature, QStringLiteral("Catalyst Temperature: Bank 2, Sensor 1"));
    insert(0x3E, Quantity::Temperature, QStringLiteral("Catalyst Temperature: Bank 1, Sensor 2"));
    insert(0x3F, Quantity::Temperature, QStringLiteral("Catalyst Temperature: Bank 2, Sensor 2"));
    insert(0x41, Quantity::Bitfield, QStringLiteral("Monitor status this drive cycle"));
    insert(0x42, Quantity::Voltage, QStringLiteral("Control module voltage"));
    insert(0x43, Quantity::Fraction, QStringLiteral("Absolute load value"));
    insert(0x44, Quantity::AirFuelRatio, QStringLiteral("Commanded Air-Fuel Ratio"));
    insert(0x45, Quantity::Fraction, QStringLiteral("Relative throttle position"));
    insert(0x46, Quantity::Temperature, QStringLiteral("Ambient air temperature"));
    insert(0x47, Quantity::Fraction, QStringLiteral("Absolute throttle position B"));
    insert(0x48, Quantity::Fraction, QStringLiteral("Absolute throttle position C"));
    insert(0x49, Quantity::Fraction, QStringLiteral("Accelerator pedal position D"));
    insert(0x4A, Quantity::Fraction, QStringLiteral("Accelerator pedal position E"));
    insert(0x4B, Quantity::Fraction, QStringLiteral("Accelerator pedal position F"));
    insert(0x4C, Quantity::Fraction, QStringLiteral("Commanded throttle actuator"));
    insert(0x4D, Quantity::Time, QStringLiteral("Time run with MIL on"));
    insert(0x4E, Quantity::Time, QStringLiteral("Time since trouble codes cleared"));
    insert(0x4F, Quantity::Fraction, QStringLiteral("Maximum value for Fuel–Air ratio"));
    insert(0x50, Quantity::MassFlow, QStringLiteral("Maximum value for mass air flow sensor"));
    insert(0x51, Quantity::Enumerated, QStringLiteral("Fuel Type"));
    insert(0x52, Quantity::Fraction, QStringLiteral("Ethanol fuel content"));
    insert(0x53, Quantity::Pressure, QStringLiteral("Absolute Evap system Vapor Pressure"));
    insert(0x54, Quantity::Pressure, QStringLiteral("Evap system vapor pressure"));
    insert(0x55, Quantity::Fraction, QStringLiteral("Short term secondary oxygen sensor trim bank 1"));
    insert(0x56, Quantity::Fraction, QStringLiteral("Long term secondary oxygen sensor trim bank 1"));
    insert(0x57, Quantity::Fraction, QStringLiteral("Short term secondary oxygen sensor trim bank 2"));
    insert(0x58, Quantity::Fraction, QStringLiteral("Long term secondary oxygen sensor trim bank 2"));
    insert(0x59, Quantity::Pressure, QStringLiteral("Fuel rail absolute pressure"));
    insert(0x5A, Quantity::Fraction, QStringLiteral("Relative accelerator pedal position"));
    insert(0x5B, Quantity::Fraction, QStringLiteral("Hybrid battery pack remaining life"));
    insert(0x5C, Quantity::Temperature, QStringLiteral("Engine oil temperature"));
    insert(0x5D, Quantity::TimingAngle, QStringLiteral("Fuel injection timing"));
    insert(0x5E, Quantity::VolumeFlow, QStringLiteral("Engine fuel rate"));
    insert(0x5F, Quantity::Bitfield, QStringLiteral("Emission requirements to which vehicle is designed"));
    insert(0x61, Quantity::Fraction, QStringLiteral("Driver's demand engine - percent torque"));
    insert(0x62, Quantity::Fraction, QStringLiteral("Actual engine - percent torque"));
    insert(0x63, Quantity::Torque, QStringLiteral("Engine reference torque"));
    insert(0x64, Quantity::Fraction, QStringLiteral("Engine percent torque data idle"));
    insert(0x7F, Quantity::Time, QStringLiteral("Precise engine run time"));
    insert(0x9D, Quantity::MassFlow, QStringLiteral("Engine Fuel Rate"));
    insert(0x9E, Quantity::MassFlow, QStringLiteral("Engine Exhaust Flow Rate"));
    insert(0xA1, Quantity::Fraction, QStringLiteral("NOx Sensor Corrected Data"));
    insert(0xA2, Quantity::Mass, QStringLiteral("Cylinder Fuel Rate Per Stroke"));
    insert(0xA3, Quantity::Pressure, QStringLiteral("Evap System Vapor Pressure"));
    insert(0xA4, Quantity::Integer, QStringLiteral("Transmission Actual Gear"));
    insert(0xA5, Quantity::None, QStringLiteral("Diesel Exhaust Fluid Dosing"));
    insert(0xA6, Quantity::Distance, QStringLiteral("Odometer"));
}

LegacyObdChannelsModel::~LegacyObdChannelsModel()
{
    qDeleteAll(list);
}

void LegacyObdChannelsModel::insert(unsigned char pid, Quantity quantity, const QString& name)
{
    delete list[pid];
    list[pid] = new LegacyObdChannel(pid, name, quantity);
}

const LegacyObdChannel* LegacyObdChannelsModel::getChannel(int pid) const
{
    return pid >= 0 && pid < list.size() ? list.at(pid) : nullptr;
}
