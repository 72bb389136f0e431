#pragma once

#include "AbstractTestDialog.h"
#include "DriveCycle.h"

#include <QList>

#include <atomic>
#include <memory>

class MultiVectorResampler;
class QCPCurve;
class QCPItemLine;
class QCustomPlot;
class QFormLayout;
class QLabel;
class QPushButton;
class QTimer;
class RunChannel;
class SafeSpinBox;
class SpinBoxWithUnit;
class TestTicker;

// The road simulation window: under acceleration control on road speed the
// absorber lets the vehicle accelerate as it would on a road (RoadLoad), with
// the vehicle data of the active project. A drive cycle, loaded from a file
// or the online library, is plotted around the run time with a tolerance
// band; leaving the band shows "FAILED" for the rest of the run. The cycle's
// target speed goes to the live channel "driveCycleTarget"; it never steers
// the absorber.
class RoadSimulationDialog : public AbstractTestDialog
{
    Q_OBJECT
public:
    explicit RoadSimulationDialog(QWidget* parent);
    ~RoadSimulationDialog() override;

    // The band at one target speed, from the tolerance editors.
    void getTargetLowHighSI(double x, double& low, double& high) const;
    // Reads a drive cycle; a refused one leaves the previous cycle (message shown).
    bool loadDriveCycleText(const QString& text);

    SafeSpinBox* spinBox_frontSurface = nullptr;
    SafeSpinBox* spinBox_cx = nullptr;
    SafeSpinBox* spinBox_vehicleMass = nullptr;
    SafeSpinBox* spinBox_rotationalMass = nullptr;
    SafeSpinBox* spinBox_rollingResistance = nullptr;
    SafeSpinBox* spinBox_hillAngle = nullptr;
    SpinBoxWithUnit* preview_air = nullptr;
    SpinBoxWithUnit* preview_rolling = nullptr;
    SpinBoxWithUnit* preview_hill = nullptr;
    QPushButton* pushButton_loadFile = nullptr;
    QPushButton* pushButton_loadServer = nullptr;
    SpinBoxWithUnit* spinBox_displayHistory = nullptr;
    SpinBoxWithUnit* spinBox_displayAhead = nullptr;
    SafeSpinBox* spinBox_absoluteTolerance = nullptr;
    SafeSpinBox* spinBox_relativeTolerance = nullptr;
    SafeSpinBox* spinBox_timeTolerance = nullptr;
    QLabel* label_failed = nullptr;
    QLabel* label_title = nullptr;
    QCustomPlot* plot = nullptr;
    DriveCycle cycle;

public Q_SLOTS:
    void slot_realTimeTick();
    void slot_updateLoadsPreview();
    void slot_updateDriveCyclePlot();
    void slot_updateTargetCurveLowHigh();
    void slot_loadDriveCycleFile();
    void slot_importDriveCycleFromServer();
    void slot_updateParametersFromProject();
    void slot_updateParametersInProject();
    void slot_rotationalMassWizard();

private:
    void showDriveCycleRows();
    double displayFactor() const;

    std::unique_ptr<TestTicker> ticker;
    std::unique_ptr<MultiVectorResampler> resampler;
    QFormLayout* leftForm = nullptr;
    QWidget* rightColumn = nullptr;
    QList<QWidget*> driveCycleRows;
    QTimer* previewTimer = nullptr;
    QTimer* plotTimer = nullptr;
    QCPCurve* curve_cycle = nullptr;
    QCPCurve* curve_high = nullptr;
    QCPCurve* curve_low = nullptr;
    QCPCurve* curve_actual = nullptr;
    QCPItemLine* timeTracker = nullptr;
    QCPItemLine* speedTracker = nullptr;
    RunChannel* roadSpeedChannel = nullptr;
    RunChannel* forceChannel = nullptr;
    RunChannel* targetChannel = nullptr;
    std::atomic<float> ownTarget{0.0f};
    std::atomic<float>* targetOut = nullptr;
    bool loadingFromProject = false;
    bool failed = false;

    // The tick's parameters and its forces for the preview.
    std::atomic<double> cx{0}, area{0}, mass{0}, extraMass{0}, rolling{0}, hill{0};
    std::atomic<float> forceAir{0}, forceRolling{0}, forceHill{0};
};
