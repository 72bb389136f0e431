#include "SimulatedGpioDevice.h"

#include <QHash>

namespace {

// Function-local: the board GPIO opens its chip during static initialisation.
QHash<QString, std::shared_ptr<SimulatedGpioDevice>>& presentChips()
{
    static QHash<QString, std::shared_ptr<SimulatedGpioDevice>> chips{
        {QStringLiteral("gpiochip4"), std::make_shared<SimulatedGpioDevice>(QStringLiteral("gpiochip4"))}};
    return chips;
}

// The board's lines: a chip with more would take any number, the Raspberry Pi's has 54.
constexpr unsigned lineCount = 54;

} // namespace

void SimulatedGpioDevice::setPresentChips(const QStringList& names)
{
    auto& chips = presentChips();
    chips.clear();
    for (const QString& name : names)
        chips.insert(name, std::make_shared<SimulatedGpioDevice>(name));
}

std::shared_ptr<SimulatedGpioDevice> SimulatedGpioDevice::find(const QString& name)
{
    return presentChips().value(name);
}

SimulatedGpioDevice::SimulatedGpioDevice(const QString& name)
    : name(name)
{
    clock.start();
}

void SimulatedGpioDevice::setInput(unsigned number, int value)
{
    Line& l = lines[number];
    if (l.requested && l.output)
        return;
    l.output = false;
    l.value = value ? 1 : 0;
}

void SimulatedGpioDevice::setReadFailing(unsigned number, bool failing)
{
    lines[number].readFails = failing;
}

int SimulatedGpioDevice::output(unsigned number) const
{
    const Line l = lines.value(number);
    return l.requested && l.output ? l.value : -1;
}

int SimulatedGpioDevice::lastDriven(unsigned number) const
{
    return driven.value(number, -1);
}

void SimulatedGpioDevice::clearLog()
{
    operations.clear();
    timedWrites.clear();
}

void SimulatedGpioDevice::opened()
{
    ++openCount;
}

void SimulatedGpioDevice::closed()
{
    const QList<unsigned> numbers = lines.keys();
    for (unsigned number : numbers)
        release(number);
    openCount = qMax(0, openCount - 1);
    operations.append(QStringLiteral("close"));
}

bool SimulatedGpioDevice::requestOutput(unsigned number, const char* consumer, int initialValue)
{
    Line& l = lines[number];
    if (number >= lineCount || l.requested)
        return false;
    l.requested = true;
    l.output = true;
    l.pullDown = false;
    l.consumer = QString::fromLatin1(consumer);
    l.value = initialValue ? 1 : 0;
    driven[number] = l.value;
    operations.append(QStringLiteral("out %1=%2").arg(number).arg(l.value));
    timedWrites.append({number, l.value, clock.elapsed()});
    return true;
}

bool SimulatedGpioDevice::requestInput(unsigned number, const char* consumer, bool pullDown)
{
    Line& l = lines[number];
    if (number >= lineCount || l.requested)
        return false;
    l.requested = true;
    l.output = false;
    l.pullDown = pullDown;
    l.consumer = QString::fromLatin1(consumer);
    operations.append(pullDown ? QStringLiteral("in %1 pull-down").arg(number) : QStringLiteral("in %1").arg(number));
    return true;
}

int SimulatedGpioDevice::getValue(unsigned number) const
{
    const Line l = lines.value(number);
    if (!l.requested || l.readFails)
        return -1;
    return l.value;
}

bool SimulatedGpioDevice::setValue(unsigned number, int value)
{
    auto it = lines.find(number);
    if (it == lines.end() || !it->requested || !it->output)
        return false;
    it->value = value ? 1 : 0;
    driven[number] = it->value;
    operations.append(QStringLiteral("set %1=%2").arg(number).arg(it->value));
    timedWrites.append({number, it->value, clock.elapsed()});
    return true;
}

void SimulatedGpioDevice::release(unsigned number)
{
    auto it = lines.find(number);
    if (it == lines.end() || !it->requested)
        return;
    // As on the board, a released output keeps its level until someone else
    // takes the line.
    it->requested = false;
    operations.append(QStringLiteral("release %1").arg(number));
}
