// Settings access control: the stored double MD5 (values from Python's
// hashlib), the lock at start, protected pages across a restart, the try
// counter, the master PIN and the pages that never lock.
#include "ACMTabWidget.h"
#include "AccessControlManager.h"
#include "AccessControlWidget.h"
#include "FunctionAccessControl.h"
#include "MySettings.h"
#include "RecordingAnswerer.h"

#include <QDate>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

class TestAccessControl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void hashIsTheDoubleMd5();
    void lockAtStart_data();
    void lockAtStart();
    void protectedPageAcrossARestart();
    void triesRunOut();
    void masterPinUnlocks();

private:
    // What the text boxes are answered with, in order; Cancel when none is left.
    void answerTexts(const QStringList& texts);
    // A program start: the lock state anew, a settings tab and the page.
    void start();

    RecordingAnswerer answerer;
    std::unique_ptr<ACMTabWidget> tabs;
    AccessControlWidget* page = nullptr;
    QStringList titles;
    // The texts of the message boxes shown (the text boxes are recorded too).
    QStringList messages() const;
};

QStringList TestAccessControl::messages() const
{
    QStringList texts;
    for (const RecordingAnswerer::Shown& shown : answerer.shown) {
        if (shown.className != QLatin1String("QInputDialog"))
            texts.append(shown.text);
    }
    return texts;
}

void TestAccessControl::answerTexts(const QStringList& texts)
{
    auto queue = std::make_shared<QStringList>(texts);
    titles.clear();
    answerer.respond = [this, queue](QDialog* dialog) {
        auto* input = qobject_cast<QInputDialog*>(dialog);
        if (!input)
            return int(QDialog::Accepted);
        titles.append(input->windowTitle());
        if (queue->isEmpty())
            return int(QDialog::Rejected);
        input->setTextValue(queue->takeFirst());
        return int(QDialog::Accepted);
    };
}

void TestAccessControl::start()
{
    theACM.unlock();
    tabs = std::make_unique<ACMTabWidget>();
    tabs->addTab(new QWidget, QStringLiteral("Project"));
    tabs->addACMTab(new QWidget, QStringLiteral("Misc"), QStringLiteral("settings_misc"));
    tabs->addACMTab(new QWidget, QStringLiteral("Watermark"), QStringLiteral("settings_watermark"));
    page = new AccessControlWidget;
    tabs->addTab(page, QStringLiteral("Access control"));
    page->init();
}

void TestAccessControl::init()
{
    theSettings.remove(QStringLiteral("ACM"));
    theSettings.remove(QStringLiteral("script"));
    answerer.shown.clear();
    answerTexts({});
}

void TestAccessControl::hashIsTheDoubleMd5()
{
    // hashlib.md5(hashlib.md5(pw.encode()).digest()).hexdigest()
    QCOMPARE(AccessControlWidget::generateHash(QStringLiteral("geheim")),
             QStringLiteral("af013b2c373b08671cbf348748e96b84"));
    QCOMPARE(AccessControlWidget::generateHash(QStringLiteral("pässwörd")),
             QStringLiteral("66783102d8a64f800db127a6a761f497"));

    start();
    answerTexts({QStringLiteral("geheim")});
    page->pushButton_enable->click();
    QCOMPARE(titles, QStringList{QStringLiteral("Enter new password")});
    QCOMPARE(theSettings.value(QStringLiteral("ACM/key")).toString(),
             QStringLiteral("af013b2c373b08671cbf348748e96b84"));
    QCOMPARE(page->label_status->text(), QStringLiteral("Status: Enabled, unlocked"));
    QVERIFY(!theACM.locked);
    QVERIFY(!page->pushButton_enable->isEnabled());
    QVERIFY(!page->pushButton_unlock->isEnabled());

    // An upper-case copy in the settings file no longer matches.
    theSettings.setValue(QStringLiteral("ACM/key"), QStringLiteral("AF013B2C373B08671CBF348748E96B84"));
    answerTexts({QStringLiteral("geheim")});
    QVERIFY(page->askForPassword());
    QCOMPARE(messages().last(), QStringLiteral("Invalid password"));
}

void TestAccessControl::lockAtStart_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("locks");
    QTest::newRow("nothing") << QString() << false;
    QTest::newRow("password") << QStringLiteral("ACM/key") << true;
    QTest::newRow("script") << QStringLiteral("script") << true;
}

void TestAccessControl::lockAtStart()
{
    QFETCH(QString, key);
    QFETCH(bool, locks);
    theSettings.setValue(QStringLiteral("ACM/settings_misc"), 1);
    if (!key.isEmpty())
        theSettings.setValue(key, QStringLiteral("x"));
    start();
    QCOMPARE(theACM.locked, locks);
    QCOMPARE(FunctionAccessControl::locked(), locks);
    QCOMPARE(page->label_status->text(), locks ? QStringLiteral("Status: Locked") : QStringLiteral("Status: Disabled"));
    QCOMPARE(page->pushButton_enable->isEnabled(), !locks);
    QCOMPARE(page->pushButton_unlock->isEnabled(), locks);
    QCOMPARE(tabs->isTabEnabled(1), !locks);
    // Plain pages never lock; a key that nobody protected neither.
    QVERIFY(tabs->isTabEnabled(0));
    QVERIFY(tabs->isTabEnabled(2));
    QVERIFY(tabs->isTabEnabled(3));
    // No tab menu before the first unlock.
    QCOMPARE(tabs->tabBar()->contextMenuPolicy() == Qt::CustomContextMenu, false);
}

