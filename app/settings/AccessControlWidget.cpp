#include "AccessControlWidget.h"

AccessControlWidget::AccessControlWidget(QWidget* parent)
    : QWidget(parent)
{
}

void AccessControlWidget::init()
{
}

void AccessControlWidget::masterUnlock()
{
}
