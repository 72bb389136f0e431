#include "AnalogInput.h"

AnalogInput::AnalogInput(QWidget* parent)
    : IOItem(parent)
{
    setLabel(QStringLiteral("Analog\nInput"));
    addPins({PinType_black, PinType_white, PinType_red});
}

void AnalogInput::updateTimerTick()
{
    setValueText(fixed(currentValue(ChannelId_ainVoltage, id), 0, 3) + QStringLiteral("\nV"));
}
