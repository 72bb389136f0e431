#include "ColorScaleEditor.h"

#include "ChannelSetup.h"
#include "ColorButton.h"
#include "MyMenu.h"
#include "SpinBoxWithUnit.h"
#include "lib/DialogAnswerer.h"
#include "lib/Units.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <limits>

namespace {

enum Column { Column_type = 0, Column_value = 1, Column_color = 2 };

// The value field as a step of that type needs it: a value of the setup's
// quantity, or a share 0..100 % of the shown range.
void setUpValueField(SpinBoxWithUnit* field, const ChannelSetup* setup, int type)
{
    const double infinity = std::numeric_limits<double>::infinity();
    if (type == ColorScaleStepType_relative) {
        field->slot_setQuantity(Quantity::Fraction);
        field->slot_setUnit(theUnits.getDefaultUnit(Quantity::Fraction));
        field->setDecimals(0);
        field->setRangeSI(0, 1);
    } else {
        field->slot_setQuantity(setup->quantity);
        if (setup->unit)
            field->slot_setUnit(setup->unit);
        field->setDecimals(std::abs(setup->decimals));
        field->setRangeSI(-infinity, infinity);
    }
    field->setValueSI(0);
}

} // namespace

ColorScaleEditor::ColorScaleEditor(QWidget* parent, ChannelSetup* setup)
    : QDialog(parent)
    , setup(setup)
{
    auto* layout = new QVBoxLayout(this);
    table = new QTableWidget(0, 3, this);
    table->setHorizontalHeaderLabels({tr("Type"), tr("Value"), tr("Color")});
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table, &QWidget::customContextMenuRequested, this, &ColorScaleEditor::slot_contextMenu);
    layout->addWidget(table);
    auto* buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &ColorScaleEditor::slot_accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttonBox);

    for (const ColorScaleStep& step : std::as_const(setup->colorSteps))
        addScaleStep(step.type, step.value, step.color);

    setWindowTitle(tr("Color Scale Editor"));
    setMinimumSize(400, 300);
    DialogAnswerer::exec(this);
}

void ColorScaleEditor::addScaleStep(ColorScaleStepType type, double value, QColor color)
{
    const int row = table->currentRow() < 0 ? 0 : std::min(table->currentRow() + 1, table->rowCount());
    table->insertRow(row);

    auto* typeCombo = new QComboBox(table);
    typeCombo->addItems({tr("absolute"), tr("relative")});
    typeCombo->setContextMenuPolicy(Qt::NoContextMenu);
    typeCombo->setCurrentIndex(type == ColorScaleStepType_relative ? 1 : 0);
    auto* valueField = new SpinBoxWithUnit(table);
    valueField->setContextMenuPolicy(Qt::NoContextMenu);
    auto* colorButton = new ColorButton(table);
    colorButton->setColor(color);
    table->setCellWidget(row, Column_type, typeCombo);
    table->setCellWidget(row, Column_value, valueField);
    table->setCellWidget(row, Column_color, colorButton);

    const ChannelSetup* stepSetup = setup;
    connect(typeCombo, &QComboBox::currentIndexChanged, valueField,
            [valueField, stepSetup](int index) { setUpValueField(valueField, stepSetup, index); });
    setUpValueField(valueField, setup, typeCombo->currentIndex());
    valueField->setValueSI(value);
    table->setCurrentCell(row, Column_type);
}

void ColorScaleEditor::slot_addNewScaleStep()
{
    addScaleStep(ColorScaleStepType_absolute, 0, Qt::white);
}

void ColorScaleEditor::slot_addNewScaleStepAtEnd()
{
    if (table->rowCount() > 0)
        table->setCurrentCell(table->rowCount() - 1, Column_type);
    slot_addNewScaleStep();
}

void ColorScaleEditor::slot_removeScaleStep()
{
    if (table->currentRow() >= 0)
        table->removeRow(table->currentRow());
}

void ColorScaleEditor::slot_contextMenu(const QPoint& pos)
{
    MyMenu menu(this);
    const bool overCell = table->indexAt(pos).isValid();
    QAction* add = menu.addAction(tr("Add step"));
    QAction* remove = overCell ? menu.addAction(tr("Remove step")) : nullptr;
    QAction* picked = menu.exec(table->viewport()->mapToGlobal(pos));
    if (!picked)
        return;
    if (picked == add) {
        if (overCell)
            slot_addNewScaleStep();
        else
            slot_addNewScaleStepAtEnd();
    } else if (picked == remove) {
        slot_removeScaleStep();
    }
}

void ColorScaleEditor::slot_accept()
{
    QList<ColorScaleStep> steps;
    for (int row = 0; row < table->rowCount(); ++row) {
        ColorScaleStep step;
        step.type = static_cast<ColorScaleStepType>(
            static_cast<QComboBox*>(table->cellWidget(row, Column_type))->currentIndex());
        step.value = static_cast<SpinBoxWithUnit*>(table->cellWidget(row, Column_value))->getValueSI();
        step.color = static_cast<ColorButton*>(table->cellWidget(row, Column_color))->color();
        steps.append(step);
    }
    setup->colorSteps = steps;
    Q_EMIT setup->signal_setupChanged();
    accept();
}
