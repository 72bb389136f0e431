#pragma once

#include "AbstractMdiPlotAxis.h"

class QCPCurve;

// An axis of the live scatter and preview plots; it colours its current curve.
class ScatterPlotAxis : public AbstractMdiPlotAxis
{
    Q_OBJECT
public:
    void setAxisChannel_post() override;
    // Widens the auto range with the channel's current value and marks the
    // axis while the channel warns or alarms.
    void refreshTick();

    QCPCurve* curve = nullptr;

Q_SIGNALS:
    void signal_clearData();

public Q_SLOTS:
    void slot_channelSetupChanged() override;
};
