#pragma once

#include "InputDeviceSource.h"

#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>

#include <memory>

// Stand-in for the board's input devices: event nodes and their events exist
// only as tests (or a simulation) script them, and they reach the program
// through the same reads as the real devices. Without a script there are no
// devices. Thread-safe: tests may plug and push from any thread.
class SimulatedInputDeviceSource : public InputDeviceSource
{
public:
    struct DeviceSpec {
        QString name = QStringLiteral("Simulated game pad");
        // What udev would say of it (ID_INPUT_JOYSTICK).
        bool joystick = true;
        bool absoluteXY = true;
        // Maximum per absolute axis code; axes not listed do not exist.
        QMap<int, int> axisMaxima = {{0, 255}, {1, 255}};
        // The device opens but cannot be probed (no event interface).
        bool probeFails = false;
    };

    static SimulatedInputDeviceSource* instance();

    // Adds an event node (replacing one of the same path).
    void plug(const QString& path, const DeviceSpec& spec);
    // Removes the node; an opened device of it fails its next read.
    void unplug(const QString& path);
    // Queues an event for the opened devices of the node.
    void push(const QString& path, int type, int code, int value);
    // The next read of the node's opened devices reports a resynchronisation.
    void pushSyncStatus(const QString& path);
    // When false, listing the nodes fails as without udev.
    void setDeviceManagerAvailable(bool available);
    // How often the node was opened.
    int openCount(const QString& path) const;
    // No nodes, nothing queued, device manager available.
    void reset();

    bool listEventNodes(QList<InputDeviceNode>* nodes) override;
    OpenResult open(const QString& path, std::unique_ptr<InputDevice>* device) override;

    struct Node;

private:
    mutable QMutex mutex;
    QList<std::shared_ptr<Node>> nodes;
    QMap<QString, int> opens;
    bool managerAvailable = true;
};
