#include "MCULowSide.h"

MCULowSide::MCULowSide(QWidget* parent)
    : LowSide(parent)
{
    setLabel(QStringLiteral("Low\nSide\nPWM"));
    setNoPreview();
}
