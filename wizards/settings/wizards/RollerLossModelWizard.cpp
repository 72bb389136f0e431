#include "RollerLossModelWizard.h"

#include "DynoSettingsLossModelEditor.h"
#include "LayoutLine.h"
#include "SettingsWizards.h"
#include "lib/DialogAnswerer.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QSpinBox>

#include <cmath>

QList<double> RollerLossModelWizard::convert(QList<double> c, double r, int div, double mult)
{
    c.resize(5);
    for (int k = 0; k < 5; ++k)
        c[k] = c.at(k) * std::pow(r, k) * mult / div;
    return c;
}

RollerLossModelWizard::RollerLossModelWizard(QWidget* parent, int rollerIndex)
    : QDialog(parent)
    , roller(rollerIndex)
{
    if (theDynoSettings && theDynoSettings->getSetting(DynoSettingId_rollerDiameter, roller))
        radius = theDynoSettings->getSettingValueDouble(DynoSettingId_rollerDiameter, roller) / 2.0;
    setWindowTitle(tr("Roller Loss Model Wizard"));
    setMinimumWidth(600);
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    input = new DynoSettingsLossModelEditor(this);
    divider = new QSpinBox(this);
    divider->setRange(1, 4);
    divider->setValue(1);
    multiplier = new QDoubleSpinBox(this);
    multiplier->setDecimals(3);
    multiplier->setRange(0.001, 1000);
    multiplier->setValue(1);
    output = new DynoSettingsLossModelEditor(this);
    output->setVariableLabel(QStringLiteral("ω"));
    output->setEnabled(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(tr("Dyno speed loss model"), input);
    form->addRow(tr("Divider"), divider);
    form->addRow(tr("Multiplier"), multiplier);
    form->addRow(new LayoutLine(this));
    form->addRow(tr("Roller speed loss model"), output);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &RollerLossModelWizard::slot_accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(input, &DynoSettingsLossModelEditor::signal_lossModelChanged, this, &RollerLossModelWizard::slot_calculate);
    connect(divider, &QSpinBox::valueChanged, this, &RollerLossModelWizard::slot_calculate);
    connect(multiplier, &QDoubleSpinBox::valueChanged, this, &RollerLossModelWizard::slot_calculate);
    slot_calculate();
    DialogAnswerer::exec(this);
}

void RollerLossModelWizard::slot_calculate()
{
    output->setLossModel(convert(input->lossModel(), radius, divider->value(), multiplier->value()));
}

void RollerLossModelWizard::slot_accept()
{
    slot_calculate();
    if (auto* target = SettingsWizards::editor<DynoSettingsLossModelEditor>(
            DynoSettingId_rollerInternalLossModel, roller, SettingWidgetType_lossModelEditor))
        target->setLossModel(output->lossModel());
    accept();
}
