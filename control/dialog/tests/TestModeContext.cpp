#include "TestModeContext.h"

TestModeContext& TestModeContext::current()
{
    static TestModeContext context;
    return context;
}

#include "TestModeHooks.h"

TestModeHooks& TestModeHooks::current()
{
    static TestModeHooks hooks;
    return hooks;
}
