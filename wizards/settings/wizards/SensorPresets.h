#pragma once

#include <QString>

// An analog input's whole sensor configuration (characteristic, filter,
// calibration, ratiometric flag, channel setup) as an XML file with the root
// "analogInputPreset", for moving a sensor between dynos.
namespace SensorPresets {

// Asks for the file; false when nothing was written.
bool exportPreset(int input);
bool exportPresetTo(int input, const QString& path);
void importPreset(int input);
void importPresetFrom(int input, const QString& path);

} // namespace SensorPresets
