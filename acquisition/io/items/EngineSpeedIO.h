#pragma once

#include "IOItem.h"

// The engine-speed input: its frequency and the pulses counted on it since the program started.
class EngineSpeedIO : public IOItem
{
    Q_OBJECT
public:
    explicit EngineSpeedIO(QWidget* parent = nullptr);
    void updateTimerTick() override;
};
