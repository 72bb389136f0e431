#pragma once

#include "FrameId.h"

#include <QMap>
#include <QString>

#include <functional>

class RecordedChannelModel;
class RunData;

// What the recalculation of recorded runs needs from the layers above it,
// registered by them at start-up. Anything not registered is simply absent:
// a run then keeps the XML of an input family without building its group,
// the loss model is not fitted, and no progress bar follows.
struct RunDataHooks {
    // One factory per stored setup name ("canParserSetup",
    // "serialInputDevicesSetup", "modbusSetup", "udsChannelSetup"): builds
    // the per-run model from the setup's XML; null when the text is unusable.
    using ModelFactory = std::function<RecordedChannelModel*(const QString& xml)>;
    QMap<QString, ModelFactory> modelFactories;

    // Fits the coast-down loss model of a calculated run and may store it as
    // the run's setting 39. `autoAccept` stores without asking.
    std::function<void(RunData* run, bool autoAccept)> lossModelCalculator;

    // Follows loading and recalculation of every run of the cache (0..1).
    std::function<void(float fraction)> progress;
    // The status bar's task bar, for passes over many runs (0..1).
    std::function<void(float fraction)> taskProgress;

    static RunDataHooks& instance();
};
