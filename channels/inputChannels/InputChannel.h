#pragma once

#include "GamepadEvent.h"
#include "RunChannel.h"

#include <QPointer>
#include <QShortcut>
#include <QString>

class QDomElement;
class QTimer;
class QXmlStreamWriter;

// A live channel set by the operator: keyboard shortcuts for ON/UP, OFF/DOWN,
// TOGGLE and PULSE, a game-pad button or axis, its editor's value field, the
// RUN desktop's input widgets and the remote control. Its key is "I_" + name.
// The shortcuts (application-wide) and the game-pad binding live on the main
// window; a channel of a recorded run has neither, since it may be made in a
// worker thread and is never operated.
class InputChannel : public RunChannel
{
    Q_OBJECT
public:
    // What the key of every input channel starts with.
    static const QString& keyPrefix();

    explicit InputChannel(bool forRunData = false);
    ~InputChannel() override;

    QString getChildName() const override;
    void setChildName(const QString& name) override;

    void parseDomElement(const QDomElement* element, bool forRunData);
    // The element's attributes and its variableSetup child, inside an
    // element the caller has started.
    void writeSetupToXmlStream(QXmlStreamWriter& writer) const;
    // Setup and step only.
    void set(InputChannel* other);
    void removeShortcuts();
    // The id by which the run's channel records name this channel: the id
    // stored with a recorded run, the channel's own otherwise.
    quint32 recordId() const;

    QTimer* pulseTimer = nullptr;
    double step = 1.0;
    QPointer<QShortcut> onUpShortcut;
    QPointer<QShortcut> offDownShortcut;
    QPointer<QShortcut> toggleShortcut;
    QPointer<QShortcut> pulseShortcut;
    QPointer<GamepadEvent> gamepadEvent;
    // The unique id stored with a recorded run; 0 for live channels.
    quint32 recordedUniqueId = 0;

public Q_SLOTS:
    void slot_onUp();
    void slot_offDown();
    void slot_toggle();
    void slot_pulse();
    void slot_pulseTimer();
    void slot_setValueFromGamepad(double value);
    void slot_ambiguousShortcut();

private:
    QShortcut* makeShortcut(QWidget* parent, void (InputChannel::*action)());
    bool forRunData = false;
};
