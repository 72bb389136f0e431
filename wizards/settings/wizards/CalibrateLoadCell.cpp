#include "CalibrateLoadCell.h"

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

namespace {

SpinBoxWithUnit* boundBox(QWidget* parent, Quantity quantity, const QString& suffix, const QString& unit,
                          double minimum, double maximum, double start, int decimals)
{
    auto* box = new SpinBoxWithUnit(parent, quantity);
    box->setObjectName(QStringLiteral("calibrateLoadCell/") + suffix);
    if (!unit.isEmpty())
        box->setUnitFromName(unit);
    box->setDecimals(decimals);
    box->setRangeSI(minimum, maximum);
    box->setValueSI(start);
    return box;
}

QDoubleSpinBox* coefficientBox(QWidget* parent, double value, const QString& suffix)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setDecimals(7);
    box->setRange(-std::numeric_limits<double>::max(), std::numeric_limits<double>::max());
    box->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    box->setSuffix(suffix);
    box->setValue(value);
    return box;
}

} // namespace

CalibrateLoadCell::CalibrateLoadCell(QWidget* parent, int loadCellIndex)
    : QDialog(parent)
    , loadCell(loadCellIndex)
{
    setWindowTitle(tr("Load Cell Calibration"));
    resize(349, 256);
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    auto* link = new QLabel(QStringLiteral("<a href=\"https://zembo.example/help/load-cell-calibration-tool/\">ONLINE HELP</a>"), this);
    link->setOpenExternalLinks(true);
    link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    form->addRow(link);
    addTip(tr("This is how torque is calculated from input voltage:"));
    readingLabel = new QLabel(QStringLiteral("M = a * ADC + b  = x"), this);
    readingLabel->setAlignment(Qt::AlignCenter);
    readingLabel->setToolTip(tr("Current torque reading"));
    form->addRow(readingLabel);
    addTip(tr("1. Enter arm length on which you will put or hang calibration mass:"));
    armLength = boundBox(this, Quantity::Distance, QStringLiteral("armLength"), QString(), 0.001, 10, 0.5, 3);
    armLength->setToolTip(tr("Arm length from brake axis to calibration mass apply point"));
    form->addRow(tr("Arm length"), armLength);
    addTip(tr("2. Enter calibration mass value:"));
    calibrationMass = boundBox(this, Quantity::Mass, QStringLiteral("calibrationMass"), QString(), 0.001,
                               std::numeric_limits<double>::max(), 100, 3);
    calibrationMass->setToolTip(tr("Mass that is placed on arm length distance from brake axis"));
    form->addRow(tr("Calibration mass"), calibrationMass);
    addTip(tr("This is a torque which will be a result of arm and mass value you entered:"));
    calibrationTorque = boundBox(this, Quantity::Torque, QStringLiteral("calibrationTorque"), QString(), 0.001,
                                 std::numeric_limits<double>::max(), 0.001, 4);
    calibrationTorque->setToolTip(tr("Torque on brake axis"));
    form->addRow(tr("Calibration torque"), calibrationTorque);
    addTip(tr("3. Don't place the mass yet. Click \"No load reading\" to save voltage when the mass is not applied."));
    noLoadButton = new QPushButton(QStringLiteral("No load reading ->"), this);
    noLoadButton->setToolTip(QStringLiteral("Press when there is no load placed on load cell"));
    noLoadLabel = new QLabel(QStringLiteral("0"), this);
    form->addRow(noLoadButton, noLoadLabel);
    addTip(tr("4. Place or hang calibration mass on the arm and click \"Load reading\"."));
    loadButton = new QPushButton(tr("Load reading ->"), this);
    loadButton->setToolTip(tr("Press when calibration weight is placed on the arm"));
    loadLabel = new QLabel(QStringLiteral("0"), this);
    form->addRow(loadButton, loadLabel);
    addTip(tr("5. Click \"▼\" to calculate a and b coefficients."));
    calculateButton = new QPushButton(QStringLiteral("▼"), this);
    calculateButton->setToolTip(
        tr("Calculate load cell coefficients. Available when load and no load measurements are made."));
    calculateButton->setEnabled(false);
    form->addRow(calculateButton);
    auto* a = SettingsWizards::editor<QDoubleSpinBox>(DynoSettingId_loadCellA, loadCell, SettingWidgetType_doubleSpinBox);
    auto* b = SettingsWizards::editor<QDoubleSpinBox>(DynoSettingId_loadCellB, loadCell, SettingWidgetType_doubleSpinBox);
    gainA = coefficientBox(this, a ? a->value() : 0.0, QString());
    offsetB = coefficientBox(this, b ? b->value() : 0.0, QStringLiteral(" Nm"));
    form->addRow(tr("Gain a"), gainA);
    form->addRow(tr("Offset b"), offsetB);
    addTip(tr("6. Click OK to save the result, or Cancel to reject it."));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);

    theSettings.connectSpinBoxWithUnit(armLength);
    theSettings.connectSpinBoxWithUnit(calibrationMass);
    theSettings.connectSpinBoxWithUnit(calibrationTorque);
    connect(armLength, &SpinBoxWithUnit::signal_valueChangedSI, this, &CalibrateLoadCell::slot_calculateTorque);
    connect(calibrationMass, &SpinBoxWithUnit::signal_valueChangedSI, this, &CalibrateLoadCell::slot_calculateTorque);
    connect(noLoadButton, &QPushButton::clicked, this, &CalibrateLoadCell::slot_noLoadReading_clicked);
    connect(loadButton, &QPushButton::clicked, this, &CalibrateLoadCell::slot_loadReading_clicked);
    connect(calculateButton, &QPushButton::clicked, this, &CalibrateLoadCell::slot_calculateCoefficients_clicked);
    connect(buttons, &QDialogButtonBox::accepted, this, &CalibrateLoadCell::slot_accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    slot_calculateTorque();

    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &CalibrateLoadCell::slot_sampleLoadCell);
    timer->start(100);
    DialogAnswerer::exec(this);
    timer->stop();
}

