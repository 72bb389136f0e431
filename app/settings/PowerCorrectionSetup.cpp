#include "PowerCorrectionSetup.h"

#include "MySettings.h"

#include <QComboBox>
#include <QFormLayout>

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

void PowerCorrectionSetup::sampleAmbientData(qint64)
{
}
