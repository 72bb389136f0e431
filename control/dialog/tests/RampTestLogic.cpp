#include "RampTestLogic.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

QString rampTestStepText(int step)
{
    switch (step) {
    case RampTestStep_undefined: return QStringLiteral("UNDEFINED");
    case RampTestStep_armed: return QCoreApplication::translate("RampTestDialog", "ARMED");
    case RampTestStep_holding: return QCoreApplication::translate("RampTestDialog", "HOLDING");
    case RampTestStep_releasing: return QCoreApplication::translate("RampTestDialog", "RELEASING");
    case RampTestStep_acceleration: return QCoreApplication::translate("RampTestDialog", "ACCELERATION");
    case RampTestStep_topHoldEase: return QCoreApplication::translate("RampTestDialog", "TOP HOLD EASE");
    case RampTestStep_topHold: return QCoreApplication::translate("RampTestDialog", "TOP HOLD");
    case RampTestStep_coastdown: return QCoreApplication::translate("RampTestDialog", "COASTDOWN");
    default: return QString();
    }
}

RampTestLogic::RampTestLogic(RampTestTargets targets, bool engineDyno)
    : targets(targets)
    , engineDyno(engineDyno)
{
}

void RampTestLogic::updateStepLabel(RampTestStep step, const QString& text)
{
    if (setLabel)
        setLabel(rampTestStepText(step) + QLatin1Char('\n') + text);
}

void RampTestLogic::tick(const RampTestSnapshot& snapshot, const RampTestInputs& inputs)
{
    s = snapshot;
    in = inputs;
    const qint64 now = in.now;
    if (lastTick == 0)
        lastTick = now;
    if (!roadModeKnown || s.roadMode != roadMode) {
        roadModeKnown = true;
        roadMode = s.roadMode;
        setTestStep(RampTestStep_armed);
    }
    const double v = roadMode ? in.roadSpeed : in.engineSpeed;
    const double P = in.power;
    const RampTestParameters& p = roadMode ? s.road : s.engine;
    const double thr = roadMode ? s.roadThreshold : s.engineThreshold;
    const int step = currentStep.load();

    if (!s.runActive) {
        if (step != RampTestStep_armed)
            setTestStep(RampTestStep_armed);
        speedOutput().store(float(v));
        lastTick = now;
        return;
    }

    const double dt = (now - lastTick) * 0.001;
    switch (step) {
    case RampTestStep_undefined: setTestStep(RampTestStep_armed); break;
    case RampTestStep_armed:
        if (std::isfinite(v))
            setTestStep(RampTestStep_holding);
        break;
    case RampTestStep_holding: {
        speedOutput().store(float(p.startSpeed));
        if (v < p.startSpeed - thr) {
            stepStart = now;
            updateStepLabel(RampTestStep_holding, QCoreApplication::translate("RampTestDialog", "SPEED LOW"));
            break;
        }
        const qint64 remaining = qint64(p.startHoldTime * 1000.0) - (now - stepStart);
        if (remaining <= 0 || in.trigger == 1.0) {
            setTestStep(RampTestStep_releasing);
        } else if (v > p.startSpeed + thr) {
            stepStart = now;
            updateStepLabel(RampTestStep_holding, QCoreApplication::translate("RampTestDialog", "SPEED HIGH"));
        } else {
            updateStepLabel(RampTestStep_holding, QStringLiteral("%1").arg(remaining / 1000.0, 0, 'f', 1));
        }
        break;
    }
    case RampTestStep_releasing: {
        const double t = (now - stepStart) / 1000.0;
        const double left = p.releaseTime - t;
        if (left <= 0) {
            setTestStep(RampTestStep_acceleration);
            break;
        }
        const double a = t * p.rate / p.releaseTime;
        if (s.accelerationControlled) {
            accOutput().store(float(a));
            target() = v;
        } else if (v > target() - thr) {
            target() += a * dt;
            speedOutput().store(float(target()));
        } else {
            // The vehicle lags: the ramp-in waits for it where it stopped.
            stepStart += now - lastTick;
        }
        updateStepLabel(RampTestStep_releasing, QStringLiteral("%1").arg(left, 0, 'f', 1));
        break;
    }
    case RampTestStep_acceleration:
    case RampTestStep_topHoldEase: accelerate(p, v, P, thr, dt); break;
    case RampTestStep_topHold:
        speedOutput().store(float(std::min(p.topHoldSpeed, v + thr)));
        if (v < p.startSpeed - thr)
            setTestStep(RampTestStep_armed);
        else if (P < 0)
            setTestStep(RampTestStep_coastdown);
        break;
    case RampTestStep_coastdown: {
        reaccelerationTimer = P > 0 ? reaccelerationTimer - dt : 1.0;
        if (s.forcedCoastdown)
            forcedCoastdown(dt);
        if (reaccelerationTimer < 0) {
            setTestStep(RampTestStep_acceleration);
            break;
        }
        // Back at (or below) the lower of the anti-stall minimum and the start
        // speed: ready for the next run.
        const double speed = engineDyno ? in.engineSpeed : in.roadSpeed;
        const double minimum = engineDyno ? s.minEngineSpeed : s.minRoadSpeed;
        const double start = engineDyno ? s.engine.startSpeed : s.road.startSpeed;
        if (std::isfinite(speed) && !(speed > minimum && speed > start))
            setTestStep(RampTestStep_armed);
        break;
    }
    default: break;
    }
    lastTick = now;
}

