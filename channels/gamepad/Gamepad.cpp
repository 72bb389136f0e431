#include "Gamepad.h"

#include <QDebug>
#include <QTimer>

#include <cerrno>
#include <linux/input-event-codes.h>

Gamepad* theGamepad = nullptr;

namespace {
// A virtual pointer device of the touch-screen support library: it reports
// X and Y axes but is no game pad.
const QString kFakeMouseName = QStringLiteral("mouce-library-fake-mouse");
}

Gamepad::Gamepad(QObject* parent)
    : QObject(parent)
{
    scanTimer = new QTimer(this);
    connect(scanTimer, &QTimer::timeout, this, &Gamepad::slot_scanNewDevices);
    scanTimer->start(1000);
    readTimer = new QTimer(this);
    connect(readTimer, &QTimer::timeout, this, &Gamepad::slot_scanEvent);
    readTimer->start(10);
}

Gamepad::~Gamepad()
{
    // The devices close their descriptors as they go.
    devices.clear();
    if (theGamepad == this)
        theGamepad = nullptr;
}

void Gamepad::slot_scanNewDevices()
{
    if (busy)
        return;
    busy = true;
    QList<InputDeviceNode> nodes;
    if (!InputDeviceSource::instance()->listEventNodes(&nodes)) {
        qDebug() << "Failed to initialize udev";
        busy = false;
        return;
    }
    for (const InputDeviceNode& node : std::as_const(nodes)) {
        if (node.path.contains(QLatin1String("event")))
            initializeGamepad(node);
    }
    busy = false;
}

void Gamepad::initializeGamepad(const InputDeviceNode& node)
{
    for (const std::unique_ptr<GamepadDevice>& known : devices) {
        if (known->path == node.path)
            return;
    }
    // Only what udev calls a joystick may drive operator inputs: a touch screen
    // or touchpad also reports X and Y axes, and its touches must never set a
    // channel. Other devices are not even opened.
    if (!node.joystick)
        return;
    std::unique_ptr<InputDevice> device;
    switch (InputDeviceSource::instance()->open(node.path, &device)) {
    case InputDeviceSource::CannotOpen:
        return;
    case InputDeviceSource::CannotProbe:
        qDebug() << "Failed to init libevdev";
        return;
    case InputDeviceSource::Opened:
        break;
    }
    const QString name = device->name();
    if (device->hasAbsoluteXY() && name != kFakeMouseName) {
        if (developerMode)
            qDebug().noquote() << "New gamepad device" << node.path + QStringLiteral(", name: ") + name;
        auto gamepad = std::make_unique<GamepadDevice>();
        gamepad->path = node.path;
        gamepad->device = std::move(device);
        devices.push_back(std::move(gamepad));
        return;
    }
    InputDeviceSource::discard(std::move(device));
}

void Gamepad::slot_scanEvent()
{
    if (busy)
        return;
    busy = true;
    std::vector<size_t> failed;
    for (size_t i = 0; i < devices.size(); ++i) {
        InputDevice* device = devices[i]->device.get();
        InputEvent event;
        for (;;) {
            const int rc = device->nextEvent(&event);
            if (rc == 0) {
                if (event.type == EV_ABS) {
                    const int maximum = device->absoluteMaximum(event.code);
                    // An axis without a positive range cannot be scaled.
                    if (maximum > 0)
                        emit signal_gamepadEvent(GamepadEventType_axis, event.code,
                                                 double(float(event.value) / float(maximum)));
                } else if (event.type == EV_KEY) {
                    emit signal_gamepadEvent(GamepadEventType_button, event.code, event.value);
                }
                continue;
            }
            if (rc == 1 || rc == -EAGAIN)
                break;
            if (developerMode)
                qDebug() << "Read error" << rc;
            failed.push_back(i);
            break;
        }
    }
    for (auto it = failed.rbegin(); it != failed.rend(); ++it) {
        if (developerMode)
            qDebug().noquote() << "Device not responding" << devices[*it]->path;
        devices.erase(devices.begin() + std::ptrdiff_t(*it));
    }
    busy = false;
}
