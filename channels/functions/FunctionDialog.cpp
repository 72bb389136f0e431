#include "FunctionDialog.h"

#include "FunctionWidget.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

FunctionDialog::FunctionDialog(Function* function)
    : QDialog(nullptr)
{
    setMinimumWidth(800);
    setWindowTitle(tr("Function"));
    auto* layout = new QVBoxLayout(this);
    functionWidget = new FunctionWidget(this, function);
    layout->addWidget(functionWidget);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, functionWidget, &FunctionWidget::slot_validateAccept);
    connect(functionWidget, &FunctionWidget::signal_validationAccepted, this, &QDialog::accept);
}
