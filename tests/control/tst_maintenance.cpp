// Maintenance reminders on a counter the test moves: the bar, the due box
// with Postpone and OK, a counter that goes back, performing the maintenance,
// the stored setup after a restart and the protection under the lock.
#include "AccessControlManager.h"
#include "MaintenanceCondition.h"
#include "MaintenanceWidget.h"
#include "MySettings.h"
#include "RecordingAnswerer.h"
#include "SafeSpinBox.h"
#include "Units.h"
#include "lib/Unit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

const double hour = 3600.0;
double runTime = 0.0;

} // namespace

class TestMaintenance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void runTimeReminder();
    void restartKeepsTheSetupAndPerformedOnce();
    void protectionUnderTheLock();

private:
    int dueBoxes() const;
    RecordingAnswerer answerer;
};

void TestMaintenance::initTestCase()
{
    theUnits.init();
    MaintenanceCondition::parameterSource = [](int parameter) {
        return parameter == MaintenanceCondition::RunTime ? runTime : 0.0;
    };
}

int TestMaintenance::dueBoxes() const
{
    int count = 0;
    for (const RecordingAnswerer::Shown& shown : answerer.shown) {
        if (shown.text == QStringLiteral("Maintenance required\nBearing service"))
            ++count;
    }
    return count;
}

void TestMaintenance::runTimeReminder()
{
    runTime = 10 * hour;
    MaintenanceWidget reminder(nullptr, 0);
    QVERIFY(!reminder.detail->isVisibleTo(&reminder));
    reminder.lineEdit_label->setText(QStringLiteral("Bearing service"));
    QVERIFY(reminder.detail->isVisibleTo(&reminder));
    MaintenanceCondition* condition = reminder.conditions[0];
    condition->comboBox_parameter->setCurrentIndex(MaintenanceCondition::RunTime);
    // Counting starts now, in hours.
    QCOMPARE(condition->spinBox_lastMaintenance->getValueSI(), 10 * hour);
    QCOMPARE(condition->spinBox_period->getUnit()->name, QStringLiteral("hour"));
    QCOMPARE(condition->spinBox_period->getValueSI(), 0.0);
    reminder.slot_updateUsageBar();
    QCOMPARE(condition->progressBar->value(), 100);

    condition->spinBox_period->setValueSI(100 * hour);
    runTime = 35 * hour;
    reminder.slot_updateUsageBar();
    QCOMPARE(condition->progressBar->value(), 75);
    QCOMPARE(condition->spinBox_elapsed->getValueSI(), 25 * hour);
    QCOMPARE(dueBoxes(), 0);

    // Due: Postpone makes it due again one more hour on.
    answerer.result = QDialog::Rejected;
    runTime = 110.5 * hour;
    reminder.slot_updateUsageBar();
    QCOMPARE(dueBoxes(), 1);
    QCOMPARE(condition->progressBar->value(), 1);
    QCOMPARE(condition->spinBox_lastMaintenance->getValueSI(), 110.5 * hour - 99 * hour);
    runTime = 111.4 * hour;
    reminder.slot_updateUsageBar();
    QCOMPARE(dueBoxes(), 1);
    runTime = 111.6 * hour;
    answerer.result = QDialog::Accepted;
    reminder.slot_updateUsageBar();
    QCOMPARE(dueBoxes(), 2);
    QCOMPARE(condition->progressBar->value(), 0);
    reminder.slot_updateUsageBar();
    QCOMPARE(dueBoxes(), 3);

    // The counter went back (odometer reset): the count starts anew.
    runTime = 5 * hour;
    reminder.slot_updateUsageBar();
    QCOMPARE(condition->spinBox_lastMaintenance->getValueSI(), 5 * hour);
    QCOMPARE(condition->progressBar->value(), 100);
    QCOMPARE(dueBoxes(), 3);

    // An unnamed reminder is never checked.
    runTime = 500 * hour;
    reminder.lineEdit_label->clear();
    QVERIFY(!reminder.detail->isVisibleTo(&reminder));
    reminder.slot_updateUsageBar();
    QCOMPARE(dueBoxes(), 3);
    reminder.lineEdit_label->setText(QStringLiteral("Bearing service"));
}

void TestMaintenance::restartKeepsTheSetupAndPerformedOnce()
{
    // The stored parameter, period and last maintenance win over the
    // parameter's reset at binding time.
    runTime = 520 * hour;
    MaintenanceWidget reminder(nullptr, 0);
    MaintenanceCondition* condition = reminder.conditions[0];
    QCOMPARE(reminder.lineEdit_label->text(), QStringLiteral("Bearing service"));
    QCOMPARE(condition->comboBox_parameter->currentIndex(), int(MaintenanceCondition::RunTime));
    QCOMPARE(condition->spinBox_period->getValueSI(), 100 * hour);
    QCOMPARE(condition->spinBox_lastMaintenance->getValueSI(), 5 * hour);

    // No changes nothing.
    answerer.respond = [](QDialog*) { return int(QMessageBox::No); };
    reminder.pushButton_maintenancePerformed->click();
    QCOMPARE(condition->spinBox_lastMaintenance->getValueSI(), 5 * hour);

    reminder.checkBox_requiredOnce->setChecked(true);
    answerer.respond = [](QDialog*) { return int(QMessageBox::Yes); };
    const int boxes = dueBoxes();
    reminder.pushButton_maintenancePerformed->click();
    answerer.respond = nullptr;
    QCOMPARE(condition->spinBox_lastMaintenance->getValueSI(), 520 * hour);
    QCOMPARE(condition->spinBox_period->getValueSI(), 0.0);
    QVERIFY(reminder.lineEdit_label->text().isEmpty());
    QVERIFY(!reminder.detail->isVisibleTo(&reminder));
    QCOMPARE(dueBoxes(), boxes);
    QVERIFY(theSettings.value(QStringLiteral("UserSetting/maintenance/0/label")).toString().isEmpty());
}

void TestMaintenance::protectionUnderTheLock()
{
    MaintenanceWidget reminder(nullptr, 1);
    reminder.lineEdit_label->setText(QStringLiteral("Belt"));
    QVERIFY(!reminder.checkBox_protectMaintenance->isVisibleTo(&reminder));
    reminder.checkBox_protectMaintenance->setChecked(true);
    theACM.lock();
    QVERIFY(reminder.checkBox_protectMaintenance->isVisibleTo(&reminder));
    QVERIFY(!reminder.checkBox_protectMaintenance->isEnabled());
    QVERIFY(!reminder.pushButton_maintenancePerformed->isEnabled());
    QVERIFY(reminder.lineEdit_label->isEnabled());
    QVERIFY(reminder.conditions[0]->comboBox_parameter->isEnabled());
    theACM.unlock();
    QVERIFY(reminder.pushButton_maintenancePerformed->isEnabled());
    reminder.checkBox_protectSetup->setChecked(true);
    theACM.lock();
    QVERIFY(!reminder.lineEdit_label->isEnabled());
    QVERIFY(!reminder.conditions[1]->spinBox_period->isEnabled());
    QVERIFY(!reminder.checkBox_requiredOnce->isEnabled());
    theACM.unlock();
    QVERIFY(reminder.lineEdit_label->isEnabled());
}

QTEST_MAIN(TestMaintenance)
#include "tst_maintenance.moc"
