#include "DigitalFreqInputFrameProxy.h"

#include "FilterBoxVariableSamplingChannel.h"
#include "FreqFrameDecoding.h"
#include "FreqInputSettings.h"

#include <QDebug>

#include <cmath>
#include <limits>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double stepFactor = 1.9;
constexpr int faultWindowFrames = 9;
} // namespace

DigitalFreqInputFrameProxy::DigitalFreqInputFrameProxy(McuFreqInput s, FilterBoxVariableSamplingChannel* f,
                                                       FilterBoxVariableSamplingChannel* r,
                                                       const FreqInputSettings* inputSettings)
    : frequencyChannel(f)
    , rateChannel(r)
    , slot(s)
    , settings(inputSettings)
{
}

bool DigitalFreqInputFrameProxy::newFreqFrame(const FreqFrame& frame)
{
    if (framesSinceReset <= 2)
        ++framesSinceReset;
    if (framesSinceReset < 3) {
        accumulatedTime = 0.0;
        lastFilteredFrequency = kNaN;
        lastRawFrequency = kNaN;
        return false;
    }

    const int mode = settings->mode;
    double f = 0.0;
    double dt = 0.0;
    if (!FreqFrameDecoding::decode(frame.data, mode, f, dt))
        return false;

    frequencyChannel->addSample(f, dt);
    bool fault = false;
    if (!frequencyChannel->settled()) {
        lastFilteredFrequency = kNaN;
        accumulatedTime = 0.0;
    } else {
        accumulatedTime += dt;
        if (accumulatedTime > 0.0) {
            const double output = frequencyChannel->rawOutput();
            if (std::isfinite(lastFilteredFrequency))
                rateChannel->addSample((output - lastFilteredFrequency) / accumulatedTime, accumulatedTime);
            lastFilteredFrequency = output;
            accumulatedTime = 0.0;
        }

        if (settings->sensor == 0) {
            const double threshold = mode == 0 ? settings->signalsPerRotation * 0.5 : 10000.0;
            const double previous = lastRawFrequency;
            const int slotNumber = int(slot);
            if (f <= threshold) {
                dropWindow = 0;
                riseWindow = 0;
            } else if (f * stepFactor < previous) {
                qDebug() << "Freq signal fault PRECURSOR on input:" << slotNumber << " Freq:" << f << " Last freq"
                         << previous;
                if (riseWindow > 0)
                    fault = true;
                else
                    dropWindow = faultWindowFrames;
            } else if (previous * stepFactor < f) {
                qDebug() << "Freq signal fault PRECURSOR on input:" << slotNumber << " Freq:" << f << " Last freq"
                         << previous;
                if (dropWindow > 0)
                    fault = true;
                else
                    riseWindow = faultWindowFrames;
            } else if (riseWindow > 0) {
                if (dropWindow > 0)
                    fault = true;
                else
                    --riseWindow;
            } else if (dropWindow > 0) {
                --dropWindow;
            }
            if (fault) {
                qDebug() << "Freq signal fault on input:" << slotNumber << " Freq:" << f << " Last freq" << previous;
                dropWindow = 0;
                riseWindow = 0;
            }
        }
    }
    lastRawFrequency = f;
    return fault;
}
