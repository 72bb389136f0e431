#include "SwitchInputZR6.h"

#include "Pins.h"

SwitchInputZR6::SwitchInputZR6(QWidget* parent)
    : IOItem(parent)
{
    setLabel(QStringLiteral("Switch\nInput"));
    addPins({PinType_black, PinType_white, PinType_white});
}

void SwitchInputZR6::updateTimerTick()
{
    const int s1 = 2 * id;
    const int s2 = 2 * id + 1;
    // Closed unless the value is exactly 0: an unknown state counts as closed.
    const int state1 = currentValue(ChannelId_switchState, s1) != 0.0 ? 1 : 0;
    const int state2 = currentValue(ChannelId_switchState, s2) != 0.0 ? 1 : 0;
    pins->setColor(2, stateColor(state1));
    pins->setColor(1, stateColor(state2));
    setValueText(QStringLiteral("sw%1:%2\nsw%3:%4").arg(s1 + 1).arg(state1).arg(s2 + 1).arg(state2));
}
