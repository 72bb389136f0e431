#pragma once

#include "AbstractParameterEditorDialog.h"

class ModbusInterface;

// Name and serial settings of one Modbus interface, edited in place (Cancel
// puts them back). Every input is accepted; the interfaces model pauses and
// restarts the interface around it.
class ModbusInterfaceDialog : public AbstractParameterEditorDialog
{
    Q_OBJECT
public:
    ModbusInterfaceDialog(QWidget* parent, ModbusInterface* interface);

    ModbusInterface* const interface;
};
