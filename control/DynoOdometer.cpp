#include "DynoOdometer.h"

DynoOdometer::DynoOdometer(QWidget* parent)
    : QWidget(parent)
{
}

void DynoOdometer::init()
{
    initialized = true;
}
