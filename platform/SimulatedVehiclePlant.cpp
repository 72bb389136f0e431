#include "SimulatedVehiclePlant.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int64_t stepUs = 1000;
constexpr double stepS = 0.001;
constexpr double clockHz = 32000000.0;
constexpr uint32_t maxPeriodTicks = 0x3FFFC000u;
// A link that stalls longer than this loses the data of the gap (as the
// controller's full transmit buffer would), but the physics go on.
constexpr int64_t maxCatchUpSteps = 200;

// Registers of the data stream, as the controller firmware numbers them.
namespace R {
constexpr uint8_t canData0 = 46, canData1 = 47, canTimestamp = 48, canId = 49;
constexpr uint8_t freq1 = 55;
constexpr uint8_t ain1_2 = 67, ain7_8 = 70, ainlc1_2 = 73, ainlc3_4 = 74, ainlcV2_1 = 75;
constexpr uint8_t accOutput = 79, speedOutput = 80, torqueOutput = 81, ainOutput1 = 82, ainOutput2 = 83;
constexpr uint8_t accSp1 = 84, speedSp1 = 88, torqueSp1 = 92, ainSp1 = 96;
constexpr uint8_t pidDetails1 = 102;
constexpr uint8_t diagVcc5V = 107, diag12V24V = 108, bridgeCurrents = 109, tcCh1_2 = 110;
constexpr uint8_t bcTorqueTarget1 = 143, bcRotSpeedTarget1 = 147, bcRotAccTarget1 = 151;
} // namespace R

// Configuration words (byte address / 4) the plant follows.
namespace C {
constexpr uint16_t pidDetails = 1, absorberLockValue = 2, loadCellRoller = 4, loadCellA = 8, loadCellB = 12;
constexpr uint16_t freqMode = 30, signalsPerRotation = 42, deviceMode = 428, absorberLock = 429;
} // namespace C

constexpr int rollerSlot[4] = {0, 1, 3, 4};
constexpr int engineSlot = 2;

uint32_t floatBits(float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

float bitsFloat(uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

uint32_t halves(int high, int low)
{
    return (uint32_t(uint16_t(high)) << 16) | uint32_t(uint16_t(low));
}

} // namespace

SimulatedVehiclePlant::SimulatedVehiclePlant(const SimulatedScenario& s, int code)
    : scenario(s)
    , deviceCode(code)
{
    // The boards as their firmware knows them: rollers, load cells, generation,
    // lite, analog inputs, high-precision inputs, frequency inputSlots.
    switch (code) {
    case 0: board = {2, 4, 1, false, 6, 8, 3, false}; break;
    case 1: board = {4, 4, 1, false, 6, 8, 5, false}; break;
    case 2: board = {1, 2, 1, true, 2, 4, 3, false}; break;
    case 4: board = {1, 1, 2, true, 1, 4, 3, false}; break;
    default: board = {4, 4, 2, false, 12, 8, 6, true}; break;
    }
    scenario.rollers = std::min(scenario.rollers, board.rollers);
    rng = 0x9E3779B97F4A7C15ull ^ (uint64_t(scenario.seed) * 0xBF58476D1CE4E5B9ull);
    if (rng == 0)
        rng = 1;
}

double SimulatedVehiclePlant::noise()
{
    // xorshift64*, then the sum of four uniforms: roughly normal, unit variance.
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) {
        rng ^= rng >> 12;
        rng ^= rng << 25;
        rng ^= rng >> 27;
        const uint64_t r = rng * 0x2545F4914F6CDD1Dull;
        sum += double(r >> 11) / double(1ull << 53) - 0.5;
    }
    return sum * std::sqrt(3.0);
}

void SimulatedVehiclePlant::start(int64_t nowUs)
{
    originUs = nowUs;
    stepsDone = 0;
    omega = scenario.startSpeed / (scenario.rollerDiameter / 2.0);
    ropeUnwound = 0.0;
    ropeCycle = 0;
    for (double& i : speedIntegral)
        i = 0.0;
    for (SlotState& slot : inputSlots)
        slot.phase = 0.0;
}

void SimulatedVehiclePlant::advance(int64_t nowUs, FrameSink& sink)
{
    if (nowUs <= originUs)
        return;
    const int64_t due = (nowUs - originUs) / stepUs;
    if (due - stepsDone > maxCatchUpSteps) {
        // Stalled: the physics catch up silently, only the last steps are sent.
        class Discard : public FrameSink
        {
        public:
            void push(uint8_t, uint32_t) override {}
        } discard;
        while (due - stepsDone > maxCatchUpSteps)
            step(discard);
    }
    while (stepsDone < due)
        step(sink);
}

