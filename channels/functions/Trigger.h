#pragma once

#include "TriggerSetup.h"

#include <QObject>
#include <QPointer>
#include <QShortcut>
#include <QString>

class QDomElement;
class QWidget;

// Decides when an action fires: once on each rising edge of its argument
// (single), every interval while the argument is true or the trigger is set
// active (repeat), or when its keyboard shortcut is pressed. The trigger
// thread ticks it every 10 ms, so signal_shoot comes from that thread for
// edges and intervals and from the GUI thread for the shortcut; receivers in
// other threads get queued calls. Setup changes come from the GUI thread and
// hold the trigger thread's lock, so a tick never sees half a setup.
class Trigger : public QObject
{
    Q_OBJECT
public:
    Trigger();
    ~Trigger() override;

    void setSetup(const TriggerSetup& newSetup);
    // Edits of single fields, as the trigger editor makes them.
    void setMode(int mode);
    void setInterval(qint64 interval);
    void setActive(bool active);
    void setKeySequence(const QKeySequence& sequence);

    // Called by the trigger thread only, holding its lock.
    void tick(qint64 now);

    // Destroys the shortcut; the owner calls it just before deleting the trigger.
    void neutralizeShortcut();
    QShortcut* getShortcut() const { return shortcut; }
    // Moves the shortcut to another parent (a dialog that must receive it).
    void reparentShortcut(QWidget* parent);

    void writeSetupToDomElement(QDomElement* element) const;
    void parseDomElement(const QDomElement* element);
    QString getDescription() const;

    qint64 lastShot = 0;
    bool lastState = true;
    TriggerSetup setup;

Q_SIGNALS:
    void signal_shoot();
    void signal_shortcutAmbiguous();

private:
    bool argumentIsTrue() const;
    void applyShortcutSetup();

    QPointer<QShortcut> shortcut;
};
