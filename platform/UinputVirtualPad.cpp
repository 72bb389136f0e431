#include "UinputVirtualPad.h"

#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

bool UinputVirtualPad::available()
{
    return ::access("/dev/uinput", W_OK) == 0;
}

UinputVirtualPad::UinputVirtualPad(const QString& name)
{
    if (!available())
        return;
    prototype = libevdev_new();
    libevdev_set_name(prototype, name.toUtf8().constData());
    input_absinfo axis {};
    axis.minimum = 0;
    axis.maximum = 255;
    libevdev_enable_event_type(prototype, EV_ABS);
    libevdev_enable_event_code(prototype, EV_ABS, ABS_X, &axis);
    libevdev_enable_event_code(prototype, EV_ABS, ABS_Y, &axis);
    libevdev_enable_event_type(prototype, EV_KEY);
    libevdev_enable_event_code(prototype, EV_KEY, BTN_SOUTH, nullptr);
    libevdev_enable_event_code(prototype, EV_KEY, BTN_EAST, nullptr);
    if (libevdev_uinput_create_from_device(prototype, LIBEVDEV_UINPUT_OPEN_MANAGED, &device) != 0)
        device = nullptr;
}

UinputVirtualPad::~UinputVirtualPad()
{
    if (device)
        libevdev_uinput_destroy(device);
    if (prototype)
        libevdev_free(prototype);
}

QString UinputVirtualPad::devnode() const
{
    if (!device)
        return QString();
    const char* node = libevdev_uinput_get_devnode(device);
    return node ? QString::fromUtf8(node) : QString();
}

bool UinputVirtualPad::send(int type, int code, int value)
{
    if (!device)
        return false;
    return libevdev_uinput_write_event(device, unsigned(type), unsigned(code), value) == 0
           && libevdev_uinput_write_event(device, EV_SYN, SYN_REPORT, 0) == 0;
}
