#include "CarDBComboBox.h"

#include <QKeyEvent>

CarDBComboBox::CarDBComboBox(QWidget* parent)
    : QComboBox(parent)
{
}

void CarDBComboBox::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        event->ignore();
        return;
    default:
        QComboBox::keyPressEvent(event);
    }
}
