// The settings page's wizard buttons on the simulated controller (board code
// 3): which tool each opens for its instance, the settings file after every
// click, and what the tools and in-place actions write into the settings.
#include "SettingsFixture.h"

#include "CalculateLoadCellGain.h"
#include "CalibrateLoadCell.h"
#include "Channels.h"
#include "DrivetrainInertiaDialog.h"
#include "DynoSetting.h"
#include "EngineFactorDialog.h"
#include "OneAxleWheelSet.h"
#include "WheelDiameterDialog.h"
#include "DynoSettings.h"
#include "DynoSettingsLossModelEditor.h"
#include "InertiaCalculator.h"
#include "LoadCellReading.h"
#include "MySettings.h"
#include "PointVectorEditor.h"
#include "RCPulseWizard.h"
#include "RecordingAnswerer.h"
#include "RollerLossModelWizard.h"
#include "RunChannel.h"
#include "SensorPresets.h"
#include "SensorWizard.h"
#include "SpinBoxWithUnit.h"
#include "WizardButton.h"
#include "WizardHooks.h"
#include "Wizards.h"
#include "lib/Unit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDomDocument>
#include <QDoubleSpinBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

class TestSettingsWizards : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void buttonsOpenTheirToolForTheirInstance_data();
    void buttonsOpenTheirToolForTheirInstance();
    void pidTuningWindowOncePerButton();
    void zeroRecalibration();
    void gainCopyAndStepper();
    void knockFrequency();
    void loadCellCalibration();
    void loadCellGainCalculator();
    void inertiaCalculator();
    void rcPulseWizard();
    void sensorWizardAndPresets();
    void rollerLossModelWizard();
    void vehicleCalculators();

private:
    DynoSetting* setting(DynoSettingId id, int index) const { return fixture->registry->getSetting(id, index); }
    template<class T> T* editor(DynoSettingId id, int index) const { return qobject_cast<T*>(setting(id, index)->widget); }
    WizardButton* button(SettingWizardId id, int index) const
    {
        const QList<WizardButton*> list = fixture->registry->wizardButtons.value(id);
        return index < list.size() ? list.at(index) : nullptr;
    }
    static QPushButton* buttonText(QDialog* dialog, const QString& text)
    {
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == text)
                return b;
        return nullptr;
    }
    static void clickBox(QDialog* dialog, QDialogButtonBox::StandardButton which)
    {
        dialog->findChild<QDialogButtonBox*>()->button(which)->click();
    }

    SettingsFixture* fixture = nullptr;
    RecordingAnswerer* answerer = nullptr;
    double reading = 0.0;
};

void TestSettingsWizards::initTestCase()
{
    SettingsFixture::prepareProcess();
    fixture = new SettingsFixture(3);
    QVERIFY(fixture->start());
    QVERIFY(fixture->waitLinkIdle());
    theDynoSettings = fixture->registry;
    Wizards::registerHooks();
    LoadCellReading::setSource([this](int) { return reading; });
    answerer = new RecordingAnswerer;
}

void TestSettingsWizards::cleanupTestCase()
{
    delete answerer;
    delete fixture;
}

void TestSettingsWizards::init()
{
    answerer->shown.clear();
    answerer->respond = nullptr;
    answerer->result = QDialog::Rejected;
    answerer->files.clear();
}

void TestSettingsWizards::buttonsOpenTheirToolForTheirInstance_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("title");
    QTest::newRow("1 load cell arm") << 1 << "CalibrateLoadCell" << "Load Cell Calibration";
    QTest::newRow("2 load cell nominal") << 2 << "CalculateLoadCellGain" << "Load Cell Gain Calculator";
    QTest::newRow("4 falling mass, no file") << 4 << "" << "";
    QTest::newRow("5 hard braking, no file") << 5 << "" << "";
    QTest::newRow("6 geometry") << 6 << "InertiaCalculator" << "Inertia calculator";
    QTest::newRow("7 roller loss") << 7 << "RollerLossModelWizard" << "Roller Loss Model Wizard";
    QTest::newRow("9 gain copy") << 9 << "QMessageBox" << "Copy from speed PID";
    QTest::newRow("17 hp temperature") << 17 << "SensorWizard" << "Temperature Sensor Wizard";
    QTest::newRow("18 temperature") << 18 << "SensorWizard" << "Temperature Sensor Wizard";
    QTest::newRow("19 rc pulse") << 19 << "RCPulseWizard" << "RC Servo Pulse Wizard";
    QTest::newRow("20 knock frequency") << 20 << "QDialog" << "Cylinder diameter";
    QTest::newRow("23 stepper") << 23 << "QDialog" << "Adjust stepper motor position";
    QTest::newRow("24 channel setup") << 24 << "ChannelSetupDialog" << "";
}

