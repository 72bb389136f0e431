#include "OneAxleWheelSet.h"

#include "LayoutLine.h"
#include "MySettings.h"
#include "SpinBoxWithUnit.h"
#include "lib/Unit.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

#include <cmath>

OneAxleWheelSet::Model OneAxleWheelSet::model(double widthMm, double profile, double rim)
{
    Model m;
    m.diameter = rim * 0.0254 + 2.0 * widthMm * 0.001 * profile * 0.01;
    const double w = widthMm * 0.001;
    const double r = rim * 0.0254 / 2.0;
    const double R = m.diameter / 2.0;
    const double s2 = (m.diameter / 0.6) * (m.diameter / 0.6);
    const double t1 = 0.0035 * s2;
    const double t2 = 0.007 * s2;
    const double t3 = 0.01 * s2;
    const double discMass = M_PI * r * r * t1 * 7800.0;
    const double disc = discMass * r * r / 2.0;
    const double barrelMass = M_PI * (r * r - (r - t1) * (r - t1)) * w * 7800.0;
    const double barrel = barrelMass * (r * r + (r - t1) * (r - t1)) / 2.0;
    const double wallMass = 2.0 * M_PI * (R * R - r * r) * t2 * 1200.0;
    const double walls = wallMass * (R * R + r * r) / 2.0;
    const double treadMass = M_PI * (R * R - (R - t3) * (R - t3)) * w * 1200.0;
    const double tread = treadMass * (R * R + (R - t3) * (R - t3)) / 2.0;
    m.wheelInertia = disc + barrel + walls + tread;
    return m;
}

OneAxleWheelSet::OneAxleWheelSet(QString group, QString name, bool single)
    : singleWheel(single)
{
    setFrameShape(QFrame::Box);
    const QString prefix = group + QLatin1Char('/') + name + QLatin1Char('/');
    auto* form = new QFormLayout(this);
    auto* title = new QLabel(tr("Tire size"), this);
    title->setAlignment(Qt::AlignCenter);
    form->addRow(title);
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
    wheelCount = new QSpinBox(this);
    wheelCount->setObjectName(prefix + QStringLiteral("usedWheelsCount"));
    wheelCount->setRange(0, 100);
    wheelCount->setValue(single ? 1 : 2);
    if (!single)
        form->addRow(tr("Wheels count"), wheelCount);
    else
        wheelCount->hide();
    form->addRow(new LayoutLine(this));
    auto result = [&](Quantity q, int decimals) {
        auto* b = new SpinBoxWithUnit(this, q);
        b->setDecimals(decimals);
        b->setReadOnly(true);
        b->setRangeSI(0, 1e9);
        return b;
    };
    diameterBox = result(Quantity::Distance, 1);
    diameterBox->setUnitFromName(QStringLiteral("mm"));
    massBox = result(Quantity::Mass, 0);
    inertiaBox = result(Quantity::Inertia, 2);
    form->addRow(tr("Wheel diameter"), diameterBox);
    form->addRow(tr("Equivalent mass"), massBox);
    form->addRow(single ? tr("Wheel inertia") : tr("Wheels set inertia"), inertiaBox);

    theSettings.connectDoubleSpinBox(tireWidth);
    theSettings.connectDoubleSpinBox(tireProfile);
    theSettings.connectDoubleSpinBox(rimDiameter);
    if (!single)
        theSettings.connectSpinBox(wheelCount);
    for (QDoubleSpinBox* b : {tireWidth, tireProfile, rimDiameter})
        connect(b, &QDoubleSpinBox::valueChanged, this, &OneAxleWheelSet::slot_update);
    connect(wheelCount, &QSpinBox::valueChanged, this, &OneAxleWheelSet::slot_update);
    slot_update();
}

double OneAxleWheelSet::diameter() const
{
    return model(tireWidth->value(), tireProfile->value(), rimDiameter->value()).diameter;
}

double OneAxleWheelSet::setInertia() const
{
    const Model m = model(tireWidth->value(), tireProfile->value(), rimDiameter->value());
    const double wheel = singleWheel ? m.wheelInertia / 2.0 : m.wheelInertia;
    return wheelCount->value() * wheel;
}

double OneAxleWheelSet::equivalentMass() const
{
    const double R = diameter() / 2.0;
    return setInertia() / (R * R);
}

void OneAxleWheelSet::slot_update()
{
    diameterBox->setValueSI(diameter());
    massBox->setValueSI(equivalentMass());
    inertiaBox->setValueSI(setInertia());
    emit signal_update();
}
