// The arithmetic of the calibration tools, against the worked numbers of the
// tools' documentation and the faults they must not pass on.
#include "CalculateLoadCellGain.h"
#include "CalibrateInertiaFallingMass.h"
#include "CalibrateInertiaHardBraking.h"
#include "EngineFactorDialog.h"
#include "LossModelCalculator.h"
#include "OneAxleWheelSet.h"
#include "RCPulseWizard.h"
#include "RollerLossModelWizard.h"
#include "SensorWizard.h"
#include "SettingsWizards.h"
#include "SimulatedScenario.h"
#include "SimulatedVehiclePlant.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestWizardCalculations : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fallingMass();
    void fallingMassSkipsSamplesThatCannotBeAverage();
    void hardBraking();
    void lossModelTextAndEvaluation();
    void automaticStage();
    void temperatureSensors();
    void loadCellGain();
    void rcPulse_data();
    void rcPulse();
    void rollerLossModel();
    void wheelSetAndEngineFactor();
    void knockAndStepper();
    void fallingMassOnTheSimulatedDyno();
};

void TestWizardCalculations::fallingMass()
{
    // M = 10 kg, r = 0.2 m, α = 5 rad/s², no brake torque, no losses: a = 1 m/s²,
    // rope torque 17.6 N·m, J = 3.52 kg·m².
    const QList<double> model{0, 0, 0};
    using S = CalibrateInertiaFallingMass::Sample;
    auto r = CalibrateInertiaFallingMass::compute({S{5, 10, 0, 2}, S{5, 20, 0, 4}}, model, 10, 0.2, 3.0);
    QCOMPARE(r.inertia.size(), 2);
    QVERIFY(std::abs(r.average - 3.52) < 1e-12);
    // A model of three zeros gives no loss torque: the report says so.
    QVERIFY(!r.plausible);
    QVERIFY(r.report.endsWith(QStringLiteral("\nLoss model not loaded or invalid")));
    QVERIFY(r.report.startsWith(QString(80, QLatin1Char('#'))));

    // With losses it is plausible; a zero acceleration stops everything.
    r = CalibrateInertiaFallingMass::compute({S{5, 10, 0, 2}}, {0, 1, 0}, 10, 0.2, 3.0);
    QVERIFY(r.plausible);
    r = CalibrateInertiaFallingMass::compute({S{5, 10, 0, 2}, S{0, 10, 0, 2}}, {0, 1, 0}, 10, 0.2, 3.0);
    QVERIFY(r.zeroAcceleration);
    // Faster than free fall is implausible.
    r = CalibrateInertiaFallingMass::compute({S{60, 10, 0, 2}}, {0, 1, 0}, 10, 0.2, 3.0);
    QVERIFY(!r.plausible);
    QVERIFY(r.report.endsWith(QStringLiteral("exceeded g=9.8m/s² !!")));
}

void TestWizardCalculations::fallingMassSkipsSamplesThatCannotBeAverage()
{
    using S = CalibrateInertiaFallingMass::Sample;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // A standing roller (ω = 0: infinite loss torque) and a NaN brake torque
    // would pass every check (NaN < 0 is false) and make the average NaN.
    auto r = CalibrateInertiaFallingMass::compute({S{5, 0, 0, 0}, S{5, 10, nan, 2}, S{5, 10, 0, 2}, S{5, -3, 0, 2}},
                                                  {0, 1, 0}, 10, 0.2, 3.0);
    QCOMPARE(r.skipped, 3);
    QCOMPARE(r.inertia.size(), 1);
    QVERIFY(std::isfinite(r.average));
    QVERIFY(r.plausible);
    QVERIFY(r.report.contains(QStringLiteral("3 samples skipped")));
    // Nothing usable: no average is offered.
    r = CalibrateInertiaFallingMass::compute({S{5, 0, 0, 0}}, {0, 1, 0}, 10, 0.2, 3.0);
    QVERIFY(!r.plausible);
    QVERIFY(std::isnan(r.average));
}

void TestWizardCalculations::hardBraking()
{
    using S = CalibrateInertiaHardBraking::Sample;
    // τb = 200 N·m, α = −40 rad/s², no losses, Jd_old = 1, Jr_old = 3.
    auto r = CalibrateInertiaHardBraking::compute({S{-40, 50, 200, 10}}, {}, 1.0, 3.0);
    QCOMPARE(r.total, 5.0);
    QCOMPARE(r.roller, 4.0);
    QCOMPARE(r.drivetrain, 2.0);
    // A zero denominator is left out instead of making the total infinite.
    r = CalibrateInertiaHardBraking::compute({S{0, 50, 200, 10}, S{-40, 50, 200, 10}}, {}, 1.0, 3.0);
    QCOMPARE(r.skipped, 1);
    QCOMPARE(r.total, 5.0);
    r = CalibrateInertiaHardBraking::compute({S{0, 50, 200, 10}}, {}, 1.0, 3.0);
    QVERIFY(std::isnan(r.roller));
    // Losses decelerate too: the brake alone did less.
    r = CalibrateInertiaHardBraking::compute({S{-40, 50, 200, 10}}, {0, 100, 0}, 1.0, 3.0);
    QVERIFY(std::abs(r.total - 200.0 / (40.0 - 1000.0 / 50.0 / 4.0)) < 1e-12);
}

