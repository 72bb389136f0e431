#include "SerialInputChannelDialog.h"

#include "ChannelSetup.h"
#include "ParameterEditorManager.h"
#include "SerialCommLog.h"
#include "SerialInputChannel.h"
#include "SerialInputDevice.h"
#include "UnitComboBox.h"
#include "lib/Tools.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>

#include <limits>

SerialInputChannelDialog::SerialInputChannelDialog(QWidget* parent, SerialInputChannel* edited,
                                                   SerialInputDevice* owner)
    : AbstractParameterEditorDialog(parent), channel(edited), device(owner)
{
    setWindowTitle(tr("Serial Input Channel"));
    auto* box = new QHBoxLayout(this);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    box->addLayout(form, 1);
    commLog = new SerialCommLog(this);
    box->addWidget(commLog, 5);
    if (device)
        connect(device, &SerialInputDevice::signal_newDataToLog, commLog, &SerialCommLog::slot_newData);

    constexpr double unbounded = std::numeric_limits<double>::max();
    ParameterEditorManager* manager = parameterEditorManager;
    manager->layout = form;
    nameLineEdit = manager->addEditor_channelName(tr("Name"), channel);
    manager->addLayoutLine();
    manager->addEditor(tr("Command"), &channel->command);
    auto* test = new QPushButton(tr("Test command"), this);
    connect(test, &QPushButton::clicked, this, &SerialInputChannelDialog::slot_testCommand);
    form->addRow(test);
    manager->addLayoutLine();
    manager->addEditor(tr("Multiplier"), &channel->multiplier, -unbounded, unbounded, 10);
    manager->addEditor(tr("Divider"), &channel->divider, -unbounded, unbounded, 10);
    manager->addEditor(tr("Offset"), &channel->offset, -unbounded, unbounded, 10);
    inputUnitCombo = manager->addEditor(tr("Input unit"), &channel->inputUnit, channel->setup->quantity);
    auto* setupBox = new QHBoxLayout;
    manager->addEditor(channel->setup, true, true, setupBox);
    form->addRow(setupBox);
    form->addRow(buttonBox);
    connect(channel->setup, &ChannelSetup::signal_setupChanged, this,
            &SerialInputChannelDialog::slot_channelSetupChanged);
    resize(1000, 700);
}

SerialInputChannelDialog::~SerialInputChannelDialog()
{
    // The setup editor hands its last pending edit over while the children
    // are destroyed; the unit row is gone by then.
    disconnect(channel->setup, nullptr, this, nullptr);
}

void SerialInputChannelDialog::slot_channelSetupChanged()
{
    inputUnitCombo->slot_setQuantity(channel->setup->quantity);
}

void SerialInputChannelDialog::slot_testCommand()
{
    if (device)
        device->writeCommand(channel->command, float(device->def.dataResponseWaitTime));
}

bool SerialInputChannelDialog::validate()
{
    bool refused = false;
    if (channel->multiplier == 0.0) {
        Tools::showError(tr("Multiplier is set to '0'. Did you mean '1'?"));
        refused = true;
    }
    if (channel->divider == 0.0) {
        Tools::showError(tr("Divider can't be set to '0'. Did you mean '1'?"));
        refused = true;
    }
    if (validateName())
        refused = true;
    return refused;
}
