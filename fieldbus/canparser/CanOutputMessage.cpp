#include "CanOutputMessage.h"

#include "CanOutputChannel.h"
#include "McuThread.h"
#include "Trigger.h"
#include "lib/Tools.h"

#include <QDomElement>

namespace {

CanOutputMessage::Sender& frameSender()
{
    static CanOutputMessage::Sender s;
    return s;
}

bool parseUInt32(const QString& text, quint32& value)
{
    bool ok = false;
    const qulonglong v = text.toULongLong(&ok, 10);
    if (!ok || v > 0xFFFFFFFFull)
        return false;
    value = quint32(v);
    return true;
}

} // namespace

void CanOutputMessage::setSender(Sender s)
{
    frameSender() = std::move(s);
}

CanOutputMessage::CanOutputMessage()
    : trigger(new Trigger())
{
    connect(trigger, &Trigger::signal_shoot, this, &CanOutputMessage::slot_send, Qt::DirectConnection);
    connect(trigger, &Trigger::signal_shortcutAmbiguous, this, &CanOutputMessage::slot_shortcutAmbiguous);
}

CanOutputMessage::~CanOutputMessage()
{
    // The trigger leaves the trigger thread's list first, so no shot reaches
    // the signals while they go.
    delete trigger;
    trigger = nullptr;
    QMutexLocker lock(&mutex);
    qDeleteAll(channels);
    channels.clear();
}

uint64_t CanOutputMessage::rebuildLocked()
{
    uint64_t word = initialData;
    for (const CanOutputChannel* channel : std::as_const(channels))
        word = (word & ~channel->getMask()) | channel->getData();
    data = word;
    return word;
}

uint64_t CanOutputMessage::updateData()
{
    QMutexLocker lock(&mutex);
    return rebuildLocked();
}

std::array<uint8_t, 8> CanOutputMessage::frameBytes(uint64_t word) const
{
    std::array<uint8_t, 8> bytes {};
    for (int k = 0; k < 8; ++k) {
        const int shift = endianness == Endianness_little ? 8 * k : 56 - 8 * k;
        bytes[size_t(k)] = uint8_t(word >> shift);
    }
    return bytes;
}

void CanOutputMessage::slot_send()
{
    uint8_t bus;
    uint32_t identifier;
    std::array<uint8_t, 8> bytes;
    {
        QMutexLocker lock(&mutex);
        bytes = frameBytes(rebuildLocked());
        bus = uint8_t(channelId);
        identifier = canId;
    }
    sendFrame(bus, identifier, bytes.data());
}

void CanOutputMessage::sendFrame(uint8_t bus, uint32_t identifier, const uint8_t* data8)
{
    if (frameSender())
        frameSender()(bus, identifier, data8);
    else if (theMCUThread)
        theMCUThread->sendCanData(bus, identifier, data8);
}

void CanOutputMessage::slot_shortcutAmbiguous()
{
    Tools::showError(tr("Ambiguous shortcut for can output message ")
                     + QStringLiteral("0x%1").arg(canId, 3, 16, QLatin1Char('0')).toUpper().replace(
                         QLatin1String("0X"), QLatin1String("0x")));
}

void CanOutputMessage::neutralizeTrigger()
{
    if (trigger)
        trigger->neutralizeShortcut();
}

void CanOutputMessage::copyDefinitionTo(CanOutputMessage* target) const
{
    QMutexLocker lock(&mutex);
    QMutexLocker targetLock(&target->mutex);
    qDeleteAll(target->channels);
    target->channels.clear();
    for (const CanOutputChannel* channel : channels)
        target->channels.append(new CanOutputChannel(*channel));
    target->channelId = channelId;
    target->canId = canId;
    target->initialData = initialData;
    target->endianness = endianness;
    target->comment = comment;
    target->data = data;
}

