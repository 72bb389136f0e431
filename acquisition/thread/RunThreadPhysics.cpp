// Roller, dyno and engine physics: every new speed sample of a roller runs the
// chain roller -> dyno -> engine. SI throughout (rad/s, m/s, N·m, N, W).
#include "RunThread.h"

#include "ActiveProjectValues.h"
#include "Channels.h"
#include "DynoSettings.h"
#include "HwInfo.h"
#include "RunChannel.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// 0.1 rpm: below it an engine has no torque worth dividing by.
constexpr double minTorqueSpeed = 0.010471975511965976;
constexpr double gravity = 9.81;
constexpr qint64 maxSampleGapMs = 9999;

} // namespace

double RunThread::lossPolynomial(const QList<double>& c, double x)
{
    const qsizetype n = c.size();
    if (n < 3)
        return 0.0;
    double loss = c.at(0) + c.at(1) * x + c.at(2) * x * x;
    if (n > 3)
        loss += c.at(3) * x * x * x;
    if (n > 4)
        loss += c.at(4) * x * x * x * x;
    return loss;
}

double RunThread::rollerRadius(int roller) const
{
    if (dynoType == 2) {
        const double wheel = theActiveProjectValues.wheelDiameter.load(std::memory_order_relaxed);
        if (theActiveProjectValues.active.load(std::memory_order_relaxed) && wheel > 0.0)
            return wheel / 2.0;
    }
    return roller >= 0 && roller < 4 ? rollerSettings[roller].diameter / 2.0 : kNaN;
}

void RunThread::propagateSpeedDataToRoller(int j, double omega, double alpha, qint64 t)
{
    if (j < 0 || j >= 4 || j >= theHwInfo.rollers)
        return;
    const RollerSettings& roller = rollerSettings[j];
    const double loss = lossPolynomial(roller.lossModel, omega);
    setChannel(ChannelId_rollerInternalLoss, j, loss, t);
    const double brakeTorque = channelValue(ChannelId_rollerBrakesTorque, j);
    setChannel(ChannelId_rollerRotationalSpeed, j, omega, t);
    setChannel(ChannelId_rollerRotationalAcceleration, j, alpha, t);
    setChannel(ChannelId_rollerSpeed, j, rollerRadius(j) * omega, t);
    const double inertialTorque = roller.inertia * alpha;
    setChannel(ChannelId_rollerPower, j, (inertialTorque + brakeTorque) * omega + loss, t);
    setChannel(ChannelId_rollerInertialTorque, j, inertialTorque, t);
    calculateChannelsFromAllRollers(t);
}

