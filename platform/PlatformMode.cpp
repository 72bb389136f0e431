#include "PlatformMode.h"

#include <QByteArray>
#include <QtGlobal>

namespace {
bool flag(const char* name)
{
    const QByteArray value = qgetenv(name);
    return !value.isEmpty() && value != "0";
}
} // namespace

bool PlatformMode::simulated()
{
    return flag("ZEMBO_SIMULATE");
}

bool PlatformMode::underTest()
{
    return flag("ZEMBO_TEST");
}
