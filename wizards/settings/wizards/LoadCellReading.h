#pragma once

#include <functional>

// The newest filtered reading of a load cell's input as the calibration tools
// sample it: from the run thread's filter bank, NaN when stale or absent.
// Tests replace the source.
namespace LoadCellReading {

double current(int loadCell);
void setSource(std::function<double(int loadCell)> source);

} // namespace LoadCellReading
