#pragma once

#include "AbstractTestDialog.h"

#include <atomic>
#include <memory>

class CustomCorrectionWidget;
class QCheckBox;
class QLineEdit;
class QTimer;
class SpinBoxWithUnit;
class TestTicker;

// The custom acceleration-rate window: the engine acceleration target is a
// base rate times up to three factors, each a curve over a live value
// (engine speed, throttle position, manifold pressure).
class CustomAccRateDialog : public AbstractTestDialog
{
    Q_OBJECT
public:
    explicit CustomAccRateDialog(QWidget* parent);
    ~CustomAccRateDialog() override;

    // The target for a base rate and three factors; a disabled slot or a
    // factor that is not finite leaves the rate as it is.
    static double target(double base, const bool enabled[3], const double factors[3]);

    static constexpr int slotCount = 3;
    SpinBoxWithUnit* spinBox_baseValue = nullptr;
    QCheckBox* checkBox_multiplier[slotCount] = {};
    QLineEdit* lineEdit_preview[slotCount] = {};
    CustomCorrectionWidget* curves[slotCount] = {};

public Q_SLOTS:
    void slot_realTimeTick();
    void slot_updatePreview();

private:
    std::unique_ptr<TestTicker> ticker;
    QTimer* previewTimer = nullptr;
    std::atomic<float> ownTarget{0.0f};
    std::atomic<float>* targetOut = nullptr;
    std::atomic<double> base{0};
    std::atomic<bool> enabled[slotCount] = {};
};
