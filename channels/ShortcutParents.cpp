#include "ShortcutParents.h"

#include <QPointer>
#include <QWidget>

namespace {

QPointer<QWidget>& mainWindowPointer()
{
    static QPointer<QWidget> pointer;
    return pointer;
}

QPointer<QWidget>& triggerDefaultPointer()
{
    static QPointer<QWidget> pointer;
    return pointer;
}

} // namespace

void ShortcutParents::setMainWindow(QWidget* window)
{
    mainWindowPointer() = window;
}

QWidget* ShortcutParents::mainWindow()
{
    return mainWindowPointer();
}

void ShortcutParents::setTriggerDefault(QWidget* widget)
{
    triggerDefaultPointer() = widget;
}

QWidget* ShortcutParents::triggerDefault()
{
    return triggerDefaultPointer();
}
