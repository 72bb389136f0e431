#pragma once

#include "CanOutputMessageFields.h"
#include "lib/FieldBusEnums.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

class CanOutputChannel;
class QDomElement;
class Trigger;

// One CAN frame of the operator's design: bus, identifier, initial data word,
// byte order and signals, sent on each shot of its trigger (edges and repeats
// from the trigger thread, the shortcut from the GUI thread). The data word
// and the signal list are guarded by `mutex`; a dialog edits a copy and
// applies it with applyEdit, so a shot never sees half an edit.
class CanOutputMessage : public QObject
{
    Q_OBJECT
public:
    // Where a shot's frame goes: theMCUThread unless a test puts its own.
    using Sender = std::function<void(uint8_t bus, uint32_t identifier, const uint8_t* data8)>;
    static void setSender(Sender sender);
    // Sends one frame the way the messages do (the CAN tools use it too).
    static void sendFrame(uint8_t bus, uint32_t identifier, const uint8_t* data8);

    CanOutputMessage();
    ~CanOutputMessage() override;

    // Rebuilds the data word from the signals' current values; returns it.
    uint64_t updateData();
    // The 8 frame bytes of a word in this message's byte order.
    std::array<uint8_t, 8> frameBytes(uint64_t word) const;
    void neutralizeTrigger();

    // Copies of the definition, for editing outside the lock.
    void copyDefinitionTo(CanOutputMessage* target) const;
    // Takes the definition (fields and signals, not the trigger) of an edited
    // copy, under the mutex; the copy is left without signals.
    void applyEdit(CanOutputMessage* edited);
    // The plain fields, for the dialog, and back under the mutex.
    CanOutputMessageFields fields() const;
    void applyFields(const CanOutputMessageFields& edited);
    // Puts a copy of `value` in place of the signal at `index` under the
    // mutex; the old signal goes after the lock is released.
    void replaceChannel(int index, const CanOutputChannel& value);
    void addChannel(CanOutputChannel* channel);
    void removeChannel(int index);
    int channelCount() const;

    void parseDomElement(const QDomElement* element);
    void writeSetupToDomElement(QDomElement* element) const;

    mutable QMutex mutex;
    QList<CanOutputChannel*> channels;
    uint64_t data = 0;
    quint32 channelId = 0;
    quint32 canId = 0;
    Trigger* trigger = nullptr;
    uint64_t initialData = 0;
    Endianness endianness = Endianness_big;
    QString comment;

public Q_SLOTS:
    void slot_send();
    void slot_shortcutAmbiguous();

private:
    uint64_t rebuildLocked();
};
