#include "PwmBridge.h"

PwmBridge::PwmBridge(QWidget* parent)
    : IOItem(parent)
{
    setLabel(QStringLiteral("PWM bridge"));
    addPins({PinType_white, PinType_white});
    setNoPreview();
}