void TestAccessControl::protectedPageAcrossARestart()
{
    start();
    answerTexts({QStringLiteral("geheim")});
    page->slot_enable();
    QCOMPARE(tabs->tabBar()->contextMenuPolicy(), Qt::CustomContextMenu);
    QCOMPARE(tabs->protectionChoice(0), QString());
    QCOMPARE(tabs->protectionChoice(1), QStringLiteral("Protect"));
    tabs->toggleProtection(1);
    QVERIFY(theACM.isKeyLocked(QStringLiteral("settings_misc")));
    QVERIFY(!tabs->tabIcon(1).isNull() || QIcon::fromTheme(QStringLiteral("dialog-error")).isNull());
    QVERIFY(tabs->isTabEnabled(1));
    QCOMPARE(tabs->protectionChoice(1), QStringLiteral("Unprotect"));

    // Restart: locked until the password comes.
    start();
    QVERIFY(theACM.locked);
    QVERIFY(!tabs->isTabEnabled(1));
    QVERIFY(tabs->isTabEnabled(2));
    answerTexts({QStringLiteral("geheim")});
    page->pushButton_unlock->click();
    QVERIFY(!theACM.locked);
    QVERIFY(tabs->isTabEnabled(1));
    QCOMPARE(page->label_status->text(), QStringLiteral("Status: Enabled, unlocked"));

    // Unprotect drops the icon at once.
    tabs->toggleProtection(1);
    QVERIFY(tabs->tabIcon(1).isNull());
    tabs->toggleProtection(1);

    // Disable removes the password; the keys stay, but nothing locks next time.
    answerTexts({QStringLiteral("geheim")});
    page->slot_disable();
    QVERIFY(!theSettings.contains(QStringLiteral("ACM/key")));
    QCOMPARE(page->label_status->text(), QStringLiteral("Status: Disabled"));
    start();
    QVERIFY(!theACM.locked);
    QVERIFY(tabs->isTabEnabled(1));
    QVERIFY(theACM.isKeyLocked(QStringLiteral("settings_misc")));
}

void TestAccessControl::triesRunOut()
{
    theSettings.setValue(QStringLiteral("ACM/key"), AccessControlWidget::generateHash(QStringLiteral("geheim")));
    theSettings.setValue(QStringLiteral("ACM/settings_misc"), 1);
    start();
    // Cancel and an empty text cost nothing.
    answerTexts({});
    QVERIFY(page->askForPassword());
    answerTexts({QString()});
    QVERIFY(page->askForPassword());
    QVERIFY(messages().isEmpty());
    QCOMPARE(page->tries, 5);

    for (int i = 0; i < 5; ++i) {
        answerTexts({QStringLiteral("wrong")});
        page->slot_unlock();
        QCOMPARE(messages().last(), QStringLiteral("Invalid password"));
    }
    // The sixth attempt, even the right one, is not checked.
    answerTexts({QStringLiteral("geheim")});
    page->slot_unlock();
    QCOMPARE(messages().last(), QStringLiteral("Exceeded number of password tries"));
    QVERIFY(theACM.locked);
    QVERIFY(!tabs->isTabEnabled(1));
}

void TestAccessControl::masterPinUnlocks()
{
    // Locked by the maker's script, without any password.
    theSettings.setValue(QStringLiteral("script"), QStringLiteral("vimbastrel1"));
    theSettings.setValue(QStringLiteral("ACM/settings_misc"), 1);
    start();
    answerTexts({QStringLiteral("anything")});
    QVERIFY(page->askForPassword());
    QCOMPARE(messages().last(), QStringLiteral("Invalid password"));

    const int pin = AccessControlWidget::masterPin(QDate::currentDate());
    QVERIFY(pin >= 0 && pin <= 9999);
    answerer.shown.clear();
    for (const QString& wrong : {QString::number((pin + 1) % 10000), QStringLiteral("abc"), QString()}) {
        answerTexts({wrong});
        page->masterUnlock();
        QVERIFY(theACM.locked);
    }
    answerTexts({});
    page->masterUnlock();
    QVERIFY(theACM.locked);
    QVERIFY(messages().isEmpty());
    QCOMPARE(titles, QStringList{QStringLiteral("PIN")});

    answerTexts({QString::number(pin)});
    page->masterUnlock();
    QVERIFY(!theACM.locked);
    QVERIFY(tabs->isTabEnabled(1));
    QCOMPARE(page->label_status->text(), QStringLiteral("Status: Enabled, unlocked"));
    QVERIFY(!page->pushButton_unlock->isEnabled());
    // Manufacturer mode stays for the rest of the run.
    QVERIFY(theACM.manufacturerMode);
}

QTEST_MAIN(TestAccessControl)
#include "tst_access_control.moc"
