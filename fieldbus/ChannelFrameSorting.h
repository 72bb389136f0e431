#pragma once

#include "FrameRecords.h"

#include <QList>

// Splits a recorded run's samples of Modbus functions or serial channels
// (id = group × 256 + series) into one time series (seconds) and one value
// series per series of each group. `seriesPerGroup` gives how many series
// each group has; ids outside them are skipped. Two passes: every series is
// sized exactly, so a long run does not reserve room for all of its records
// in each of its series.
void sortChannelFrames(const QList<channelFrame_t>& frames, const QList<int>& seriesPerGroup,
                       QList<QList<QList<double>>>* times, QList<QList<QList<double>>>* values);
