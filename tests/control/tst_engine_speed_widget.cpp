// The engine-speed panel on the largest board's dyno settings: the ratio
// calibrations (answered by the test), the rows shown per source, the mirror
// onto the settings and the 2 s calibration from the vehicle parameter.
#include "SettingsFixture.h"

#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "EngineSpeedWidget.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "SafeSpinBox.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void setChannel(ChannelId id, double value)
{
    theChannels.getChannel(id, 0)->setDataWithoutFilter(value, QDateTime::currentMSecsSinceEpoch());
}

double ratioSetting()
{
    return theDynoSettings->getSettingValueDouble(DynoSettingId_engineSpeedRatio, 0);
}

} // namespace

class TestEngineSpeedWidget : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void ratioFormula_data();
    void ratioFormula();
    void rowsPerSource_data();
    void rowsPerSource();
    void mirrorsTheSettings();
    void calibrationFromCurrentEngineSpeed();
    void calibrationWithoutSpeedChangesNothing();
    void calibrationFromMaxEngineSpeed();
    void triggerOnlyOnRunTab();
    void vpCalibrationEndsCalculated();

private:
    std::unique_ptr<SettingsFixture> fixture;
    std::unique_ptr<RecordingAnswerer> answerer;
    std::unique_ptr<EngineSpeedWidget> panel;
};

void TestEngineSpeedWidget::initTestCase()
{
    fixture = std::make_unique<SettingsFixture>(3);
    QVERIFY(fixture->start());
    answerer = std::make_unique<RecordingAnswerer>();
    panel = std::make_unique<EngineSpeedWidget>();
    panel->init();
}

void TestEngineSpeedWidget::cleanupTestCase()
{
    panel.reset();
    answerer.reset();
    fixture.reset();
}

void TestEngineSpeedWidget::ratioFormula_data()
{
    QTest::addColumn<double>("rpm");
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("radius");
    QTest::addColumn<double>("slip");
    QTest::addColumn<double>("ratio");
    QTest::newRow("3000 rpm at 10 m/s") << 3000.0 << 10.0 << 0.2 << 0.0 << 6.283;
    QTest::newRow("with 5 % slip") << 3000.0 << 10.0 << 0.2 << 0.05 << 5.984;
    QTest::newRow("7000 rpm at 40 m/s") << 7000.0 << 40.0 << 0.2 << 0.0 << 3.665;
    QTest::newRow("standing") << 3000.0 << 0.0 << 0.2 << 0.0 << kNaN;
    QTest::newRow("radius 0") << 3000.0 << 10.0 << 0.0 << 0.0 << kNaN;
    QTest::newRow("slip -1") << 3000.0 << 10.0 << 0.2 << -1.0 << kNaN;
    QTest::newRow("stale speed") << 3000.0 << kNaN << 0.2 << 0.0 << kNaN;
    QTest::newRow("backwards") << 3000.0 << -10.0 << 0.2 << 0.0 << kNaN;
}

void TestEngineSpeedWidget::ratioFormula()
{
    QFETCH(double, rpm);
    QFETCH(double, speed);
    QFETCH(double, radius);
    QFETCH(double, slip);
    QFETCH(double, ratio);
    const double result = EngineSpeedWidget::ratioFromEngineSpeed(rpm, speed, radius, slip);
    if (std::isnan(ratio))
        QVERIFY2(std::isnan(result), qPrintable(QString::number(result)));
    else
        QVERIFY2(std::abs(result - ratio) < 5e-4, qPrintable(QString::number(result)));
}

void TestEngineSpeedWidget::rowsPerSource_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("ratio");
    QTest::addColumn<bool>("multiplierAndDivider");
    QTest::newRow("calculated") << 0 << true << false;
    QTest::newRow("eng. speed in") << 1 << false << true;
    QTest::newRow("OBD") << 2 << false << false;
    QTest::newRow("CAN channel") << 3 << false << false;
    QTest::newRow("VP_engineSpeed") << 4 << false << false;
}

