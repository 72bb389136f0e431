#pragma once

#include "IOItem.h"

// A CAN bus connector; the second-generation boards have a ground pin too. No live reading.
class CANBus : public IOItem
{
    Q_OBJECT
public:
    explicit CANBus(QWidget* parent = nullptr);
};
