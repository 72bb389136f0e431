#include "PILowSide.h"

PILowSide::PILowSide(QWidget* parent)
    : LowSide(parent)
{
    setLabel(QStringLiteral("Low\nSide"));
}

void PILowSide::updateTimerTick()
{
    setValueBackground(stateColor(currentValue(ChannelId_lowSideOutputState, id)));
}