void TestEngineSpeedWidget::rowsPerSource()
{
    QFETCH(int, source);
    QFETCH(bool, ratio);
    QFETCH(bool, multiplierAndDivider);
    panel->comboBox_runEngineSpeedSource->setCurrentIndex(source);
    QCOMPARE(panel->isWidgetVisible(panel->comboBox_runEngineSpeedSource), true);
    QCOMPARE(panel->isWidgetVisible(panel->spinBox_engineSpeedRatio), ratio);
    QCOMPARE(panel->isWidgetVisible(panel->spinBox_multiplier), multiplierAndDivider);
    QCOMPARE(panel->isWidgetVisible(panel->spinBox_divider), multiplierAndDivider);
    QCOMPARE(panel->isWidgetVisible(panel->spinBox_slipCoefficient), theDynoSettings->isSlipEstimationAvailable());
    if (source != 0)
        QVERIFY(!panel->isWidgetVisible(panel->spinBox_slipCoefficient));
    // The mirrored setting follows.
    QCOMPARE(theDynoSettings->getSetting(DynoSettingId_engineSpeedSource, 0)->value().toInt(), source);
    panel->comboBox_runEngineSpeedSource->setCurrentIndex(0);
}

void TestEngineSpeedWidget::mirrorsTheSettings()
{
    auto* settingEditor = theDynoSettings->getSetting(DynoSettingId_engineSpeedRatio, 0)
                              ->getWidgetHelper<QDoubleSpinBox>(SettingWidgetType_doubleSpinBox);
    QVERIFY(settingEditor);
    settingEditor->setValue(2.5);
    QCOMPARE(panel->spinBox_engineSpeedRatio->value(), 2.5);
    panel->spinBox_engineSpeedRatio->setValueSI(1.75);
    QCOMPARE(ratioSetting(), 1.75);
    QCOMPARE(panel->spinBox_engineSpeedRatio->decimals(), 3);
    QCOMPARE(panel->spinBox_multiplier->decimals(), 2);
    QCOMPARE(panel->spinBox_multiplier->minimum(), 0.01);
}

void TestEngineSpeedWidget::calibrationFromCurrentEngineSpeed()
{
    setChannel(ChannelId_dynoSpeed, 10.0);
    setChannel(ChannelId_dynoEstimatedSlip, 0.05);
    const double radius = theDynoSettings->getRoadSpeedRadius(0);
    QVERIFY(radius > 0.0);
    answerer->respond = [](QDialog* dialog) {
        auto* rpm = dialog->findChild<QDoubleSpinBox*>(QStringLiteral("setEngineSpeedRatioFromCurrentEngineSpeed_engineSpeed"));
        if (!rpm)
            return int(QDialog::Rejected);
        rpm->setValue(3000);
        return int(QDialog::Accepted);
    };
    panel->setRatioFromCurrentEngineSpeed(false);
    const double expected = (3000.0 * 2.0 * M_PI / 60.0) / (10.0 / radius) / 1.05;
    QVERIFY2(std::abs(ratioSetting() - expected) < 1e-3, qPrintable(QStringLiteral("%1 %2").arg(ratioSetting()).arg(expected)));
    // The dialog is gone again.
    QVERIFY(!panel->calibrationDialog);
    answerer->respond = nullptr;
}

void TestEngineSpeedWidget::calibrationWithoutSpeedChangesNothing()
{
    panel->spinBox_engineSpeedRatio->setValueSI(1.5);
    answerer->shown.clear();
    answerer->result = QDialog::Accepted;
    setChannel(ChannelId_dynoSpeed, kNaN);
    panel->setRatioFromCurrentEngineSpeed(false);
    QCOMPARE(ratioSetting(), 1.5);
    QCOMPARE(answerer->shown.constLast().text, QStringLiteral("Speed not available"));
    // Standing: the ratio would be infinite; it never reaches the setting.
    setChannel(ChannelId_dynoSpeed, 0.0);
    panel->setRatioFromCurrentEngineSpeed(false);
    QCOMPARE(ratioSetting(), 1.5);
    QVERIFY(std::isfinite(ratioSetting()));
    setChannel(ChannelId_dynoSpeedMax, kNaN);
    panel->setRatioFromMaxEngineSpeed();
    QCOMPARE(answerer->shown.constLast().text, QStringLiteral("Max speed not available"));
    setChannel(ChannelId_dynoSpeedMax, 0.0);
    panel->setRatioFromMaxEngineSpeed();
    QCOMPARE(ratioSetting(), 1.5);
}

