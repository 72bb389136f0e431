#include "ArgumentLineEdit.h"

ArgumentLineEdit::ArgumentLineEdit(QWidget* parent)
    : QLineEdit(parent)
{
}

void ArgumentLineEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    Q_UNUSED(event);
    Q_EMIT signal_mouseDoubleClicked();
}
