#pragma once

#include "AbstractParameterEditorDialog.h"

class InputChannel;
class SpinBoxWithUnit;

// The editor of one operator input channel: name, the four shortcuts, the
// game-pad control, step, the live value and the channel setup. Cancel puts
// everything back but the value, which the operator sets live.
class InputChannelDialog : public AbstractParameterEditorDialog
{
    Q_OBJECT
public:
    InputChannelDialog(QWidget* parent, InputChannel* channel);
    ~InputChannelDialog() override;

    bool validate() override;

    InputChannel* channel = nullptr;
    SpinBoxWithUnit* valueSpinBox = nullptr;
    SpinBoxWithUnit* stepSpinBox = nullptr;

public Q_SLOTS:
    void slot_channelSetupChanged();
};
