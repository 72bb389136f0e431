#pragma once

#include "AbstractTestDialog.h"
#include "InertiaCalibrationLogic.h"

#include <atomic>
#include <memory>

class BrakeController;
class RunChannel;
class SafeSpinBox;
class TestTicker;

// The inertia calibration window: the engine runs up and down between a
// bottom and a top speed at a set rate (InertiaCalibrationLogic) under
// acceleration control on engine speed.
class InertiaCalibrationTest : public AbstractTestDialog
{
    Q_OBJECT
public:
    explicit InertiaCalibrationTest(QWidget* parent);
    ~InertiaCalibrationTest() override;

    SafeSpinBox* spinBox_topSpeed = nullptr;
    SafeSpinBox* spinBox_bottomSpeed = nullptr;
    SafeSpinBox* spinBox_accelerationRate = nullptr;

    bool isAccelerating() const { return accelerating.load(); }

public Q_SLOTS:
    void slot_realTimeTick();

private:
    BrakeController* panel = nullptr;
    InertiaCalibrationLogic logic;
    std::unique_ptr<TestTicker> ticker;
    RunChannel* engineSpeedChannel = nullptr;
    std::atomic<float> ownTarget{0.0f};
    std::atomic<float>* target = nullptr;
    // The editors' values for the tick.
    std::atomic<double> top{0};
    std::atomic<double> bottom{0};
    std::atomic<double> rate{0};
    std::atomic<bool> accelerating{true};
};
