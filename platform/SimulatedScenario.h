#pragma once

#include <limits>

#include <QList>
#include <QPointF>
#include <QString>

// A drive on the simulated dyno: the vehicle and the dyno it sits on, and the
// throttle against time. Read from a text file (ZEMBO_SIM_SCENARIO names it);
// one "key value..." per line, "#" starts a comment:
//   seed N                  noise generator seed (same seed, same run)
//   noise F                 relative jitter of the speed sensor periods (0.002)
//   rollers N               driven rollers carrying the vehicle (1)
//   roller_diameter M       m (0.5), as the dyno settings should say
//   roller_inertia I        kg·m² of each roller itself (5)
//   roller_loss A B C       loss torque A + B·ω + C·ω² in N·m (0 0 0)
//   start_speed V           m/s at the start (0)
//   wheel_diameter M        m (0.6)
//   gear_ratio G            engine turns per wheel turn (4)
//   vehicle_inertia J       kg·m² of the wheels and drivetrain at the wheel (10)
//   engine_curve RPM NM     one point of the full-throttle torque curve (repeat)
//   engine_drag NM          engine braking at closed throttle (15)
//   idle_rpm RPM            no drag below it (900)
//   constant_torque NM      instead of the engine: this torque on each driven
//                           roller at full throttle, whatever the speed
//   throttle T X            throttle X (0..1) at T seconds, linear in between (repeat)
//   absorber_max_torque NM  what the absorber can hold (3000)
//   repeat S                the throttle profile starts over every S seconds
// An unknown key or a bad number is an error naming the line.
//
// A line "[installer]" starts the installer section: the dyno settings an
// installer would have set on the dyno this scenario simulates, one
// "setting_key value..." per line (dyno setting keys with the channel filled
// in, values in SI, a combo box's option index, 0 or 1 for a check box, the
// coefficients of a loss model). The program under ZEMBO_SIMULATE=1 takes
// them for the settings that are still at their defaults; which keys and
// values are valid is for the settings registry to say.
struct SimulatedScenario {
    struct InstallerSetting {
        int line = 0; // 1-based line of the file
        QString key;
        QList<double> values;
    };

    quint32 seed = 1;
    double noise = 0.002;
    int rollers = 1;
    double rollerDiameter = 0.5;
    double rollerInertia = 5.0;
    double lossA = 0.0;
    double lossB = 0.0;
    double lossC = 0.0;
    double startSpeed = 0.0;
    double wheelDiameter = 0.6;
    double gearRatio = 4.0;
    double vehicleInertia = 10.0;
    QList<QPointF> engineCurve; // rpm, N·m
    double engineDrag = 15.0;
    double idleRpm = 900.0;
    bool constantTorqueSet = false;
    double constantTorque = 0.0;
    QList<QPointF> throttle; // s, 0..1
    double absorberMaxTorque = 3000.0;
    // A mass on a rope wound on the rollers (kg; 0: none) and the rope's
    // length (m): once that much has unwound the mass is off.
    double fallingMass = 0.0;
    double fallingMassDrop = std::numeric_limits<double>::infinity();
    double repeatSeconds = 0.0;
    QList<InstallerSetting> installerSettings;

    // Throttle at t seconds.
    double throttleAt(double t) const;
    // Full-throttle engine torque at rpm (linear between points, 0 outside).
    double engineTorqueAt(double rpm) const;

    static SimulatedScenario fromText(const QString& text, QString* error = nullptr);
    // A file; an unreadable or bad file gives the standing vehicle and the error.
    static SimulatedScenario fromFile(const QString& path, QString* error = nullptr);
    // A vehicle standing on the rollers with the engine off.
    static SimulatedScenario standing();
};
