#include "ModbusFunctionDialog.h"

#include "Argument.h"
#include "ArgumentWidget.h"
#include "ChannelSetup.h"
#include "ChannelSetupWidget.h"
#include "ModbusFunction.h"
#include "ModbusInterface.h"
#include "ParameterEditorManager.h"
#include "QuantityComboBox.h"
#include "SerialCommLog.h"
#include "UnitComboBox.h"
#include "lib/Tools.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <limits>

ModbusFunctionDialog::ModbusFunctionDialog(QWidget* parent, ModbusFunction* edited, ModbusInterface* owner)
    : AbstractParameterEditorDialog(parent), function(edited), interface(owner)
{
    setWindowTitle(tr("Modbus Function"));
    auto* box = new QHBoxLayout(this);
    form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    box->addLayout(form, 1);
    commLog = new SerialCommLog(this);
    commLog->hexMode = true;
    commLog->setFixedWidth(500);
    box->addWidget(commLog, 1);
    if (interface)
        connect(interface, &ModbusInterface::signal_newDataToLog, commLog, &SerialCommLog::slot_newData);

    constexpr double unbounded = std::numeric_limits<double>::max();
    ParameterEditorManager* manager = parameterEditorManager;
    manager->layout = form;
    nameLineEdit = manager->addEditor_channelName(tr("Name"), function);
    manager->addLayoutLine();
    manager->addEditor(tr("Slave ID"), &function->slaveId, 1, 254);
    codeCombo = manager->addEditor(tr("Function code"), &function->functionCode);
    manager->addEditor_hex16(tr("Address (hex)"), &function->address);
    manager->addEditor(tr("Response wait time"), &function->responseWaitTime, 0.005, 10, 3);
    manager->addLayoutLine();
    queryPreview = new QLineEdit(this);
    queryPreview->setReadOnly(true);
    form->addRow(tr("Query preview"), queryPreview);
    testButton = new QPushButton(tr("Test query"), this);
    testButton->setMinimumWidth(500);
    form->addRow(testButton);
    response = new QLineEdit(this);
    response->setReadOnly(true);
    form->addRow(tr("Response"), response);
    responseDetails = new QLineEdit(this);
    responseDetails->setReadOnly(true);
    form->addRow(tr("Response details"), responseDetails);
    manager->addLayoutLine();
    argumentWidget = manager->addEditor(function->argument);
    outputUnitCombo = manager->addEditor(tr("Output unit"), &function->outputUnit, function->argument->quantity);
    manager->addEditor(tr("Multiplier"), &function->multiplier, -unbounded, unbounded, 10);
    manager->addEditor(tr("Divider"), &function->divider, -unbounded, unbounded, 10);
    manager->addEditor(tr("Offset"), &function->offset, -unbounded, unbounded, 10);
    inputUnitCombo = manager->addEditor(tr("Input unit"), &function->inputUnit, function->setup->quantity);
    form->addRow(buttonBox);
    auto* setupBox = new QHBoxLayout;
    setupWidget = manager->addEditor(function->setup, true, true, setupBox);
    box->addLayout(setupBox, 2);

    // The argument is picked for the channel's quantity and the other way round.
    if (argumentWidget->quantityCombo && setupWidget->quantityCombo) {
        connect(argumentWidget->quantityCombo, &QuantityComboBox::signal_quantityChanged, setupWidget->quantityCombo,
                &QuantityComboBox::setQuantity);
        connect(setupWidget->quantityCombo, &QuantityComboBox::signal_quantityChanged,
                argumentWidget->quantityCombo, &QuantityComboBox::setQuantity);
        connect(argumentWidget->quantityCombo, &QuantityComboBox::signal_quantityChanged, outputUnitCombo,
                &UnitComboBox::slot_setQuantity);
        emit setupWidget->quantityCombo->signal_quantityChanged(function->setup->quantity);
    }
    connect(function->setup, &ChannelSetup::signal_setupChanged, this,
            &ModbusFunctionDialog::slot_channelSetupChanged);
    connect(codeCombo, &QComboBox::currentIndexChanged, this, &ModbusFunctionDialog::slot_modbusFunctionCodeChanged);
    connect(testButton, &QPushButton::clicked, this, &ModbusFunctionDialog::slot_testQuery);
    connect(function, &ModbusFunction::signal_responseString, response,
            [this](QString& text) { response->setText(text); });
    connect(function, &ModbusFunction::signal_responseInterpretation, responseDetails,
            [this](QString& text) { responseDetails->setText(text); });
    slot_modbusFunctionCodeChanged();

    previewTimer = new QTimer(this);
    previewTimer->setInterval(200);
    connect(previewTimer, &QTimer::timeout, this, &ModbusFunctionDialog::slot_updateQueryPreview);
    previewTimer->start();
    slot_updateQueryPreview();
}

ModbusFunctionDialog::~ModbusFunctionDialog()
{
    // The setup editor hands its last pending edit over while the children
    // are destroyed; the unit rows are gone by then.
    disconnect(function->setup, nullptr, this, nullptr);
    disconnect(function, nullptr, this, nullptr);
    disconnect(function, nullptr, response, nullptr);
    disconnect(function, nullptr, responseDetails, nullptr);
}

void ModbusFunctionDialog::slot_updateQueryPreview()
{
    // A preview: the values a query in flight is checked against stay as sent.
    queryPreview->setText(Tools::hexStringFromByteArray(function->generateQuery(true)));
}

void ModbusFunctionDialog::slot_channelSetupChanged()
{
    inputUnitCombo->slot_setQuantity(function->setup->quantity);
}

void ModbusFunctionDialog::slot_modbusFunctionCodeChanged()
{
    const bool write = function->functionCode == ModbusFunctionCode_writeSingleCoil
                       || function->functionCode == ModbusFunctionCode_writeSingleRegister;
    form->setRowVisible(argumentWidget, write);
    form->setRowVisible(outputUnitCombo, write);
    form->setRowVisible(inputUnitCombo, !write);
}

void ModbusFunctionDialog::slot_testQuery()
{
    if (interface)
        interface->writeQuery(function->generateQuery(), float(function->responseWaitTime));
}

bool ModbusFunctionDialog::validate()
{
    bool refused = false;
    if (function->multiplier == 0.0) {
        Tools::showError(tr("Multiplier is set to '0'. Did you mean '1'?"));
        refused = true;
    }
    if (function->divider == 0.0) {
        Tools::showError(tr("Divider can't be set to '0'. Did you mean '1'?"));
        refused = true;
    }
    if (validateName())
        refused = true;
    return refused;
}
