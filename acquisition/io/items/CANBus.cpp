#include "CANBus.h"

#include "HwInfo.h"

CANBus::CANBus(QWidget* parent)
    : IOItem(parent)
{
    setLabel(QStringLiteral("CAN\nBus"));
    addPins({PinType_white, PinType_white});
    if (theHwInfo.generation == 2)
        addPins({PinType_black});
    setNoPreview();
}
