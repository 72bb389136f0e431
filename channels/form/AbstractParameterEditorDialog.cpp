#include "AbstractParameterEditorDialog.h"

#include "ParameterEditorManager.h"
#include "lib/Tools.h"

#include <QDialogButtonBox>
#include <QLineEdit>

AbstractParameterEditorDialog::AbstractParameterEditorDialog(QWidget* parent)
    : QDialog(parent)
{
    parameterEditorManager = new ParameterEditorManager(this);
    buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &AbstractParameterEditorDialog::slot_buttonBox_accepted);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &AbstractParameterEditorDialog::slot_buttonBox_rejected);
}

bool AbstractParameterEditorDialog::validate()
{
    return false;
}

bool AbstractParameterEditorDialog::validateName()
{
    const QString name = nameLineEdit ? nameLineEdit->text() : QString();
    if (name.isEmpty()) {
        Tools::showError(tr("Name cannot be empty"));
        return true;
    }
    if (existingNames.contains(name)) {
        Tools::showError(tr("Channel with name ") + name + tr(" already exists"));
        return true;
    }
    return false;
}

void AbstractParameterEditorDialog::slot_buttonBox_accepted()
{
    parameterEditorManager->applyPendingChannelSetupChanges();
    if (validate())
        return;
    accept();
}

void AbstractParameterEditorDialog::slot_buttonBox_rejected()
{
    reject();
}

void AbstractParameterEditorDialog::reject()
{
    // Escape and the close button end here as well as Cancel: a record the
    // opener will not keep must not keep the edits either.
    parameterEditorManager->applyPendingChannelSetupChanges();
    parameterEditorManager->slot_restoreBackups();
    QDialog::reject();
}
