#pragma once

#include "LowSide.h"

// A low-side PWM output of the MCU. No live reading.
class MCULowSide : public LowSide
{
    Q_OBJECT
public:
    explicit MCULowSide(QWidget* parent = nullptr);
};
