#include "SwitchInput.h"

SwitchInput::SwitchInput(QWidget* parent)
    : IOItem(parent)
{
    setLabel(QStringLiteral("Switch\nInput"));
    addPins({PinType_white, PinType_black});
}

void SwitchInput::updateTimerTick()
{
    setValueBackground(stateColor(currentValue(ChannelId_switchState, id)));
}