double SimulatedVehiclePlant::engineRpm() const
{
    const double wheelOmega = omega * scenario.rollerDiameter / scenario.wheelDiameter;
    return wheelOmega * scenario.gearRatio * 60.0 / (2.0 * M_PI);
}

double SimulatedVehiclePlant::absorberTorqueFor(int roller, double w, double vehicleTorqueAtRoller, double lossTorque,
                                                double inertia)
{
    const double maxTorque = scenario.absorberMaxTorque;
    if (absorberLock)
        return std::clamp(absorberLockValue, 0.0, 1.0) * maxTorque;
    switch (deviceMode) {
    case 2: // remote torque
        return std::clamp(double(torqueTarget[roller]), 0.0, maxTorque);
    case 3: { // speed lock: a PI controller that can only brake
        const double kp = inertia * 20.0;
        const double ki = kp * 5.0;
        const double error = w - double(speedTarget[roller]);
        double integral = speedIntegral[roller] + ki * error * stepS;
        integral = std::clamp(integral, 0.0, maxTorque);
        speedIntegral[roller] = integral;
        return std::clamp(kp * error + integral, 0.0, maxTorque);
    }
    case 4: // acceleration lock: whatever keeps the roller on the target acceleration
        return std::clamp(vehicleTorqueAtRoller - lossTorque - inertia * double(accelerationTarget[roller]), 0.0,
                          maxTorque);
    default:
        speedIntegral[roller] = 0.0;
        return 0.0;
    }
}

