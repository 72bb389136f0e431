#include "LayoutLine.h"

LayoutLine::LayoutLine(QWidget* parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::HLine);
}
