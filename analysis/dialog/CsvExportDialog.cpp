#include "CsvExportDialog.h"

#include "DialogAnswerer.h"
#include "MySettings.h"
#include "SpinBoxWithUnit.h"
#include "lib/Quantity.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

CsvExportDialog::CsvExportDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("CSV Export"));
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);

    preset = new QComboBox(this);
    preset->addItems({tr("none"), QStringLiteral("duvir")});
    samples = new QComboBox(this);
    samples->addItems({tr("all"), tr("selection"), tr("markers")});
    samplingPeriod = new SpinBoxWithUnit(this, Quantity::Time);
    samplingPeriod->setDecimals(3);
    samplingPeriod->setRangeSI(0.001, 86400);
    samplingPeriod->setValueSI(0.01);
    numberPrecision = new QSpinBox(this);
    numberPrecision->setRange(2, 10);
    numberPrecision->setValue(5);
    graphChannelsOnly = new QCheckBox(this);
    removeIntermediateChannels = new QCheckBox(this);
    removeIntermediateChannels->setChecked(true);
    addInfoHeader = new QCheckBox(this);

    preset->setObjectName(QStringLiteral("csvExport/preset"));
    samples->setObjectName(QStringLiteral("csvExport/sampleSelection"));
    samplingPeriod->setObjectName(QStringLiteral("csvExport/samplingPeriod"));
    numberPrecision->setObjectName(QStringLiteral("csvExport/numberPrecision"));
    graphChannelsOnly->setObjectName(QStringLiteral("csvExport/graphChannelsOnly"));
    removeIntermediateChannels->setObjectName(QStringLiteral("csvExport/removeIntermediateChannels"));
    addInfoHeader->setObjectName(QStringLiteral("csvExport/addInfoHeader"));

    connect(preset, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index == 1) {
            samples->setCurrentIndex(1);
            samples->setEnabled(false);
        } else {
            samples->setEnabled(true);
        }
    });
    connect(samples, &QComboBox::currentIndexChanged, this,
            [this](int index) { samplingPeriod->setEnabled(index != 2); });
    connect(graphChannelsOnly, &QCheckBox::stateChanged, this,
            [this]() { removeIntermediateChannels->setEnabled(!graphChannelsOnly->isChecked()); });

    theSettings.connectDoubleSpinBox(samplingPeriod);
    theSettings.connectSpinBox(numberPrecision);
    theSettings.connectComboBox(samples);
    theSettings.connectCheckBox(graphChannelsOnly);
    theSettings.connectCheckBox(removeIntermediateChannels);
    theSettings.connectCheckBox(addInfoHeader);
    theSettings.connectComboBox(preset);

    form->addRow(tr("Preset"), preset);
    form->addRow(tr("Samples to export"), samples);
    form->addRow(tr("Export graph channels only"), graphChannelsOnly);
    form->addRow(tr("Remove intermediate channels"), removeIntermediateChannels);
    form->addRow(tr("Add info header"), addInfoHeader);
    form->addRow(tr("Sampling period"), samplingPeriod);
    form->addRow(tr("Number precision"), numberPrecision);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    resize(minimumSizeHint());
    setResult(DialogAnswerer::exec(this));
}

double CsvExportDialog::samplingPeriodSI() const
{
    return samplingPeriod->getValueSI();
}