void SimulatedVehiclePlant::step(FrameSink& sink)
{
    ++stepsDone;
    const double t = double(stepsDone) * stepS;
    const int driven = scenario.rollers;
    const double rollerRadius = scenario.rollerDiameter / 2.0;
    const double wheelRadius = scenario.wheelDiameter / 2.0;
    const double ratio = rollerRadius / wheelRadius;
    const double throttle = scenario.throttleAt(t);

    // The vehicle's torque on all driven rollers together.
    double vehicleTorque = 0.0;
    if (scenario.constantTorqueSet) {
        vehicleTorque = throttle * scenario.constantTorque * driven;
    } else if (!scenario.engineCurve.isEmpty()) {
        const double rpm = engineRpm();
        double engineTorque = throttle * scenario.engineTorqueAt(std::max(rpm, scenario.idleRpm));
        if (rpm > scenario.idleRpm)
            engineTorque -= (1.0 - throttle) * scenario.engineDrag;
        vehicleTorque = engineTorque * scenario.gearRatio * ratio;
    }
    const double inertia = driven * scenario.rollerInertia + scenario.vehicleInertia * ratio * ratio;
    const double perRollerInertia = inertia / driven;
    const double perRollerVehicleTorque = vehicleTorque / driven;
    const double loss = omega > 0.0 ? scenario.lossA + scenario.lossB * omega + scenario.lossC * omega * omega : 0.0;

    double braking = 0.0;
    for (int j = 0; j < board.rollers && j < 4; ++j) {
        absorber[j] = j < driven ? absorberTorqueFor(j, omega, perRollerVehicleTorque, loss, perRollerInertia) : 0.0;
        braking += absorber[j];
    }
    // A repeating scenario hangs the mass on a fresh rope at every repeat.
    if (scenario.repeatSeconds > 0.0) {
        const auto cycle = int64_t(t / scenario.repeatSeconds);
        if (cycle != ropeCycle) {
            ropeCycle = cycle;
            ropeUnwound = 0.0;
        }
    }
    // r·M·(g − α·r) with α from this very step: the mass joins the inertia.
    const bool massHangs = scenario.fallingMass > 0.0 && ropeUnwound < scenario.fallingMassDrop;
    const double massTorque = massHangs ? rollerRadius * scenario.fallingMass * 9.80665 : 0.0;
    const double massInertia = massHangs ? scenario.fallingMass * rollerRadius * rollerRadius : 0.0;
    const double net = vehicleTorque - braking - driven * loss + massTorque;
    omega = std::max(0.0, omega + net / (inertia + massInertia) * stepS);
    if (massHangs)
        ropeUnwound += omega * rollerRadius * stepS;

    observedTime = t;
    observedVehicleTorque = vehicleTorque;
    for (int j = 0; j < 4; ++j) {
        observed[j].speed = j < driven ? omega : 0.0;
        observed[j].absorber = absorber[j];
    }

    // Speed sensors: every roller of the board (the others stand still), and
    // the engine-speed input when there is an engine.
    for (int j = 0; j < board.rollers && j < 4; ++j) {
        const int slot = rollerSlot[j];
        if (slot >= board.mcuFreqSlots)
            continue;
        const double w = j < driven ? omega : 0.0;
        emitFrequency(slot, w / (2.0 * M_PI) * inputSlots[slot].signalsPerRotation, sink);
    }
    if (!scenario.engineCurve.isEmpty() && engineSlot < board.mcuFreqSlots)
        emitFrequency(engineSlot, engineRpm() / 60.0 * inputSlots[engineSlot].signalsPerRotation, sink);

    const int64_t n = stepsDone;
    if (n % 2 == 0) {
        // Analog inputs: a slow ramp per input around a few volts.
        const int blocks = board.analogInputs > 6 ? 2 : 1;
        for (int block = 0; block < blocks; ++block) {
            const int words = board.lite ? 1 : 3;
            for (int k = 0; k < words; ++k) {
                const int input = 6 * block + 2 * k;
                const int a = 1000 + 250 * input + int(noise() * 2.0);
                const int b = 1000 + 250 * (input + 1) + int(noise() * 2.0);
                sink.push(uint8_t((block ? R::ain7_8 : R::ain1_2) + k), halves(a, b));
            }
        }
        // Load cells: each shows the absorber torque of its roller.
        double raw[4];
        for (int i = 0; i < 4; ++i) {
            const int roller = loadCellRoller[i] - 1;
            const double torque = roller >= 0 && roller < 4 ? absorber[roller] : 0.0;
            if (loadCellA[i] != 0.0)
                raw[i] = (torque - loadCellB[i]) / loadCellA[i];
            else
                raw[i] = board.generation == 1 ? 2500.0 : 0.0;
            if (loadCellClipping)
                raw[i] = board.generation == 1 ? 65535.0 : 1.0;
        }
        if (board.generation == 1) {
            auto mv = [](double x) { return int(std::clamp(std::lround(x), 0L, 65535L)); };
            sink.push(R::ainlc1_2, halves(mv(raw[0]), mv(raw[1])));
            if (deviceCode != 2)
                sink.push(R::ainlc3_4, halves(mv(raw[2]), mv(raw[3])));
        } else {
            for (int i = 0; i < board.loadCells && i < 4; ++i)
                sink.push(uint8_t(R::ainlcV2_1 + i), floatBits(float(raw[i])));
        }
    }

    if (n % 5 == 0) {
        // Controller outputs every 5 ms: the 200 Hz their records declare, so
        // a recorded run lays them on the right time axis.
        uint32_t outputs = 0;
        for (int j = 0; j < 4; ++j) {
            const int duty = int(std::clamp(absorber[j] / std::max(scenario.absorberMaxTorque, 1.0) * 255.0, 0.0, 255.0));
            outputs |= uint32_t(duty) << (24 - 8 * j);
        }
        sink.push(R::accOutput, deviceMode == 4 ? outputs : 0);
        sink.push(R::speedOutput, deviceMode == 3 ? outputs : 0);
        sink.push(R::torqueOutput, deviceMode == 2 ? outputs : 0);
        sink.push(R::ainOutput1, 0);
        sink.push(R::ainOutput2, 0);
    }

    if (n % 10 == 0) {
        for (int j = 0; j < 4; ++j) {
            sink.push(uint8_t(R::accSp1 + j), floatBits(accelerationTarget[j]));
            sink.push(uint8_t(R::speedSp1 + j), floatBits(speedTarget[j]));
            sink.push(uint8_t(R::torqueSp1 + j), floatBits(torqueTarget[j]));
        }
        for (int j = 0; j < 6; ++j)
            sink.push(uint8_t(R::ainSp1 + j), floatBits(0.0f));
        if (pidDetails != 0) {
            sink.push(R::pidDetails1, floatBits(float(speedTarget[0] - omega)));
            for (int k = 1; k < 5; ++k)
                sink.push(uint8_t(R::pidDetails1 + k), halves(0, 0));
        }
    }

    if (n % 100 == 0) {
        const int hpWords = board.lite ? 2 : 4;
        for (int k = 0; k < hpWords; ++k)
            sink.push(uint8_t(R::tcCh1_2 + k), halves(400 + int(noise()), 400 + int(noise())));
        sink.push(R::diagVcc5V, halves(5000 + int(noise() * 3.0), 5010 + int(noise() * 3.0)));
        sink.push(R::diag12V24V, halves(12050 + int(noise() * 5.0), board.lite ? 0 : 24100 + int(noise() * 5.0)));
        if (board.bridges)
            sink.push(R::bridgeCurrents, (8u << 24) | (4u << 16));
        // Engine speed as the engine's own controller broadcasts it (0.125 rpm per bit).
        const uint32_t rpmBits = uint32_t(std::clamp(engineRpm() / 0.125, 0.0, 64255.0));
        const uint8_t data[8] = {0xF0, 0x7D, 0x7D, uint8_t(rpmBits & 0xFF), uint8_t(rpmBits >> 8), 0xFF, 0xFF, 0xFF};
        sink.push(R::canData0, (uint32_t(data[0]) << 24) | (uint32_t(data[1]) << 16) | (uint32_t(data[2]) << 8) | data[3]);
        sink.push(R::canData1, (uint32_t(data[4]) << 24) | (uint32_t(data[5]) << 16) | (uint32_t(data[6]) << 8) | data[7]);
        sink.push(R::canTimestamp, uint32_t(n));
        sink.push(R::canId, 0x0CF00400u);
    }
}

