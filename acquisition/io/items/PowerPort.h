#pragma once

#include "IOItem.h"

// A supply output of the board ("+5V", "+12V", "+24V"): its measured voltage,
// on light red once the run thread has logged a warning for it.
class PowerPort : public IOItem
{
    Q_OBJECT
public:
    explicit PowerPort(QWidget* parent = nullptr);
    void updateTimerTick() override;
};
