#include "UnixSignalNotifier.h"

#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <csignal>

class TestSignalNotifier : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void twoSigintsGiveTwoEmissions();
    void signalBeforeConnectionIsKept();
    void handlerKeepsErrno();
};

void TestSignalNotifier::initTestCase()
{
    QVERIFY(UnixSignalNotifier::instance()->installSignalHandler(SIGINT));
    QVERIFY(UnixSignalNotifier::instance()->installSignalHandler(SIGTERM));
}

void TestSignalNotifier::twoSigintsGiveTwoEmissions()
{
    QSignalSpy spy(UnixSignalNotifier::instance(), &UnixSignalNotifier::unixSignal);
    ::raise(SIGINT);
    ::raise(SIGINT);
    QTRY_COMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), SIGINT);
    QCOMPARE(spy.at(1).at(0).toInt(), SIGINT);
    QTest::qWait(50);
    QCOMPARE(spy.count(), 2);
}

void TestSignalNotifier::signalBeforeConnectionIsKept()
{
    ::raise(SIGTERM); // no event loop runs yet: the byte waits in the socket pair
    QSignalSpy spy(UnixSignalNotifier::instance(), &UnixSignalNotifier::unixSignal);
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), SIGTERM);
}

void TestSignalNotifier::handlerKeepsErrno()
{
    errno = EAGAIN;
    ::raise(SIGTERM);
    QCOMPARE(errno, EAGAIN);
    QSignalSpy spy(UnixSignalNotifier::instance(), &UnixSignalNotifier::unixSignal);
    QTRY_COMPARE(spy.count(), 1);
}

QTEST_GUILESS_MAIN(TestSignalNotifier)
#include "tst_signal_notifier.moc"
