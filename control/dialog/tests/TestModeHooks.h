#pragma once

#include <QList>
#include <QVariant>

#include <functional>

class QWidget;

// Places where other parts of the program plug into the test modes; each
// part fills its slot at start-up. An empty slot means the feature is not
// available (the button says so).
struct TestModeHooks {
    // A drive log for the log player, in SI units over one time vector.
    struct Log {
        QList<double> time;        // s
        QList<double> engineSpeed; // rad/s
        QList<double> throttle;    // fraction 0 to 1
        QList<double> gear;        // gear number
    };
    // "Load log file": asks the operator for a log (CSV import) and fills
    // `log`; false when cancelled, leaving `log` as it was.
    std::function<bool(QWidget* parent, Log& log)> loadLogFile;

    // The road simulation's "Wizard": the equivalent mass (kg) of the parts
    // that normally turn with the vehicle, for the active project's vehicle
    // type; false when cancelled.
    std::function<bool(QWidget* parent, const QVariant& vehicleType, double& rotationalMass)> rotationalMassWizard;

    static TestModeHooks& current();
};
