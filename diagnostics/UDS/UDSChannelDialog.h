#pragma once

#include "AbstractParameterEditorDialog.h"

class ChannelSetupWidget;
class QComboBox;
class QSpinBox;
class UDSChannel;
class UnitComboBox;
struct UDSChannelSetup;

// The editor of one UDS channel: request, headers, start and stop commands,
// equation, support bit, input unit, priority group and vehicle-parameter
// override on the left, the channel's display and alarm setup on the right.
// Edits go straight into the channel; Cancel puts them back.
class UDSChannelDialog : public AbstractParameterEditorDialog
{
    Q_OBJECT
public:
    UDSChannelDialog(QWidget* parent, UDSChannel* channel);
    ~UDSChannelDialog() override;

    bool validate() override;

    UDSChannel* channel = nullptr;
    UDSChannelSetup* udsSetup = nullptr;
    ChannelSetupWidget* channelSetupWidget = nullptr;
    QSpinBox* supportBitSpinBox = nullptr;
    UnitComboBox* inputUnitCombo = nullptr;
    QComboBox* priorityCombo = nullptr;
    QComboBox* overrideCombo = nullptr;

public Q_SLOTS:
    void slot_overrideChanged();
};