void RampTestLogic::accelerate(const RampTestParameters& p, double v, double P, double thr, double dt)
{
    const bool easing = currentStep.load() == RampTestStep_topHoldEase;
    decelerationTimer = P < 0 ? decelerationTimer - dt : 1.0;
    const double T = p.topHoldSpeed;
    const double E = (1.0 - p.easeIn) * T;
    if (v < p.startSpeed - thr) {
        setTestStep(RampTestStep_armed);
        return;
    }
    if (v >= T) {
        if (p.topHold) {
            setTestStep(RampTestStep_topHold);
            return;
        }
    } else if (p.topHold && v >= E && !easing) {
        setTestStep(RampTestStep_topHoldEase);
        return;
    }
    double rate = p.rate;
    // An ease-in of 0 (set while easing) leaves no span to ease over: keep
    // the full rate rather than send an infinite target.
    if (easing && T - E > 0)
        rate = p.rate * ((T - v) * 0.95 / (T - E) + 0.05);
    if (s.accelerationControlled) {
        accOutput().store(float(rate));
        target() = v;
    } else {
        if (v < target() - thr)
            target() = v + thr;
        else
            target() += rate * dt;
        target() = std::min(target(), T);
        speedOutput().store(float(target()));
    }
    if (decelerationTimer < 0)
        setTestStep(RampTestStep_coastdown);
}

void RampTestLogic::forcedCoastdown(double dt)
{
    const double road = in.roadSpeed;
    const double engine = in.engineSpeed;
    if (s.accelerationControlled) {
        targets.dynoAcc->store(float(-s.roadCoastdownRate));
        roadTargetValue = road;
        targets.dynoSpeed->store(float(road));
        targets.engineAcc->store(float(-s.engineCoastdownRate));
        engineTargetValue = engine;
        targets.engineSpeed->store(float(engine));
        return;
    }
    if (engineDyno) {
        roadTargetValue = road;
        engineTargetValue = std::min(engineTargetValue - s.engineCoastdownRate * dt, engine + s.engineThreshold);
        targets.engineSpeed->store(float(engineTargetValue));
    } else {
        roadTargetValue = std::min(roadTargetValue - s.roadCoastdownRate * dt, road + s.roadThreshold);
        targets.dynoSpeed->store(float(roadTargetValue));
        engineTargetValue = engine;
    }
}

void RampTestLogic::setTestStep(RampTestStep next, const QString& text)
{
    const int current = currentStep.load();
    if (next == current) {
        updateStepLabel(next, text);
        return;
    }
    const qint64 now = in.now;
    const double v = roadMode ? in.roadSpeed : in.engineSpeed;
    const RampTestParameters& p = roadMode ? s.road : s.engine;
    if (current == RampTestStep_coastdown) {
        if (requestVariable)
            requestVariable(roadMode ? 0 : 1);
        if (setModeSelectorEnabled)
            setModeSelectorEnabled(true);
    }
    auto mode = [this](int m) {
        if (requestMode)
            requestMode(m);
    };
    switch (next) {
    case RampTestStep_armed: mode(0); break;
    case RampTestStep_holding:
        stepStart = now;
        mode(3);
        break;
    case RampTestStep_releasing:
        stepStart = now;
        accOutput().store(0.0f);
        target() = v;
        mode(s.accelerationControlled ? 4 : 3);
        break;
    case RampTestStep_acceleration: decelerationTimer = 1.0; break;
    case RampTestStep_topHoldEase: break;
    case RampTestStep_topHold:
        speedOutput().store(float(p.topHoldSpeed));
        mode(3);
        break;
    case RampTestStep_coastdown:
        reaccelerationTimer = 1.0;
        if (s.forcedCoastdown) {
            roadTargetValue = in.roadSpeed + s.roadThreshold;
            engineTargetValue = in.engineSpeed + s.engineThreshold;
            targets.dynoSpeed->store(float(roadTargetValue));
            targets.engineSpeed->store(float(engineTargetValue));
            targets.dynoAcc->store(float(-s.roadCoastdownRate));
            targets.engineAcc->store(float(-s.engineCoastdownRate));
            if (setModeSelectorEnabled)
                setModeSelectorEnabled(false);
            if (requestVariable)
                requestVariable(engineDyno ? 1 : 0);
            mode(s.accelerationControlled ? 4 : 3);
        } else {
            mode(0);
        }
        break;
    default: break;
    }
    currentStep.store(next);
    updateStepLabel(next, text);
}
