#include "Trigger.h"

#include "Argument.h"
#include "RunChannel.h"
#include "ShortcutParents.h"
#include "TriggerRegistry.h"

#include <QDomElement>
#include <QMutex>
#include <QMutexLocker>
#include <QShortcut>
#include <QThread>
#include <QWidget>

#include <cmath>
#include <optional>

namespace {

// Holds the ticking thread's lock when there is one; without a trigger thread
// nothing ticks and there is nothing to exclude.
class TickLock
{
public:
    TickLock()
    {
        if (TriggerRegistry* registry = TriggerRegistry::current())
            locker.emplace(registry->tickMutex());
    }

private:
    std::optional<QMutexLocker<QMutex>> locker;
};

} // namespace

Trigger::Trigger()
{
    if (TriggerRegistry* registry = TriggerRegistry::current())
        registry->addTrigger(this);
    lastShot = RunChannel::wallClock();
    // A trigger of a recorded run's setup may be made in a worker thread; a
    // shortcut belongs to the GUI thread's widgets, so it gets none there.
    QWidget* parent = ShortcutParents::triggerDefault();
    if (parent && QThread::currentThread() == parent->thread()) {
        shortcut = new QShortcut(parent);
        shortcut->setContext(Qt::ApplicationShortcut);
        shortcut->setAutoRepeat(false);
        connect(shortcut, &QShortcut::activated, this, &Trigger::signal_shoot);
        connect(shortcut, &QShortcut::activatedAmbiguously, this, &Trigger::signal_shortcutAmbiguous);
    }
}

Trigger::~Trigger()
{
    if (TriggerRegistry* registry = TriggerRegistry::current())
        registry->removeTrigger(this);
}

void Trigger::applyShortcutSetup()
{
    if (!shortcut)
        return;
    shortcut->setKey(setup.shortcut);
    shortcut->setAutoRepeat(setup.mode == 1);
}

void Trigger::setSetup(const TriggerSetup& newSetup)
{
    {
        TickLock lock;
        setup = newSetup;
    }
    applyShortcutSetup();
}

void Trigger::setMode(int mode)
{
    {
        TickLock lock;
        setup.mode = mode;
    }
    applyShortcutSetup();
}

void Trigger::setInterval(qint64 interval)
{
    TickLock lock;
    setup.interval = interval;
}

void Trigger::setActive(bool active)
{
    TickLock lock;
    setup.active = active;
}

void Trigger::setKeySequence(const QKeySequence& sequence)
{
    {
        TickLock lock;
        setup.shortcut = sequence;
    }
    applyShortcutSetup();
}

bool Trigger::argumentIsTrue() const
{
    const double value = setup.argument->getValue();
    return !std::isnan(value) && value != 0.0;
}

void Trigger::tick(qint64 now)
{
    const bool state = argumentIsTrue();
    if (setup.mode == 0) {
        if (state && !lastState)
            emit signal_shoot();
        lastState = state;
        lastShot = now;
        return;
    }
    if (!state && !setup.active) {
        // Not armed: the schedule restarts, so the first shot comes one interval after arming.
        lastShot = now;
        lastState = false;
        return;
    }
    const qint64 elapsed = now - lastShot;
    if (elapsed < setup.interval)
        return;
    const qint64 missed = setup.interval != 0 ? elapsed / setup.interval : 0;
    // A few missed shots are made up one per tick; after a long stall they are dropped.
    lastShot += missed >= 10 ? missed * setup.interval : setup.interval;
    emit signal_shoot();
    lastState = state;
}

void Trigger::neutralizeShortcut()
{
    delete shortcut;
    shortcut = nullptr;
}

void Trigger::reparentShortcut(QWidget* parent)
{
    if (shortcut && parent)
        shortcut->setParent(parent);
}

void Trigger::writeSetupToDomElement(QDomElement* element) const
{
    element->setAttribute(QStringLiteral("mode"), setup.mode);
    element->setAttribute(QStringLiteral("interval"), setup.interval);
    element->setAttribute(QStringLiteral("shortcut"), setup.shortcut.toString(QKeySequence::PortableText));
    element->setAttribute(QStringLiteral("active"), setup.active ? 1 : 0);
    QDomElement argument = element->ownerDocument().createElement(QStringLiteral("argument"));
    setup.argument->writeToDomElement(&argument);
    element->appendChild(argument);
}

void Trigger::parseDomElement(const QDomElement* element)
{
    {
        TickLock lock;
        const QDomElement argument = element->firstChildElement(QStringLiteral("argument"));
        if (!argument.isNull()) {
            setup.argument->parseDomElement(&argument);
            setup.argument->updateChannelPointer();
        }
        setup.mode = element->attribute(QStringLiteral("mode")).toInt();
        const qint64 interval = element->attribute(QStringLiteral("interval")).toLongLong();
        setup.shortcut =
            QKeySequence::fromString(element->attribute(QStringLiteral("shortcut")), QKeySequence::NativeText);
        setup.active = element->attribute(QStringLiteral("active")).toInt() != 0;
        setup.interval = interval < 10 ? 10 : interval / 10 * 10;
    }
    applyShortcutSetup();
}

QString Trigger::getDescription() const
{
    QString text = setup.mode == 0 ? QStringLiteral("S") : QStringLiteral("R:") + QString::number(setup.interval);
    if (shortcut && !setup.shortcut.isEmpty())
        text += QStringLiteral(" ( %1 )").arg(setup.shortcut.toString(QKeySequence::PortableText));
    return text + QLatin1Char(' ') + setup.argument->getDescription();
}
