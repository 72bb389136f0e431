#include "UsbBus.h"

#include "LibusbBus.h"
#include "PlatformMode.h"
#include "SimulatedUsbSerialBus.h"

UsbBus& UsbBus::instance()
{
    static UsbBus* bus = PlatformMode::simulated() || PlatformMode::underTest()
        ? static_cast<UsbBus*>(&SimulatedUsbSerialBus::instance())
        : static_cast<UsbBus*>(new LibusbBus);
    return *bus;
}
