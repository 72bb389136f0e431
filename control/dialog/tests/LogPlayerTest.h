#pragma once

#include "AbstractTestDialog.h"
#include "TestModeHooks.h"

#include <atomic>
#include <memory>

class MultiVectorResampler;
class QCPItemLine;
class QCustomPlot;
class QDoubleSpinBox;
class QMouseEvent;
class QPushButton;
class QTimer;
class RunChannel;
class SpinBoxWithUnit;
class TestTicker;

// The log player: while a run is recording, the absorber holds the engine on
// a recorded drive log's engine speed (speed control on engine speed), the
// throttle follows the logged throttle with a rev-matching correction, and
// the logged gear goes to the gear target channel. Playback starts with the
// run, from the point the operator clicked on the plot.
class LogPlayerTest : public AbstractTestDialog
{
    Q_OBJECT
public:
    explicit LogPlayerTest(QWidget* parent);
    ~LogPlayerTest() override;

    // Takes a log (the vectors the import fills) and shows it.
    void setLog(const TestModeHooks::Log& log);
    const TestModeHooks::Log& getLog() const { return log; }
    double playbackTime() const { return t.load(); }
    void setPlaybackTime(double seconds);
    bool isPlaying() const;

    QPushButton* pushButton_load = nullptr;
    QDoubleSpinBox* spinBox_gain = nullptr;
    SpinBoxWithUnit* spinBox_throttleAtEnd = nullptr;
    SpinBoxWithUnit* spinBox_displayHistory = nullptr;
    SpinBoxWithUnit* spinBox_displayAhead = nullptr;
    QCustomPlot* plot = nullptr;

public Q_SLOTS:
    void slot_loadLog();
    void slot_realTimeTick();
    void slot_updateDriveCyclePlot();
    void slot_plotMouseRelease(QMouseEvent* event);

Q_SIGNALS:
    void signal_newThrottle(double percent);

private:
    TestModeHooks::Log log;
    std::unique_ptr<MultiVectorResampler> resampler;
    std::unique_ptr<TestTicker> ticker;
    QTimer* plotTimer = nullptr;
    QCPItemLine* tracker = nullptr;
    RunChannel* engineSpeedChannel = nullptr;
    RunChannel* gearChannel = nullptr;
    std::atomic<double> t{0};
    double offset = 0;
    bool wasActive = false;
    std::atomic<double> gain{0};
    std::atomic<double> minEngineSpeed{0};
};
