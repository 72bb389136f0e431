#include "FunctionAccessControl.h"

#include <atomic>

namespace {
std::atomic<FunctionAccessControl*> g_control {nullptr};
}

void FunctionAccessControl::set(FunctionAccessControl* control)
{
    g_control.store(control);
}

bool FunctionAccessControl::locked()
{
    FunctionAccessControl* control = g_control.load();
    return control && control->isLocked();
}

bool FunctionAccessControl::manufacturerMode()
{
    FunctionAccessControl* control = g_control.load();
    return control && control->isManufacturerMode();
}
