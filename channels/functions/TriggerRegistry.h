#pragma once

class QMutex;
class Trigger;

// The thread that ticks every trigger, as triggers see it. It sits in the
// acquisition layer above the channel model and registers itself here when it
// is created; triggers made while none is registered are never ticked.
class TriggerRegistry
{
public:
    virtual ~TriggerRegistry() = default;
    virtual void addTrigger(Trigger* trigger) = 0;
    virtual void removeTrigger(Trigger* trigger) = 0;
    // Held during every tick; a trigger holds it while it changes its setup.
    virtual QMutex* tickMutex() = 0;

    // Registers the ticking thread (not owned); nullptr removes it.
    static void set(TriggerRegistry* registry);
    static TriggerRegistry* current();
};
