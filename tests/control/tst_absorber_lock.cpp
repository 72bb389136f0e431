// The absorber-lock button on the largest board's channels: the question
// while the rollers turn, the follower of its remote-control argument, and
// the command that reaches the controller (recorded by the test).
#include "SettingsFixture.h"

#include "AbsorberLockButton.h"
#include "Argument.h"
#include "Channels.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"

#include <QDateTime>
#include <QMessageBox>
#include <QTest>

#include <limits>
#include <memory>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void setChannel(ChannelId id, int n, double value)
{
    theChannels.getChannel(id, n)->setDataWithoutFilter(value, QDateTime::currentMSecsSinceEpoch());
}

} // namespace

class TestAbsorberLock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void atRestLocksWithoutQuestion_data();
    void atRestLocksWithoutQuestion();
    void questionWhileMoving();
    void releasedWhileQuestionOpenLocksNothing();
    void argumentFollower_data();
    void argumentFollower();
    void protectedConfiguration();

private:
    int questions() const { return answerer->shown.size(); }
    std::unique_ptr<SettingsFixture> fixture;
    std::unique_ptr<RecordingAnswerer> answerer;
    std::unique_ptr<AbsorberLockButton> button;
    QList<bool> sent;
};

void TestAbsorberLock::initTestCase()
{
    fixture = std::make_unique<SettingsFixture>(3);
    QVERIFY(fixture->start());
    answerer = std::make_unique<RecordingAnswerer>();
    AbsorberLockButton::setLockSender([this](bool on) { sent.append(on); });
    button = std::make_unique<AbsorberLockButton>();
    button->init();
    button->followTimer->stop();
    button->remoteControlArgument->setChannel(theChannels.getChannel(ChannelId_switchState, 0), false);
}

void TestAbsorberLock::cleanupTestCase()
{
    button.reset();
    AbsorberLockButton::setLockSender(nullptr);
    answerer.reset();
    fixture.reset();
}

void TestAbsorberLock::init()
{
    setChannel(ChannelId_switchState, 0, kNaN);
    button->slot_tick();
    setChannel(ChannelId_dynoSpeed, 0, 0.0);
    button->setChecked(false);
    sent.clear();
    answerer->shown.clear();
    answerer->respond = nullptr;
    answerer->result = QMessageBox::No;
}

void TestAbsorberLock::atRestLocksWithoutQuestion_data()
{
    QTest::addColumn<double>("speed");
    QTest::newRow("standing") << 0.0;
    QTest::newRow("stale speed") << kNaN;
    QTest::newRow("backwards") << -1.0;
}

void TestAbsorberLock::atRestLocksWithoutQuestion()
{
    QFETCH(double, speed);
    setChannel(ChannelId_dynoSpeed, 0, speed);
    button->click();
    QCOMPARE(questions(), 0);
    QVERIFY(button->isChecked());
    QCOMPARE(sent, QList<bool>({true}));
    QVERIFY(button->autoFillBackground() || button->palette().color(QPalette::Button) == QColor(255, 77, 77));
    button->click();
    QCOMPARE(sent, QList<bool>({true, false}));
}

void TestAbsorberLock::questionWhileMoving()
{
    setChannel(ChannelId_dynoSpeed, 0, 12.0);
    button->click();
    QCOMPARE(questions(), 1);
    QCOMPARE(answerer->shown.constFirst().title, QStringLiteral("ABSORBER LOCK"));
    QCOMPARE(answerer->shown.constFirst().text, QStringLiteral("Activate absorber lock?"));
    QVERIFY(!button->isChecked());
    QCOMPARE(sent, QList<bool>({false}));

    answerer->result = QMessageBox::Yes;
    button->click();
    QCOMPARE(questions(), 2);
    QVERIFY(button->isChecked());
    QCOMPARE(sent.constLast(), true);
    QCOMPARE(button->palette().color(QPalette::Button), QColor(255, 77, 77));
}

void TestAbsorberLock::releasedWhileQuestionOpenLocksNothing()
{
    setChannel(ChannelId_dynoSpeed, 0, 12.0);
    // While the question is open the follower releases the button (its
    // argument fell); the Yes that comes afterwards must not lock.
    answerer->respond = [this](QDialog*) {
        button->setChecked(false);
        return int(QMessageBox::Yes);
    };
    button->click();
    QVERIFY(!button->isChecked());
    QVERIFY(!button->lockSent());
    QVERIFY(!sent.contains(true));
}

void TestAbsorberLock::argumentFollower_data()
{
    QTest::addColumn<double>("previous");
    QTest::addColumn<bool>("checkedBefore");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("checkedAfter");
    QTest::newRow("0 to 1 locks") << 0.0 << false << 1.0 << true;
    QTest::newRow("1 to 0 releases") << 1.0 << true << 0.0 << false;
    QTest::newRow("NaN to 1 locks") << kNaN << false << 1.0 << true;
    QTest::newRow("NaN to 0 releases") << kNaN << true << 0.0 << false;
    QTest::newRow("operator release while 1 stays") << 1.0 << false << 1.0 << false;
    QTest::newRow("operator lock while 0 stays") << 0.0 << true << 0.0 << true;
    QTest::newRow("NaN is ignored") << 1.0 << true << kNaN << true;
    QTest::newRow("2 to 0 releases") << 2.0 << true << 0.0 << false;
    QTest::newRow("1 to 2 is no edge") << 1.0 << false << 2.0 << false;
}

void TestAbsorberLock::argumentFollower()
{
    QFETCH(double, previous);
    QFETCH(bool, checkedBefore);
    QFETCH(double, value);
    QFETCH(bool, checkedAfter);
    // The rollers turn: only the operator would be asked.
    setChannel(ChannelId_dynoSpeed, 0, 20.0);
    answerer->result = QMessageBox::Yes;
    setChannel(ChannelId_switchState, 0, previous);
    button->slot_tick();
    button->setChecked(checkedBefore);
    answerer->shown.clear();
    sent.clear();

    setChannel(ChannelId_switchState, 0, value);
    button->slot_tick();
    QCOMPARE(button->isChecked(), checkedAfter);
    QCOMPARE(questions(), 0);
    if (checkedAfter != checkedBefore)
        QCOMPARE(sent, QList<bool>({checkedAfter}));
    else
        QVERIFY(sent.isEmpty());
    QCOMPARE(button->lockSent(), checkedAfter);
}

void TestAbsorberLock::protectedConfiguration()
{
    button->checkBox_protected->setChecked(true);
    QVERIFY(!button->checkBox_visible->isEnabled());
    button->slot_showConfigurationDialog(QPoint(1, 1));
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.constFirst().text, QStringLiteral("Configuration protected"));
    button->checkBox_protected->setChecked(false);
    answerer->result = QDialog::Accepted;
    button->slot_showConfigurationDialog(QPoint(1, 1));
    QCOMPARE(answerer->shown.constLast().title, QStringLiteral("Absorber lock configuration"));
    // Hidden with its visibility box.
    button->checkBox_visible->setChecked(false);
    QVERIFY(button->isHidden());
    button->checkBox_visible->setChecked(true);
}

QTEST_MAIN(TestAbsorberLock)
#include "tst_absorber_lock.moc"
