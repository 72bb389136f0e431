#include "AmbientIO.h"

AmbientIO::AmbientIO(QWidget* parent)
    : IOItem(parent)
{
    setLabel(QStringLiteral("Ambient\nsensor"));
    addPins({PinType_white, PinType_white, PinType_white, PinType_white});
}

void AmbientIO::setReadout(QWidget* widget)
{
    readout = widget;
}

void AmbientIO::updateTimerTick()
{
    const bool failed = readout && readout->autoFillBackground();
    setValueBackground(failed ? QColor(255, 77, 77) : QColor(77, 255, 77));
}
