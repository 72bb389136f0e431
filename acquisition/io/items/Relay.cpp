#include "Relay.h"

Relay::Relay(QWidget* parent)
    : IOItem(parent)
{
    setLabel(QStringLiteral("Relay"));
    addPins({PinType_white, PinType_white});
}

void Relay::updateTimerTick()
{
    setValueBackground(stateColor(currentValue(ChannelId_relayOutputState, id)));
}
