#pragma once

#include "AbstractMdiPlotAxis.h"

class QCPGraph;

// A value axis of the live time plot with its graph of the channel over time.
class TimePlotAxis : public AbstractMdiPlotAxis
{
    Q_OBJECT
public:
    void setAxisChannel_post() override;
    // Trims the graph to the window from fromX on (keeping one point to its
    // left and the last real sample), adds a sample when the channel has a new
    // one, and the provisional point that draws the line on to the present.
    void refreshTick(double fromX, bool clockTime, qint64 nowMs, qint64 runStartMs);
    void clearDataAndReplot();
    // A gap in the line: a point of value NaN at x.
    void addBreak(double x);
    double xOf(qint64 ms, bool clockTime, qint64 runStartMs) const;

    qint64 lastSampleTime = 0;
    QCPGraph* graph = nullptr;
    // Whether the graph's last point is the provisional one of the last refresh.
    bool provisionalLast = false;

public Q_SLOTS:
    void slot_channelSetupChanged() override;
};
