#pragma once

#include "PinType.h"

#include <QFrame>

// One connector pin on the I/O page: a small framed square in the pin's colour.
class Pin : public QFrame
{
    Q_OBJECT
public:
    explicit Pin(PinType type, QWidget* parent = nullptr);

    void setType(PinType type);
    void setColor(const QColor& color);
    QColor color() const { return current; }

    static QColor colorOf(PinType type);

private:
    QColor current;
};
