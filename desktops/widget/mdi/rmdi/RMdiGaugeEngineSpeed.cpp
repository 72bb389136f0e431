#include "RMdiGaugeEngineSpeed.h"

RMdiGaugeEngineSpeed::RMdiGaugeEngineSpeed(AbstractMdi* desktop)
    : RMdiGauge(desktop)
{
    makeSpeedGauge(37);
}

void RMdiGaugeEngineSpeed::refreshTick(qint64 nowMs)
{
    refreshSpeedGauge(nowMs, 1);
}