void RunThread::calculateChannelsFromAllRollers(qint64 t)
{
    const int rollers = std::min(theHwInfo.rollers, 4);
    double speeds[4] = {kNaN, kNaN, kNaN, kNaN};
    double vMax = 0.0;
    bool allFinite = rollers > 0;
    for (int j = 0; j < rollers; ++j) {
        speeds[j] = channelValue(ChannelId_rollerSpeed, j);
        if (!std::isfinite(speeds[j]))
            allFinite = false;
        else if (speeds[j] > vMax)
            vMax = speeds[j];
    }

    double v = kNaN;
    double a = kNaN;
    if (allFinite) {
        // Support rollers and rollers far slower than the fastest (a wheel that
        // lifted, an axle that is not driven) stay out of the road speed.
        double speedSum = 0.0;
        double accelerationSum = 0.0;
        int n = 0;
        for (int j = 0; j < rollers; ++j) {
            if (rollerSettings[j].supportRoller != 0 || speeds[j] < 0.1 * vMax)
                continue;
            speedSum += speeds[j];
            accelerationSum += rollerRadius(j) * channelValue(ChannelId_rollerRotationalAcceleration, j);
            ++n;
        }
        v = speedSum / n;
        a = accelerationSum / n;
    }

    const double r0 = rollerRadius(0);
    const double wheelSpeed = v / r0;
    const double wheelAcceleration = a / r0;
    const double drivetrainInertia = theActiveProjectValues.drivetrainInertia.load(std::memory_order_relaxed);
    setChannel(ChannelId_drivetrainInertialPower, 0, wheelAcceleration * drivetrainInertia * wheelSpeed, t);

    const double internalLoss = lossPolynomial(internalLossModel, v);
    setChannel(ChannelId_dynoLossPowerFromSpeedInternal, 0, internalLoss, t);
    double wheelPower = internalLoss;
    for (int j = 0; j < rollers; ++j)
        wheelPower += channelValue(ChannelId_rollerPower, j);

    const double force = v > 1.0 ? wheelPower / v : wheelPower;

    double slip = 0.0;
    const double mass = theActiveProjectValues.mass.load(std::memory_order_relaxed);
    if (slipEstimationAvailable && theActiveProjectValues.active.load() && mass > 0.0) {
        const int driveWheels = theActiveProjectValues.driveWheels.load(std::memory_order_relaxed);
        const double drivenMass = (driveWheels >= 2 || driveWheels < -1) ? mass : 0.5 * mass;
        slip = force * slipEstimationCoefficient / (drivenMass * gravity);
    }

    setChannel(ChannelId_dynoEstimatedSlip, 0, slip, t);
    setChannel(ChannelId_dynoTractiveForce, 0, force, t);
    setChannel(ChannelId_dynoSpeed, 0, v, t);
    setChannel(ChannelId_dynoAcceleration, 0, a, t);
    setChannel(ChannelId_dynoOnWheelsPower, 0, wheelPower, t);

    if (logging) {
        if (hooks.odometerSpeed)
            hooks.odometerSpeed(std::isnan(v) ? 0.0 : v, t);
        if (hooks.odometerAcceleration)
            hooks.odometerAcceleration(std::isnan(a) ? 0.0 : a);
    }

    setChannel(ChannelId_dynoLossPowerFromSpeed, 0, lossPolynomial(speedLossModel, v), t);

    if (engineSpeedSource == 0) {
        const double k = (1.0 + slip) * engineSpeedRatio;
        setChannel(ChannelId_engineSpeed, 0, wheelSpeed * k, t);
        setChannel(ChannelId_engineRotationalAcceleration, 0, wheelAcceleration * k, t);
        setChannel(ChannelId_engineRollerSpeedRatio, 0, k, t);
    } else if (engineSpeedSource == 4) {
        const double ratio = channelValue(ChannelId_engineRollerSpeedRatio);
        if (std::isfinite(ratio)) {
            setChannel(ChannelId_engineSpeed, 0, wheelSpeed * ratio, t);
            setChannel(ChannelId_engineRotationalAcceleration, 0, wheelAcceleration * ratio, t);
        }
    }

    calculateEnginePowerAndTorque(t);

    // Peaks: a NaN never replaces a valid peak.
    const double powerPeak = channelValue(ChannelId_dynoOnWheelsPowerMax);
    if (!std::isnan(wheelPower) && (std::isnan(powerPeak) || powerPeak < wheelPower))
        setChannel(ChannelId_dynoOnWheelsPowerMax, 0, wheelPower, t);
    const double speedPeak = channelValue(ChannelId_dynoSpeedMax);
    if (!std::isnan(v) && (std::isnan(speedPeak) || speedPeak < v))
        setChannel(ChannelId_dynoSpeedMax, 0, v, t);
}

