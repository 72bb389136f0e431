#pragma once

#include <QString>

#include <functional>

class QWidget;
class RunChannel;

// A PID tuning window as a settings button asks for it: the live channels it
// plots and the dyno-settings editors it works on (any may be absent).
struct PidTuningRequest {
    RunChannel* setPoint = nullptr;
    RunChannel* processValue = nullptr;
    QWidget* inputFilter = nullptr;
    QWidget* relayAmplitude = nullptr;
    QWidget* kFF = nullptr;
    QWidget* kP = nullptr;
    QWidget* kI = nullptr;
    QWidget* kDFast = nullptr;
    QWidget* kD = nullptr;
    QWidget* kDD = nullptr;
    QWidget* errorFilter = nullptr;
    QWidget* kDFilter = nullptr;
    QWidget* kDDFilter = nullptr;
    QString title;
    QString setPointLabel;
    QString valueLabel;
    QString extra1Label;
    QWidget* extra1 = nullptr;
    QString extra2Label;
    QWidget* extra2 = nullptr;
};

// What the wizards reach in the test modes, which are built beside them:
// filled by whoever builds the main window. Left empty, the tool is missing
// and its button opens nothing.
struct WizardHooks {
    // Creates the non-modal PID tuning window (not shown yet) under `parent`.
    std::function<QWidget*(const PidTuningRequest& request, QWidget* parent)> openTunePid;

    static WizardHooks& instance();
};
