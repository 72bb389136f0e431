#include "SensorWizard.h"

#include "CharacteristicReductor.h"
#include "MySettings.h"
#include "PointVectorEditor.h"
#include "SafeSpinBox.h"
#include "lib/Unit.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>

#include <cmath>

QMap<QString, NTCCharacteristic> SensorWizard::builtInPresets()
{
    QMap<QString, NTCCharacteristic> map;
    map.insert(QStringLiteral("Bosch NTC M12"), {233.15, 45313, 313.15, 1175, 403.15, 89, 2200});
    map.insert(QStringLiteral("KOLVO WT9 temperature sensor"), {233.15, 210514, 298.15, 10000, 398.15, 516, 10000});
    return map;
}

SensorWizard::Coefficients SensorWizard::steinhartHart(const NTCCharacteristic& n)
{
    const double L1 = std::log(n.R1), L2 = std::log(n.R2), L3 = std::log(n.R3);
    const double Y1 = 1.0 / n.T1, Y2 = 1.0 / n.T2, Y3 = 1.0 / n.T3;
    const double g2 = (Y2 - Y1) / (L2 - L1);
    const double g3 = (Y3 - Y1) / (L3 - L1);
    Coefficients c;
    c.C = (g3 - g2) / (L3 - L2) / (L1 + L2 + L3);
    c.B = g2 - c.C * (L1 * L1 + L1 * L2 + L2 * L2);
    c.A = Y1 - L1 * (c.B + c.C * L1 * L1);
    return c;
}

double SensorWizard::temperatureFromResistanceNTC(const Coefficients& c, double ohm)
{
    const double l = std::log(ohm);
    return 1.0 / (c.A + c.B * l + c.C * l * l * l);
}

double SensorWizard::temperatureFromResistancePT100(double ohm)
{
    const double d = 1.527480889e-5 + 2.31e-6 * (1.0 - ohm / 100.0);
    if (d < 0)
        return std::nan("");
    if (ohm >= 100.0)
        return (std::sqrt(d) - 0.0039083) / -1.155e-6 + 273.15;
    return (ohm / 100.0 - 1.0) / 0.00385055 + 273.15;
}

QList<QPointF> SensorWizard::rawCharacteristic(bool pt100, const Coefficients& c, double internalUp, double externalUp,
                                               double toGround)
{
    const double up = 1.0 / (1.0 / internalUp + 1.0 / externalUp);
    QList<QPointF> points;
    // Counted steps: the same voltages as adding 0.001 to a running value, without its drift.
    for (int step = 0; step <= 4800; ++step) {
        const double v = 0.1 + step * 0.001;
        const double divider = up * v / (5.0 - v);
        const double r = 1.0 / (1.0 / divider - 1.0 / toGround);
        const double t = pt100 ? temperatureFromResistancePT100(r) : temperatureFromResistanceNTC(c, r);
        if (std::isfinite(t) && t < 1273.15)
            points.append(QPointF(v, t));
    }
    return points;
}

