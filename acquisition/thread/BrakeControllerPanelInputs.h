#pragma once

#include <array>
#include <atomic>

// A feed-forward setup of the brake-controller panel, asked for its value by
// the brake-controller thread every 10 ms. Implementations read only values
// published for other threads and never wait on the GUI thread.
class BrakeControllerFeedForward
{
public:
    virtual ~BrakeControllerFeedForward() = default;
    // The feed-forward value (1 means 100 %); 0 while switched off unless forced.
    virtual double getFFValue(bool force) = 0;
};

// What the brake-controller panel publishes for the brake-controller thread.
// The panel lives in the GUI thread and writes these whenever an editor
// changes; the thread reads them every tick. Each value is one atomic, so a
// read always sees a whole value; a value one tick old is fine, and no
// consistency between two values is needed. SI units throughout.
class BrakeControllerPanelInputs
{
public:
    static constexpr int maxLoadCells = 4;

    // The panel's mode and variable indices; the thread copies them on request only.
    std::atomic<int> mode{0};
    std::atomic<int> variable{1};
    std::atomic<bool> externalControl{false};

    std::atomic<double> minDynoSpeed{0.0};
    std::atomic<double> dynoSpeedTarget{0.0};
    std::atomic<double> dynoAccTarget{0.0};
    std::atomic<double> minEngineSpeed{0.0};
    std::atomic<double> engineSpeedTarget{0.0};
    std::atomic<double> engineAccTarget{0.0};
    // Fraction of the available absorber torque per load cell.
    std::array<std::atomic<double>, maxLoadCells> torqueTarget{};

    // Set once by the panel before the thread gets it, then never changed.
    BrakeControllerFeedForward* dynoFeedForward = nullptr;
    BrakeControllerFeedForward* engineFeedForward = nullptr;
};
