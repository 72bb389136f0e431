#pragma once

#include "IOItem.h"

// A switch input: grey while open, green while closed (or unknown).
class SwitchInput : public IOItem
{
    Q_OBJECT
public:
    explicit SwitchInput(QWidget* parent = nullptr);
    void updateTimerTick() override;
};
