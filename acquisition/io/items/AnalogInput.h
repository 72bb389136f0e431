#pragma once

#include "IOItem.h"

// An analog input: its voltage.
class AnalogInput : public IOItem
{
    Q_OBJECT
public:
    explicit AnalogInput(QWidget* parent = nullptr);
    void updateTimerTick() override;
};
