#pragma once

#include <QFrame>
#include <QPointer>

#include <functional>

class QComboBox;
class QDialog;
class QDoubleSpinBox;
class QFormLayout;
class QSpinBox;
class QTimer;
class RunData;
class SafeSpinBox;

// The RUN tab's engine-speed panel: where the main engine speed comes from
// (calculated from roller speed with a fixed ratio, the controller's engine
// speed input, OBD, a CAN channel, the vehicle parameter) and its calibration.
// Its editors mirror the dyno settings 37, 41, 42 and the multiplier and
// divider of frequency input 2 both ways, so the settings store and the
// controller follow every edit.
//
// The ratio is calibrated from an engine speed read off the engine, from the
// peak engine speed of the last run, or from the vehicle-parameter engine
// speed over 2 s, or taken back from the last run of the active project. Only a finite ratio above 0 ever reaches setting 41 (a road
// speed or radius of 0 would make it infinite). GUI thread only.
class EngineSpeedWidget : public QFrame
{
    Q_OBJECT
public:
    static constexpr int vpCalibrationMs = 2000;

    explicit EngineSpeedWidget(QWidget* parent = nullptr);

    // Mirrors the editors onto the dyno settings (settings ready).
    void init();
    void setWidgetVisible(QWidget* widget, bool visible);
    bool isWidgetVisible(QWidget* widget) const;

    // The ratio for an engine speed (rpm) at a road speed (m/s), road-speed
    // radius (m) and estimated slip (fraction); NaN unless finite and above 0.
    static double ratioFromEngineSpeed(double rpm, double roadSpeed, double radius, double slip);

    void setRatioFromCurrentEngineSpeed(bool fromShortcut);
    void setRatioFromMaxEngineSpeed();
    // The ratio stored with a run (its run field 9) and, when the slip editor
    // shows, its slip coefficient (setting 42); false with a missing, not
    // finite or not positive ratio ("Invalid speed ratio in file"), which
    // changes nothing.
    bool setRatioFromRun(RunData* run);

    // Whether the RUN tab is the main window's current tab; set by the RUN
    // tab (always true when unset).
    std::function<bool()> runTabCurrent;

    QFormLayout* form = nullptr;
    QComboBox* comboBox_runEngineSpeedSource = nullptr;
    SafeSpinBox* spinBox_engineSpeedRatio = nullptr;
    SafeSpinBox* spinBox_slipCoefficient = nullptr;
    QDoubleSpinBox* spinBox_multiplier = nullptr;
    QSpinBox* spinBox_divider = nullptr;
    QTimer* vpTimer = nullptr;
    QPointer<QDialog> calibrationDialog;
    bool initialized = false;

public Q_SLOTS:
    void slot_updateWidgetSettings();
    void slot_runEngineSpeedRatio_customContextMenuRequested(const QPoint& pos);
    void slot_calculateSpeedRatioShortcutTriggered();
    void slot_calculateVPSpeedRatioShortcutTriggered();

Q_SIGNALS:
    // The source or the slip coefficient changed (the START button's colour follows).
    void signal_settingsChanged();

private:
    // Puts a calibrated ratio into the editor (and so setting 41); false
    // when it is not finite and above 0.
    bool applyRatio(double ratio);
};
