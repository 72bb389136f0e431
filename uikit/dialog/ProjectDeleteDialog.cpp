#include "ProjectDeleteDialog.h"

#include "DeleteDialogLayout.h"

#include <QLabel>

ProjectDeleteDialog::ProjectDeleteDialog(QWidget* parent)
    : QDialog(parent)
{
    DeleteDialogLayout::build(this, messageLabel, checkBox, tr("Also delete run files"),
                              QStringLiteral("checkbox_deleteFilesOnProjectDelete"));
}

void ProjectDeleteDialog::setMessage(const QString& message)
{
    messageLabel->setText(message);
}
