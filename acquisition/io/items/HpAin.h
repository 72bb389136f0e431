#pragma once

#include "IOItem.h"

// A high-precision analog input connector with two inputs, 2·id and 2·id + 1:
// each one's value and, unless it measures a thermocouple, its voltage before
// the characteristic.
class HpAin : public IOItem
{
    Q_OBJECT
public:
    explicit HpAin(QWidget* parent = nullptr);
    void updateTimerTick() override;

    // The input mode that measures a K-type thermocouple (the run thread's gain table).
    static const int thermocoupleMode;

private:
    QString inputBlock(int input) const;
};
