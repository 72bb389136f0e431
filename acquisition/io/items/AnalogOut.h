#pragma once

#include "IOItem.h"

// An analog output connector. No live reading.
class AnalogOut : public IOItem
{
    Q_OBJECT
public:
    explicit AnalogOut(QWidget* parent = nullptr);
};
