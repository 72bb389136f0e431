#pragma once

#include "LowSide.h"

// A low-side output switched by the board GPIO: grey while off, green while on (or never set).
class PILowSide : public LowSide
{
    Q_OBJECT
public:
    explicit PILowSide(QWidget* parent = nullptr);
    void updateTimerTick() override;
};
