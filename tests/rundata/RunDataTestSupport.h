#pragma once

// Helpers of the recorded-run tests: runs built in memory on a time grid, and
// options that a test sets instead of the program's pages.
#include "ChannelId.h"
#include "RunAnalysisOptions.h"
#include "RunData.h"

#include <QList>

#include <functional>
#include <memory>

namespace RunDataTest {

struct Options : RunAnalysisOptions {
    int rate = 500;
    int mode = 0;
    int standard = 0;
    int master = 0;
    int analysisSamplingFrequency() const override { return rate; }
    int selectionMode() const override { return mode; }
    int correctionStandard() const override { return standard; }
    int masterChannel() const override { return master; }
};

// A read-only run of `seconds` at the options' rate with its time grid and no
// file behind it.
std::unique_ptr<RunData> gridRun(double seconds);
// One instance of `id` on the run's grid with value f(i) at sample i (no
// display filter).
VectorChannel* addVector(RunData& run, ChannelId id, const std::function<double(int)>& f);

} // namespace RunDataTest