SensorWizard::SensorWizard(QWidget* parent, PointVectorEditor* target, double pullUpInside, double toGround)
    : QDialog(parent)
    , internalPullUp(pullUpInside)
    , internalToGround(toGround)
    , editor(target)
{
    setWindowTitle(tr("Temperature Sensor Wizard"));
    backup = editor->vector();
    presets = builtInPresets();
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    sensorType = new QComboBox(this);
    sensorType->addItems({QStringLiteral("NTC"), QStringLiteral("Pt100(385)")});
    sensorType->setObjectName(QStringLiteral("sensorWizard/sensorType"));
    form->addRow(tr("Sensor type"), sensorType);
    ntcGroup = new QFrame(this);
    ntcGroup->setFrameStyle(QFrame::Box | QFrame::Plain);
    ntcGroup->setLineWidth(1);
    auto* grid = new QGridLayout(ntcGroup);
    preset = new QComboBox(ntcGroup);
    preset->addItem(tr("last"));
    preset->addItems(presets.keys());
    grid->addWidget(new QLabel(tr("Preset"), ntcGroup), 0, 0);
    grid->addWidget(preset, 0, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Temperatures"), ntcGroup), 1, 1);
    grid->addWidget(new QLabel(tr("Resistances"), ntcGroup), 1, 2);
    for (int i = 0; i < 3; ++i) {
        temperature[i] = new SafeSpinBox(ntcGroup);
        temperature[i]->slot_setQuantity(Quantity::Temperature);
        temperature[i]->setDecimals(1);
        temperature[i]->setRangeSI(0, 9000);
        temperature[i]->setObjectName(QStringLiteral("sensorWizard/temperature%1").arg(i));
        resistance[i] = new SafeSpinBox(ntcGroup);
        resistance[i]->slot_setQuantity(Quantity::Resistance);
        resistance[i]->setDecimals(1);
        resistance[i]->setRangeSI(0.001, 1e9);
        resistance[i]->setObjectName(QStringLiteral("sensorWizard/resistance%1").arg(i));
        grid->addWidget(temperature[i], 2 + i, 1);
        grid->addWidget(resistance[i], 2 + i, 2);
    }
    labelA = new QLabel(ntcGroup);
    labelB = new QLabel(ntcGroup);
    labelC = new QLabel(ntcGroup);
    grid->addWidget(labelA, 5, 1, 1, 2);
    grid->addWidget(labelB, 6, 1, 1, 2);
    grid->addWidget(labelC, 7, 1, 1, 2);
    form->addRow(ntcGroup);
    status = new QLabel(this);
    Tools::setTextColorWithPalette(status, Qt::red);
    form->addRow(status);
    pullUp = new SafeSpinBox(this);
    pullUp->slot_setQuantity(Quantity::Resistance);
    pullUp->setDecimals(1);
    pullUp->setRangeSI(1, 1e6);
    pullUp->setObjectName(QStringLiteral("sensorWizard/pullupResistance"));
    form->addRow(tr("Pullup resistor value"), pullUp);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SensorWizard::reject);

    for (int i = 0; i < 3; ++i) {
        connect(temperature[i], &SpinBoxWithUnit::signal_valueChangedSI, this,
                &SensorWizard::slot_calculateSteinhartHartCoeficients);
        connect(resistance[i], &SpinBoxWithUnit::signal_valueChangedSI, this,
                &SensorWizard::slot_calculateSteinhartHartCoeficients);
    }
    connect(pullUp, &SpinBoxWithUnit::signal_valueChangedSI, this, &SensorWizard::slot_generateCharacteristic);
    connect(sensorType, &QComboBox::currentIndexChanged, this, &SensorWizard::slot_sensorTypeChanged);
    connect(preset, &QComboBox::currentTextChanged, this, &SensorWizard::loadSensor);

    loadSensor(presets.firstKey());
    ready = false;
    for (int i = 0; i < 3; ++i) {
        theSettings.connectSpinBoxWithUnit(static_cast<SpinBoxWithUnit*>(temperature[i]));
        theSettings.connectSpinBoxWithUnit(static_cast<SpinBoxWithUnit*>(resistance[i]));
    }
    theSettings.connectComboBox(sensorType);
    theSettings.connectSpinBoxWithUnit(static_cast<SpinBoxWithUnit*>(pullUp));
    ntcGroup->setVisible(sensorType->currentIndex() == 0);
    presets.insert(tr("last"), {temperature[0]->getValueSI(), resistance[0]->getValueSI(), temperature[1]->getValueSI(),
                                resistance[1]->getValueSI(), temperature[2]->getValueSI(), resistance[2]->getValueSI(),
                                pullUp->getValueSI()});
    ready = true;
    slot_calculateSteinhartHartCoeficients();
    // However the dialog ended without OK, the editor gets its points back.
    if (DialogAnswerer::exec(this) != QDialog::Accepted)
        editor->slot_setVector(backup);
}

void SensorWizard::loadSensor(const QString& name)
{
    ready = false;
    const NTCCharacteristic n = presets.value(name);
    temperature[0]->setValueSI(n.T1);
    resistance[0]->setValueSI(n.R1);
    temperature[1]->setValueSI(n.T2);
    resistance[1]->setValueSI(n.R2);
    temperature[2]->setValueSI(n.T3);
    resistance[2]->setValueSI(n.R3);
    pullUp->setValueSI(n.pullUp);
    ready = true;
    slot_calculateSteinhartHartCoeficients();
}

void SensorWizard::slot_calculateSteinhartHartCoeficients()
{
    if (!ready)
        return;
    NTCCharacteristic n{temperature[0]->getValueSI(), resistance[0]->getValueSI(), temperature[1]->getValueSI(),
                        resistance[1]->getValueSI(), temperature[2]->getValueSI(), resistance[2]->getValueSI(),
                        pullUp->getValueSI()};
    coefficients = steinhartHart(n);
    labelA->setText(QStringLiteral("A: %1").arg(coefficients.A));
    labelB->setText(QStringLiteral("B: %1").arg(coefficients.B));
    labelC->setText(QStringLiteral("C: %1").arg(coefficients.C));
    if (coefficients.A > 0 && coefficients.B > 0 && coefficients.C > 0) {
        status->clear();
        coefficientsValid = true;
        slot_generateCharacteristic();
    } else {
        status->setText(tr("Invalid Steinhart-Hart coefficients calculated from entered temperature - resistance pairs"));
        coefficientsValid = false;
    }
}

void SensorWizard::slot_generateCharacteristic()
{
    if (!coefficientsValid || !ready)
        return;
    const QList<QPointF> raw = rawCharacteristic(sensorType->currentIndex() == 1, coefficients, internalPullUp,
                                                 pullUp->getValueSI(), internalToGround);
    editor->slot_setVector(CharacteristicReductor::reduceCharacteristic(raw, 0.2));
}

void SensorWizard::slot_sensorTypeChanged(int index)
{
    ntcGroup->setVisible(index == 0);
    slot_generateCharacteristic();
}

void SensorWizard::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}

void SensorWizard::reject()
{
    editor->slot_setVector(backup);
    QDialog::reject();
}