void TestSettingsWizards::buttonsOpenTheirToolForTheirInstance()
{
    QFETCH(int, id);
    QFETCH(QString, tool);
    QFETCH(QString, title);
    const QList<WizardButton*> buttons = fixture->registry->wizardButtons.value(SettingWizardId(id));
    QVERIFY2(!buttons.isEmpty(), "the board has this group");
    WizardButton* last = buttons.last();
    QVERIFY(WizardButton::hasOpener(SettingWizardId(id)));
    int instance = -2;
    answerer->respond = [&instance](QDialog* dialog) {
        if (auto* d = qobject_cast<CalibrateLoadCell*>(dialog))
            instance = d->loadCell;
        else if (auto* d = qobject_cast<CalculateLoadCellGain*>(dialog))
            instance = d->loadCell;
        else if (auto* d = qobject_cast<InertiaCalculator*>(dialog))
            instance = d->roller;
        else if (auto* d = qobject_cast<RollerLossModelWizard*>(dialog))
            instance = d->roller;
        else if (auto* d = qobject_cast<RCPulseWizard*>(dialog))
            instance = d->output;
        return int(QDialog::Rejected);
    };
    // The settings file holds what the store held right after the click.
    const QString marker = QStringLiteral("wizardTest/marker");
    const int stamp = id * 1000 + int(QDateTime::currentMSecsSinceEpoch() % 1000);
    theSettings.setValue(marker, stamp);
    last->click();
    QSettings onDisk(theSettings.iniFilePath(), QSettings::IniFormat);
    QCOMPARE(onDisk.value(marker).toInt(), stamp);

    if (tool.isEmpty()) {
        QVERIFY(answerer->shown.isEmpty() || answerer->shown.first().className.contains(QLatin1String("FileDialog")));
        return;
    }
    QVERIFY(!answerer->shown.isEmpty());
    QCOMPARE(answerer->shown.first().className, tool);
    if (!title.isEmpty())
        QCOMPARE(answerer->shown.first().title, title);
    if (instance != -2)
        QCOMPARE(instance, last->index);
}

void TestSettingsWizards::pidTuningWindowOncePerButton()
{
    QList<PidTuningRequest> requests;
    QWidget* made = nullptr;
    WizardHooks::instance().openTunePid = [&](const PidTuningRequest& request, QWidget*) {
        requests.append(request);
        made = new QWidget;
        return made;
    };
    WizardButton* speed = button(SettingWizardId_tuneSpeedPid, 0);
    QVERIFY(speed);
    speed->click();
    QCOMPARE(requests.size(), 1);
    QVERIFY(made->isVisible());
    made->hide();
    speed->click();
    QCOMPARE(requests.size(), 1);
    QVERIFY(made->isVisible());
    const PidTuningRequest& r = requests.first();
    QCOMPARE(r.title, QStringLiteral("Speed PID 1"));
    QCOMPARE(r.setPoint, theChannels.getChannel(ChannelId_speedControllerSP, 0));
    QCOMPARE(r.kDD, setting(DynoSettingId_pidKDD, 0)->widget);
    QCOMPARE(r.kDDFilter, setting(DynoSettingId_pidKDDFilter, 0)->widget);
    QCOMPARE(r.extra1Label, QStringLiteral("extra1"));
    QVERIFY(!r.extra1);
    // Once destroyed, the next click makes a new one; the torque button has its own.
    delete made;
    speed->click();
    QCOMPARE(requests.size(), 2);
    button(SettingWizardId_tuneTorquePid, 1)->click();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests.last().title, QStringLiteral("Torque PID 2"));
    QVERIFY(!requests.last().kDD);
    QCOMPARE(requests.last().processValue, theChannels.getChannel(ChannelId_loadCellValue, 1));
    button(SettingWizardId_tuneAccPid, 0)->click();
    QCOMPARE(requests.last().extra1Label, QStringLiteral("Synchronization gain"));
    QCOMPARE(requests.last().extra1, setting(DynoSettingId_accPidSyncGain, 0)->widget);
    delete made;
    WizardHooks::instance().openTunePid = nullptr;
}

