#pragma once

#include "AbstractParameterEditorDialog.h"
#include "FrameRecords.h"

#include <QList>

class CanIdLineEdit;
class CanInput;
class CanMessagePreview;
class ChannelSetupWidget;
class QCheckBox;
class QComboBox;
class QSpinBox;
class SpinBoxWithUnit;
class UnitComboBox;
struct CanInputDefinition;

// The editor of one CAN input: every field is written into the input at once
// (so live decoding follows the edit), live frames of the edited identifier
// are shown with the extracted bits marked, and Ok refuses definitions that
// cannot decode. Cancel restores every field and routes frames by the
// restored bus, mask and identifier again.
class CanInputDialog : public AbstractParameterEditorDialog
{
    Q_OBJECT
public:
    CanInputDialog(QWidget* parent, CanInput* input);
    ~CanInputDialog() override;

    bool validate() override;
    void reject() override;

    CanInput* input = nullptr;
    CanInputDefinition* def = nullptr;
    CanMessagePreview* preview = nullptr;
    ChannelSetupWidget* channelSetupWidget = nullptr;
    QSpinBox* channelSpinBox = nullptr;
    CanIdLineEdit* canIdEdit = nullptr;
    QCheckBox* compoundCheckBox = nullptr;
    QList<QSpinBox*> compoundEditors;
    QComboBox* endiannessCombo = nullptr;
    QSpinBox* bitCountSpinBox = nullptr;
    QSpinBox* byteOffsetSpinBox = nullptr;
    QSpinBox* bitOffsetSpinBox = nullptr;
    UnitComboBox* inputUnitCombo = nullptr;
    QCheckBox* timeoutCheckBox = nullptr;
    QWidget* timeoutTimeEditor = nullptr;
    SpinBoxWithUnit* timeoutValueEditor = nullptr;
    QComboBox* overrideCombo = nullptr;

public Q_SLOTS:
    void slot_updateExtractionMask();
    void slot_newCanFrameBatch(QList<canFrame_t> frames);
    void slot_channelSetupChanged();
    void slot_overrideChanged();
    void slot_canMaskChanged();
    void slot_canIdChanged();
    void slot_channelIdChanged();
    void slot_timeoutEnableChanged();
    void slot_compoundMessageEnabled();
};
