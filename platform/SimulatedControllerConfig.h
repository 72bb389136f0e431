#pragma once

#include <QString>

// How the simulated dyno controller is built and which faults it shows.
// The program reads it from the environment variable ZEMBO_SIM_CONTROLLER, a
// comma-separated list of key=value pairs, for example
// "deviceCode=2,version=OLD_1.0" or "silent=1". Keys:
//   deviceCode   board code it reports (0..255; 0..4 are real boards), default 3
//   revision     board revision letter, default B
//   serial       serial number, default 1042
//   version      firmware version text it runs (default: the program's image)
//   silent       1: answers nothing at all
//   stream       data frames per millisecond it streams (default 0)
//   pageSize     bootloader page size in bytes, default 256
//   flashErrorPage, wrongCheckPage, bootloaderSilentPage
//                page index on which the bootloader reports a flash error,
//                returns a wrong check value, or stays silent (default none)
//   noSyncEcho   1: the sync request is not echoed
//   noUserPageAnswer  1: user-page read requests are left unanswered
//   loadCellClipping  1: the vehicle's load cells read beyond their range
//   canLoopback  1: every frame the board sends on one CAN bus is received on the other
//   kx4          number of simulated KX4 power modules on CAN bus 0 (serial
//                numbers from 4001); 1 in the program, 0 when built in code
// Without a "stream" rate the program's controller measures a vehicle on its
// rollers (SimulatedVehiclePlant) driven by the scenario file that the
// environment variable ZEMBO_SIM_SCENARIO names (no file: a vehicle standing
// still). Built in code, the controller streams the counting test stream.
// ZEMBO_SIM_TARGET_LOG names a file to which the controller appends a line
// "<register> <value as 8 hex digits>" whenever a target register (114 and
// up: arguments, set points, outputs) takes a new value, so a check from
// outside the program sees what the board wrote.
struct SimulatedControllerConfig {
    int deviceCode = 3;
    char revision = 'B';
    quint32 serialNumber = 1042;
    QString firmwareVersion;
    bool silent = false;
    int streamFramesPerMs = 0;
    int bootloaderPageSize = 256;
    int flashErrorPage = -1;
    int wrongCheckPage = -1;
    int bootloaderSilentPage = -1;
    bool noSyncEcho = false;
    bool noUserPageAnswer = false;
    bool loadCellClipping = false;
    // Every frame the board sends on one CAN bus is received on the other.
    bool canLoopback = false;
    // A CANopen node with this id (1 to 127; 0 for none) on bus canopenBus.
    int canopenNode = 0;
    int canopenBus = 0;
    // Simulated KX4 modules (SimulatedKx4Module) on CAN bus 0.
    int kx4Modules = 0;
    // A vehicle plant instead of the test stream, and its scenario file.
    bool vehiclePlant = false;
    QString scenarioFile;
    QString targetLogFile;

    // Parses the list over the defaults; an unknown key or a bad value is an
    // error (the text names it) and leaves the defaults in place.
    static SimulatedControllerConfig fromString(const QString& text, QString* error = nullptr);
    static SimulatedControllerConfig fromEnvironment();
};
