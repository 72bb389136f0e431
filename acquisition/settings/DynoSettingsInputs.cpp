#include "DynoSettings.h"

#include "ChannelSetup.h"
#include "Channels.h"
#include "DynoSetting.h"
#include "HwInfo.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "PointVectorEditor.h"
#include "PointVectorEditorAxis.h"
#include "QuantityComboBox.h"
#include "RunChannel.h"
#include "lib/FrequencyInputIds.h"
#include "lib/Tools.h"

#include <QLineEdit>

// Analog inputs and general-purpose frequency sensors: the name, quantity and
// characteristic typed on their pages become the live channel's display name
// and quantity and the characteristic's axis titles, and a name changed in
// the channel setup comes back to the page.

void DynoSettings::tieInput(QLineEdit* name, QuantityComboBox* quantity, PointVectorEditor* curve, RunChannel* channel,
                            const QString& xLabel, Quantity xQuantity, double xMin, double xMax,
                            const QList<QPointF>& defaultCurve)
{
    if (!name || !quantity || !curve || !channel || !channel->setup)
        return;
    ChannelSetup* setup = channel->setup;
    PointVectorEditorAxis* xAxis = curve->axes[PointVectorField_x];
    PointVectorEditorAxis* yAxis = curve->axes[PointVectorField_y];

    if (curve->vector().isEmpty())
        curve->slot_setVector(defaultCurve);
    xAxis->slot_setLabel(xLabel);
    xAxis->slot_setQuantity(xQuantity);
    xAxis->slot_setRangeSI(xMin, xMax);

    connect(name, &QLineEdit::textChanged, yAxis, &PointVectorEditorAxis::slot_setLabel);
    connect(name, &QLineEdit::textChanged, setup, &ChannelSetup::slot_customDisplayNameChanged);
    Q_EMIT name->textChanged(name->text());
    connect(setup, &ChannelSetup::signal_setupChanged, name, [setup, name] {
        if (setup->displayName != name->text())
            name->setText(setup->displayName);
    });

    connect(quantity, &QuantityComboBox::signal_quantityChanged, yAxis, &PointVectorEditorAxis::slot_setQuantity);
    connect(quantity, &QuantityComboBox::signal_quantityChanged, setup, &ChannelSetup::slot_setQuantity);
    Q_EMIT quantity->signal_quantityChanged(quantity->currentQuantity());

    theSettings.connectPointVectorEditor(curve);
}

void DynoSettings::setupAinChannelConfiguration(ChannelId channelId, DynoSettingId nameId, DynoSettingId quantityId,
                                                DynoSettingId characteristicId, int count, double minVoltage)
{
    for (int input = 0; input < count; ++input) {
        DynoSetting* name = getSetting(nameId, input);
        DynoSetting* quantity = getSetting(quantityId, input);
        DynoSetting* curve = getSetting(characteristicId, input);
        if (!name || !quantity || !curve)
            continue;
        tieInput(name->getWidgetHelper<QLineEdit>(SettingWidgetType_lineEdit),
                 quantity->getWidgetHelper<QuantityComboBox>(SettingWidgetType_quantityComboBox),
                 curve->getWidgetHelper<PointVectorEditor>(SettingWidgetType_pointVectorEditor),
                 theChannels.getChannel(channelId, input), tr("Input voltage"), Quantity::Voltage, minVoltage, 5.0,
                 {QPointF(minVoltage, minVoltage), QPointF(5.0, 5.0)});
    }
}

void DynoSettings::setupFreqChannelConfiguration(int count)
{
    for (int slot = 0; slot < count; ++slot) {
        if (slot == 2) {
            // The engine-speed input always measures a shaft.
            if (DynoSetting* sensor = getSetting(DynoSettingId_freqInputSensor, slot))
                sensor->setValue(0);
            setSettingVisibility(DynoSettingId_freqInputSensor, false, slot);
            continue;
        }
        // Settings count MCU slots, live channels count digital inputs.
        const int input = int(Tools::digitalFreqInputFromMcuFreqInput(static_cast<McuFreqInput>(slot)));
        if (input >= theHwInfo.freqInputs)
            continue;
        DynoSetting* name = getSetting(DynoSettingId_freqInputSensorName, slot);
        DynoSetting* quantity = getSetting(DynoSettingId_freqInputSensorQuantity, slot);
        DynoSetting* curve = getSetting(DynoSettingId_freqInputSensorCharacteristic, slot);
        if (!name || !quantity || !curve)
            continue;
        tieInput(name->getWidgetHelper<QLineEdit>(SettingWidgetType_lineEdit),
                 quantity->getWidgetHelper<QuantityComboBox>(SettingWidgetType_quantityComboBox),
                 curve->getWidgetHelper<PointVectorEditor>(SettingWidgetType_pointVectorEditor),
                 theChannels.getChannel(ChannelId_freqInputSensorValue, input), tr("Input frequency"),
                 Quantity::Frequency, 0.0, 10000000.0, {QPointF(0.0, 0.0), QPointF(15000.0, 15000.0)});
    }
}
