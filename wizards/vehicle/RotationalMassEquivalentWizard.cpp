#include "RotationalMassEquivalentWizard.h"

#include "OneAxleWheelSet.h"
#include "SpinBoxWithUnit.h"
#include "lib/Unit.h"
#include "VehicleCalculatorLayout.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include <limits>

RotationalMassEquivalentWizard::RotationalMassEquivalentWizard(QWidget* parent, int vehicleType)
    : QDialog(parent)
{
    setWindowTitle(tr("Equivalent mass calculator"));
    auto* grid = new QGridLayout(this);
    VehicleCalculatorLayout::addSets(this, grid, QStringLiteral("EquivalentMassCalculator"), vehicleType, &set1, &set2);
    auto* title = new QLabel(tr("Equivalent mass of rotating parts"), this);
    title->setAlignment(Qt::AlignCenter);
    grid->addWidget(title, 2, 0, 1, 2);
    resultBox = new SpinBoxWithUnit(this, Quantity::Mass);
    resultBox->setDecimals(0);
    resultBox->setReadOnly(true);
    resultBox->setRangeSI(0, std::numeric_limits<double>::max());
    grid->addWidget(resultBox, 3, 0, 1, 2);
    auto* acceptButton = new QPushButton(tr("Accept"), this);
    grid->addWidget(acceptButton, 4, 0, 1, 2);
    auto* note = new QLabel(
        tr("The equivalent mass should only be compensated for parts that are normally rotating with a vehicle, but "
           "now are stationary\nOn AWD roller dyno it should be set to 0.\nOn 2WD roller dyno it should be filled with "
           "wheel set that is not moving.\nOn hub dyno it should be filled with all wheels."),
        this);
    note->setAlignment(Qt::AlignCenter);
    Tools::setTextColorWithPalette(note, QColor(0, 130, 0));
    grid->addWidget(note, 5, 0, 1, 2);
    slot_update();
    connect(set1, &OneAxleWheelSet::signal_update, this, &RotationalMassEquivalentWizard::slot_update);
    connect(set2, &OneAxleWheelSet::signal_update, this, &RotationalMassEquivalentWizard::slot_update);
    connect(acceptButton, &QPushButton::clicked, this, &QDialog::accept);
    setResult(DialogAnswerer::exec(this));
}

double RotationalMassEquivalentWizard::rotationalMass() const
{
    return resultBox->getValueSI();
}

void RotationalMassEquivalentWizard::slot_update()
{
    const double d1 = set1->diameter();
    const double d2 = set2->diameter();
    resultBox->setValueSI(set1->setInertia() / (d1 * d1 / 4.0) + set2->setInertia() / (d2 * d2 / 4.0));
}
