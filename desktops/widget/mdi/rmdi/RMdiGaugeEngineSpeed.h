#pragma once

#include "RMdiGauge.h"

// RUN widget: the gauge of the engine speed (key "engine_speed"), with the brake controller's speed
// target (black) and acceleration target (dark yellow) while it regulates
// this speed.
class RMdiGaugeEngineSpeed : public RMdiGauge
{
    Q_OBJECT
public:
    explicit RMdiGaugeEngineSpeed(AbstractMdi* desktop);

    void onCreateConfiguration() override {}
    void refreshTick(qint64 nowMs) override;
};
