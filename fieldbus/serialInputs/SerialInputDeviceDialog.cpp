#include "SerialInputDeviceDialog.h"

#include "ParameterEditorManager.h"
#include "SerialCommLog.h"
#include "SerialInputDevice.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>

SerialInputDeviceDialog::SerialInputDeviceDialog(QWidget* parent, SerialInputDevice* edited)
    : AbstractParameterEditorDialog(parent), device(edited)
{
    setWindowTitle(tr("Serial Input Device"));
    auto* box = new QHBoxLayout(this);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    box->addLayout(form, 1);
    commLog = new SerialCommLog(this);
    box->addWidget(commLog, 5);
    connect(device, &SerialInputDevice::signal_newDataToLog, commLog, &SerialCommLog::slot_newData);

    SerialInputDeviceSetup& def = device->def;
    ParameterEditorManager* manager = parameterEditorManager;
    manager->layout = form;
    manager->addEditor(tr("Name"), &def.name);
    manager->addLayoutLine();
    manager->addEditor_serialPort(tr("Serial port"), &def.serialPort);
    manager->addEditor_baudrate(tr("Baudrate"), &def.baudrate);
    manager->addEditor(tr("Data bits"), &def.dataBits, 5, 8);
    manager->addEditor(tr("Parity"), reinterpret_cast<QSerialPort::Parity*>(&def.parity));
    manager->addEditor(tr("Stop bits"), reinterpret_cast<QSerialPort::StopBits*>(&def.stopBits));
    manager->addEditor(tr("Flow control"), reinterpret_cast<QSerialPort::FlowControl*>(&def.flowControl));
    manager->addEditor_multiline(tr("Init commands"), &def.initCommands);
    manager->addEditor(tr("Init response wait time"), &def.initResponseWaitTime, 0.005, 10, 3);
    manager->addEditor(tr("Data response wait time"), &def.dataResponseWaitTime, 0.005, 10, 3);
    manager->addEditor(tr("New line type"), &def.newLineType);
    manager->addEditor(tr("Remove reply spaces"), &def.removeReplySpaces);
    manager->addEditor(tr("Remove reply echo"), &def.removeReplyEcho);
    manager->addEditor(tr("Command format"), &def.commandFormat);
    manager->addEditor(tr("Reply format"), &def.replyFormat);
    manager->addLayoutLine();
    auto* init = new QPushButton(tr("Run device initialization"), this);
    connect(init, &QPushButton::clicked, device, &SerialInputDevice::slot_deviceInit);
    form->addRow(init);
    auto* send = new QPushButton(tr("Send custom command"), this);
    customCommand = new QLineEdit(this);
    connect(send, &QPushButton::clicked, this, &SerialInputDeviceDialog::slot_sendCustomCommand);
    form->addRow(send, customCommand);
    manager->addLayoutLine();
    form->addRow(buttonBox);
    resize(1000, 700);
}

void SerialInputDeviceDialog::slot_sendCustomCommand()
{
    device->writeCommand(customCommand->text(), float(device->def.initResponseWaitTime));
}
