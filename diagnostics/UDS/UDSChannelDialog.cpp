#include "UDSChannelDialog.h"

#include "ChannelSetup.h"
#include "ChannelSetupWidget.h"
#include "Channels.h"
#include "ParameterEditorManager.h"
#include "QuantityComboBox.h"
#include "RunChannel.h"
#include "UDSChannel.h"
#include "UnitComboBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSpinBox>

UDSChannelDialog::UDSChannelDialog(QWidget* parent, UDSChannel* edited)
    : AbstractParameterEditorDialog(parent)
    , channel(edited)
    , udsSetup(&edited->udsSetup)
{
    setWindowTitle(tr("UDS Channel"));
    auto* box = new QHBoxLayout(this);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    box->addLayout(form);
    ParameterEditorManager* manager = parameterEditorManager;
    manager->layout = form;

    nameLineEdit = manager->addEditor_channelName(tr("Name"), channel);
    manager->addLayoutLine();
    manager->addEditor(tr("Command"), &udsSetup->command)
        ->setToolTip(tr("Typically service mode and channel id /  SID and PID\nRoad speed example: 010D"));
    manager->addEditor(tr("Header"), &udsSetup->header)->setToolTip(tr("Leave empty for automatic header"));
    manager->addEditor(tr("Start commands"), &udsSetup->prefixCommands)->setToolTip(tr("separate with ','"));
    manager->addEditor(tr("Stop commands"), &udsSetup->suffixCommands)->setToolTip(tr("separate with ','"));
    manager->addEditor(tr("Equation"), &udsSetup->equation)
        ->setToolTip(tr("First data byte: A, second: B etc.\nEngine speed example: (A*256+B)/4"));
    supportBitSpinBox = manager->addEditor(tr("Support bit"), &udsSetup->supportBit, -1, 7);
    supportBitSpinBox->setSpecialValueText(tr("Disabled"));
    inputUnitCombo = manager->addEditor(tr("Input unit"), &udsSetup->inputUnit, channel->setup->quantity);
    priorityCombo = manager->addEditor(tr("Priority group"), &udsSetup->priorityGroup);
    overrideCombo =
        manager->addEditor(tr("Vehicle Parameter override"), reinterpret_cast<VehicleParamId*>(&udsSetup->vehicleParamId));
    form->addRow(buttonBox);

    channelSetupWidget = manager->addEditor(channel->setup, true, true, box);

    connect(channel->setup, &ChannelSetup::signal_setupChanged, this, [this] {
        inputUnitCombo->slot_setQuantity(channel->setup->quantity);
    });
    connect(overrideCombo, &QComboBox::currentIndexChanged, this, &UDSChannelDialog::slot_overrideChanged);
    emit overrideCombo->currentIndexChanged(overrideCombo->currentIndex());

    resize(1000, height());
}

UDSChannelDialog::~UDSChannelDialog()
{
    // The setup editor hands its last pending edit to the setup while the
    // children are destroyed; the unit row is gone by then.
    disconnect(channel->setup, nullptr, this, nullptr);
}

void UDSChannelDialog::slot_overrideChanged()
{
    auto* combo = qobject_cast<QComboBox*>(sender());
    if (!combo)
        combo = overrideCombo;
    const int id = combo->currentData(Qt::UserRole).toInt();
    if (!channelSetupWidget)
        return;
    if (id >= 0 && id < VehicleParamCount) {
        const Quantity quantity = theChannels.getVehicleParam(id)->setup->quantity;
        if (channelSetupWidget->quantityCombo)
            channelSetupWidget->quantityCombo->setQuantity(quantity);
        channelSetupWidget->enableQuantityAndLabelsEditing(false);
    } else {
        channelSetupWidget->enableQuantityAndLabelsEditing(true);
    }
}

bool UDSChannelDialog::validate()
{
    if (validateName())
        return true;
    return channel->updateAndCheckEquation(true);
}