void TestSettingsWizards::zeroRecalibration()
{
    auto* b = editor<QDoubleSpinBox>(DynoSettingId_loadCellB, 0);
    b->setValue(2.0);
    RunChannel* live = theChannels.getChannel(ChannelId_loadCellValue, 0);
    live->setDataWithoutFilter(0.5, QDateTime::currentMSecsSinceEpoch());
    QCOMPARE(live->getValue(), 0.5);
    answerer->result = QMessageBox::Yes;
    button(SettingWizardId_loadCellZeroOffset, 0)->click();
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.first().title, QStringLiteral("Recalibrate zero on cell 1"));
    QVERIFY2(answerer->shown.first().text.endsWith(QStringLiteral("New b coefficient =  1.5 Nm\nΔ = -0.5 Nm")),
             qPrintable(answerer->shown.first().text));
    QCOMPARE(b->value(), 1.5);
    QCOMPARE(setting(DynoSettingId_loadCellB, 0)->value().toDouble(), 1.5);

    // No answer from the load cell: the offset stays and nothing is asked.
    answerer->shown.clear();
    RunChannel* stale = theChannels.getChannel(ChannelId_loadCellValue, 1);
    QVERIFY(std::isnan(stale->getValue()));
    auto* b1 = editor<QDoubleSpinBox>(DynoSettingId_loadCellB, 1);
    b1->setValue(3.0);
    button(SettingWizardId_loadCellZeroOffset, 1)->click();
    QCOMPARE(b1->value(), 3.0);
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.first().title, QStringLiteral("Error"));

    answerer->result = QMessageBox::No;
    button(SettingWizardId_loadCellZeroOffset, 0)->click();
    QCOMPARE(b->value(), 1.5);
}

void TestSettingsWizards::gainCopyAndStepper()
{
    editor<QDoubleSpinBox>(DynoSettingId_pidKDFast, 1)->setValue(0.7);
    editor<QDoubleSpinBox>(DynoSettingId_pidKP, 1)->setValue(0.3);
    answerer->result = QMessageBox::No;
    button(SettingWizardId_copySpeedPidToAccPid, 1)->click();
    QVERIFY(editor<QDoubleSpinBox>(DynoSettingId_accPidKP, 1)->value() != 0.7);
    answerer->result = QMessageBox::Yes;
    button(SettingWizardId_copySpeedPidToAccPid, 1)->click();
    QCOMPARE(editor<QDoubleSpinBox>(DynoSettingId_accPidKP, 1)->value(), 0.7);
    QCOMPARE(editor<QDoubleSpinBox>(DynoSettingId_accPidKI, 1)->value(), 0.3);
    QCOMPARE(setting(DynoSettingId_accPidKDFast, 1)->value().toDouble(), 0.000004);
    QCOMPARE(setting(DynoSettingId_accPidKD, 1)->value().toDouble(), 0.00004);

    // −1 step on the last stepper (index 2 on the largest board) reaches
    // register 50 as the index in the top byte and 0xFFFF below.
    const QList<WizardButton*> steppers = fixture->registry->wizardButtons.value(SettingWizardId_stepperAdjust);
    QVERIFY(!steppers.isEmpty());
    WizardButton* stepper = steppers.last();
    const quint32 expected = (quint32(stepper->index) << 24) | 0xFFFFu;
    if (stepper->index == 2)
        QCOMPARE(expected, 0x0200FFFFu);
    fixture->link.sim->setTraceEnabled(true);
    answerer->respond = [](QDialog* dialog) {
        dialog->findChild<QSpinBox*>(QStringLiteral("spinBox_stepperAdjustmentValue"))->setValue(-1);
        dialog->findChild<QPushButton*>(QStringLiteral("pushButton_apply"))->click();
        return int(QDialog::Rejected);
    };
    stepper->click();
    QVERIFY(fixture->waitLinkIdle());
    auto written = [this] {
        for (const auto& entry : fixture->link.sim->trace())
            if (entry.reg == 50)
                return entry.value;
        return 0u;
    };
    QTRY_COMPARE(written(), expected);
    fixture->link.sim->setTraceEnabled(false);
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/spinBox_stepperAdjustmentValue")).toInt(), -1);
}

