#include "AccessControlManager.h"

#include "MySettings.h"

AccessControlManager theACM;

namespace {

QString storeKey(const QString& key)
{
    return QStringLiteral("ACM/") + key;
}

} // namespace

AccessControlManager::AccessControlManager()
{
    // The functions editor sits below this layer and asks through its hook.
    FunctionAccessControl::set(this);
}

void AccessControlManager::lock()
{
    locked = true;
    manufacturerMode = true;
    emit signal_manufacturerModeEnabled();
}

void AccessControlManager::unlock()
{
    if (!locked)
        return;
    locked = false;
    emit signal_unlock();
}

void AccessControlManager::lockKey(const QString& key)
{
    theSettings.setValue(storeKey(key), 1);
}

void AccessControlManager::unlockKey(const QString& key)
{
    theSettings.remove(storeKey(key));
}

bool AccessControlManager::isKeyLocked(const QString& key) const
{
    return theSettings.contains(storeKey(key));
}
