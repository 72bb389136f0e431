#pragma once

#include "AbstractParameterEditorDialog.h"

#include <memory>

class CanOutputChannel;
class CanOutputMessage;
class SpinBoxWithUnit;
class UnitComboBox;

// The editor of one signal of a CAN output message. It edits a copy of the
// signal; every change puts a fresh copy into the message under its mutex,
// so the trigger thread only ever encodes whole signals. Ok refuses a zero
// multiplier or divider and a field reaching past bit 63.
class CanOutputChannelDialog : public AbstractParameterEditorDialog
{
    Q_OBJECT
public:
    CanOutputChannelDialog(QWidget* parent, CanOutputMessage* message, int index);
    ~CanOutputChannelDialog() override;

    bool validate() override;

    CanOutputMessage* message = nullptr;
    int index = 0;
    std::unique_ptr<CanOutputChannel> edited;
    SpinBoxWithUnit* fallbackEditor = nullptr;
    UnitComboBox* outputUnitCombo = nullptr;

Q_SIGNALS:
    void signal_updatePreview();

private:
    void publish();
    int shownQuantity = -1;
};
