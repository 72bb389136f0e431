// A controller whose firmware is never confirmed (it runs another version and
// nobody updates it): the window stays usable, the second stage never runs and
// no run can be started.
#include "LogCapture.h"
#include "MainTab.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "ObdThread.h"
#include "RecordingAnswerer.h"
#include "RemoteControl.h"
#include "RunWidget.h"
#include "Settings.h"
#include "UI.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

class TestMainWindowUnconfirmed : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void windowUsableWithoutSecondStage();
};

void TestMainWindowUnconfirmed::windowUsableWithoutSecondStage()
{
    LogCapture log;
    RecordingAnswerer answerer;
    MainWindowFixture::prepareProcess(QStringLiteral("version=OLD_1.0"));
    MainUI* window = MainWindowFixture::createWindow();

    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("Start-up stage 2 done")) == 1, 10000);
    // The firmware updater is offered instead of a confirmation.
    QTRY_VERIFY_WITH_TIMEOUT(!answerer.shown.isEmpty(), 10000);
    QCOMPARE(answerer.shown.first().className, QStringLiteral("FirmwareUpdater"));
    QTest::qWait(1500);
    QVERIFY(!window->secondStageDone);
    QCOMPARE(log.count(QStringLiteral("Start-up stage 3")), 0);
    QVERIFY(!theObdThread->isRunning());

    RunWidget* run = theUI->runWidget;
    QVERIFY(!run->pushButton_run_startStop->isEnabled());
    QTabWidget* tabs = theUI->tabWidget_main;
    QKeyEvent altFour(QEvent::KeyPress, Qt::Key_4, Qt::AltModifier);
    QApplication::sendEvent(window, &altFour);
    QCOMPARE(tabs->currentIndex(), int(MainTab_settings));
    tabs->setCurrentIndex(MainTab_run);
    theUI->settings->remoteControl->slot_trigStartStop();
    QVERIFY(!run->running);
    QCOMPARE(log.count(QStringLiteral("Run START")), 0);

    MainWindowFixture::destroyWindow(window);
    QCOMPARE(log.count(QStringLiteral("Thread stopped: camera")), 1);
}

QTEST_MAIN(TestMainWindowUnconfirmed)
#include "tst_main_window_unconfirmed.moc"
