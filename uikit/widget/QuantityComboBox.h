#pragma once

#include "Quantity.h"

#include <QComboBox>

// Picks a physical quantity; rows are the quantity names in picker order.
class QuantityComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit QuantityComboBox(QWidget* parent = nullptr);

    // A value outside the quantities selects no row.
    void setQuantity(Quantity quantity);
    // The invalid quantity -1 while no row is selected.
    Quantity currentQuantity() const;

public Q_SLOTS:
    void slot_currentIndexChangedSlot(int index);

Q_SIGNALS:
    void signal_quantityChanged(Quantity quantity);
};
