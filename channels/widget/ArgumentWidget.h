#pragma once

#include "lib/Quantity.h"

#include <QWidget>

class Argument;
class ArgumentLineEdit;
class QComboBox;
class QDoubleValidator;
class QuantityComboBox;
class Unit;
class UnitComboBox;

// The one-row editor of an Argument: source type, quantity, value (a number,
// a channel key or a project-field key) and the unit of a constant. Every
// change of the operator is written into the argument at once; showing the
// argument (at construction and when it announces a new source) writes
// nothing back. A double click on the value, or its context menu, picks a
// channel or a project field.
class ArgumentWidget : public QWidget
{
    Q_OBJECT
public:
    // Without an argument the widget makes its own.
    ArgumentWidget(QWidget* parent, Argument* argument);

    // Fixes the quantity the argument is picked for (channels offered, unit);
    // a negative value releases it.
    void setLockedQuantity(Quantity quantity);

    Argument* argument = nullptr;
    QDoubleValidator* validator = nullptr;
    QComboBox* typeCombo = nullptr;
    ArgumentLineEdit* valueEdit = nullptr;
    QuantityComboBox* quantityCombo = nullptr;
    UnitComboBox* unitCombo = nullptr;

public Q_SLOTS:
    void slot_updateWidgetToCurrentArgument();
    void slot_unitChanged(const Unit* unit);
    void slot_typeChanged(int type);
    // True when the value was refused (and cleared).
    bool slot_validateAndUpdateArgument();
    void slot_showValueSelector();
    void slot_valueContextMenuRequested(const QPoint& pos);

private:
    void quantityChosen(Quantity quantity);

    // Set while the widget shows its argument; nothing is written back then.
    bool showing = false;
    int lockedQuantity = -1;
};
