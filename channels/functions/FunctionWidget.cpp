#include "FunctionWidget.h"

#include "Argument.h"
#include "ArgumentWidget.h"
#include "ChannelSetup.h"
#include "ChannelSetupWidget.h"
#include "Function.h"
#include "FunctionAccessControl.h"
#include "FunctionsModel.h"
#include "QuantityComboBox.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

FunctionWidget::FunctionWidget(QWidget* parent, Function* edited)
    : QWidget(parent)
    , function(edited)
{
    layout = new QFormLayout(this);
    layout->setLabelAlignment(Qt::AlignRight);

    nameEdit = new QLineEdit(function->getChildName(), this);
    connect(nameEdit, &QLineEdit::textChanged, this, &FunctionWidget::slot_setName);
    layout->addRow(tr("Name"), nameEdit);

    operatorBox = new QComboBox(this);
    for (const OperatorDescriptor& row : std::as_const(theFunctionsModel.operators))
        operatorBox->addItem(row.displayName());
    operatorBox->setCurrentIndex(function->functionOperator);
    connect(operatorBox, &QComboBox::currentIndexChanged, this, &FunctionWidget::slot_operatorChanged);
    layout->addRow(tr("Operator"), operatorBox);

    for (int i = 0; i < function->arguments.size(); ++i) {
        auto* label = new QLabel(this);
        auto* editor = new ArgumentWidget(this, function->arguments.at(i));
        argumentLabels.append(label);
        argumentEditors.append(editor);
        layout->addRow(label, editor);
    }
    connect(argumentEditors.first()->quantityCombo, &QuantityComboBox::signal_quantityChanged, this,
            &FunctionWidget::slot_firstArgumentQuantityChanged);

    equationLabel = new QLabel(tr("Equation"), this);
    equationEdit = new QLineEdit(function->equation, this);
    equationEdit->setToolTip(tr("Enter here an equation that uses the above arguments. Examples:")
                             + QStringLiteral("\nA*B+C^2\nsin(A) > B || C==3\n(A>5) ? B : C\n"));
    connect(equationEdit, &QLineEdit::textChanged, this, &FunctionWidget::slot_equation);
    layout->addRow(equationLabel, equationEdit);

    shellCommandEdit = new QLineEdit(function->shellScript, this);
    shellCommandEdit->setToolTip(tr("Shell command that will be activated on transition from false to true value"));
    connect(shellCommandEdit, &QLineEdit::textChanged, this, &FunctionWidget::slot_setShellCommand);
    layout->addRow(tr("Shell command"), shellCommandEdit);

    if (FunctionAccessControl::manufacturerMode() && !FunctionAccessControl::locked()) {
        lockBox = new QCheckBox(this);
        lockBox->setChecked(function->manufacturerLock);
        connect(lockBox, &QCheckBox::stateChanged, this,
                [this](int state) { slot_setManufacturerFunction(state != Qt::Unchecked); });
        layout->addRow(tr("Manufacturer lock"), lockBox);
    }

    setupEditor = new ChannelSetupWidget(function->setup, this, true, false);
    setupEditor->enableQuantityAndLabelsEditing(true);
    layout->addRow(setupEditor);

    slot_operatorChanged();
}

void FunctionWidget::setProhibitedFunctionNames(const QList<QString>& names)
{
    prohibitedNames = names;
}

void FunctionWidget::slot_setName(const QString& name)
{
    function->setChildName(name);
}

void FunctionWidget::slot_operatorChanged()
{
    const int op = operatorBox->currentIndex();
    function->setOperator(static_cast<Operator>(op));
    const OperatorDescriptor& row = theFunctionsModel.descriptor(op);
    for (int i = 0; i < argumentEditors.size(); ++i) {
        const bool visible = i < row.argumentCount();
        layout->setRowVisible(argumentEditors.at(i), visible);
        if (!visible)
            continue;
        const int quantity = row.argumentQuantities.value(i, static_cast<Quantity>(OperatorDescriptor::AnyQuantity));
        // The first argument's quantity follows in slot_firstArgumentQuantityChanged.
        if (quantity != OperatorDescriptor::FirstArgumentQuantity)
            argumentEditors.at(i)->setLockedQuantity(static_cast<Quantity>(quantity));
        argumentLabels.at(i)->setText(row.argumentName(i));
    }
    layout->setRowVisible(equationEdit, op == Operator_equation);
    slot_firstArgumentQuantityChanged(argumentEditors.first()->quantityCombo->currentQuantity());
}

void FunctionWidget::slot_firstArgumentQuantityChanged(Quantity quantity)
{
    const OperatorDescriptor& row = theFunctionsModel.descriptor(function->functionOperator);
    for (int i = 0; i < row.argumentCount() && i < argumentEditors.size(); ++i) {
        if (row.argumentQuantities.value(i) == OperatorDescriptor::FirstArgumentQuantity)
            argumentEditors.at(i)->setLockedQuantity(quantity);
    }
    QuantityComboBox* resultBox = setupEditor->quantityCombo;
    if (row.resultQuantity == OperatorDescriptor::FirstArgumentQuantity) {
        resultBox->setQuantity(quantity);
        resultBox->setEnabled(false);
    } else if (row.resultQuantity >= 0) {
        resultBox->setQuantity(row.resultQuantity);
        resultBox->setEnabled(false);
    } else {
        resultBox->setEnabled(true);
    }
}

void FunctionWidget::slot_equation(const QString& equation)
{
    function->equation = equation;
    function->updateAndCheckEquation(false);
}

void FunctionWidget::slot_setShellCommand(const QString& command)
{
    function->shellScript = command;
}

void FunctionWidget::slot_setManufacturerFunction(bool locked)
{
    function->manufacturerLock = locked;
}

void FunctionWidget::slot_validateAccept()
{
    bool failed = false;
    const QString name = nameEdit->text();
    if (name.isEmpty()) {
        Tools::showError(tr("Function name cannot be empty"));
        failed = true;
    }
    if (prohibitedNames.contains(name)) {
        Tools::showError(tr("Duplicated function name:") + QStringLiteral(" %1").arg(name));
        failed = true;
    }
    const int count = theFunctionsModel.descriptor(function->functionOperator).argumentCount();
    for (int i = 0; i < count && i < argumentEditors.size(); ++i) {
        if (argumentEditors.at(i)->slot_validateAndUpdateArgument())
            failed = true;
    }
    if (function->functionOperator == Operator_equation && function->updateAndCheckEquation(true))
        failed = true;
    if (!failed)
        emit signal_validationAccepted();
}
