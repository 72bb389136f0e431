#pragma once

#include "IOItem.h"

// A digital frequency (speed-sensor) input: its frequency and the pulses
// counted on its MCU slot since the program started.
class HallInput : public IOItem
{
    Q_OBJECT
public:
    explicit HallInput(QWidget* parent = nullptr);
    void updateTimerTick() override;
};
