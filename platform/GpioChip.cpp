#include "GpioChip.h"

#include "LibgpiodChip.h"
#include "PlatformMode.h"
#include "SimulatedGpioChip.h"

std::unique_ptr<GpioChip> GpioChip::open(const QString& name)
{
    if (PlatformMode::simulated() || PlatformMode::underTest())
        return SimulatedGpioChip::open(name);
    return LibgpiodChip::open(name);
}
