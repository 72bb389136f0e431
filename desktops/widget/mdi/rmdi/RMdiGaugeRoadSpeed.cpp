#include "RMdiGaugeRoadSpeed.h"

RMdiGaugeRoadSpeed::RMdiGaugeRoadSpeed(AbstractMdi* desktop)
    : RMdiGauge(desktop)
{
    makeSpeedGauge(21);
}

void RMdiGaugeRoadSpeed::refreshTick(qint64 nowMs)
{
    refreshSpeedGauge(nowMs, 0);
}
