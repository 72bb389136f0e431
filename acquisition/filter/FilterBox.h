#pragma once

#include "DynoSettingId.h"

#include <QList>

class FilterBoxChannel;
class FilterBoxVariableSamplingChannel;

// The fixed-rate groups of the filter bank.
enum InputDataChannelId : int {
    InputDataChannelId_loadCells = 0,
    InputDataChannelId_analogInputs = 1,
    InputDataChannelId_hpAnalogInputs = 2,
    InputDataChannelIdCount = 3
};

// The variable-sampling groups: one channel per MCU frequency slot each.
enum InputDataVariableSamplingChannelId : int {
    InputDataVariableSamplingChannelId_frequencies = 0,
    InputDataVariableSamplingChannelId_frequencyRates = 1,
    InputDataVariableSamplingChannelIdCount = 2
};

// The run thread's filter bank: the low-pass filters between the raw MCU
// samples and the channels, with cut-offs bound to dyno settings. Created in
// the run thread (its channels receive the cut-off changes there).
class FilterBox
{
public:
    FilterBox() = default;
    ~FilterBox();
    FilterBox(const FilterBox&) = delete;
    FilterBox& operator=(const FilterBox&) = delete;

    // The groups of the connected board (theHwInfo).
    void init();
    // A new registration of a group replaces its old list.
    void registerChannel(InputDataChannelId id, int count, int sampleRate, DynoSettingId cutoffSetting);
    void registerVariableSamplingChannel(InputDataVariableSamplingChannelId id, int count,
                                         DynoSettingId cutoffSetting);
    // Binds every channel's cut-off to its setting and applies the current value.
    void connectFilterSettings();

    // Null outside the group.
    FilterBoxChannel* channel(InputDataChannelId id, int index) const;
    FilterBoxVariableSamplingChannel* variableChannel(InputDataVariableSamplingChannelId id, int index) const;
    int count(InputDataChannelId id) const { return int(groups[id].size()); }
    int count(InputDataVariableSamplingChannelId id) const { return int(variableGroups[id].size()); }

    // A load cell's filtered value (NaN while settling or out of range); any thread.
    double loadCellValue(int index) const;

private:
    QList<FilterBoxChannel*> groups[InputDataChannelIdCount];
    QList<FilterBoxVariableSamplingChannel*> variableGroups[InputDataVariableSamplingChannelIdCount];
};

// The run thread's bank, set once the settings are ready; read by the
// load-cell calibration tools.
extern FilterBox* theRunThreadFilterBox;
