#include "AnalogOut.h"

AnalogOut::AnalogOut(QWidget* parent)
    : IOItem(parent)
{
    setLabel(QStringLiteral("Analog\nOutput"));
    addPins({PinType_black, PinType_white});
    setNoPreview();
}
