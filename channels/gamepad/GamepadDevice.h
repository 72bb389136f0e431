#pragma once

#include "InputDeviceSource.h"

#include <QString>

#include <memory>

// One opened game pad: its event node and the open device (descriptor and
// event-library handle).
struct GamepadDevice {
    QString path;
    std::unique_ptr<InputDevice> device;
};
