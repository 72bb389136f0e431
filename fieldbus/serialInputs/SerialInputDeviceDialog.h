#pragma once

#include "AbstractParameterEditorDialog.h"

class QLineEdit;
class SerialCommLog;
class SerialInputDevice;

// Port and protocol settings of one serial instrument, edited in place
// (Cancel puts them back), beside a live log of the device's traffic. The
// operator can run the init commands with the settings as typed and send a
// command of his own; the device's edit pause stops only channel polling.
class SerialInputDeviceDialog : public AbstractParameterEditorDialog
{
    Q_OBJECT
public:
    SerialInputDeviceDialog(QWidget* parent, SerialInputDevice* device);

    SerialInputDevice* const device;
    SerialCommLog* commLog = nullptr;
    QLineEdit* customCommand = nullptr;

public Q_SLOTS:
    void slot_sendCustomCommand();
};
