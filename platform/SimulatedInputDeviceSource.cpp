#include "SimulatedInputDeviceSource.h"

#include <QQueue>

#include <cerrno>

struct SimulatedInputDeviceSource::Node {
    QString path;
    DeviceSpec spec;
    // Guarded by the source's mutex, shared with the opened devices.
    QQueue<std::pair<int, InputEvent>> queue;
    bool gone = false;
};

namespace {

class SimulatedInputDevice : public InputDevice
{
public:
    SimulatedInputDevice(QMutex* mutex, std::shared_ptr<SimulatedInputDeviceSource::Node> node)
        : mutex(mutex)
        , node(std::move(node))
    {
    }

    QString name() const override
    {
        QMutexLocker locker(mutex);
        return node->spec.name;
    }
    bool hasAbsoluteXY() const override
    {
        QMutexLocker locker(mutex);
        return node->spec.absoluteXY;
    }
    int absoluteMaximum(int code) const override
    {
        QMutexLocker locker(mutex);
        return node->spec.axisMaxima.value(code, 0);
    }
    int nextEvent(InputEvent* event) override
    {
        QMutexLocker locker(mutex);
        if (node->gone)
            return -ENODEV;
        if (node->queue.isEmpty())
            return -EAGAIN;
        const std::pair<int, InputEvent> next = node->queue.dequeue();
        *event = next.second;
        return next.first;
    }

private:
    QMutex* mutex;
    std::shared_ptr<SimulatedInputDeviceSource::Node> node;
};

} // namespace

SimulatedInputDeviceSource* SimulatedInputDeviceSource::instance()
{
    static SimulatedInputDeviceSource source;
    return &source;
}

void SimulatedInputDeviceSource::plug(const QString& path, const DeviceSpec& spec)
{
    QMutexLocker locker(&mutex);
    for (int i = 0; i < nodes.size(); ++i) {
        if (nodes.at(i)->path == path) {
            nodes.at(i)->gone = true;
            nodes.removeAt(i);
            break;
        }
    }
    auto node = std::make_shared<Node>();
    node->path = path;
    node->spec = spec;
    nodes.append(node);
}

void SimulatedInputDeviceSource::unplug(const QString& path)
{
    QMutexLocker locker(&mutex);
    for (int i = 0; i < nodes.size(); ++i) {
        if (nodes.at(i)->path == path) {
            nodes.at(i)->gone = true;
            nodes.removeAt(i);
            return;
        }
    }
}

void SimulatedInputDeviceSource::push(const QString& path, int type, int code, int value)
{
    QMutexLocker locker(&mutex);
    for (const std::shared_ptr<Node>& node : std::as_const(nodes)) {
        if (node->path == path) {
            InputEvent event;
            event.type = type;
            event.code = code;
            event.value = value;
            node->queue.enqueue({0, event});
        }
    }
}

void SimulatedInputDeviceSource::pushSyncStatus(const QString& path)
{
    QMutexLocker locker(&mutex);
    for (const std::shared_ptr<Node>& node : std::as_const(nodes)) {
        if (node->path == path)
            node->queue.enqueue({1, InputEvent()});
    }
}

void SimulatedInputDeviceSource::setDeviceManagerAvailable(bool available)
{
    QMutexLocker locker(&mutex);
    managerAvailable = available;
}

int SimulatedInputDeviceSource::openCount(const QString& path) const
{
    QMutexLocker locker(&mutex);
    return opens.value(path, 0);
}

void SimulatedInputDeviceSource::reset()
{
    QMutexLocker locker(&mutex);
    for (const std::shared_ptr<Node>& node : std::as_const(nodes))
        node->gone = true;
    nodes.clear();
    opens.clear();
    managerAvailable = true;
}

bool SimulatedInputDeviceSource::listEventNodes(QList<InputDeviceNode>* list)
{
    QMutexLocker locker(&mutex);
    if (!managerAvailable)
        return false;
    for (const std::shared_ptr<Node>& node : std::as_const(nodes)) {
        InputDeviceNode entry;
        entry.path = node->path;
        entry.joystick = node->spec.joystick;
        list->append(entry);
    }
    return true;
}

InputDeviceSource::OpenResult SimulatedInputDeviceSource::open(const QString& path,
                                                               std::unique_ptr<InputDevice>* device)
{
    QMutexLocker locker(&mutex);
    for (const std::shared_ptr<Node>& node : std::as_const(nodes)) {
        if (node->path != path)
            continue;
        opens[path] += 1;
        if (node->spec.probeFails)
            return CannotProbe;
        device->reset(new SimulatedInputDevice(&mutex, node));
        return Opened;
    }
    return CannotOpen;
}