void TestSettingsWizards::knockFrequency()
{
    auto* f = editor<SpinBoxWithUnit>(DynoSettingId_audioKnockFrequency, 0);
    f->setValueSI(10000);
    double shown = 0;
    answerer->respond = [&shown](QDialog* dialog) {
        auto* d = dialog->findChild<SpinBoxWithUnit*>(QStringLiteral("spinBox_settings_cylinderDiameter"));
        shown = d->getValueSI();
        d->setValueSI(0.1);
        return int(QDialog::Accepted);
    };
    button(SettingWizardId_knockFrequency, 0)->click();
    QVERIFY(std::abs(shown - 0.0573) < 0.0001);
    QVERIFY(std::abs(f->getValueSI() - 5729.58) < 0.01);
}

void TestSettingsWizards::loadCellCalibration()
{
    auto* a = editor<QDoubleSpinBox>(DynoSettingId_loadCellA, 1);
    auto* b = editor<QDoubleSpinBox>(DynoSettingId_loadCellB, 1);
    a->setValue(5);
    b->setValue(1);
    bool downEnabledWithStale = true;
    double torque = 0;
    answerer->respond = [&](QDialog* dialog) {
        auto* d = qobject_cast<CalibrateLoadCell*>(dialog);
        d->armLength->setValueSI(0.5);
        d->calibrationMass->setValueSI(100);
        torque = d->calibrationTorque->getValueSI();
        // A stale reading must not make a gain.
        reading = std::numeric_limits<double>::quiet_NaN();
        d->slot_sampleLoadCell();
        d->noLoadButton->click();
        reading = 0.6;
        d->slot_sampleLoadCell();
        d->loadButton->click();
        downEnabledWithStale = d->calculateButton->isEnabled();
        reading = 0.1;
        d->slot_sampleLoadCell();
        d->noLoadButton->click();
        d->calculateButton->click();
        clickBox(dialog, QDialogButtonBox::Ok);
        return dialog->result();
    };
    button(SettingWizardId_loadCellArmAndWeight, 1)->click();
    QVERIFY(std::abs(torque - 490.3325) < 1e-9);
    QVERIFY(!downEnabledWithStale);
    QVERIFY(std::abs(a->value() - 980.665) < 1e-6);
    QVERIFY(std::abs(b->value() + 98.0665) < 1e-6);
    QVERIFY(std::abs(setting(DynoSettingId_loadCellA, 1)->value().toDouble() - 980.665) < 1e-6);

    // Cancel after ▼ leaves the settings.
    answerer->respond = [&](QDialog* dialog) {
        auto* d = qobject_cast<CalibrateLoadCell*>(dialog);
        reading = 0.2;
        d->slot_sampleLoadCell();
        d->noLoadButton->click();
        reading = 0.4;
        d->slot_sampleLoadCell();
        d->loadButton->click();
        d->calculateButton->click();
        return int(QDialog::Rejected);
    };
    button(SettingWizardId_loadCellArmAndWeight, 1)->click();
    QVERIFY(std::abs(a->value() - 980.665) < 1e-6);
}

