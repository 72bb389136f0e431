#include "ModbusInterfaceDialog.h"

#include "ModbusInterface.h"
#include "ParameterEditorManager.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSerialPort>

ModbusInterfaceDialog::ModbusInterfaceDialog(QWidget* parent, ModbusInterface* edited)
    : AbstractParameterEditorDialog(parent), interface(edited)
{
    setWindowTitle(tr("Modbus Interface"));
    setMinimumWidth(400);
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    ParameterEditorManager* manager = parameterEditorManager;
    manager->layout = form;
    manager->addEditor(tr("Name"), &interface->name);
    manager->addLayoutLine();
    manager->addEditor_serialPort(tr("Serial port"), &interface->serialPort);
    manager->addEditor_baudrate(tr("Baudrate"), &interface->baudrate);
    manager->addEditor(tr("Data bits"), &interface->dataBits, 5, 8);
    manager->addEditor(tr("Parity"), reinterpret_cast<QSerialPort::Parity*>(&interface->parity));
    manager->addEditor(tr("Stop bits"), reinterpret_cast<QSerialPort::StopBits*>(&interface->stopBits));
    manager->addEditor(tr("Flow control"), reinterpret_cast<QSerialPort::FlowControl*>(&interface->flowControl));
    manager->addLayoutLine();
    form->addRow(buttonBox);
}
