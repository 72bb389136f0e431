#pragma once

// Stand-ins for the classes that record forms bind but that live above the
// channel model: triggers and their panel, game-pad bindings and their button,
// the key-sequence button. Each has only what the form uses of the real one.

#include "RunChannel.h"

#include <QKeySequence>
#include <QMetaType>
#include <QPushButton>
#include <QString>
#include <QWidget>

struct TriggerSetup {
    int mode = 0;
    qint64 interval = 1000;
    QKeySequence shortcut;
    bool active = false;
};
Q_DECLARE_METATYPE(TriggerSetup)

class Trigger : public QObject
{
public:
    void setSetup(const TriggerSetup& newSetup) { setup = newSetup; }
    TriggerSetup setup;
};

class TriggerWidget : public QWidget
{
    Q_OBJECT
public:
    TriggerWidget(QWidget* parent, Trigger* trigger)
        : QWidget(parent)
        , trigger(trigger)
    {
    }
    // What the operator does in the panel: the panel writes the trigger itself.
    void edit(qint64 interval, int mode)
    {
        trigger->setup.interval = interval;
        trigger->setup.mode = mode;
        Q_EMIT signal_setupChanged();
    }
    Trigger* trigger;

Q_SIGNALS:
    void signal_setupChanged();
};

class GamepadEvent : public QObject
{
public:
    QString getSaveString() const { return saveString; }
    void setFromString(const QString& text) { saveString = text; }
    QString saveString = QStringLiteral("0:-1");
};

class GamepadEventWidget : public QPushButton
{
    Q_OBJECT
public:
    GamepadEventWidget(GamepadEvent* event, QWidget* parent)
        : QPushButton(parent)
        , event(event)
    {
    }
    GamepadEvent* event;

Q_SIGNALS:
    void signal_eventChanged(const QString& saveString);
};

class ShortcutWidget : public QPushButton
{
    Q_OBJECT
public:
    explicit ShortcutWidget(QWidget* parent)
        : QPushButton(parent)
    {
    }
    void setKeySequence(const QKeySequence& sequence)
    {
        if (sequence == keySequence)
            return;
        keySequence = sequence;
        Q_EMIT signal_sequenceChanged(sequence);
    }
    QKeySequence keySequence;

Q_SIGNALS:
    void signal_sequenceChanged(const QKeySequence& sequence);
};

// A user channel whose key is made from its name part.
class NamedChannel : public RunChannel
{
public:
    NamedChannel()
        : RunChannel(8, QString(), 0, QString(), Quantity::None)
    {
    }
    QString getChildName() const override { return childName; }
    void setChildName(const QString& name) override { childName = name; }
    QString childName = QStringLiteral("engine");
};