void TestEngineSpeedWidget::calibrationFromMaxEngineSpeed()
{
    setChannel(ChannelId_dynoSpeedMax, 40.0);
    setChannel(ChannelId_dynoEstimatedSlip, 0.05); // ignored here
    const double radius = theDynoSettings->getRoadSpeedRadius(0);
    answerer->respond = [](QDialog* dialog) {
        auto* rpm = dialog->findChild<QDoubleSpinBox*>(QStringLiteral("setEngineSpeedRatioFromMaxEngineSpeed_engineSpeed"));
        if (!rpm)
            return int(QDialog::Rejected);
        rpm->setValue(7000);
        return int(QDialog::Accepted);
    };
    panel->setRatioFromMaxEngineSpeed();
    const double expected = (7000.0 * 2.0 * M_PI / 60.0) / (40.0 / radius);
    QVERIFY2(std::abs(ratioSetting() - expected) < 1e-3, qPrintable(QString::number(ratioSetting())));
    answerer->respond = nullptr;
}

void TestEngineSpeedWidget::triggerOnlyOnRunTab()
{
    answerer->shown.clear();
    answerer->result = QDialog::Rejected;
    panel->comboBox_runEngineSpeedSource->setCurrentIndex(1);
    panel->runTabCurrent = [] { return false; };
    panel->slot_calculateSpeedRatioShortcutTriggered();
    QVERIFY(answerer->shown.isEmpty());
    QCOMPARE(panel->comboBox_runEngineSpeedSource->currentIndex(), 1);
    panel->runTabCurrent = [] { return true; };
    panel->slot_calculateSpeedRatioShortcutTriggered();
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.constFirst().title, QStringLiteral("Calibrate engine speed ratio"));
    QCOMPARE(panel->comboBox_runEngineSpeedSource->currentIndex(), 0);
    // A second press of the trigger while the dialog is open accepts it.
    setChannel(ChannelId_dynoSpeed, 10.0);
    setChannel(ChannelId_dynoEstimatedSlip, 0.0);
    panel->spinBox_engineSpeedRatio->setValueSI(1.0);
    answerer->respond = [this](QDialog* dialog) {
        panel->slot_calculateSpeedRatioShortcutTriggered();
        return dialog->result();
    };
    panel->slot_calculateSpeedRatioShortcutTriggered();
    QVERIFY(std::abs(ratioSetting() - 1.0) > 1e-3);
    answerer->respond = nullptr;
    panel->runTabCurrent = nullptr;
}

void TestEngineSpeedWidget::vpCalibrationEndsCalculated()
{
    panel->comboBox_runEngineSpeedSource->setCurrentIndex(0);
    panel->slot_calculateVPSpeedRatioShortcutTriggered();
    QCOMPARE(panel->comboBox_runEngineSpeedSource->currentIndex(), 4);
    QVERIFY(panel->vpTimer->isActive());
    QCOMPARE(panel->vpTimer->interval(), 2000);
    // Meanwhile the acquisition keeps the ratio channel at the measured ratio.
    setChannel(ChannelId_engineRollerSpeedRatio, 4.25);
    QTRY_COMPARE_WITH_TIMEOUT(panel->comboBox_runEngineSpeedSource->currentIndex(), 0, 10000);
    QCOMPARE(theDynoSettings->getSetting(DynoSettingId_engineSpeedSource, 0)->value().toInt(), 0);
    QCOMPARE(ratioSetting(), 4.25);
}

QTEST_MAIN(TestEngineSpeedWidget)
#include "tst_engine_speed_widget.moc"
