#pragma once

#include "lib/Quantity.h"

#include <QFrame>

class ArgumentWidget;
class ChannelSetup;
class ColorButton;
class ParameterEditorManager;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QTimer;
class QuantityComboBox;
class SpinBoxWithUnit;
class Unit;
class UnitComboBox;

// The form that edits every user property of one channel setup. Each edit is
// written into the setup at once; the setup announces the change 500 ms after
// the last edit (applyPendingChanges, or closing the form, announces it at
// once), so a burst of typing reaches the setup's users once. Opening the form
// writes and announces nothing: changes of unit and decimals only change how
// the stored values are shown.
class ChannelSetupWidget : public QFrame
{
    Q_OBJECT
public:
    // `allowHide` enables "Hide in lists"; the analysis form leaves out the
    // properties of live channels only (colour, alarm delay, gate, sampling).
    ChannelSetupWidget(ChannelSetup* setup, QWidget* parent, bool allowHide, bool analysisForm);
    ~ChannelSetupWidget() override;

    // For channel kinds whose quantity the operator chooses.
    void enableQuantityAndLabelsEditing(bool enable);
    // Announces a held-back change now.
    void applyPendingChanges();

    ChannelSetup* setup = nullptr;
    QTimer* applyTimer = nullptr;
    QFormLayout* form = nullptr;
    ParameterEditorManager* parameterEditorManager = nullptr;

    QLineEdit* displayNameEdit = nullptr;
    QuantityComboBox* quantityCombo = nullptr;
    UnitComboBox* unitCombo = nullptr;
    QPlainTextEdit* labelsEdit = nullptr;
    QSpinBox* groupSpinBox = nullptr;
    QCheckBox* hideCheckBox = nullptr;
    QSpinBox* decimalsSpinBox = nullptr;
    ColorButton* colorButton = nullptr;
    SpinBoxWithUnit* rangeMinSpinBox = nullptr;
    QCheckBox* autorangeMinCheckBox = nullptr;
    SpinBoxWithUnit* rangeMaxSpinBox = nullptr;
    QCheckBox* autorangeMaxCheckBox = nullptr;
    SpinBoxWithUnit* minSpanSpinBox = nullptr;
    SpinBoxWithUnit* warningLowSpinBox = nullptr;
    SpinBoxWithUnit* warningHighSpinBox = nullptr;
    SpinBoxWithUnit* alarmLowSpinBox = nullptr;
    SpinBoxWithUnit* alarmHighSpinBox = nullptr;
    QDoubleSpinBox* alarmDelaySpinBox = nullptr;
    ArgumentWidget* gateWidget = nullptr;
    QDoubleSpinBox* filterSpinBox = nullptr;
    QComboBox* samplingCombo = nullptr;
    QPlainTextEdit* commentEdit = nullptr;

public Q_SLOTS:
    void slot_quantity(Quantity quantity);
    void slot_quantityAutosetup(Quantity quantity);
    void slot_unit(const Unit* unit);
    void slot_decimals(int decimals);
    void slot_autoscale();
    void slot_updateRangeMinRange();
    void slot_updateRangeMaxRange();
    void slot_sampling(int sampling);
    void slot_emitSetupChanged();

private:
    QList<SpinBoxWithUnit*> valueSpinBoxes() const;
    void setRowVisible(QWidget* field, bool visible);
    bool labelsEditingEnabled = false;
};
