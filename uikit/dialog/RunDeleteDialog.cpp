#include "RunDeleteDialog.h"

#include "DeleteDialogLayout.h"

#include <QLabel>

RunDeleteDialog::RunDeleteDialog(QWidget* parent)
    : QDialog(parent)
{
    DeleteDialogLayout::build(this, messageLabel, checkBox, tr("Also delete run file"),
                              QStringLiteral("checkbox_deleteFileOnRunDelete"));
}

void RunDeleteDialog::setMessage(const QString& message)
{
    messageLabel->setText(message);
}
