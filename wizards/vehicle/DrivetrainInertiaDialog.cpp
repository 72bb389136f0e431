#include "DrivetrainInertiaDialog.h"

#include "DynoSettings.h"
#include "OneAxleWheelSet.h"
#include "SpinBoxWithUnit.h"
#include "lib/Unit.h"
#include "VehicleCalculatorLayout.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

DrivetrainInertiaDialog::DrivetrainInertiaDialog(int vehicleType)
{
    setWindowTitle(tr("Drivetrain Inertia Calculator"));
    auto* grid = new QGridLayout(this);
    const QString group = QStringLiteral("DTInertiaWizard");
    VehicleCalculatorLayout::addSets(this, grid, group, vehicleType, &set1, &set2);
    auto* form = new QFormLayout;
    auto result = [&](Quantity q) {
        auto* b = new SpinBoxWithUnit(this, q);
        b->setDecimals(2);
        b->setReadOnly(true);
        b->setRangeSI(0, 1e9);
        return b;
    };
    equivalentMass = result(Quantity::Mass);
    inertia = result(Quantity::Inertia);
    form->addRow(tr("Equivalent mass"), equivalentMass);
    form->addRow(tr("Inertia transferred to roller"), inertia);
    grid->addLayout(form, 2, 0, 1, 2);
    auto* acceptButton = new QPushButton(tr("Accept"), this);
    grid->addWidget(acceptButton, 3, 0, 1, 2);
    auto* note = new QLabel(tr("This is only calculator.\nThe project only saves the single number of inertia "
                               "transferred to a roller.\nAny other parameters entered in this dialog are not saved "
                               "with the project."),
                            this);
    note->setAlignment(Qt::AlignCenter);
    Tools::setTextColorWithPalette(note, QColor(0, 130, 0));
    grid->addWidget(note, 4, 0, 1, 2);
    slot_update();
    connect(set1, &OneAxleWheelSet::signal_update, this, &DrivetrainInertiaDialog::slot_update);
    connect(set2, &OneAxleWheelSet::signal_update, this, &DrivetrainInertiaDialog::slot_update);
    connect(acceptButton, &QPushButton::clicked, this, &QDialog::accept);
    setResult(DialogAnswerer::exec(this));
}

double DrivetrainInertiaDialog::transferredInertia() const
{
    return inertia->getValueSI();
}

void DrivetrainInertiaDialog::slot_update()
{
    const double roller = theDynoSettings && theDynoSettings->getSetting(DynoSettingId_rollerDiameter, 0)
                              ? theDynoSettings->getSettingValueDouble(DynoSettingId_rollerDiameter, 0)
                              : 0.0;
    equivalentMass->setValueSI(set1->equivalentMass() + set2->equivalentMass());
    const double r1 = roller / set1->diameter();
    const double r2 = roller / set2->diameter();
    inertia->setValueSI(set1->setInertia() * r1 * r1 + set2->setInertia() * r2 * r2);
}
