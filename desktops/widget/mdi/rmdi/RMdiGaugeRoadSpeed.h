#pragma once

#include "RMdiGauge.h"

// RUN widget: the gauge of the road speed (key "dyno_speed"), with the brake controller's speed
// target (black) and acceleration target (dark yellow) while it regulates
// this speed.
class RMdiGaugeRoadSpeed : public RMdiGauge
{
    Q_OBJECT
public:
    explicit RMdiGaugeRoadSpeed(AbstractMdi* desktop);

    void onCreateConfiguration() override {}
    void refreshTick(qint64 nowMs) override;
};
