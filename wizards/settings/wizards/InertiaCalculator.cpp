#include "InertiaCalculator.h"

#include "LayoutLine.h"
#include "MySettings.h"
#include "SettingsWizards.h"
#include "SpinBoxWithUnit.h"
#include "lib/Unit.h"
#include "lib/DialogAnswerer.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include <cmath>

InertiaCalculator::InertiaCalculator(QWidget* parent, int rollerIndex)
    : QDialog(parent)
    , roller(rollerIndex)
{
    setWindowTitle(tr("Inertia calculator"));
    resize(600, 400);
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    form->addRow(new QLabel(tr("This calculation is for a full cylinder like a flywheel.\nFor empty tubular roller "
                               "calculation,\nfirst add inertia of full cylinder,\nthen subtract inertia of inner "
                               "empty cylinder space."),
                            this));
    auto box = [&](Quantity q, const QString& name, double lo, double hi, int decimals, double start) {
        auto* b = new SpinBoxWithUnit(this, q);
        if (!name.isEmpty())
            b->setObjectName(QStringLiteral("inertiaCalculator/") + name);
        if (decimals >= 0)
            b->setDecimals(decimals);
        b->setRangeSI(lo, hi);
        b->setValueSI(start);
        return b;
    };
    diameter = box(Quantity::Distance, QStringLiteral("diameter"), 0, 10, 3, 0.3);
    theSettings.connectSpinBoxWithUnit(diameter);
    length = box(Quantity::Distance, QStringLiteral("length"), 0, 10, 3, 1);
    theSettings.connectSpinBoxWithUnit(length);
    material = new QComboBox(this);
    material->setObjectName(QStringLiteral("inertiaCalculator/material"));
    registerMaterial(Wood, tr("wood"), 700);
    registerMaterial(Nylon, tr("nylon"), 1150);
    registerMaterial(Aluminium, tr("aluminium"), 2700);
    registerMaterial(Steel, tr("steel"), 7870);
    theSettings.connectComboBox(material);
    density = box(Quantity::Density, QStringLiteral("density"), 1, 22570, -1, 7870);
    theSettings.connectSpinBoxWithUnit(density);
    mass = box(Quantity::Mass, QStringLiteral("mass"), 0, 10000, 3, 0);
    partialInertia = box(Quantity::Inertia, QStringLiteral("partialInertia"), 0, 10000, 3, 0);
    form->addRow(tr("Diameter"), diameter);
    form->addRow(tr("Length"), length);
    form->addRow(tr("Material"), material);
    form->addRow(tr("Density"), density);
    form->addRow(tr("Mass"), mass);
    form->addRow(tr("Current object inertia"), partialInertia);
    form->addRow(new LayoutLine(this));
    auto* set = new QPushButton(tr("Set ="), this);
    auto* add = new QPushButton(tr("Add +"), this);
    auto* subtract = new QPushButton(tr("Subtract -"), this);
    form->addRow(set);
    form->addRow(add);
    form->addRow(subtract);
    form->addRow(new LayoutLine(this));

    connect(diameter, &SpinBoxWithUnit::signal_valueChangedSI, this, &InertiaCalculator::slot_calculateMass);
    connect(length, &SpinBoxWithUnit::signal_valueChangedSI, this, &InertiaCalculator::slot_calculateMass);
    connect(density, &SpinBoxWithUnit::signal_valueChangedSI, this, &InertiaCalculator::slot_calculateMass);
    connect(diameter, &SpinBoxWithUnit::signal_valueChangedSI, this, &InertiaCalculator::slot_calculateInertia);
    connect(mass, &SpinBoxWithUnit::signal_valueChangedSI, this, &InertiaCalculator::slot_calculateInertia);
    connect(material, &QComboBox::currentIndexChanged, this, &InertiaCalculator::slot_materialChanged);
    material->setCurrentIndex(Steel);

    inertiaSetting = SettingsWizards::editor<SpinBoxWithUnit>(DynoSettingId_inertia, roller, SettingWidgetType_spinBoxWithUnit);
    totalInertia = box(Quantity::Inertia, QString(), 0, 10000, 4, 0);
    if (inertiaSetting) {
        totalInertia->slot_setUnit(inertiaSetting->getUnit());
        totalInertia->setValueSI(inertiaSetting->getValueSI());
    }
    form->addRow(tr("Total inertia"), totalInertia);
    auto* acceptButton = new QPushButton(tr("Accept new inertia"), this);
    form->addRow(acceptButton);
    connect(set, &QPushButton::clicked, this, &InertiaCalculator::slot_set);
    connect(add, &QPushButton::clicked, this, &InertiaCalculator::slot_add);
    connect(subtract, &QPushButton::clicked, this, &InertiaCalculator::slot_subtract);
    connect(acceptButton, &QPushButton::clicked, this, &InertiaCalculator::slot_accept);

    slot_calculateMass();
    slot_calculateInertia();
    DialogAnswerer::exec(this);
}

void InertiaCalculator::registerMaterial(MaterialId id, const QString& name, double value)
{
    material->insertItem(id, QStringLiteral("%1 %2 kg/m³").arg(name).arg(value));
    if (densities.size() <= id)
        densities.resize(id + 1);
    densities[id] = value;
}

void InertiaCalculator::slot_materialChanged(int id)
{
    if (id >= 0 && id < densities.size())
        density->setValueSI(densities.at(id));
}

void InertiaCalculator::slot_calculateMass()
{
    const double d = diameter->getValueSI();
    mass->setValueSI(M_PI * d * d / 4.0 * length->getValueSI() * density->getValueSI());
}

void InertiaCalculator::slot_calculateInertia()
{
    const double d = diameter->getValueSI();
    partialInertia->setValueSI(mass->getValueSI() * d * d / 8.0);
}

void InertiaCalculator::slot_set()
{
    totalInertia->setValueSI(partialInertia->getValueSI());
}

void InertiaCalculator::slot_add()
{
    totalInertia->setValueSI(std::clamp(totalInertia->getValueSI() + partialInertia->getValueSI(), 0.0, 10000.0));
}

void InertiaCalculator::slot_subtract()
{
    totalInertia->setValueSI(std::clamp(totalInertia->getValueSI() - partialInertia->getValueSI(), 0.0, 10000.0));
}

void InertiaCalculator::slot_accept()
{
    if (inertiaSetting)
        inertiaSetting->setValueSI(totalInertia->getValueSI());
    accept();
}