void CanOutputMessage::applyEdit(CanOutputMessage* edited)
{
    QList<CanOutputChannel*> old;
    {
        QMutexLocker lock(&mutex);
        QMutexLocker editedLock(&edited->mutex);
        old.swap(channels);
        channels.swap(edited->channels);
        channelId = edited->channelId;
        canId = edited->canId;
        initialData = edited->initialData;
        endianness = edited->endianness;
        comment = edited->comment;
    }
    qDeleteAll(old);
}

CanOutputMessageFields CanOutputMessage::fields() const
{
    QMutexLocker lock(&mutex);
    CanOutputMessageFields f;
    f.channelId = int(channelId);
    f.canId = int(canId & 0x1FFFFFFFu);
    f.initialData = initialData;
    f.endianness = endianness;
    f.comment = comment;
    return f;
}

void CanOutputMessage::applyFields(const CanOutputMessageFields& edited)
{
    QMutexLocker lock(&mutex);
    channelId = quint32(edited.channelId);
    canId = quint32(edited.canId);
    initialData = edited.initialData;
    endianness = edited.endianness;
    comment = edited.comment;
}

void CanOutputMessage::replaceChannel(int index, const CanOutputChannel& value)
{
    auto* fresh = new CanOutputChannel(value);
    CanOutputChannel* old = fresh;
    {
        QMutexLocker lock(&mutex);
        if (index >= 0 && index < channels.size()) {
            old = channels.at(index);
            channels[index] = fresh;
        }
    }
    delete old;
}

void CanOutputMessage::addChannel(CanOutputChannel* channel)
{
    QMutexLocker lock(&mutex);
    channels.append(channel);
}

void CanOutputMessage::removeChannel(int index)
{
    CanOutputChannel* gone = nullptr;
    {
        QMutexLocker lock(&mutex);
        if (index < 0 || index >= channels.size())
            return;
        gone = channels.takeAt(index);
    }
    delete gone;
}

int CanOutputMessage::channelCount() const
{
    QMutexLocker lock(&mutex);
    return int(channels.size());
}

void CanOutputMessage::parseDomElement(const QDomElement* element)
{
    if (!parseUInt32(element->attribute(QStringLiteral("channelId")), channelId))
        channelId = 0;
    if (!parseUInt32(element->attribute(QStringLiteral("canId")), canId))
        canId = 0;
    bool ok = false;
    initialData = element->attribute(QStringLiteral("initialData")).toULongLong(&ok, 10);
    if (!ok)
        initialData = 0;
    endianness = element->attribute(QStringLiteral("endianness")).toInt() == 1 ? Endianness_little : Endianness_big;
    comment = element->attribute(QStringLiteral("comment"));
    const QDomElement triggerElement = element->firstChildElement(QStringLiteral("trigger"));
    if (!triggerElement.isNull())
        trigger->parseDomElement(&triggerElement);
    for (QDomElement child = element->firstChildElement(QStringLiteral("channel")); !child.isNull();
         child = child.nextSiblingElement(QStringLiteral("channel"))) {
        auto* channel = new CanOutputChannel();
        channel->parseDomElement(&child);
        addChannel(channel);
    }
}

void CanOutputMessage::writeSetupToDomElement(QDomElement* element) const
{
    element->setAttribute(QStringLiteral("channelId"), QString::number(channelId));
    element->setAttribute(QStringLiteral("canId"), QString::number(canId));
    element->setAttribute(QStringLiteral("initialData"), QString::number(initialData));
    element->setAttribute(QStringLiteral("endianness"), int(endianness));
    element->setAttribute(QStringLiteral("comment"), comment);
    QDomDocument document = element->ownerDocument();
    QDomElement triggerElement = document.createElement(QStringLiteral("trigger"));
    trigger->writeSetupToDomElement(&triggerElement);
    element->appendChild(triggerElement);
    QMutexLocker lock(&mutex);
    for (const CanOutputChannel* channel : channels) {
        QDomElement channelElement = document.createElement(QStringLiteral("channel"));
        channel->writeSetupToDomElement(&channelElement);
        element->appendChild(channelElement);
    }
}
