#include "OutputStatusWidget.h"

OutputStatusWidget::OutputStatusWidget(QWidget* parent)
    : QWidget(parent)
{
}

void OutputStatusWidget::init()
{
}
