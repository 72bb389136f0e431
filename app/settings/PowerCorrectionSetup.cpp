#include "PowerCorrectionSetup.h"

#include "Argument.h"
#include "ArgumentLineEdit.h"
#include "ArgumentWidget.h"
#include "ChannelId.h"
#include "Channels.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "QuantityComboBox.h"
#include "RunChannel.h"
#include "SpinBoxWithUnit.h"
#include "UnitComboBox.h"
#include "lib/Unit.h"

#include <QComboBox>
#include <QFormLayout>

#include <cmath>

PowerCorrectionSetup::PowerCorrectionSetup(QWidget* parent)
    : QWidget(parent)
{
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    comboBox_settings_powerCorrection = new QComboBox(this);
    comboBox_settings_powerCorrection->setObjectName(QStringLiteral("comboBox_settings_powerCorrection"));
    // The standards' labels: the first label list of the settings store.
    if (!theSettings.enumLabels.isEmpty() && theSettings.enumLabels.first())
        comboBox_settings_powerCorrection->addItems(*theSettings.enumLabels.first());
    form->addRow(tr("Correction standard"), comboBox_settings_powerCorrection);
    // The main window mirrors the standard before init; the stored one shows at once.
    theSettings.connectComboBox(comboBox_settings_powerCorrection);

    auto addSource = [this, form](Argument*& argument, ArgumentWidget*& widget, const char* name,
                                  const QString& label, Quantity quantity) {
        argument = new Argument(this);
        widget = new ArgumentWidget(this, argument);
        widget->setObjectName(QString::fromLatin1(name));
        widget->setLockedQuantity(quantity);
        form->addRow(label, widget);
    };
    addSource(temperatureSource, argument_settings_temperatureSource, "argument_settings_temperatureSource",
              tr("Temperature source"), Quantity::Temperature);
    addSource(pressureSource, argument_settings_pressureSource, "argument_settings_pressureSource",
              tr("Pressure source"), Quantity::Pressure);
    addSource(humiditySource, argument_settings_humiditySource, "argument_settings_humiditySource",
              tr("Humidity source"), Quantity::RelativeHumidity);

    settings_tempSensorCalibration = new SpinBoxWithUnit(this, Quantity::Temperature);
    settings_tempSensorCalibration->setObjectName(QStringLiteral("settings_tempSensorCalibration"));
    settings_tempSensorCalibration->setUnitFromName(QStringLiteral("K"));
    settings_tempSensorCalibration->restrictUnits({QStringLiteral("K"), QStringLiteral("°R")});
    settings_tempSensorCalibration->setRangeSI(-5.0, 5.0);
    settings_tempSensorCalibration->setDecimals(1);
    form->addRow(tr("Temperature sensor calibration"), settings_tempSensorCalibration);
}

void PowerCorrectionSetup::init()
{
    const struct {
        Argument* argument;
        ArgumentWidget* widget;
        ChannelId channel;
    } sources[] = {{temperatureSource, argument_settings_temperatureSource, ChannelId_bme280Temperature},
                   {pressureSource, argument_settings_pressureSource, ChannelId_bme280Pressure},
                   {humiditySource, argument_settings_humiditySource, ChannelId_bme280Humidity}};
    for (const auto& source : sources) {
        if (RunChannel* channel = theChannels.getChannel(source.channel, 0))
            source.argument->setChannel(channel, false);
        source.widget->slot_updateWidgetToCurrentArgument();
    }
    for (const auto& source : sources)
        theSettings.connectArgumentWidget(source.widget);
    theSettings.connectSpinBoxWithUnit(settings_tempSensorCalibration);
    for (const auto& source : sources)
        source.widget->slot_validateAndUpdateArgument();
}

void PowerCorrectionSetup::sampleAmbientData(qint64 timestampMs)
{
    const struct {
        Argument* source;
        ChannelId target;
        double offset;
    } pairs[] = {{temperatureSource, ChannelId_ambientTemperature, settings_tempSensorCalibration->getValueSI()},
                 {pressureSource, ChannelId_ambientPressure, 0.0},
                 {humiditySource, ChannelId_ambientHumidity, 0.0}};
    for (const auto& pair : pairs) {
        RunChannel* target = theChannels.getChannel(pair.target, 0);
        if (!target)
            continue;
        const double value = pair.source ? pair.source->getValue() : std::nan("");
        target->setData(value + pair.offset, timestampMs);
    }
}
