#include "InputChannel.h"

#include "ChannelSetup.h"
#include "GamepadEvent.h"
#include "ShortcutParents.h"
#include "lib/Tools.h"

#include <QDomElement>
#include <QLocale>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QXmlStreamWriter>

namespace {

const QString kKeyPrefix = QStringLiteral("I_");

} // namespace

const QString& InputChannel::keyPrefix()
{
    return kKeyPrefix;
}

namespace {

QString numberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

double numberOrZero(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : 0.0;
}

QString sequenceText(const QShortcut* shortcut)
{
    return shortcut ? shortcut->key().toString(QKeySequence::PortableText) : QString();
}

} // namespace

InputChannel::InputChannel(bool runData)
    : RunChannel(ChannelSetup::FlagInputChannel, QString(), 0, QString(), Quantity::None)
    , forRunData(runData)
{
    pulseTimer = new QTimer(this);
    pulseTimer->setSingleShot(true);
    // A coarse timer may end the pulse up to 5 % early; the run file shows it.
    pulseTimer->setTimerType(Qt::PreciseTimer);
    connect(pulseTimer, &QTimer::timeout, this, &InputChannel::slot_pulseTimer);
    if (!forRunData) {
        // Shortcuts and bindings live with the main window, in the GUI thread;
        // a channel made anywhere else gets neither shortcuts nor a foreign parent.
        QWidget* window = ShortcutParents::mainWindow();
        if (window && QThread::currentThread() != window->thread())
            window = nullptr;
        if (window) {
            onUpShortcut = makeShortcut(window, &InputChannel::slot_onUp);
            offDownShortcut = makeShortcut(window, &InputChannel::slot_offDown);
            toggleShortcut = makeShortcut(window, &InputChannel::slot_toggle);
            pulseShortcut = makeShortcut(window, &InputChannel::slot_pulse);
        }
        // Without a main window (a process that only reads files) the binding
        // belongs to the channel itself.
        gamepadEvent = new GamepadEvent(window ? static_cast<QObject*>(window) : this);
        connect(gamepadEvent, &GamepadEvent::signal_newValue, this, &InputChannel::slot_setValueFromGamepad);
    }
    setup->sampling = SamplingMode::SampleAndHold;
}

InputChannel::~InputChannel()
{
    removeShortcuts();
    if (gamepadEvent && gamepadEvent->parent() != this)
        delete gamepadEvent;
}

QShortcut* InputChannel::makeShortcut(QWidget* parent, void (InputChannel::*action)())
{
    auto* shortcut = new QShortcut(parent);
    shortcut->setContext(Qt::ApplicationShortcut);
    connect(shortcut, &QShortcut::activated, this, action);
    connect(shortcut, &QShortcut::activatedAmbiguously, this, &InputChannel::slot_ambiguousShortcut);
    return shortcut;
}

QString InputChannel::getChildName() const
{
    return setup ? setup->key.mid(2) : QString();
}

void InputChannel::setChildName(const QString& name)
{
    setup->key = kKeyPrefix + name;
    emit setup->signal_keyChanged();
}

quint32 InputChannel::recordId() const
{
    return forRunData ? recordedUniqueId : quint32(uniqueId);
}

void InputChannel::removeShortcuts()
{
    delete onUpShortcut;
    delete offDownShortcut;
    delete toggleShortcut;
    delete pulseShortcut;
}

void InputChannel::set(InputChannel* other)
{
    *setup = *other->setup;
    emit setup->signal_setupChanged();
    step = other->step;
}

// ---------------------------------------------------------------- XML

void InputChannel::parseDomElement(const QDomElement* element, bool runData)
{
    const QDomElement setupElement = element->firstChildElement(QStringLiteral("variableSetup"));
    if (!setupElement.isNull())
        setup->parseChannelDomElement(&setupElement);
    if (!runData) {
        step = numberOrZero(element->attribute(QStringLiteral("step")));
        const std::pair<const char*, QShortcut*> shortcuts[] = {
            {"onUp", onUpShortcut}, {"offDown", offDownShortcut}, {"toggle", toggleShortcut}, {"pulse", pulseShortcut}};
        for (const auto& entry : shortcuts) {
            if (entry.second)
                entry.second->setKey(QKeySequence::fromString(element->attribute(QLatin1String(entry.first)),
                                                              QKeySequence::NativeText));
        }
        if (gamepadEvent)
            gamepadEvent->setFromString(element->attribute(QStringLiteral("gamepadEvent")));
    }
    setData(numberOrZero(element->attribute(QStringLiteral("value"))), RunChannel::wallClock());
    if (runData) {
        bool ok = false;
        const uint id = element->attribute(QStringLiteral("uniqueId")).toUInt(&ok);
        recordedUniqueId = ok ? id : 0;
    }
}

void InputChannel::writeSetupToXmlStream(QXmlStreamWriter& writer) const
{
    writer.writeAttribute(QStringLiteral("name"), getChildName());
    writer.writeAttribute(QStringLiteral("step"), numberText(step));
    writer.writeAttribute(QStringLiteral("onUp"), sequenceText(onUpShortcut));
    writer.writeAttribute(QStringLiteral("offDown"), sequenceText(offDownShortcut));
    writer.writeAttribute(QStringLiteral("toggle"), sequenceText(toggleShortcut));
    writer.writeAttribute(QStringLiteral("pulse"), sequenceText(pulseShortcut));
    writer.writeAttribute(QStringLiteral("gamepadEvent"),
                          gamepadEvent ? gamepadEvent->getSaveString() : QStringLiteral("0:0"));
    writer.writeAttribute(QStringLiteral("value"), numberText(getValue()));
    writer.writeAttribute(QStringLiteral("uniqueId"), QString::number(uniqueId));
    writer.writeStartElement(QStringLiteral("variableSetup"));
    setup->writeSetupToXmlStream(writer);
    writer.writeEndElement();
}

// ---------------------------------------------------------------- actions

void InputChannel::slot_onUp()
{
    const qint64 now = RunChannel::wallClock();
    if (setup->quantity == Quantity::Logic)
        setDataWithoutFilter(1.0, now);
    else
        setData(getValue() + step, now);
}

void InputChannel::slot_offDown()
{
    const qint64 now = RunChannel::wallClock();
    if (setup->quantity == Quantity::Logic)
        setDataWithoutFilter(0.0, now);
    else
        setData(getValue() - step, now);
}

void InputChannel::slot_toggle()
{
    setDataWithoutFilter(getValue() == 0.0 ? 1.0 : 0.0, RunChannel::wallClock());
}

void InputChannel::slot_pulse()
{
    setDataWithoutFilter(1.0, RunChannel::wallClock());
    pulseTimer->start(1000);
}

void InputChannel::slot_pulseTimer()
{
    setDataWithoutFilter(0.0, RunChannel::wallClock());
}

void InputChannel::slot_setValueFromGamepad(double value)
{
    setDataWithoutFilter(value, RunChannel::wallClock());
}

void InputChannel::slot_ambiguousShortcut()
{
    Tools::showError(tr("Ambiguous shortcut for input channel ") + setup->key);
}
