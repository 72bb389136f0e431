#pragma once

#include <QList>
#include <QString>

#include <memory>

// One input event as the kernel reports it: type (EV_KEY, EV_ABS, ...), code
// and value.
struct InputEvent {
    int type = 0;
    int code = 0;
    int value = 0;
};

// One opened event device.
class InputDevice
{
public:
    virtual ~InputDevice() = default;

    virtual QString name() const = 0;
    // Reports absolute axes (EV_ABS) with both ABS_X and ABS_Y.
    virtual bool hasAbsoluteXY() const = 0;
    // The axis maximum of an absolute axis; 0 when the device has no such axis.
    virtual int absoluteMaximum(int code) const = 0;

    // Reads the next queued event in normal mode. Results as the event library
    // gives them: 0 an event, 1 an event of a resynchronisation, -EAGAIN no more
    // events, any other negative number an error of the device.
    virtual int nextEvent(InputEvent* event) = 0;
};

// An event device node of the input subsystem, with what udev says of it.
struct InputDeviceNode {
    QString path;
    // udev marks the device as a joystick or game pad (ID_INPUT_JOYSTICK).
    bool joystick = false;
};

// Where game pads come from. Real: udev lists the event nodes and libevdev
// reads them (EvdevInputDeviceSource). Stand-in: SimulatedInputDeviceSource,
// whose devices and events tests script. The stand-in is used only under
// ZEMBO_SIMULATE=1 or ZEMBO_TEST=1, never because the real one failed.
class InputDeviceSource
{
public:
    enum OpenResult { Opened, CannotOpen, CannotProbe };

    virtual ~InputDeviceSource() = default;

    // The event nodes of the input subsystem; false when the device manager
    // cannot be reached.
    virtual bool listEventNodes(QList<InputDeviceNode>* nodes) = 0;
    // Opens a node read-only and non-blocking and probes it.
    virtual OpenResult open(const QString& path, std::unique_ptr<InputDevice>* device) = 0;

    // Closes a device on the global thread pool: closing a descriptor may block.
    static void discard(std::unique_ptr<InputDevice> device);

    // The source of this process: the stand-in when the platform mode asks for
    // it, the real one otherwise.
    static InputDeviceSource* instance();
    // Replaces the source (not owned); nullptr restores the default. For tests.
    static void setInstance(InputDeviceSource* source);
};
