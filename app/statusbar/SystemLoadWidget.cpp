#include "SystemLoadWidget.h"

SystemLoadWidget::SystemLoadWidget(QWidget* parent)
    : QLabel(parent)
{
    setFrameShape(QFrame::Box);
    setAlignment(Qt::AlignCenter);
    setText(QStringLiteral("CPU"));
}

void SystemLoadWidget::initAfterChannels()
{
}
