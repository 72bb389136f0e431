#pragma once

#include <QtGlobal>

// Setups of one model that share decimals, unit and filter. The analysis model
// uses 1..5 for the axes of its main graph.
enum ChannelGroupId : quint32 {
    ChannelGroupId_none = 0,
    ChannelGroupId_power = 1,
    ChannelGroupId_torque = 2,
    ChannelGroupId_engineSpeed = 3,
    ChannelGroupId_roadSpeed = 4,
    ChannelGroupId_time = 5
};

constexpr int ChannelGroupCount = 6;
