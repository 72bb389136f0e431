#include "CanOutputMessageDialog.h"

#include "CanDataHexEdit.h"
#include "CanIdLineEdit.h"
#include "CanOutputMessage.h"
#include "HwInfo.h"
#include "ParameterEditorManager.h"
#include "Trigger.h"
#include "TriggerWidget.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

CanOutputMessageDialog::CanOutputMessageDialog(QWidget* parent, CanOutputMessage* edited)
    : AbstractParameterEditorDialog(parent)
    , message(edited)
    , fields(edited->fields())
{
    setWindowTitle(tr("CAN Output Message"));
    setMinimumWidth(500);
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    ParameterEditorManager* manager = parameterEditorManager;
    manager->layout = form;
    channelSpinBox = manager->addEditor_withOffset(tr("Channel"), &fields.channelId, 1, theHwInfo.liteVariant ? 1 : 2);
    manager->addEditor_canId(tr("CAN ID (hex|dec)"), &fields.canId);
    manager->addEditor(message->trigger);
    manager->addEditor(tr("Endianness"), &fields.endianness);
    manager->addEditor_canDataHex(tr("Initial value (hex)"), &fields.initialData);
    manager->addEditor(tr("Comment"), &fields.comment);
    form->addRow(buttonBox);
    connect(manager, &ParameterEditorManager::signal_parametersChanged, this, [this] {
        message->applyFields(fields);
        emit signal_updatePreview();
    });
}
