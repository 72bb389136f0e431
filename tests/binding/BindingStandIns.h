#pragma once

// Small stand-ins with the public members and signals that the binding uses of
// widgets from later layers (the argument editor, the loss-model editor, the
// test dialogs, the shortcut button), so that their bindings are exercised before those widgets exist.

#include "QuantityComboBox.h"
#include "UnitComboBox.h"

#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QLineEdit>
#include <QList>
#include <QPointF>
#include <QWidget>

class StandInArgumentWidget : public QWidget
{
    Q_OBJECT
public:
    explicit StandInArgumentWidget(QWidget* parent = nullptr)
        : QWidget(parent)
    {
        auto* layout = new QHBoxLayout(this);
        typeCombo = new QComboBox(this);
        typeCombo->addItems({QStringLiteral("null"), QStringLiteral("constant"), QStringLiteral("channel"),
                             QStringLiteral("proj. info")});
        quantityCombo = new QuantityComboBox(this);
        valueEdit = new QLineEdit(this);
        unitCombo = new UnitComboBox(this);
        layout->addWidget(typeCombo);
        layout->addWidget(quantityCombo);
        layout->addWidget(valueEdit);
        layout->addWidget(unitCombo);
        // As the real editor: the unit list follows the quantity.
        connect(quantityCombo, &QuantityComboBox::signal_quantityChanged, unitCombo, &UnitComboBox::slot_setQuantity);
    }

    QComboBox* typeCombo = nullptr;
    QLineEdit* valueEdit = nullptr;
    QuantityComboBox* quantityCombo = nullptr;
    UnitComboBox* unitCombo = nullptr;
};

class StandInLossModelEditor : public QWidget
{
    Q_OBJECT
public:
    void setLossModel(const QList<double>& model)
    {
        coefficients = model;
        Q_EMIT signal_lossModelChanged(coefficients);
    }
    QList<double> lossModel() const { return coefficients; }

Q_SIGNALS:
    void signal_lossModelChanged(QList<double> model);

private:
    QList<double> coefficients{0, 0, 0, 0, 0};
};

class StandInTestDialog : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;

Q_SIGNALS:
    void signal_windowClosed();
};

class StandInShortcutWidget : public QPushButton
{
    Q_OBJECT
public:
    void setKeySequence(const QKeySequence& sequence)
    {
        if (sequence == keySequence)
            return;
        keySequence = sequence;
        setText(sequence.toString(QKeySequence::NativeText));
        Q_EMIT signal_sequenceChanged(keySequence);
    }

    QKeySequence keySequence;

Q_SIGNALS:
    void signal_sequenceChanged(const QKeySequence& sequence);
};

// Only the signal the settings store listens to for the points of a curve.
class StandInPointVectorEditor : public QWidget
{
    Q_OBJECT
Q_SIGNALS:
    void signal_vectorChanged(const QList<QPointF>& vector);
};
