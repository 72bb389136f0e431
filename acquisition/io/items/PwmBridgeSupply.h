#pragma once

#include "IOItem.h"

// The supply of a PWM bridge: the bridge's current.
class PwmBridgeSupply : public IOItem
{
    Q_OBJECT
public:
    explicit PwmBridgeSupply(QWidget* parent = nullptr);
    void updateTimerTick() override;
};
