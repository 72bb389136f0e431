#include "ChannelSetupWidget.h"

#include "ArgumentWidget.h"
#include "ChannelSetup.h"
#include "ChannelSetupDescriptor.h"
#include "ColorButton.h"
#include "ParameterEditorManager.h"
#include "QuantityComboBox.h"
#include "SpinBoxWithUnit.h"
#include "UnitComboBox.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>

#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool isIntegerLike(Quantity quantity)
{
    return quantity == Quantity::Bitfield || quantity == Quantity::Enumerated || quantity == Quantity::Logic
           || quantity == Quantity::Integer;
}

QString title(ChannelSetupPropId id)
{
    return theChannelSetupDescriptor.titles.value(id);
}

} // namespace

ChannelSetupWidget::ChannelSetupWidget(ChannelSetup* setup, QWidget* parent, bool allowHide, bool analysisForm)
    : QFrame(parent)
    , setup(setup)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    applyTimer = new QTimer(this);
    applyTimer->setSingleShot(true);
    applyTimer->setInterval(500);
    connect(applyTimer, &QTimer::timeout, this, &ChannelSetupWidget::slot_emitSetupChanged);
    form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    parameterEditorManager = new ParameterEditorManager(this);
    parameterEditorManager->layout = form;
    connect(parameterEditorManager, &ParameterEditorManager::signal_parametersChanged, applyTimer,
            qOverload<>(&QTimer::start));
    ParameterEditorManager* manager = parameterEditorManager;

    auto* heading = new QLabel(QStringLiteral("<b>%1</b>").arg(tr("Channel Setup")), this);
    form->addRow(heading);
    manager->addLayoutLine();
    displayNameEdit = manager->addEditor(title(ChannelSetupPropId_displayName), &setup->displayName);

    // Quantity and unit share one row.
    manager->layout = nullptr;
    quantityCombo = manager->addEditor(QString(), &setup->quantity);
    unitCombo = manager->addEditor(QString(), &setup->unit, setup->quantity);
    manager->layout = form;
    auto* quantityRow = new QHBoxLayout;
    quantityRow->addWidget(quantityCombo, 8);
    quantityRow->addWidget(unitCombo, 2);
    form->addRow(tr("Quantity"), quantityRow);

    labelsEdit = manager->addEditor_enumLabels(title(ChannelSetupPropId_labels), &setup->labels);
    manager->addLayoutLine();
    static_assert(sizeof(setup->groupId) == sizeof(int), "");
    groupSpinBox = manager->addEditor(title(ChannelSetupPropId_groupId), reinterpret_cast<int*>(&setup->groupId), 0, 6);
    hideCheckBox = manager->addEditor(tr("Hide in lists"), &setup->hide);
    decimalsSpinBox = manager->addEditor(title(ChannelSetupPropId_decimals), &setup->decimals, -10, 10);
    colorButton = manager->addEditor(title(ChannelSetupPropId_color), &setup->color);
    manager->addLayoutLine();

    const Quantity quantity = setup->quantity;
    const Unit* unit = setup->unit;
    manager->layout = nullptr;
    rangeMinSpinBox =
        manager->addEditor_withUnit(QString(), &setup->rangeMin, quantity, unit, -kInfinity, setup->rangeMax, 10);
    autorangeMinCheckBox = manager->addEditor(QString(), &setup->autorangeMin);
    rangeMaxSpinBox =
        manager->addEditor_withUnit(QString(), &setup->rangeMax, quantity, unit, setup->rangeMin, kInfinity, 10);
    autorangeMaxCheckBox = manager->addEditor(QString(), &setup->autorangeMax);
    manager->layout = form;
    autorangeMinCheckBox->setText(tr("Auto"));
    autorangeMaxCheckBox->setText(tr("Auto"));
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel(tr("min"), this));
    rangeRow->addWidget(rangeMinSpinBox, 1);
    rangeRow->addWidget(autorangeMinCheckBox);
    rangeRow->addWidget(new QLabel(tr("max"), this));
    rangeRow->addWidget(rangeMaxSpinBox, 1);
    rangeRow->addWidget(autorangeMaxCheckBox);
    form->addRow(tr("Range"), rangeRow);
    minSpanSpinBox = manager->addEditor_withUnit(title(ChannelSetupPropId_minAutorangeSpan), &setup->minAutorangeSpan,
                                                 quantity, unit, 0, kInfinity, 10);
    manager->addLayoutLine();

    auto limitRow = [&](const QString& rowTitle, double* low, double* high, SpinBoxWithUnit** lowBox,
                        SpinBoxWithUnit** highBox) {
        manager->layout = nullptr;
        *lowBox = manager->addEditor_withUnit(QString(), low, quantity, unit, -kInfinity, *high, 10);
        *highBox = manager->addEditor_withUnit(QString(), high, quantity, unit, *low, kInfinity, 10);
        manager->layout = form;
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(tr("low"), this));
        row->addWidget(*lowBox, 1);
        row->addWidget(new QLabel(tr("high"), this));
        row->addWidget(*highBox, 1);
        form->addRow(rowTitle, row);
    };
    limitRow(tr("Warning"), &setup->warningLow, &setup->warningHigh, &warningLowSpinBox, &warningHighSpinBox);
    limitRow(tr("Alarm"), &setup->alarmLow, &setup->alarmHigh, &alarmLowSpinBox, &alarmHighSpinBox);
    alarmDelaySpinBox = manager->addEditor(title(ChannelSetupPropId_alarmDelay), &setup->alarmDelay, 0, kInfinity, 1);
    gateWidget = manager->addEditor_gateArgument(title(ChannelSetupPropId_alarmGate), setup->alarmGate);
    gateWidget->setToolTip(tr("Check for alarms and warnings only if this channel is true"));
    manager->addLayoutLine();
    filterSpinBox = manager->addEditor(title(ChannelSetupPropId_filter), &setup->filter, 0, 2, 3);
    filterSpinBox->setToolTip(tr("Low pass filter time constant"));
    samplingCombo = manager->addEditor(title(ChannelSetupPropId_sampling), &setup->sampling);
    samplingCombo->setToolTip(tr("sample and hold - use for discrete data\ninterpolate - use for analog data"));
    manager->addLayoutLine();
    commentEdit = manager->addEditor_multiline(title(ChannelSetupPropId_comment), &setup->comment);

    setRowVisible(groupSpinBox, false);
    groupSpinBox->setEnabled(false);
    hideCheckBox->setEnabled(allowHide);
    quantityCombo->setEnabled(false);
    labelsEdit->setEnabled(false);
    labelsEdit->setToolTip(QStringLiteral("Example enum labels format:\n0=OK\n1=Initializing\n2=Error\n3=Active\n")
                           + QStringLiteral("Example bitfield labels format:\n1=Throttle error\n2=Engine knocking\n"
                                            "4=Fuel press error\n8=Oil press error"));
    minSpanSpinBox->setSpecialValueText(tr("Disabled"));
    warningLowSpinBox->setDisableAndRestoreValue(-kInfinity, 0);
    warningHighSpinBox->setDisableAndRestoreValue(kInfinity, 0);
    alarmLowSpinBox->setDisableAndRestoreValue(-kInfinity, 0);
    alarmHighSpinBox->setDisableAndRestoreValue(kInfinity, 0);
    if (analysisForm) {
        setRowVisible(colorButton, false);
        setRowVisible(alarmDelaySpinBox, false);
        setRowVisible(gateWidget, false);
        setRowVisible(samplingCombo, false);
    }

    connect(quantityCombo, &QuantityComboBox::signal_quantityChanged, this, &ChannelSetupWidget::slot_quantity);
    connect(unitCombo, &UnitComboBox::signal_unitChanged, this, &ChannelSetupWidget::slot_unit);
    connect(decimalsSpinBox, &QSpinBox::valueChanged, this, &ChannelSetupWidget::slot_decimals);
    connect(autorangeMinCheckBox, &QCheckBox::stateChanged, this, &ChannelSetupWidget::slot_autoscale);
    connect(autorangeMaxCheckBox, &QCheckBox::stateChanged, this, &ChannelSetupWidget::slot_autoscale);
    connect(autorangeMinCheckBox, &QCheckBox::stateChanged, this, &ChannelSetupWidget::slot_updateRangeMaxRange);
    connect(rangeMinSpinBox, &SpinBoxWithUnit::signal_valueChangedSI, this,
            &ChannelSetupWidget::slot_updateRangeMaxRange);
    connect(autorangeMaxCheckBox, &QCheckBox::stateChanged, this, &ChannelSetupWidget::slot_updateRangeMinRange);
    connect(rangeMaxSpinBox, &SpinBoxWithUnit::signal_valueChangedSI, this,
            &ChannelSetupWidget::slot_updateRangeMinRange);
    connect(warningLowSpinBox, &SpinBoxWithUnit::signal_valueChangedSI, warningHighSpinBox,
            &SpinBoxWithUnit::slot_setMinimumSI);
    connect(warningHighSpinBox, &SpinBoxWithUnit::signal_valueChangedSI, warningLowSpinBox,
            &SpinBoxWithUnit::slot_setMaximumSI);
    connect(alarmLowSpinBox, &SpinBoxWithUnit::signal_valueChangedSI, alarmHighSpinBox,
            &SpinBoxWithUnit::slot_setMinimumSI);
    connect(alarmHighSpinBox, &SpinBoxWithUnit::signal_valueChangedSI, alarmLowSpinBox,
            &SpinBoxWithUnit::slot_setMaximumSI);
    connect(samplingCombo, &QComboBox::currentIndexChanged, this, &ChannelSetupWidget::slot_sampling);

    // Show the setup's state through the same handlers the operator's choices run.
    slot_quantity(setup->quantity);
    slot_unit(setup->unit);
    slot_decimals(setup->decimals);
    slot_autoscale();
    slot_updateRangeMaxRange();
    slot_updateRangeMinRange();
    slot_sampling(samplingCombo->currentIndex());

    // Defaults of a quantity apply to the operator's choices, not to opening.
    connect(quantityCombo, &QuantityComboBox::signal_quantityChanged, this,
            &ChannelSetupWidget::slot_quantityAutosetup);
    if (setup->timeBase)
        filterSpinBox->setEnabled(false);
    applyTimer->stop();
}

