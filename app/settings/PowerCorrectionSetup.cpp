#include "PowerCorrectionSetup.h"

#include "ChannelId.h"
#include "Channels.h"
#include "MySettings.h"
#include "RunChannel.h"

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
    form->addRow(tr("Power correction standard"), comboBox_settings_powerCorrection);
    theSettings.connectComboBox(comboBox_settings_powerCorrection);
}

void PowerCorrectionSetup::init()
{
}

void PowerCorrectionSetup::sampleAmbientData(qint64 timestampMs)
{
    static const struct {
        ChannelId source;
        ChannelId target;
    } pairs[] = {{ChannelId_bme280Temperature, ChannelId_ambientTemperature},
                 {ChannelId_bme280Pressure, ChannelId_ambientPressure},
                 {ChannelId_bme280Humidity, ChannelId_ambientHumidity}};
    for (const auto& pair : pairs) {
        RunChannel* target = theChannels.getChannel(pair.target, 0);
        if (!target)
            continue;
        const RunChannel* source = theChannels.getChannel(pair.source, 0);
        target->setData(source ? source->getValue() : std::nan(""), timestampMs);
    }
}
