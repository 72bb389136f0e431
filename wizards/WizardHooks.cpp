#include "WizardHooks.h"

WizardHooks& WizardHooks::instance()
{
    static WizardHooks hooks;
    return hooks;
}