void RunThread::calculateEnginePowerAndTorque(qint64 t)
{
    const double omega = channelValue(ChannelId_engineSpeed);
    const double alpha = channelValue(ChannelId_engineRotationalAcceleration);
    const double engineInertia = theActiveProjectValues.engineInertia.load(std::memory_order_relaxed);
    setChannel(ChannelId_engineInertialTorque, 0, engineInertia * alpha, t);
    const double inertiaPower = omega * engineInertia * alpha;
    setChannel(ChannelId_engineInertialPower, 0, inertiaPower, t);

    const double wheelPower = channelValue(ChannelId_dynoOnWheelsPower);
    const double speedLoss = channelValue(ChannelId_dynoLossPowerFromSpeed);
    const double drivetrainPower = channelValue(ChannelId_drivetrainInertialPower);
    const double p1 = (speedLoss + wheelPower) * (1.0 + dynoLossFromLoadFactor) + drivetrainPower;
    const double projectLoadLoss = theActiveProjectValues.lossFromLoadFactor.load(std::memory_order_relaxed);
    const double enginePower = p1 * (1.0 + projectLoadLoss) + inertiaPower;

    setChannel(ChannelId_dynoLossPowerFromLoad, 0,
               enginePower - wheelPower - drivetrainPower - speedLoss - inertiaPower, t);
    setChannel(ChannelId_dynoLossPower, 0, enginePower - wheelPower, t);
    setChannel(ChannelId_enginePower, 0, enginePower, t);

    // The channel holds the correction factor minus 1 (0: no correction).
    const double correction = channelValue(ChannelId_ambientCorrectionFactor) + 1.0;
    setChannel(ChannelId_engineCorrectedPower, 0, enginePower * correction, t);

    double torque;
    if (std::isnan(omega))
        torque = kNaN;
    else if (omega < minTorqueSpeed)
        torque = 0.0;
    else
        torque = enginePower / omega;
    setChannel(ChannelId_engineTorque, 0, torque, t);
    setChannel(ChannelId_engineCorrectedTorque, 0, torque * correction, t);
}

void RunThread::updateSpeedRatio(double engineSpeed, qint64 t)
{
    setChannel(ChannelId_engineRollerSpeedRatio, 0,
               engineSpeed / (channelValue(ChannelId_dynoSpeed) / rollerRadius(0)), t);
}

void RunThread::slot_newEngineSpeedVPData(double x, qint64 t)
{
    if (!decodersReady)
        return;
    for (int j = 0; j < theHwInfo.rollers && j < 4; ++j) {
        if (rollerSettings[j].speedSource != 2)
            continue;
        const RunChannel* speed = theChannels.getChannel(ChannelId_rollerRotationalSpeed, j);
        if (!speed)
            continue;
        double previous = kNaN;
        qint64 stamp = 0;
        speed->getTimestampedData(previous, stamp);
        const qint64 d = t - stamp;
        if (d <= 0)
            continue;
        const double alpha = d > maxSampleGapMs ? kNaN : (x - previous) / (double(d) * 0.001);
        propagateSpeedDataToRoller(j, x, alpha, t);
    }
    if (engineSpeedSource != 4)
        return;
    RunChannel* engine = theChannels.getChannel(ChannelId_engineSpeed, 0);
    if (!engine)
        return;
    double before = kNaN;
    qint64 stamp = 0;
    engine->getTimestampedData(before, stamp);
    const qint64 d = t - stamp;
    engine->setData(x, t);
    if (d > 0 && d <= maxSampleGapMs) {
        const double after = engine->getValue();
        setChannel(ChannelId_engineRotationalAcceleration, 0, (after - before) / (double(d) * 0.001), t);
    }
    updateSpeedRatio(x, t);
    calculateEnginePowerAndTorque(t);
}

double RunThread::rollerRotSpeedFromDynoSpeed(double speed, RollerId roller)
{
    // Called from the brake controller's thread: settings through their copies,
    // the project through its mirror.
    if (!theDynoSettings || !theDynoSettings->initialized)
        return kNaN;
    double radius = theDynoSettings->getSettingValueDouble(DynoSettingId_rollerDiameter, int(roller)) / 2.0;
    if (theDynoSettings->getSettingValueDouble(DynoSettingId_dynoType, 0) == 2) {
        const double wheel = theActiveProjectValues.wheelDiameter.load();
        if (theActiveProjectValues.active.load() && wheel > 0.0)
            radius = wheel / 2.0;
    }
    return speed / radius;
}

double RunThread::rollerRotSpeedFromEngineSpeed(double engineSpeed, RollerId roller)
{
    const double ratio = theChannels.isInitialized()
                             ? theChannels.getChannel(ChannelId_engineRollerSpeedRatio, 0)->getValue()
                             : kNaN;
    if (!std::isfinite(ratio))
        return kNaN;
    const double r0 = rollerRotSpeedFromDynoSpeed(1.0, RollerId::Roller0);
    const double rj = rollerRotSpeedFromDynoSpeed(1.0, roller);
    // speed / r: r0 / rj = rj_inverse / r0_inverse.
    return engineSpeed / ratio * rj / r0;
}