void TestWizardCalculations::lossModelTextAndEvaluation()
{
    const QList<double> model{10, 2, 0.5, 0, 0};
    QCOMPARE(LossModelCalculator::printLossModelString(&model),
             QStringLiteral("Loss(x) = 10.000000 +2.00E+00 * v +5.00E-01 * v² +0.00E+00 * v³ +0.00E+00 * v<sup>4</sup>"));
    const QList<double> empty;
    QCOMPARE(LossModelCalculator::printLossModelString(&empty),
             QStringLiteral("Loss(x) = 0.000000 +0.00E+00 * v +0.00E+00 * v² +0.00E+00 * v³ +0.00E+00 * v<sup>4</sup>"));
    QCOMPARE(LossModelCalculator::evaluate({10, 2}, 5.0), 0.0);
    QCOMPARE(LossModelCalculator::evaluate({10, 2, 0.5}, 2.0), 16.0);
    QCOMPARE(LossModelCalculator::evaluate({0, 0, 0, 1, 1}, 2.0), 24.0);
}

void TestWizardCalculations::automaticStage()
{
    // A coast-down from 30 m/s, 1 m/s per sample: the stage runs from the
    // last sample above 21 m/s to the last one above 3 m/s.
    QList<double> speed;
    QList<double> loss;
    for (int i = 0; i <= 30; ++i) {
        speed.append(30 - i);
        loss.append(i < 2 ? std::nan("") : 1.0);
    }
    auto [start, end] = LossModelCalculator::findStage(speed, loss, 30, 0.7);
    QCOMPARE(start, 8);
    QCOMPARE(end, 26);
    // A run that ends above the start fraction sets both on its last sample.
    std::tie(start, end) = LossModelCalculator::findStage({10, 20, 30, 29}, {1, 1, 1, 1}, 30, 0.7);
    QCOMPARE(start, 3);
    QCOMPARE(end, 3);
    std::tie(start, end) = LossModelCalculator::findStage({0, 0, 0}, {1, 1, 1}, 0, 0.7);
    QCOMPARE(start, -1);
}

void TestWizardCalculations::temperatureSensors()
{
    const NTCCharacteristic bosch = SensorWizard::builtInPresets().value(QStringLiteral("Bosch NTC M12"));
    const auto c = SensorWizard::steinhartHart(bosch);
    QVERIFY(std::abs(c.A - 1.3031e-3) < 1e-7);
    QVERIFY(std::abs(c.B - 2.5886e-4) < 1e-8);
    QVERIFY(std::abs(c.C - 1.7093e-7) < 1e-11);
    const double inf = std::numeric_limits<double>::infinity();
    const QList<QPointF> raw = SensorWizard::rawCharacteristic(false, c, inf, 2200, inf);
    QCOMPARE(raw.size(), 4801);
    QVERIFY(std::abs(raw.first().y() - 435.3) < 0.1);
    QVERIFY(std::abs(raw.at(2400).y() - 296.4) < 0.1);
    QVERIFY(std::abs(raw.last().y() - 218.9) < 0.1);
    // The points in reverse order give a negative B.
    NTCCharacteristic reversed = bosch;
    std::swap(reversed.T1, reversed.T3);
    QVERIFY(SensorWizard::steinhartHart(reversed).B < 0);

    QCOMPARE(SensorWizard::temperatureFromResistancePT100(100), 273.15);
    QVERIFY(std::abs(SensorWizard::temperatureFromResistancePT100(138.51) - 373.16) < 0.01);
    QVERIFY(std::abs(SensorWizard::temperatureFromResistancePT100(80) - 221.21) < 0.01);
    QVERIFY(std::isnan(SensorWizard::temperatureFromResistancePT100(1e6)));
}

void TestWizardCalculations::loadCellGain()
{
    QCOMPARE(CalculateLoadCellGain::gain(2, 500, 0.5, 2, 0, 0), 1226250.0);
    QVERIFY(std::abs(CalculateLoadCellGain::gain(1, 500, 0.5, 2, 10, 106) - 1.156840) < 1e-6);
}