void SimulatedVehiclePlant::emitFrequency(int slot, double pulseHz, FrameSink& sink)
{
    SlotState& s = inputSlots[slot];
    const uint8_t reg = uint8_t(R::freq1 + slot);
    if (s.mode == 1) {
        const double measured = pulseHz > 0.0 ? pulseHz * (1.0 + scenario.noise * noise()) : 0.0;
        sink.push(reg, floatBits(float(std::max(0.0, measured))));
        return;
    }
    if (pulseHz <= 0.0) {
        s.phase = 0.0;
        return;
    }
    s.phase += pulseHz * stepS;
    const double pulses = std::floor(s.phase);
    if (pulses < 1.0)
        return;
    s.phase -= pulses;
    const double period = clockHz / pulseHz;
    if (period > 32000.0) {
        // Below 1 kHz: a word per period.
        for (int i = 0; i < int(pulses); ++i) {
            const double ticks = std::round(period * (1.0 + scenario.noise * noise()));
            if (ticks >= 1.0 && ticks <= double(maxPeriodTicks))
                sink.push(reg, uint32_t(ticks));
        }
        return;
    }
    // Faster: the periods of this millisecond in one word.
    const int count = int(std::min(pulses, 32767.0));
    const double ticks = std::round(period * count * (1.0 + scenario.noise * noise()));
    if (ticks >= 1.0 && ticks <= 65535.0)
        sink.push(reg, 0x80000000u | (uint32_t(count) << 16) | uint32_t(ticks));
}

void SimulatedVehiclePlant::targetWritten(uint8_t reg, uint32_t value)
{
    const float f = bitsFloat(value);
    if (reg >= R::bcTorqueTarget1 && reg < R::bcTorqueTarget1 + 4)
        torqueTarget[reg - R::bcTorqueTarget1] = f;
    else if (reg >= R::bcRotSpeedTarget1 && reg < R::bcRotSpeedTarget1 + 4)
        speedTarget[reg - R::bcRotSpeedTarget1] = f;
    else if (reg >= R::bcRotAccTarget1 && reg < R::bcRotAccTarget1 + 4)
        accelerationTarget[reg - R::bcRotAccTarget1] = f;
}

void SimulatedVehiclePlant::configWritten(uint16_t address4, uint16_t channel, uint32_t value)
{
    switch (address4) {
    case C::deviceMode:
        deviceMode = int(int32_t(value));
        break;
    case C::absorberLock:
        absorberLock = value != 0;
        break;
    case C::absorberLockValue:
        absorberLockValue = bitsFloat(value);
        break;
    case C::pidDetails:
        pidDetails = int(value);
        break;
    case C::loadCellRoller:
        if (channel < 4)
            loadCellRoller[channel] = int(value);
        break;
    case C::loadCellA:
        if (channel < 4)
            loadCellA[channel] = bitsFloat(value);
        break;
    case C::loadCellB:
        if (channel < 4)
            loadCellB[channel] = bitsFloat(value);
        break;
    case C::freqMode:
        if (channel < 6)
            inputSlots[channel].mode = int(value);
        break;
    case C::signalsPerRotation:
        if (channel < 6 && value > 0)
            inputSlots[channel].signalsPerRotation = int(value);
        break;
    default:
        break;
    }
}
