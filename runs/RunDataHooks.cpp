#include "RunDataHooks.h"

RunDataHooks& RunDataHooks::instance()
{
    static RunDataHooks hooks;
    return hooks;
}