void TestSettingsWizards::loadCellGainCalculator()
{
    auto* a = editor<QDoubleSpinBox>(DynoSettingId_loadCellA, 0);
    auto* b = editor<QDoubleSpinBox>(DynoSettingId_loadCellB, 0);
    a->setValue(1);
    b->setValue(0);
    bool hasGeneration1Rows = true;
    QString staleError;
    answerer->respond = [&](QDialog* dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            staleError = box->text();
            return int(QMessageBox::Ok);
        }
        auto* d = qobject_cast<CalculateLoadCellGain*>(dialog);
        hasGeneration1Rows = d->excitationVoltage != nullptr;
        d->loadCellRange->setValueSI(500);
        d->armLength->setValueSI(0.5);
        d->sensitivity->setValue(2);
        buttonText(dialog, QStringLiteral("Calculate gain"))->click();
        reading = std::numeric_limits<double>::quiet_NaN();
        d->slot_sampleLoadCell();
        buttonText(dialog, QStringLiteral("Calibrate zero"))->click();
        reading = 0.001;
        d->slot_sampleLoadCell();
        buttonText(dialog, QStringLiteral("Calibrate zero"))->click();
        clickBox(dialog, QDialogButtonBox::Ok);
        return dialog->result();
    };
    button(SettingWizardId_loadCellNominal, 0)->click();
    QVERIFY(!hasGeneration1Rows);
    QVERIFY(!staleError.isEmpty());
    QCOMPARE(a->value(), 1226250.0);
    QVERIFY(std::abs(b->value() + 1226.25) < 1e-6);
}

void TestSettingsWizards::inertiaCalculator()
{
    auto* inertia = editor<SpinBoxWithUnit>(DynoSettingId_inertia, 0);
    inertia->setValueSI(2.0);
    // Another material chosen last time: the dialog opens on steel all the same.
    theSettings.setValue(QStringLiteral("UserSetting/inertiaCalculator/material"), 0);
    int materialShown = -1;
    double mass = 0, partial = 0, total = -1, afterSubtract = -1;
    answerer->respond = [&](QDialog* dialog) {
        auto* d = qobject_cast<InertiaCalculator*>(dialog);
        materialShown = d->material->currentIndex();
        d->diameter->setValueSI(0.3);
        d->length->setValueSI(1.0);
        mass = d->mass->getValueSI();
        partial = d->partialInertia->getValueSI();
        total = d->totalInertia->getValueSI();
        d->slot_add();
        d->slot_subtract();
        d->slot_subtract();
        afterSubtract = d->totalInertia->getValueSI();
        d->slot_set();
        d->slot_add();
        buttonText(dialog, QStringLiteral("Accept new inertia"))->click();
        return dialog->result();
    };
    button(SettingWizardId_inertiaGeometry, 0)->click();
    QCOMPARE(materialShown, int(InertiaCalculator::Steel));
    QVERIFY(std::abs(mass - 556.3) < 0.1);
    QVERIFY(std::abs(partial - 6.258) < 0.001);
    QCOMPARE(total, 2.0);
    QCOMPARE(afterSubtract, 0.0);
    QVERIFY(std::abs(inertia->getValueSI() - 2 * partial) < 1e-9);

    answerer->respond = [](QDialog*) { return int(QDialog::Rejected); };
    const double before = inertia->getValueSI();
    button(SettingWizardId_inertiaGeometry, 0)->click();
    QCOMPARE(inertia->getValueSI(), before);
}

void TestSettingsWizards::rcPulseWizard()
{
    DynoSetting* frequency = setting(DynoSettingId_pwmFrequency, 0);
    DynoSetting* minimum = setting(DynoSettingId_pwmRangeMin, 0);
    DynoSetting* maximum = setting(DynoSettingId_pwmRangeMax, 0);
    frequency->setValue(1000.0);
    minimum->setValue(0.1);
    maximum->setValue(0.8);
    double working = 0;
    double testDuty = 0;
    answerer->respond = [&](QDialog* dialog) {
        auto* d = qobject_cast<RCPulseWizard*>(dialog);
        working = frequency->value().toDouble();
        d->minCalibration->setValue(0);
        d->maxCalibration->setValue(100);
        d->testValue->setValue(50);
        testDuty = minimum->value().toDouble();
        // The window closed, or Escape: as Cancel.
        return int(QDialog::Rejected);
    };
    button(SettingWizardId_rcServoPulse, 0)->click();
    QCOMPARE(working, 100.0);
    QVERIFY(std::abs(testDuty - 0.85) < 1e-6);
    QCOMPARE(frequency->value().toDouble(), 1000.0);
    QVERIFY(std::abs(minimum->value().toDouble() - 0.1) < 1e-6);
    QVERIFY(std::abs(maximum->value().toDouble() - 0.8) < 1e-6);
    QCOMPARE(setting(DynoSettingId_pwmMode, 0)->value().toInt(), 0);

    frequency->setValue(50.0);
    answerer->respond = [&](QDialog* dialog) {
        auto* d = qobject_cast<RCPulseWizard*>(dialog);
        d->minCalibration->setValue(0);
        d->maxCalibration->setValue(100);
        d->testValue->setValue(50);
        testDuty = maximum->value().toDouble();
        clickBox(dialog, QDialogButtonBox::Ok);
        return dialog->result();
    };
    button(SettingWizardId_rcServoPulse, 0)->click();
    QVERIFY(std::abs(testDuty - 0.925) < 1e-6);
    QCOMPARE(frequency->value().toDouble(), 50.0);
    QVERIFY(std::abs(minimum->value().toDouble() - 0.95) < 1e-6);
    QVERIFY(std::abs(maximum->value().toDouble() - 0.90) < 1e-6);
}

