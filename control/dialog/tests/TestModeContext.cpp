#include "TestModeContext.h"

TestModeContext& TestModeContext::current()
{
    static TestModeContext context;
    return context;
}
