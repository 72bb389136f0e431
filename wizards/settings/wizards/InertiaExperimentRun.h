#pragma once

#include "lib/FrequencyInputIds.h"

#include <QList>
#include <QString>

class QWidget;
class RunData;

// What the two roller-inertia experiments share: choosing and loading the
// recorded run, its loss model, and mapping a time selection to samples.
namespace InertiaExperimentRun {

// Asks for the run file and loads and calculates it; null (after the
// message or log line) when there is nothing to show.
RunData* chooseAndLoad(QWidget* parent);
QList<double> lossModelOf(RunData* run);
// First sample index and count for a selection between two times (s).
std::pair<int, int> selectionIndexes(const QList<double>& time, double start, double end);

} // namespace InertiaExperimentRun