ChannelSetupWidget::~ChannelSetupWidget()
{
    // An edit made just before the form closes still reaches the setup's users.
    applyPendingChanges();
}

void ChannelSetupWidget::setRowVisible(QWidget* field, bool visible)
{
    field->setVisible(visible);
    if (QWidget* label = form->labelForField(field))
        label->setVisible(visible);
}

QList<SpinBoxWithUnit*> ChannelSetupWidget::valueSpinBoxes() const
{
    return {rangeMinSpinBox,   rangeMaxSpinBox,    minSpanSpinBox,  warningLowSpinBox,
            warningHighSpinBox, alarmLowSpinBox, alarmHighSpinBox};
}

void ChannelSetupWidget::enableQuantityAndLabelsEditing(bool enable)
{
    labelsEditingEnabled = enable;
    quantityCombo->setEnabled(enable);
    labelsEdit->setEnabled(enable);
}

void ChannelSetupWidget::applyPendingChanges()
{
    if (!applyTimer->isActive())
        return;
    applyTimer->stop();
    Q_EMIT setup->signal_setupChanged();
}

void ChannelSetupWidget::slot_emitSetupChanged()
{
    Q_EMIT setup->signal_setupChanged();
}

void ChannelSetupWidget::slot_quantity(Quantity quantity)
{
    setup->quantity = quantity;
    if (unitCombo->getQuantity() != quantity)
        unitCombo->slot_setQuantity(quantity);

    // The value fields follow the quantity in how they show their values; the
    // stored SI values stay as they are.
    for (SpinBoxWithUnit* box : valueSpinBoxes()) {
        const QSignalBlocker blocker(box);
        if (box == minSpanSpinBox) {
            // A span has no offset: of the temperature units only the absolute ones.
            box->slot_setQuantity(quantity);
            box->restrictUnits(quantity == Quantity::Temperature
                                   ? QList<QString> {QStringLiteral("K"), QStringLiteral("°R")}
                                   : QList<QString> {});
        } else {
            box->slot_setQuantity(quantity);
        }
    }

    const bool labelled = quantity == Quantity::Bitfield || quantity == Quantity::Enumerated;
    setRowVisible(labelsEdit, labelled);

    if (isIntegerLike(quantity)) {
        filterSpinBox->setValue(0);
        filterSpinBox->setEnabled(false);
        decimalsSpinBox->setValue(0);
        decimalsSpinBox->setEnabled(false);
        samplingCombo->setCurrentIndex(0);
        samplingCombo->setEnabled(false);
        unitCombo->hide();
    } else {
        filterSpinBox->setEnabled(!setup->timeBase);
        decimalsSpinBox->setEnabled(true);
        samplingCombo->setEnabled(true);
        unitCombo->show();
    }
    if (setup->flags & ChannelSetup::FlagInputChannel) {
        samplingCombo->setCurrentIndex(0);
        samplingCombo->setEnabled(false);
    }
    if (setup->flags & (ChannelSetup::FlagSamplingFixed1 | ChannelSetup::FlagSamplingFixed2))
        samplingCombo->setEnabled(false);
}

