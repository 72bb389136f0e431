#pragma once

#include "IOItem.h"

// A relay output: grey while off, green while on (or never set).
class Relay : public IOItem
{
    Q_OBJECT
public:
    explicit Relay(QWidget* parent = nullptr);
    void updateTimerTick() override;
};
