#include "MouseWheelWidgetAdjustmentGuard.h"

#include <QEvent>
#include <QWidget>

MouseWheelWidgetAdjustmentGuard::MouseWheelWidgetAdjustmentGuard(QObject* parent)
    : QObject(parent)
{
}

bool MouseWheelWidgetAdjustmentGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel) {
        const QWidget* widget = qobject_cast<QWidget*>(watched);
        if (widget && !widget->hasFocus()) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