void ChannelSetupWidget::slot_quantityAutosetup(Quantity quantity)
{
    // Each default is written even when the field already shows it: a shown
    // 0 may stand for a stored value too small for the decimals.
    auto setSI = [](SpinBoxWithUnit* box, double si) {
        box->setValueSI(si);
        Q_EMIT box->signal_valueChangedSI(box->getValueSI());
    };
    auto setShown = [](SpinBoxWithUnit* box, double shown) {
        box->setValue(shown);
        Q_EMIT box->signal_valueChangedSI(box->getValueSI());
    };
    autorangeMinCheckBox->setChecked(true);
    autorangeMaxCheckBox->setChecked(true);
    setSI(minSpanSpinBox, 0);
    setSI(rangeMaxSpinBox, 0);
    setSI(rangeMinSpinBox, 0);
    decimalsSpinBox->setValue(0);

    switch (quantity) {
    case Quantity::Time:
        unitCombo->setUnit(QStringLiteral("ms"));
        decimalsSpinBox->setValue(1);
        setSI(minSpanSpinBox, 0.01);
        break;
    case Quantity::Speed:
    case Quantity::Temperature:
        setShown(minSpanSpinBox, 100);
        break;
    case Quantity::Pressure:
        setSI(minSpanSpinBox, 100000);
        break;
    case Quantity::TimingAngle:
        decimalsSpinBox->setValue(1);
        setSI(minSpanSpinBox, 50);
        break;
    case Quantity::Voltage:
        setSI(minSpanSpinBox, 10);
        decimalsSpinBox->setValue(1);
        break;
    case Quantity::Fraction:
        autorangeMinCheckBox->setChecked(false);
        autorangeMaxCheckBox->setChecked(false);
        setSI(rangeMaxSpinBox, 1);
        break;
    case Quantity::RotationalSpeed:
        setSI(minSpanSpinBox, 104.71975511965977);
        break;
    case Quantity::AirFuelRatio:
        autorangeMinCheckBox->setChecked(false);
        autorangeMaxCheckBox->setChecked(false);
        decimalsSpinBox->setValue(2);
        setSI(rangeMaxSpinBox, 1.5);
        setSI(rangeMinSpinBox, 0.5);
        break;
    default:
        break;
    }
}

