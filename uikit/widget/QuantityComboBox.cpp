#include "QuantityComboBox.h"

#include "Units.h"

QuantityComboBox::QuantityComboBox(QWidget* parent)
    : QComboBox(parent)
{
    addItems(theUnits.sortedQuantityNames);
    connect(this, &QComboBox::currentIndexChanged, this, &QuantityComboBox::slot_currentIndexChangedSlot);
}

void QuantityComboBox::setQuantity(Quantity quantity)
{
    if (quantity < 0 || quantity >= theUnits.quantityToSortedIndex.size()) {
        setCurrentIndex(-1);
        return;
    }
    setCurrentIndex(theUnits.quantityToSortedIndex.at(quantity));
}

Quantity QuantityComboBox::currentQuantity() const
{
    const int row = currentIndex();
    if (row < 0 || row >= theUnits.sortedIndexToQuantity.size())
        return static_cast<Quantity>(-1);
    return static_cast<Quantity>(theUnits.sortedIndexToQuantity.at(row));
}

void QuantityComboBox::slot_currentIndexChangedSlot(int index)
{
    if (index < 0 || index >= theUnits.sortedIndexToQuantity.size())
        return;
    Q_EMIT signal_quantityChanged(static_cast<Quantity>(theUnits.sortedIndexToQuantity.at(index)));
}
