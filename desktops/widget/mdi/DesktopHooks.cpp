#include "DesktopHooks.h"

#include "RunThread.h"

#include <QTabWidget>

DesktopHooks* DesktopHooks::instance()
{
    static DesktopHooks hooks;
    return &hooks;
}

QTabWidget* DesktopHooks::findMainTabs(QWidget* from) const
{
    if (mainTabs)
        return mainTabs(from);
    // The outermost tab widget around the tab set is the main window's.
    QTabWidget* found = nullptr;
    for (QWidget* w = from ? from->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            found = tabs;
    }
    return found;
}

qint64 DesktopHooks::runStart() const
{
    if (runStartTime)
        return runStartTime();
    return theRunThread ? theRunThread->runStartTime.load() : 0;
}
