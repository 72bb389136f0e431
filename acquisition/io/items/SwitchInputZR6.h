#pragma once

#include "IOItem.h"

// A switch connector of the second-generation board with two switches,
// 2·id and 2·id + 1: their states as text and as the colours of their pins.
class SwitchInputZR6 : public IOItem
{
    Q_OBJECT
public:
    explicit SwitchInputZR6(QWidget* parent = nullptr);
    void updateTimerTick() override;
};
