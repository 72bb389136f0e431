#pragma once

#include "PinType.h"

#include <QList>
#include <QWidget>

class Pin;
class QHBoxLayout;

// The pin row of a connector tile, pins from left to right in connector order.
class Pins : public QWidget
{
    Q_OBJECT
public:
    explicit Pins(QWidget* parent = nullptr);

    void addPin(PinType type);
    // Recolours one pin; an index outside the row changes nothing.
    void setColor(int index, const QColor& color);
    int count() const { return pins.size(); }
    const QList<Pin*>& list() const { return pins; }

private:
    QHBoxLayout* layout = nullptr;
    QList<Pin*> pins;
};
