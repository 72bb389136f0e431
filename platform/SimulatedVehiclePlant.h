#pragma once

#include "SimulatedPlant.h"
#include "SimulatedScenario.h"

#include <array>
#include <atomic>
#include <cstdint>

// A vehicle on the rollers of the simulated dyno, and the controller's data
// stream that measures it. The driven rollers turn together with the vehicle:
//   I·dω/dt = vehicle torque(ω, throttle, gear) − absorber torque − losses,
// integrated in 1 ms steps of the controller clock. The absorber follows what
// the board writes: the device mode (idle and inertia: free; remote torque:
// the torque targets; speed and acceleration lock: the speed and acceleration
// targets), and the absorber lock, which holds with the lock value.
//
// The stream, at the rates the board's filters expect: frequency words of
// every roller's speed sensor and of the engine-speed input, in the capture or
// count mode the board configured (every period, or the periods of each 1 ms
// packed into one word above 1 kHz; a float per 1 ms when counting); analog
// inputs and load cells every 2 ms (first-generation boards in millivolts,
// second-generation ones as a fraction of full scale); high-precision inputs,
// supplies, bridge currents and one received CAN frame (engine speed) every
// 100 ms; controller outputs every 5 ms, set points every 10 ms.
//
// A falling mass (scenario "falling_mass") hangs on a rope wound on the
// rollers: it adds r·M·(g − α·r) with g = 9.80665, solved implicitly (the
// mass joins the inertia as M·r²), until "falling_mass_drop" metres of rope
// have unwound; with "repeat" it hangs again at every repeat.
//
// Load cells show the absorber torque of the roller they are assigned to,
// through the inverse of the gain and offset the board configured; with no
// gain configured they show a mid-scale signal.
class SimulatedVehiclePlant : public SimulatedPlant
{
public:
    SimulatedVehiclePlant(const SimulatedScenario& scenario, int deviceCode);

    void start(int64_t nowUs) override;
    void advance(int64_t nowUs, FrameSink& sink) override;
    void targetWritten(uint8_t reg, uint32_t value) override;
    void configWritten(uint16_t address4, uint16_t channel, uint32_t value) override;

    // What really happens, for tests: rad/s of a roller, the absorber torque
    // on it (N·m), the vehicle torque at the rollers, seconds since the start.
    double rollerSpeed(int roller) const { return observed[roller].speed.load(); }
    double absorberTorque(int roller) const { return observed[roller].absorber.load(); }
    double vehicleTorque() const { return observedVehicleTorque.load(); }
    double elapsedSeconds() const { return observedTime.load(); }

    // Fault: every load cell reads beyond its range (the clipping the board
    // reports as a system alarm) until switched off.
    void setLoadCellClipping(bool clipping) { loadCellClipping = clipping; }

private:
    struct Board {
        int rollers = 4;
        int loadCells = 4;
        int generation = 2;
        bool lite = false;
        int analogInputs = 12;
        int hpAnalogInputs = 8;
        int mcuFreqSlots = 6;
        bool bridges = true;
    };
    struct SlotState {
        int mode = 0;
        int signalsPerRotation = 36;
        double phase = 0.0;
    };
    struct Observed {
        std::atomic<double> speed{0.0};
        std::atomic<double> absorber{0.0};
    };

    void step(FrameSink& sink);
    void emitFrequency(int slot, double pulseHz, FrameSink& sink);
    double absorberTorqueFor(int roller, double omega, double vehicleTorqueAtRoller, double lossTorque,
                             double inertia);
    double noise();
    double engineRpm() const;

    SimulatedScenario scenario;
    Board board;
    int deviceCode = 3;
    uint64_t rng = 1;

    int64_t originUs = 0;
    int64_t stepsDone = 0;
    double omega = 0.0; // driven rollers, rad/s
    double ropeUnwound = 0.0; // m, of the falling mass's rope
    int64_t ropeCycle = 0;    // repeat cycle the rope belongs to
    double speedIntegral[4] = {};

    // What the board wrote.
    int deviceMode = 0;
    bool absorberLock = false;
    bool loadCellClipping = false;
    double absorberLockValue = 1.0;
    int pidDetails = 0;
    std::array<SlotState, 6> inputSlots{};
    int loadCellRoller[4] = {0, 0, 0, 0};
    double loadCellA[4] = {};
    double loadCellB[4] = {};
    float torqueTarget[4] = {};
    float speedTarget[4] = {};
    float accelerationTarget[4] = {};
    double absorber[4] = {};

    Observed observed[4];
    std::atomic<double> observedVehicleTorque{0.0};
    std::atomic<double> observedTime{0.0};
};
