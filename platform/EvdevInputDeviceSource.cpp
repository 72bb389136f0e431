#include "EvdevInputDeviceSource.h"

#include <QByteArray>

#include <cerrno>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <libudev.h>
#include <unistd.h>

namespace {

class EvdevInputDevice : public InputDevice
{
public:
    EvdevInputDevice(int fd, libevdev* device)
        : fd(fd)
        , device(device)
    {
    }
    ~EvdevInputDevice() override
    {
        libevdev_free(device);
        ::close(fd);
    }

    QString name() const override { return QString::fromUtf8(libevdev_get_name(device)); }

    bool hasAbsoluteXY() const override
    {
        return libevdev_has_event_type(device, EV_ABS) && libevdev_has_event_code(device, EV_ABS, ABS_X)
               && libevdev_has_event_code(device, EV_ABS, ABS_Y);
    }

    int absoluteMaximum(int code) const override
    {
        if (!libevdev_has_event_code(device, EV_ABS, unsigned(code)))
            return 0;
        return libevdev_get_abs_maximum(device, unsigned(code));
    }

    int nextEvent(InputEvent* event) override
    {
        input_event raw {};
        const int rc = libevdev_next_event(device, LIBEVDEV_READ_FLAG_NORMAL, &raw);
        if (rc == LIBEVDEV_READ_STATUS_SUCCESS || rc == LIBEVDEV_READ_STATUS_SYNC) {
            event->type = raw.type;
            event->code = raw.code;
            event->value = raw.value;
        }
        return rc;
    }

private:
    int fd;
    libevdev* device;
};

} // namespace

bool EvdevInputDeviceSource::listEventNodes(QList<InputDeviceNode>* nodes)
{
    udev* context = udev_new();
    if (!context)
        return false;
    udev_enumerate* enumerate = udev_enumerate_new(context);
    udev_enumerate_add_match_subsystem(enumerate, "input");
    udev_enumerate_scan_devices(enumerate);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate))
    {
        udev_device* device = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
        if (!device)
            continue;
        const char* node = udev_device_get_devnode(device);
        if (node && QByteArray(node).contains("event")) {
            const char* joystick = udev_device_get_property_value(device, "ID_INPUT_JOYSTICK");
            InputDeviceNode found;
            found.path = QString::fromUtf8(node);
            found.joystick = joystick && QByteArray(joystick) == "1";
            nodes->append(found);
        }
        udev_device_unref(device);
    }
    udev_enumerate_unref(enumerate);
    udev_unref(context);
    return true;
}

InputDeviceSource::OpenResult EvdevInputDeviceSource::open(const QString& path, std::unique_ptr<InputDevice>* device)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return CannotOpen;
    libevdev* handle = nullptr;
    if (libevdev_new_from_fd(fd, &handle) < 0) {
        ::close(fd);
        return CannotProbe;
    }
    device->reset(new EvdevInputDevice(fd, handle));
    return Opened;
}
