#pragma once

#include "IOItem.h"

// A load-cell connector: the filtered raw reading and the torque it gives with
// the cell's gain and offset.
class LoadCell : public IOItem
{
    Q_OBJECT
public:
    explicit LoadCell(QWidget* parent = nullptr);
    void updateTimerTick() override;
};
