#pragma once

#include <QString>

struct libevdev;
struct libevdev_uinput;

// A virtual game pad made through the kernel's uinput device: two absolute
// axes (ABS_X, ABS_Y, 0..255) and the buttons BTN_SOUTH and BTN_EAST. It lets
// a machine that has /dev/uinput drive the real udev and evdev path; where
// uinput is missing or not writable the pad is not valid and nothing happens.
class UinputVirtualPad
{
public:
    explicit UinputVirtualPad(const QString& name);
    ~UinputVirtualPad();
    UinputVirtualPad(const UinputVirtualPad&) = delete;
    UinputVirtualPad& operator=(const UinputVirtualPad&) = delete;

    // True when /dev/uinput can be opened for writing.
    static bool available();

    bool isValid() const { return device != nullptr; }
    // The event node of the pad, as udev will list it.
    QString devnode() const;
    // Sends one event followed by a report.
    bool send(int type, int code, int value);

private:
    libevdev* prototype = nullptr;
    libevdev_uinput* device = nullptr;
};
