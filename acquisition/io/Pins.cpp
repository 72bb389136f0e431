#include "Pins.h"

#include "Pin.h"

#include <QHBoxLayout>

Pins::Pins(QWidget* parent)
    : QWidget(parent)
    , layout(new QHBoxLayout(this))
{
    layout->setContentsMargins(0, 0, 0, 0);
}

void Pins::addPin(PinType type)
{
    auto* pin = new Pin(type, this);
    pins.append(pin);
    layout->addWidget(pin, 0);
}

void Pins::setColor(int index, const QColor& color)
{
    if (index >= 0 && index < pins.size())
        pins.at(index)->setColor(color);
}
