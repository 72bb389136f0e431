#pragma once

#include "AbstractParameterEditorDialog.h"

class ArgumentWidget;
class ChannelSetupWidget;
class ModbusFunction;
class ModbusInterface;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QPushButton;
class QTimer;
class SerialCommLog;
class UnitComboBox;

// One Modbus function edited in place (Cancel puts it back): address, code,
// scaling or the argument of a write, a live preview of its query, a test
// query on the paused interface with the response shown, and the
// interface's traffic in hexadecimal.
class ModbusFunctionDialog : public AbstractParameterEditorDialog
{
    Q_OBJECT
public:
    ModbusFunctionDialog(QWidget* parent, ModbusFunction* function, ModbusInterface* interface);
    ~ModbusFunctionDialog() override;

    // Multiplier 0, divider 0 and the name are each checked and reported.
    bool validate() override;

    ModbusFunction* const function;
    ModbusInterface* const interface;
    QFormLayout* form = nullptr;
    QComboBox* codeCombo = nullptr;
    QLineEdit* queryPreview = nullptr;
    QPushButton* testButton = nullptr;
    QLineEdit* response = nullptr;
    QLineEdit* responseDetails = nullptr;
    ArgumentWidget* argumentWidget = nullptr;
    UnitComboBox* outputUnitCombo = nullptr;
    UnitComboBox* inputUnitCombo = nullptr;
    ChannelSetupWidget* setupWidget = nullptr;
    SerialCommLog* commLog = nullptr;
    QTimer* previewTimer = nullptr;

public Q_SLOTS:
    void slot_updateQueryPreview();
    void slot_channelSetupChanged();
    void slot_testQuery();
    void slot_modbusFunctionCodeChanged();
};
