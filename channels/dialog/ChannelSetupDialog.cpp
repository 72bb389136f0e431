#include "ChannelSetupDialog.h"

#include "ChannelSetup.h"
#include "ChannelSetupWidget.h"
#include "ParameterEditorManager.h"

#include <QDialogButtonBox>
#include <QTimer>
#include <QVBoxLayout>

ChannelSetupDialog::ChannelSetupDialog(ChannelSetup* setup, QWidget* parent, bool allowHide, bool analysisForm)
    : QDialog(parent)
{
    auto* layout = new QVBoxLayout(this);
    widget = new ChannelSetupWidget(setup, this, allowHide, analysisForm);
    layout->addWidget(widget);
    auto* buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttonBox);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &ChannelSetupDialog::accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &ChannelSetupDialog::reject);
    connect(widget->parameterEditorManager, &ParameterEditorManager::signal_parametersChanged, this,
            [this]() { edited = true; });
    setWindowTitle(tr("Configure ") + setup->key);
    resize(400, height());
}

void ChannelSetupDialog::accept()
{
    widget->applyPendingChanges();
    QDialog::accept();
}

void ChannelSetupDialog::reject()
{
    // The edit the setup has not announced yet goes out first, then the
    // restored values, so its users end on what the setup holds.
    const bool wasEdited = edited;
    widget->applyPendingChanges();
    widget->parameterEditorManager->slot_restoreBackups();
    if (wasEdited)
        widget->applyPendingChanges();
    else
        widget->applyTimer->stop();
    edited = false;
    QDialog::reject();
}
