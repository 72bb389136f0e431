#include "InputChannelDialog.h"

#include "ChannelSetup.h"
#include "GamepadEvent.h"
#include "GamepadEventWidget.h"
#include "InputChannel.h"
#include "ParameterEditorManager.h"
#include "ShortcutWidget.h"
#include "SpinBoxWithUnit.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QShortcut>

#include <limits>

InputChannelDialog::InputChannelDialog(QWidget* parent, InputChannel* edited)
    : AbstractParameterEditorDialog(parent)
    , channel(edited)
{
    setWindowTitle(tr("UI Input Channel"));
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    ParameterEditorManager* manager = parameterEditorManager;
    manager->layout = form;

    nameLineEdit = manager->addEditor_channelName(tr("Name"), channel);
    manager->addLayoutLine();
    // A channel made without a main window has no shortcuts to edit.
    const std::pair<QString, QShortcut*> shortcuts[] = {{tr("ON/UP shortcut"), channel->onUpShortcut},
                                                        {tr("OFF/DOWN shortcut"), channel->offDownShortcut},
                                                        {tr("TOGGLE shortcut"), channel->toggleShortcut},
                                                        {tr("PULSE shortcut"), channel->pulseShortcut}};
    for (const auto& entry : shortcuts) {
        if (entry.second)
            manager->addEditor(entry.first, entry.second);
    }
    if (channel->gamepadEvent)
        manager->addEditor(tr("Gamepad control"), channel->gamepadEvent.data());
    manager->addLayoutLine();

    const double infinity = std::numeric_limits<double>::infinity();
    stepSpinBox = manager->addEditor_withUnit(tr("Step"), &channel->step, channel->setup->quantity,
                                              channel->setup->unit, -infinity, infinity, 10);

    valueSpinBox = new SpinBoxWithUnit(this, channel->setup->quantity);
    valueSpinBox->setRangeSI(-infinity, infinity);
    valueSpinBox->setValueSI(channel->getValue());
    form->addRow(tr("Value"), valueSpinBox);
    connect(valueSpinBox, &SpinBoxWithUnit::signal_valueChangedSI, channel, &RunChannel::slot_setData);
    connect(channel, &RunChannel::signal_newData, valueSpinBox, [this](double value) {
        const QSignalBlocker blocker(valueSpinBox);
        valueSpinBox->setValueSI(value);
    });

    form->addRow(new QLabel(tr("To create ON/OFF channel select Quantity: logic"), this));
    manager->addEditor(channel->setup, true, true, nullptr);

    connect(channel->setup, &ChannelSetup::signal_setupChanged, this, &InputChannelDialog::slot_channelSetupChanged);
    slot_channelSetupChanged();

    form->addRow(buttonBox);
    resize(400, height());
}

InputChannelDialog::~InputChannelDialog()
{
    // The setup editor hands its last pending edit to the setup while the
    // form's children are being destroyed; the spin boxes are gone by then.
    disconnect(channel->setup, nullptr, this, nullptr);
}

void InputChannelDialog::slot_channelSetupChanged()
{
    const ChannelSetup* setup = channel->setup;
    {
        // A new unit or fewer decimals change what the box shows, not the
        // live value: without the blocker the rounded number would be sent
        // back to the channel (also when Cancel restores the setup).
        const QSignalBlocker blocker(valueSpinBox);
        valueSpinBox->slot_setQuantity(setup->quantity);
        valueSpinBox->setDecimals(setup->decimals);
    }
    // A step is a difference: only the temperature units without an offset fit.
    if (setup->quantity == Quantity::Temperature)
        stepSpinBox->restrictUnits({QStringLiteral("K"), QStringLiteral("°R")});
    else
        stepSpinBox->restrictUnits({});
    stepSpinBox->slot_setQuantity(setup->quantity);
    stepSpinBox->setDecimals(setup->decimals);
    stepSpinBox->setEnabled(setup->quantity != Quantity::Logic);
}

bool InputChannelDialog::validate()
{
    return validateName();
}
