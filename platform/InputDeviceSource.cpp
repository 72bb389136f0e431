#include "InputDeviceSource.h"

#include "EvdevInputDeviceSource.h"
#include "PlatformMode.h"
#include "SimulatedInputDeviceSource.h"

#include <QThreadPool>

#include <atomic>

namespace {
std::atomic<InputDeviceSource*> g_override {nullptr};
}

void InputDeviceSource::discard(std::unique_ptr<InputDevice> device)
{
    if (!device)
        return;
    InputDevice* raw = device.release();
    QThreadPool::globalInstance()->start([raw] { delete raw; });
}

InputDeviceSource* InputDeviceSource::instance()
{
    if (InputDeviceSource* source = g_override.load())
        return source;
    if (PlatformMode::simulated() || PlatformMode::underTest())
        return SimulatedInputDeviceSource::instance();
    static EvdevInputDeviceSource real;
    return &real;
}

void InputDeviceSource::setInstance(InputDeviceSource* source)
{
    g_override.store(source);
}
