#include "TriggerRegistry.h"

#include <atomic>

namespace {
std::atomic<TriggerRegistry*> g_registry {nullptr};
}

void TriggerRegistry::set(TriggerRegistry* registry)
{
    g_registry.store(registry);
}

TriggerRegistry* TriggerRegistry::current()
{
    return g_registry.load();
}
