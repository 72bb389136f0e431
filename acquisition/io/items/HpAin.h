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

    // Volts per count of the input modes "5V range" to "250mV range" and
    // degrees Celsius per count of mode 6, the K-type thermocouple.
    static constexpr double gains[7] = {0.0001875, 0.000125, 0.0000625, 0.00003125, 0.000015625, 0.0000078125, 0.0625};
    static constexpr int thermocoupleMode = 6;

private:
    QString inputBlock(int input) const;
};
