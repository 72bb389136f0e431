// The run thread never waits for the GUI: a fatal error is a notice that halts
// it until shown, so the GUI's blocking calls into it and the shutdown's wait
// for it always return.
#include "RunThread.h"

#include "lib/ThreadHandOver.h"
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

class TestRunThread : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void fatalNoticeNeverBlocksTheGuiOrTheShutdown();
    void fatalWithoutReceiverEndsAtOnce();
};

void TestRunThread::init()
{
    // The thread's timers are started and stopped by the thread itself, also
    // when it is destroyed without ever having run (the second case).
    QTest::failOnWarning(QRegularExpression(QStringLiteral("Timers cannot be (stopped|started) from another thread")));
}

void TestRunThread::fatalNoticeNeverBlocksTheGuiOrTheShutdown()
{
    QStringList ended;
    RunThread::setProgramEnder([&ended](const QString& message) { ended.append(message); });
    RunThread thread;
    thread.start();

    // The GUI side shows the notice but the operator has not closed it yet.
    QObject gui;
    QStringList shown;
    connect(&thread, &RunThread::signal_fatalError, &gui, [&shown](const QString& message) { shown.append(message); });
    QMetaObject::invokeMethod(
        &thread, [&thread] { thread.raiseFatalError(QStringLiteral("Can't synchronize with MCU")); },
        Qt::QueuedConnection);

    // A blocking call from the GUI into the run thread returns meanwhile.
    bool reached = false;
    ThreadHandOver::blockingCall(&thread, [&reached] { reached = true; });
    QVERIFY(reached);
    QVERIFY(thread.halted());
    QTRY_COMPARE(shown, QStringList{QStringLiteral("Can't synchronize with MCU")});
    QVERIFY(ended.isEmpty());

    // Halted, it starts no run.
    ThreadHandOver::blockingCall(&thread, [&thread] { thread.slot_startRun(); });
    QVERIFY(!thread.runActive);

    // The main window's shutdown while the notice is still open.
    QElapsedTimer clock;
    clock.start();
    thread.requestInterruption();
    thread.quit();
    QVERIFY(thread.wait(5000));
    QVERIFY(clock.elapsed() < 2000);

    // Closing the notice ends the program with its text.
    thread.fatalErrorClosed();
    QCOMPARE(ended, QStringList{QStringLiteral("Can't synchronize with MCU")});
    RunThread::setProgramEnder(nullptr);
}

void TestRunThread::fatalWithoutReceiverEndsAtOnce()
{
    QStringList ended;
    RunThread::setProgramEnder([&ended](const QString& message) { ended.append(message); });
    RunThread thread;
    thread.raiseFatalError(QStringLiteral("fatal"));
    thread.raiseFatalError(QStringLiteral("second"));
    QCOMPARE(ended, QStringList{QStringLiteral("fatal")});
    RunThread::setProgramEnder(nullptr);
}

QTEST_GUILESS_MAIN(TestRunThread)
#include "tst_run_thread.moc"
