#pragma once

#include "AbstractTestDialog.h"

#include <atomic>
#include <memory>

class PointVectorEditor;
class QCheckBox;
class QComboBox;
class QPushButton;
class QStackedWidget;
class QTimer;
class Resampler;
class TestTicker;

// The sequence window: on "Start sequence" the absorber follows a drawn speed
// curve (road or engine speed) in speed control from time 0, and a drawn
// throttle curve drives the RUN tab's throttle; the sequence may start and
// stop a run with it.
class SequenceDialog : public AbstractTestDialog
{
    Q_OBJECT
public:
    explicit SequenceDialog(QWidget* parent);
    ~SequenceDialog() override;

    // What one tick does at t seconds after the start.
    struct Step {
        bool writeSpeed = false;
        double speed = 0;
        bool sendThrottle = false;
        double throttlePercent = 0;
        bool end = false;
    };
    // The curves as loaded at the start: a value at t, and the last time.
    struct Curve {
        Resampler* resampler = nullptr;
        bool empty = true;
        double lastTime = 0;
    };
    static Step evaluate(double t, const Curve& speed, const Curve& throttle, bool showThrottle);

    QComboBox* comboBox_mode = nullptr;
    QCheckBox* checkBox_startStopRun = nullptr;
    QCheckBox* checkBox_showThrottle = nullptr;
    QStackedWidget* pages = nullptr;
    PointVectorEditor* editor_dynoSpeed = nullptr;
    PointVectorEditor* editor_engineSpeed = nullptr;
    PointVectorEditor* editor_throttle = nullptr;
    QPushButton* pushButton_start = nullptr;

    bool isTicking() const;

public Q_SLOTS:
    void slot_sequenceButtonToggled(bool checked);
    void slot_realTimeTick();
    void slot_updateTrackerPosition();
    void slot_enableThrottleControlChanged(int state);

Q_SIGNALS:
    void signal_newThrottle(double percent);

private:
    // One tick; true when the sequence is over.
    bool tick();
    void load(Curve& curve, PointVectorEditor* editor);

    std::unique_ptr<TestTicker> ticker;
    std::unique_ptr<Resampler> speedResamplers[2];
    std::unique_ptr<Resampler> throttleResampler;
    Curve speedCurves[2];
    Curve throttleCurve;
    QTimer* trackerTimer = nullptr;
    std::atomic<qint64> startTime{0};
    std::atomic<int> mode{0};
    std::atomic<bool> showThrottle{false};
    std::atomic<bool> started{false};
    float ownTargets[2] = {};
};
