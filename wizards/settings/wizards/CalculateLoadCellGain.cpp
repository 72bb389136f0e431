#include "CalculateLoadCellGain.h"

#include "HwInfo.h"
#include "LoadCellReading.h"
#include "MySettings.h"
#include "SettingsWizards.h"
#include "SpinBoxWithUnit.h"
#include "lib/Unit.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <limits>

double CalculateLoadCellGain::gain(int gen, double rangeKg, double arm, double sens, double excitation, double amp)
{
    const double fullScale = rangeKg * 9.81 * arm;
    if (gen == 1)
        return fullScale / (excitation * sens * amp);
    return fullScale / (sens / 1000.0);
}

CalculateLoadCellGain::CalculateLoadCellGain(QWidget* parent, int loadCellIndex)
    : QDialog(parent)
    , loadCell(loadCellIndex)
    , generation(theHwInfo.generation == 1 ? 1 : 2)
{
    setWindowTitle(tr("Load Cell Gain Calculator"));
    resize(349, 256);
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    const QString prefix = QStringLiteral("calculateLoadCellGain/");
    auto unitBox = [&](Quantity q, const QString& name, const QString& unit, double lo, double hi, double start,
                       int decimals) {
        auto* box = new SpinBoxWithUnit(this, q);
        box->setObjectName(prefix + name);
        if (!unit.isEmpty())
            box->setUnitFromName(unit);
        box->setDecimals(decimals);
        box->setRangeSI(lo, hi);
        box->setValueSI(start);
        return box;
    };
    auto plainBox = [&](const QString& name, double lo, double hi, double start, int decimals) {
        auto* box = new QDoubleSpinBox(this);
        box->setObjectName(prefix + name);
        box->setDecimals(decimals);
        box->setRange(lo, hi);
        box->setValue(start);
        return box;
    };
    addTip(tr("This tool allows calculating theoretical load cell gain coefficient."));
    addTip(tr("This is how torque is calculated from input voltage:"));
    readingLabel = new QLabel(QStringLiteral("M = a * ADC + b  = x"), this);
    readingLabel->setAlignment(Qt::AlignCenter);
    readingLabel->setToolTip(tr("Current torque reading"));
    form->addRow(readingLabel);
    armLength = unitBox(Quantity::Distance, QStringLiteral("armLength"), QString(), 0.001, 10, 0.5, 3);
    armLength->setToolTip(tr("Arm length from brake axis to load cell"));
    form->addRow(tr("Arm length"), armLength);
    loadCellRange = unitBox(Quantity::Mass, QStringLiteral("loadCellRange"), QString(), 0.001, 100000, 500, 3);
    form->addRow(tr("Load cell range"), loadCellRange);
    sensitivity = plainBox(QStringLiteral("loadCellSensitivity"), 0.0001, 1000, 2, 4);
    sensitivity->setSuffix(QStringLiteral("mV/V"));
    sensitivity->setToolTip(tr("Load cell sensitivity\nKOLVO load cells: 2mV/V"));
    form->addRow(tr("Load cell sensitivity"), sensitivity);
    if (generation == 1) {
        excitationVoltage = unitBox(Quantity::Voltage, QStringLiteral("excitationVoltage"), QString(), 1, 100, 10, 2);
        excitationVoltage->setToolTip(tr("Voltage used to power the load cell\nKX1: 5V\nPMV1: 10V"));
        form->addRow(tr("Excitation voltage"), excitationVoltage);
        amplifierGain = plainBox(QStringLiteral("amplifierGain"), 0.1, 100000, 106, 1);
        amplifierGain->setToolTip(tr("Amplifier gain\nKX1: 495 or 106\nPMV1: 106"));
        form->addRow(tr("Amplifier gain"), amplifierGain);
    }
    auto* calculate = new QPushButton(tr("Calculate gain"), this);
    auto* zero = new QPushButton(tr("Calibrate zero"), this);
    form->addRow(calculate);
    form->addRow(zero);
    auto coefficient = [&](double value, const QString& suffix) {
        auto* box = new QDoubleSpinBox(this);
        box->setDecimals(8);
        box->setRange(-std::numeric_limits<double>::max(), std::numeric_limits<double>::max());
        box->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
        box->setSuffix(suffix);
        box->setValue(value);
        return box;
    };
    auto* a = SettingsWizards::editor<QDoubleSpinBox>(DynoSettingId_loadCellA, loadCell, SettingWidgetType_doubleSpinBox);
    auto* b = SettingsWizards::editor<QDoubleSpinBox>(DynoSettingId_loadCellB, loadCell, SettingWidgetType_doubleSpinBox);
    gainA = coefficient(a ? a->value() : 0.0, QString());
    offsetB = coefficient(b ? b->value() : 0.0, QStringLiteral(" Nm"));
    form->addRow(tr("Gain a"), gainA);
    form->addRow(tr("Offset b"), offsetB);
    addTip(tr("Click OK to save the result, or Cancel to reject it."));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);

    theSettings.connectSpinBoxWithUnit(armLength);
    theSettings.connectSpinBoxWithUnit(loadCellRange);
    theSettings.connectDoubleSpinBox(sensitivity);
    if (excitationVoltage) {
        theSettings.connectSpinBoxWithUnit(excitationVoltage);
        theSettings.connectDoubleSpinBox(amplifierGain);
    }
    connect(calculate, &QPushButton::clicked, this, &CalculateLoadCellGain::slot_calculateGain);
    connect(zero, &QPushButton::clicked, this, &CalculateLoadCellGain::slot_calibrateOffset);
    connect(buttons, &QDialogButtonBox::accepted, this, &CalculateLoadCellGain::slot_accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &CalculateLoadCellGain::slot_sampleLoadCell);
    timer->start(100);
    DialogAnswerer::exec(this);
    timer->stop();
}

void CalculateLoadCellGain::addTip(const QString& text)
{
    auto* tip = new QLabel(text, this);
    tip->setWordWrap(true);
    Tools::setTextColorWithPalette(tip, QColor(0, 130, 0));
    static_cast<QFormLayout*>(layout())->addRow(tip);
}

void CalculateLoadCellGain::slot_sampleLoadCell()
{
    reading = LoadCellReading::current(loadCell);
    readingLabel->setText(QString::asprintf("M = a * %04.6f + b = %+6.1f Nm", reading,
                                            gainA->value() * reading + offsetB->value()));
}

void CalculateLoadCellGain::slot_calculateGain()
{
    gainA->setValue(gain(generation, loadCellRange->getValueSI(), armLength->getValueSI(), sensitivity->value(),
                         excitationVoltage ? excitationVoltage->getValueSI() : 0.0,
                         amplifierGain ? amplifierGain->value() : 0.0));
}

void CalculateLoadCellGain::slot_calibrateOffset()
{
    // A stale reading would make the offset NaN.
    if (!std::isfinite(reading)) {
        Tools::showError(tr("No current load cell reading"));
        return;
    }
    offsetB->setValue(-gainA->value() * reading);
}

void CalculateLoadCellGain::slot_accept()
{
    if (!std::isfinite(gainA->value()) || !std::isfinite(offsetB->value())) {
        Tools::showError(tr("Gain a and offset b must be numbers"));
        return;
    }
    if (auto* a = SettingsWizards::editor<QDoubleSpinBox>(DynoSettingId_loadCellA, loadCell, SettingWidgetType_doubleSpinBox))
        a->setValue(gainA->value());
    if (auto* b = SettingsWizards::editor<QDoubleSpinBox>(DynoSettingId_loadCellB, loadCell, SettingWidgetType_doubleSpinBox))
        b->setValue(offsetB->value());
    accept();
}
