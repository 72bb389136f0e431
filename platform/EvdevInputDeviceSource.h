#pragma once

#include "InputDeviceSource.h"

// The board's input devices: udev enumerates the event nodes of the input
// subsystem and tells which are joysticks; libevdev opens and reads them.
class EvdevInputDeviceSource : public InputDeviceSource
{
public:
    bool listEventNodes(QList<InputDeviceNode>* nodes) override;
    OpenResult open(const QString& path, std::unique_ptr<InputDevice>* device) override;
};