void CalibrateLoadCell::addTip(const QString& text)
{
    auto* tip = new QLabel(text, this);
    tip->setWordWrap(true);
    Tools::setTextColorWithPalette(tip, QColor(0, 130, 0));
    static_cast<QFormLayout*>(layout())->addRow(tip);
}

void CalibrateLoadCell::slot_sampleLoadCell()
{
    reading = LoadCellReading::current(loadCell);
    readingLabel->setText(QString::asprintf("M = a * %04.6f + b = %+6.1f Nm", reading,
                                            gainA->value() * reading + offsetB->value()));
}

void CalibrateLoadCell::slot_calculateTorque()
{
    calibrationTorque->setValueSI(armLength->getValueSI() * calibrationMass->getValueSI() * kGravity);
}

void CalibrateLoadCell::updateCalculateButton()
{
    // A stale reading (NaN) differs from everything; it must not make a gain.
    calculateButton->setEnabled(std::isfinite(noLoadReading) && std::isfinite(loadReading) && noLoadReading != 0.0
                                && loadReading != 0.0 && noLoadReading != loadReading);
}

void CalibrateLoadCell::slot_noLoadReading_clicked()
{
    noLoadReading = reading;
    noLoadLabel->setText(QString::asprintf("%4.6f", noLoadReading));
    updateCalculateButton();
}

void CalibrateLoadCell::slot_loadReading_clicked()
{
    loadReading = reading;
    loadLabel->setText(QString::asprintf("%4.6f", loadReading));
    updateCalculateButton();
}

void CalibrateLoadCell::slot_calculateCoefficients_clicked()
{
    if (!calculateButton->isEnabled())
        return;
    const double a = calibrationTorque->getValueSI() / (loadReading - noLoadReading);
    gainA->setValue(a);
    offsetB->setValue(-a * noLoadReading);
}

void CalibrateLoadCell::slot_accept()
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