void TestWizardCalculations::rcPulse_data()
{
    QTest::addColumn<int>("slider");
    QTest::addColumn<double>("frequency");
    QTest::addColumn<double>("duty");
    QTest::newRow("1 ms at 50 Hz") << 0 << 50.0 << 0.95;
    QTest::newRow("2 ms at 50 Hz") << 100 << 50.0 << 0.90;
    QTest::newRow("1.5 ms at 50 Hz") << 50 << 50.0 << 0.925;
    QTest::newRow("2 ms at 100 Hz") << 100 << 100.0 << 0.8;
}

void TestWizardCalculations::rcPulse()
{
    QFETCH(int, slider);
    QFETCH(double, frequency);
    QFETCH(double, duty);
    QVERIFY(std::abs(RCPulseWizard::dutyCycle(RCPulseWizard::pulseOf(slider), frequency) - duty) < 1e-12);
    QCOMPARE(RCPulseWizard::workingFrequency(1000), 100.0);
    QCOMPARE(RCPulseWizard::workingFrequency(20), 40.0);
    QCOMPARE(RCPulseWizard::workingFrequency(40), 40.0);
    QCOMPARE(RCPulseWizard::workingFrequency(50), 50.0);
}

void TestWizardCalculations::rollerLossModel()
{
    const QList<double> out = RollerLossModelWizard::convert({10, 2, 0.5, 0, 0}, 0.2, 2, 1);
    const QList<double> expected{5, 0.2, 0.01, 0, 0};
    QCOMPARE(out.size(), 5);
    for (int k = 0; k < 5; ++k)
        QVERIFY(std::abs(out.at(k) - expected.at(k)) < 1e-12);
    QCOMPARE(RollerLossModelWizard::convert({}, 0.2, 1, 1), (QList<double>{0, 0, 0, 0, 0}));
}

void TestWizardCalculations::wheelSetAndEngineFactor()
{
    const auto m = OneAxleWheelSet::model(200, 40, 17);
    QVERIFY(std::abs(m.diameter - 0.5918) < 1e-9);
    QVERIFY(std::abs(m.wheelInertia - 0.921) < 0.001);
    const double set = 2 * m.wheelInertia;
    QVERIFY(std::abs(set - 1.843) < 0.001);
    QVERIFY(std::abs(set / std::pow(m.diameter / 2, 2) - 21.05) < 0.01);
    QVERIFY(std::abs(set * std::pow(0.5 / m.diameter, 2) - 1.315) < 0.001);

    QVERIFY(std::abs(EngineFactorDialog::factor(60, 1) - 1.02) < 1e-12);
    QCOMPARE(EngineFactorDialog::factor(60, 2), 0.2);
    QCOMPARE(EngineFactorDialog::factor(100, 1.5), 1.2);
}

void TestWizardCalculations::knockAndStepper()
{
    QVERIFY(std::abs(SettingsWizards::diameterFromKnockFrequency(10000) - 0.0573) < 0.0001);
    QVERIFY(std::abs(SettingsWizards::knockFrequencyFromDiameter(0.1) - 5729.6) < 0.1);
    QCOMPARE(SettingsWizards::stepperAdjustWord(2, -1), 0x0200FFFFu);
    QCOMPARE(SettingsWizards::stepperAdjustWord(0, 5), 5u);
}

void TestWizardCalculations::fallingMassOnTheSimulatedDyno()
{
    // 10 kg on 2 m of rope over a 0.5 m roller of 5 kg·m², nothing else.
    QString error;
    const SimulatedScenario scenario = SimulatedScenario::fromText(
        QStringLiteral("rollers 1\nroller_diameter 0.5\nroller_inertia 5\nvehicle_inertia 0\nconstant_torque 0\n"
                       "noise 0\nfalling_mass 10\nfalling_mass_drop 2\n"),
        &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(scenario.fallingMass, 10.0);
    SimulatedVehiclePlant plant(scenario, 3);
    class Discard : public SimulatedPlant::FrameSink
    {
    public:
        void push(uint8_t, uint32_t) override {}
    } sink;
    plant.start(0);
    const double r = 0.25;
    const double alpha = r * 10 * 9.80665 / (5.0 + 10 * r * r);
    plant.advance(500000, sink);
    QVERIFY(std::abs(plant.rollerSpeed(0) - alpha * 0.5) < 1e-9 * alpha);
    // Off the rope after 2 m (θ = 8 rad): the roller keeps the speed it had.
    const double tOff = std::sqrt(2.0 * (2.0 / r) / alpha);
    plant.advance(int64_t((tOff + 1.0) * 1e6), sink);
    const double off = plant.rollerSpeed(0);
    QVERIFY(std::abs(off - alpha * tOff) < 0.01 * alpha * tOff);
    plant.advance(int64_t((tOff + 3.0) * 1e6), sink);
    QCOMPARE(plant.rollerSpeed(0), off);
}

QTEST_MAIN(TestWizardCalculations)
#include "tst_wizard_calculations.moc"
