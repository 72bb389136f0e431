#include "EngineFactorDialog.h"

#include "LayoutLine.h"
#include "MySettings.h"
#include "lib/DialogAnswerer.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPushButton>

#include <cmath>

double EngineFactorDialog::factor(double flow, double ratio)
{
    const double f = 0.036 * (flow / ratio) - 1.14;
    if (f > 1.2)
        return 1.2;
    if (!(f >= 0.2))
        return 0.2;
    return f;
}

EngineFactorDialog::EngineFactorDialog()
{
    setWindowTitle(tr("Engine Factor Calculator"));
    auto* form = new QFormLayout(this);
    fuelFlow = new QDoubleSpinBox(this);
    fuelFlow->setObjectName(QStringLiteral("EngineFactorWizard/fuelFlow"));
    fuelFlow->setRange(0, 10000);
    fuelFlow->setSingleStep(1);
    fuelFlow->setDecimals(1);
    fuelFlow->setValue(60);
    fuelFlow->setToolTip(tr("Fuel flow in milligrams per engine cycle per litre of total swept volume"));
    pressureRatio = new QDoubleSpinBox(this);
    pressureRatio->setObjectName(QStringLiteral("EngineFactorWizard/pressureRatio"));
    pressureRatio->setRange(1, 100);
    pressureRatio->setSingleStep(0.1);
    pressureRatio->setDecimals(2);
    pressureRatio->setValue(1);
    pressureRatio->setToolTip(
        tr("Compressor outlet pressure / compressor inlet pressure\n1 for naturally aspirated engine"));
    resultBox = new QDoubleSpinBox(this);
    resultBox->setDecimals(2);
    resultBox->setRange(0, 10);
    resultBox->setReadOnly(true);
    form->addRow(tr("Fuel flow [mg / displacement litre / cycle]"), fuelFlow);
    form->addRow(tr("Pressure ratio"), pressureRatio);
    form->addRow(new LayoutLine(this));
    form->addRow(tr("Engine factor"), resultBox);
    auto* acceptButton = new QPushButton(tr("Accept"), this);
    form->addRow(acceptButton);
    theSettings.connectDoubleSpinBox(fuelFlow);
    theSettings.connectDoubleSpinBox(pressureRatio);
    slot_update();
    connect(fuelFlow, &QDoubleSpinBox::valueChanged, this, &EngineFactorDialog::slot_update);
    connect(pressureRatio, &QDoubleSpinBox::valueChanged, this, &EngineFactorDialog::slot_update);
    connect(acceptButton, &QPushButton::clicked, this, &QDialog::accept);
    setResult(DialogAnswerer::exec(this));
}

double EngineFactorDialog::engineFactor() const
{
    return resultBox->value();
}

void EngineFactorDialog::slot_update()
{
    resultBox->setValue(factor(fuelFlow->value(), pressureRatio->value()));
}