void TestSettingsWizards::sensorWizardAndPresets()
{
    auto* curve = editor<PointVectorEditor>(DynoSettingId_ainCharacteristic, 0);
    const QList<QPointF> before{{0.5, 300}, {4.5, 400}};
    curve->slot_setVector(before);
    QList<QPointF> during;
    answerer->respond = [&during, curve](QDialog* dialog) {
        auto* d = qobject_cast<SensorWizard*>(dialog);
        d->preset->setCurrentText(QStringLiteral("Bosch NTC M12"));
        during = curve->vector();
        clickBox(dialog, QDialogButtonBox::Cancel);
        return int(QDialog::Rejected);
    };
    button(SettingWizardId_ainTemperatureSensor, 0)->click();
    QVERIFY(during.size() > 5);
    QVERIFY(during != before);
    QCOMPARE(curve->vector(), before);
    answerer->respond = [](QDialog* dialog) {
        clickBox(dialog, QDialogButtonBox::Ok);
        return dialog->result();
    };
    button(SettingWizardId_ainTemperatureSensor, 0)->click();
    const QList<QPointF> made = curve->vector();
    QVERIFY(made != before);

    // Export, change, import: the input's configuration comes back.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sensor.xml"));
    auto* ratiometric = editor<QCheckBox>(DynoSettingId_ainRatiometric, 0);
    auto* filter = editor<SpinBoxWithUnit>(DynoSettingId_ainFilter, 0);
    ratiometric->setChecked(true);
    filter->setValueSI(12.5);
    QVERIFY(SensorPresets::exportPresetTo(0, path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QDomDocument document;
    QVERIFY(document.setContent(&file));
    QStringList order;
    for (QDomElement e = document.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        order.append(e.tagName());
    QCOMPARE(order, (QStringList{"characteristic", "filter", "calibration", "variableSetup"}));
    curve->slot_setVector(before);
    ratiometric->setChecked(false);
    filter->setValueSI(3);
    SensorPresets::importPresetFrom(1, path);
    SensorPresets::importPresetFrom(0, path);
    QCOMPARE(curve->vector().size(), made.size());
    QVERIFY(ratiometric->isChecked());
    QCOMPARE(filter->getValueSI(), 12.5);
    QVERIFY(editor<QCheckBox>(DynoSettingId_ainRatiometric, 1)->isChecked());

    // A file without the root element says so; a preset without the attribute unchecks.
    QFile other(dir.filePath(QStringLiteral("other.xml")));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("<analogInputPreset/>");
    other.close();
    answerer->shown.clear();
    answerer->respond = nullptr;
    SensorPresets::importPresetFrom(0, other.fileName());
    QVERIFY(!ratiometric->isChecked());
    QVERIFY(answerer->shown.isEmpty());
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("<somethingElse/>");
    other.close();
    SensorPresets::importPresetFrom(0, other.fileName());
    QCOMPARE(answerer->shown.size(), 1);
}

void TestSettingsWizards::rollerLossModelWizard()
{
    setting(DynoSettingId_rollerDiameter, 1)->setValue(0.4);
    auto* target = editor<DynoSettingsLossModelEditor>(DynoSettingId_rollerInternalLossModel, 1);
    target->setLossModel({1, 1, 1, 1, 1});
    answerer->respond = [](QDialog* dialog) {
        auto* d = qobject_cast<RollerLossModelWizard*>(dialog);
        d->input->setLossModel({10, 2, 0.5, 0, 0});
        d->divider->setValue(2);
        clickBox(dialog, QDialogButtonBox::Ok);
        return dialog->result();
    };
    button(SettingWizardId_internalLossModel, 1)->click();
    const QList<double> out = target->lossModel();
    QCOMPARE(out.size(), 5);
    QVERIFY(std::abs(out.at(0) - 5) < 1e-9);
    QVERIFY(std::abs(out.at(1) - 0.2) < 1e-9);
    QVERIFY(std::abs(out.at(2) - 0.01) < 1e-9);
    answerer->respond = [](QDialog*) { return int(QDialog::Rejected); };
    target->setLossModel({1, 1, 1, 1, 1});
    button(SettingWizardId_internalLossModel, 1)->click();
    QCOMPARE(target->lossModel(), (QList<double>{1, 1, 1, 1, 1}));
}

void TestSettingsWizards::vehicleCalculators()
{
    setting(DynoSettingId_rollerDiameter, 0)->setValue(0.5);
    answerer->respond = [](QDialog* dialog) {
        auto* d = qobject_cast<DrivetrainInertiaDialog*>(dialog);
        for (OneAxleWheelSet* set : {d->set1, d->set2}) {
            set->tireWidth->setValue(200);
            set->tireProfile->setValue(40);
            set->rimDiameter->setValue(17);
        }
        d->set1->wheelCount->setValue(2);
        d->set2->wheelCount->setValue(0);
        buttonText(dialog, QStringLiteral("Accept"))->click();
        return dialog->result();
    };
    {
        DrivetrainInertiaDialog car(1);
        QCOMPARE(car.result(), int(QDialog::Accepted));
        QVERIFY(std::abs(car.transferredInertia() - 1.315) < 0.001);
    }
    // A motorcycle: one wheel, half the modelled wheel, set 2 counts nothing
    // for this calculation only; the next car keeps its second axle.
    theSettings.setValue(QStringLiteral("UserSetting/DTInertiaWizard/2/usedWheelsCount"), 2);
    double bike = 0;
    bool set2Hidden = false;
    answerer->respond = [&](QDialog* dialog) {
        auto* d = qobject_cast<DrivetrainInertiaDialog*>(dialog);
        set2Hidden = d->set2->isHidden();
        bike = d->set1->setInertia();
        return int(QDialog::Rejected);
    };
    {
        DrivetrainInertiaDialog motorcycle(3);
        QCOMPARE(motorcycle.result(), int(QDialog::Rejected));
    }
    QVERIFY(set2Hidden);
    QVERIFY(std::abs(bike - OneAxleWheelSet::model(200, 40, 17).wheelInertia / 2) < 1e-12);
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/DTInertiaWizard/2/usedWheelsCount")).toInt(), 2);
    int secondAxle = -1;
    answerer->respond = [&](QDialog* dialog) {
        secondAxle = qobject_cast<DrivetrainInertiaDialog*>(dialog)->set2->wheelCount->value();
        return int(QDialog::Rejected);
    };
    DrivetrainInertiaDialog nextCar(1);
    QCOMPARE(secondAxle, 2);

    answerer->respond = [](QDialog* dialog) {
        auto* d = qobject_cast<EngineFactorDialog*>(dialog);
        d->fuelFlow->setValue(100);
        d->pressureRatio->setValue(1.5);
        buttonText(dialog, QStringLiteral("Accept"))->click();
        return dialog->result();
    };
    EngineFactorDialog factor;
    QCOMPARE(factor.result(), int(QDialog::Accepted));
    QCOMPARE(factor.engineFactor(), 1.2);
    answerer->respond = [](QDialog* dialog) {
        auto* d = qobject_cast<WheelDiameterDialog*>(dialog);
        d->tireWidth->setValue(200);
        d->tireProfile->setValue(40);
        d->rimDiameter->setValue(17);
        return int(QDialog::Rejected);
    };
    WheelDiameterDialog wheel;
    QVERIFY(wheel.result() != QDialog::Accepted);
    QVERIFY(std::abs(wheel.wheelDiameter() - 0.5918) < 1e-9);
}

QTEST_MAIN(TestSettingsWizards)
#include "tst_settings_wizards.moc"
