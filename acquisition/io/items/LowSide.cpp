#include "LowSide.h"

LowSide::LowSide(QWidget* parent)
    : IOItem(parent)
{
    addPins({PinType_black, PinType_white});
}
