#pragma once

#include "AbstractParameterEditorDialog.h"

class SerialCommLog;
class SerialInputChannel;
class SerialInputDevice;
class UnitComboBox;

// Command and scaling of one serial channel, edited in place (Cancel puts
// them back), beside the device's live log; "Test command" sends the
// command as it stands even while the dialog pauses polling.
class SerialInputChannelDialog : public AbstractParameterEditorDialog
{
    Q_OBJECT
public:
    SerialInputChannelDialog(QWidget* parent, SerialInputChannel* channel, SerialInputDevice* device);
    ~SerialInputChannelDialog() override;

    // Multiplier 0, divider 0 and the name are each checked and reported.
    bool validate() override;

    SerialInputChannel* const channel;
    SerialInputDevice* const device;
    SerialCommLog* commLog = nullptr;
    UnitComboBox* inputUnitCombo = nullptr;

public Q_SLOTS:
    void slot_testCommand();
    void slot_channelSetupChanged();
};
