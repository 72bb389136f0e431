#include "TriggerSetup.h"

#include "Argument.h"

TriggerSetup::TriggerSetup()
    : argument(new Argument(static_cast<QObject*>(nullptr)))
{
}

TriggerSetup::TriggerSetup(const TriggerSetup& other)
    : mode(other.mode)
    , interval(other.interval)
    , shortcut(other.shortcut)
    , argument(new Argument(static_cast<QObject*>(nullptr)))
    , active(other.active)
{
    *argument = *other.argument;
}

TriggerSetup& TriggerSetup::operator=(const TriggerSetup& other)
{
    if (this == &other)
        return *this;
    mode = other.mode;
    interval = other.interval;
    shortcut = other.shortcut;
    active = other.active;
    *argument = *other.argument;
    return *this;
}

TriggerSetup::~TriggerSetup()
{
    delete argument;
}
