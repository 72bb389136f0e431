#pragma once

#include <QThread>

#include <atomic>

// STAND-IN until the brake controller is built: the thread that will write the
// absorber targets to the MCU every 10 ms. It holds the external targets a test
// mode writes; for now it only runs its event loop once the panel starts it.
class BrakeControllerThread : public QThread
{
    Q_OBJECT
public:
    BrakeControllerThread();
    ~BrakeControllerThread() override;

    std::atomic<float> externalRoadSpeedTarget{0.0f};
    std::atomic<float> externalEngineSpeedTarget{0.0f};
    std::atomic<float> externalRoadAccelerationTarget{0.0f};
    std::atomic<float> externalEngineAccelerationTarget{0.0f};
    std::atomic<bool> antiStall{false};

public Q_SLOTS:
    // Started by the brake-controller panel once the dyno settings are ready.
    void slot_start();
};

extern BrakeControllerThread* theBrakeControllerThread;
