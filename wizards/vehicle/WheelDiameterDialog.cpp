#include "WheelDiameterDialog.h"

#include "MySettings.h"
#include "OneAxleWheelSet.h"
#include "SpinBoxWithUnit.h"
#include "lib/Unit.h"
#include "lib/DialogAnswerer.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

WheelDiameterDialog::WheelDiameterDialog()
{
    setWindowTitle(tr("Wheel diameter wizard"));
    auto* form = new QFormLayout(this);
    auto* title = new QLabel(tr("Tire size"), this);
    title->setAlignment(Qt::AlignCenter);
    form->addRow(title);
    const QString prefix = QStringLiteral("WheelDiameterWizard/");
    auto spin = [&](const QString& key, double lo, double hi, double step, int decimals, double value) {
        auto* b = new QDoubleSpinBox(this);
        b->setObjectName(prefix + key);
        b->setRange(lo, hi);
        b->setSingleStep(step);
        b->setDecimals(decimals);
        b->setValue(value);
        return b;
    };
    tireWidth = spin(QStringLiteral("tireWidth"), 5, 1000, 5, 0, 200);
    tireProfile = spin(QStringLiteral("tireProfile"), 5, 100, 5, 0, 40);
    rimDiameter = spin(QStringLiteral("rimDiameter"), 3, 50, 0.5, 1, 17);
    auto* sizeFrame = new QFrame(this);
    sizeFrame->setFrameShape(QFrame::Box);
    auto* row = new QHBoxLayout(sizeFrame);
    row->addWidget(tireWidth);
    row->addWidget(new QLabel(QStringLiteral("/"), sizeFrame));
    row->addWidget(tireProfile);
    row->addWidget(new QLabel(QStringLiteral("R"), sizeFrame));
    row->addWidget(rimDiameter);
    form->addRow(sizeFrame);
    resultBox = new SpinBoxWithUnit(this, Quantity::Distance);
    resultBox->setObjectName(prefix + QStringLiteral("wheelDiameter"));
    resultBox->setUnitFromName(QStringLiteral("cm"));
    resultBox->setDecimals(1);
    resultBox->setReadOnly(true);
    resultBox->setRangeSI(0, 100);
    form->addRow(tr("Wheel diameter"), resultBox);
    auto* acceptButton = new QPushButton(tr("Accept"), this);
    form->addRow(acceptButton);
    theSettings.connectDoubleSpinBox(tireWidth);
    theSettings.connectDoubleSpinBox(tireProfile);
    theSettings.connectDoubleSpinBox(rimDiameter);
    theSettings.connectSpinBoxWithUnit(resultBox);
    slot_update();
    for (QDoubleSpinBox* b : {tireWidth, tireProfile, rimDiameter})
        connect(b, &QDoubleSpinBox::valueChanged, this, &WheelDiameterDialog::slot_update);
    connect(acceptButton, &QPushButton::clicked, this, &QDialog::accept);
    setResult(DialogAnswerer::exec(this));
}

double WheelDiameterDialog::wheelDiameter() const
{
    return resultBox->getValueSI();
}

void WheelDiameterDialog::slot_update()
{
    resultBox->setValueSI(OneAxleWheelSet::model(tireWidth->value(), tireProfile->value(), rimDiameter->value()).diameter);
}
