#include "EngineSpeedWidget.h"

EngineSpeedWidget::EngineSpeedWidget(QWidget* parent)
    : QFrame(parent)
{
}

void EngineSpeedWidget::init()
{
}

void EngineSpeedWidget::slot_updateWidgetSettings()
{
}
