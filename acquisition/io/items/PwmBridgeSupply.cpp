#include "PwmBridgeSupply.h"

PwmBridgeSupply::PwmBridgeSupply(QWidget* parent)
    : IOItem(parent)
{
    setLabel(QStringLiteral("Bridge Supply"));
    addPins({PinType_black, PinType_red});
}

void PwmBridgeSupply::updateTimerTick()
{
    setValueText(fixed(currentValue(ChannelId_bridgeCurrent, id), 0, 1) + QStringLiteral("\nA"));
}
