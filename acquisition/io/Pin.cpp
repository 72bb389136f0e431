#include "Pin.h"

#include "lib/Tools.h"

Pin::Pin(PinType type, QWidget* parent)
    : QFrame(parent)
{
    setFixedSize(10, 10);
    setFrameShape(QFrame::Box);
    setType(type);
}

QColor Pin::colorOf(PinType type)
{
    switch (type) {
    case PinType_red:
        return QColor(Qt::red);
    case PinType_white:
        return QColor(Qt::white);
    case PinType_black:
    default:
        return QColor(Qt::black);
    }
}

void Pin::setType(PinType type)
{
    setColor(colorOf(type));
}

void Pin::setColor(const QColor& color)
{
    if (color == current)
        return;
    current = color;
    Tools::setBackgroundColorWithPalette(this, color);
}