void ChannelSetupWidget::slot_unit(const Unit* unit)
{
    if (!unit)
        return;
    for (SpinBoxWithUnit* box : valueSpinBoxes()) {
        const QSignalBlocker blocker(box);
        box->slot_setUnit(unit);
    }
}

void ChannelSetupWidget::slot_decimals(int decimals)
{
    const int shown = std::abs(decimals);
    for (SpinBoxWithUnit* box : valueSpinBoxes()) {
        const QSignalBlocker blocker(box);
        box->setDecimals(shown);
    }
}

void ChannelSetupWidget::slot_autoscale()
{
    const bool autoMin = autorangeMinCheckBox->isChecked();
    const bool autoMax = autorangeMaxCheckBox->isChecked();
    minSpanSpinBox->setEnabled(autoMin || autoMax);
    rangeMinSpinBox->setEnabled(!autoMin);
    rangeMaxSpinBox->setEnabled(!autoMax);
}

void ChannelSetupWidget::slot_updateRangeMaxRange()
{
    rangeMaxSpinBox->setMinimumSI(autorangeMinCheckBox->isChecked() ? -kInfinity : setup->rangeMin);
}

void ChannelSetupWidget::slot_updateRangeMinRange()
{
    rangeMinSpinBox->setMaximumSI(autorangeMaxCheckBox->isChecked() ? kInfinity : setup->rangeMax);
}

void ChannelSetupWidget::slot_sampling(int sampling)
{
    const bool interpolate = sampling != 0;
    filterSpinBox->setEnabled(interpolate && !setup->timeBase && !isIntegerLike(setup->quantity));
    if (!interpolate)
        filterSpinBox->setValue(0);
}
