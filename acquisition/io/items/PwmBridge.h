#pragma once

#include "IOItem.h"

// A PWM bridge output connector. No live reading.
class PwmBridge : public IOItem
{
    Q_OBJECT
public:
    explicit PwmBridge(QWidget* parent = nullptr);
};
