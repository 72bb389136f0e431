#pragma once

#include "GamepadDevice.h"
#include "GamepadEventType.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QTimer;
struct InputDeviceNode;

// The game pads of the operator. Every second it looks for new event devices
// that udev marks as joysticks and that report the X and Y axes; every 10 ms it
// drains their event queues and broadcasts each button change and axis
// movement (axes as value / axis maximum). A device whose read fails is dropped
// and found again when it comes back. Everything runs in the GUI thread; the
// devices come from InputDeviceSource (the board's udev and evdev, or the
// stand-in under simulation and tests).
class Gamepad : public QObject
{
    Q_OBJECT
public:
    explicit Gamepad(QObject* parent = nullptr);
    ~Gamepad() override;

    void initializeGamepad(const InputDeviceNode& node);
    bool developerMode = false;

    std::vector<std::unique_ptr<GamepadDevice>> devices;
    QTimer* scanTimer = nullptr;
    QTimer* readTimer = nullptr;

Q_SIGNALS:
    void signal_gamepadEvent(GamepadEventType type, int id, double value);

public Q_SLOTS:
    void slot_scanNewDevices();
    void slot_scanEvent();

private:
    // A receiver may run an event loop (a message box); a nested tick must not
    // change the device list under the outer one.
    bool busy = false;
};

extern Gamepad* theGamepad;
