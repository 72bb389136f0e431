#include "ObdOptions.h"
#include "ObdPidValues.h"
#include "ObdThread.h"
#include "SimulatedObdAdapter.h"
#include "SimulatedObdPty.h"
#include "UDSChannel.h"
#include "UDSChannelModel.h"
#include "UsbObdInterface.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>
#include <type_traits>

// Keeps a signal's arguments in the test's own thread. A signal spy appends in
// the emitting thread, and reading it while the OBD thread runs is a race.
class QueuedSpy : public QObject, public QList<QList<QVariant>>
{
public:
    template<typename... Args>
    QueuedSpy(ObdThread* sender, void (ObdThread::*signal)(Args...))
    {
        connect(
            sender, signal, this,
            [this](Args... args) { append(QList<QVariant> {QVariant::fromValue(std::decay_t<Args>(args))...}); },
            Qt::QueuedConnection);
    }
    // Forgets what was emitted so far, also what is still on its way.
    void clear()
    {
        QCoreApplication::sendPostedEvents(this);
        QList<QList<QVariant>>::clear();
    }
};

// The OBD thread on the serial-port transport against the simulated adapter
// on a pty, reached through a symlink so the test can unplug and re-plug it.
class TestObdThread : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void connectsAndPolls();
    void troubleCodes();
    void slowAndSplitReplies();
    void keepAliveLoss();
    void unplugAndReplug();
    void resetWhileModelLocked();
    void interruptionEndsLongRead();

private:
    void plug();
    UDSChannel* addChannel(const QByteArray& command, const QString& equation, int group, int vehicleParam = -1);
    QStringList whatsGoingOn() const;

    QTemporaryDir dir;
    QString link;
    SimulatedObdAdapter adapter;
    std::unique_ptr<SimulatedObdPty> pty;
    std::unique_ptr<QueuedSpy> progress;
    std::unique_ptr<QueuedSpy> statusTexts;
    std::unique_ptr<QueuedSpy> logged;
    std::unique_ptr<QueuedSpy> codeLists;
    std::unique_ptr<QueuedSpy> cleared;
};

void TestObdThread::plug()
{
    pty = std::make_unique<SimulatedObdPty>(adapter);
    QString error;
    QVERIFY2(pty->start(&error), qPrintable(error));
    QFile::remove(link);
    QVERIFY(QFile::link(pty->slaveName(), link));
}

QStringList TestObdThread::whatsGoingOn() const
{
    QStringList texts;
    for (const QList<QVariant>& args : *progress)
        texts.append(args.at(0).toString());
    return texts;
}

UDSChannel* TestObdThread::addChannel(const QByteArray& command, const QString& equation, int group, int vehicleParam)
{
    auto* channel = new UDSChannel;
    channel->setChildName(QString::fromLatin1(command));
    channel->udsSetup.command = command;
    channel->udsSetup.equation = equation;
    channel->udsSetup.priorityGroup = PriorityGroup(group);
    channel->udsSetup.vehicleParamId = vehicleParam;
    channel->updateAndCheckEquation(false);
    theUDSChannelModel.addChannels({channel});
    return channel;
}

void TestObdThread::initTestCase()
{
    QVERIFY(dir.isValid());
    link = dir.filePath("obd-adapter");
    plug();
    theObdThread = new ObdThread;
    progress = std::make_unique<QueuedSpy>(theObdThread, &ObdThread::signal_whatsGoingOn);
    statusTexts = std::make_unique<QueuedSpy>(theObdThread, &ObdThread::signal_setStatusText);
    logged = std::make_unique<QueuedSpy>(theObdThread, &ObdThread::signal_newDataToLogWriter);
    codeLists = std::make_unique<QueuedSpy>(theObdThread, &ObdThread::signal_errorCodesList);
    cleared = std::make_unique<QueuedSpy>(theObdThread, &ObdThread::signal_errorCodesCleared);
    theObdThread->start();
    theObdOptions.enable = true;
    theObdOptions.interfaceType = 1;
    QMetaObject::invokeMethod(theObdThread, "slot_baudrateChanged", Qt::QueuedConnection, Q_ARG(QString, "38400"));
    QMetaObject::invokeMethod(theObdThread->serialTransport(), "slot_setPortName", Qt::QueuedConnection,
                              Q_ARG(QString, link));
}

void TestObdThread::cleanupTestCase()
{
    if (theObdThread->isRunning()) {
        theObdThread->quit();
        theObdThread->requestInterruption();
        theObdThread->wait();
    }
    pty.reset();
}

void TestObdThread::connectsAndPolls()
{
    UDSChannel* rpm = addChannel("010C", "(A*256+B)/4", 1);
    UDSChannel* speed = addChannel("010D", "A", 2);
    UDSChannel* gearbox = addChannel("0149", "A", 3);
    UDSChannel* absent = addChannel("0122", "A", 0);
    UDSChannel* vin = addChannel("22F190", "A", 0);
    adapter.engineRpm = 1726.0;
    adapter.roadSpeedKmh = 88.0;
    adapter.clearCommandLog();

    QMetaObject::invokeMethod(theObdThread, "slot_interfaceTypeChanged", Qt::QueuedConnection);
    QTRY_VERIFY_WITH_TIMEOUT(theObdThread->isVehicleConnected(), 20000);

    // The set-up and the vehicle connection, byte for byte as the adapter got them.
    const QList<QByteArray> expected {"ATZ", "ATZ", "ATL0", "ATS0", "ATE0", "ATSP0", "ATH1", "ATH1", "0100", "0100",
                                      "ATDP", "0100", "0120", "0140", "0160", "0180", "01A0", "01C0", "01E0", "ATH0",
                                      "014F1", "01501"};
    QCOMPARE(adapter.commandLog().mid(0, expected.size()), expected);
    QCOMPARE(theObdThread->detectedProtocol(), int(ObdThread::Can11));
    QCOMPARE(theObdThread->detectedDefaultHeader(), QByteArray("7DF"));
    QCOMPARE(theObdPid4F[0].load(), 1.0);
    QCOMPARE(theObdPid50[3].load(), 8.0);
    QTRY_VERIFY(whatsGoingOn().contains("Vehicle connected"));

    // Supported PIDs and the header of the first ECU that declared them.
    QTRY_COMPARE(rpm->udsSetup.automaticHeader, QByteArray("7E0"));
    QTRY_COMPARE(gearbox->udsSetup.automaticHeader, QByteArray("7E1"));
    QCOMPARE(speed->udsSetup.automaticHeader, QByteArray("7E0"));
    QCOMPARE(absent->status(), NotSupported);
    QCOMPARE(vin->udsSetup.automaticHeader, QByteArray());

    // Polling: each value through its equation, headers sent only on change.
    QTRY_COMPARE_WITH_TIMEOUT(rpm->getValue(), 1726.0, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(speed->getValue(), 88.0, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(gearbox->status() == Ok && gearbox->getValue() == 0.0, 5000);
    const QList<QByteArray> polled = adapter.commandLog().mid(expected.size());
    QVERIFY(polled.contains("ATSH 7E0"));
    QVERIFY(polled.contains("ATSH 7E1"));
    QVERIFY(!polled.contains("0122"));
    QVERIFY(!polled.contains("22F190"));
    // The rate shows after a full second.
    QTRY_VERIFY_WITH_TIMEOUT(!statusTexts->isEmpty()
                                 && statusTexts->last().at(0).toString().contains(QRegularExpression("Hz$")),
                             5000);
    QVERIFY(statusTexts->last().at(0).toString().startsWith("OBD: ELM327 v1.5 "));
    // Values reach the run log under the channel's 16-bit id.
    QTRY_VERIFY(!logged->isEmpty());
    bool rpmLogged = false;
    for (const QList<QVariant>& args : *logged)
        rpmLogged = rpmLogged || (args.at(1).value<uint16_t>() == rpm->logId() && args.at(0).toDouble() == 1726.0);
    QVERIFY(rpmLogged);
}

// Service 03 and 04 through the real thread: both ECUs answer on CAN, the
// engine with two codes; the read after connection came by itself.
void TestObdThread::troubleCodes()
{
    const QList<QString> expected {"P0133", "P0300"};
    QTRY_VERIFY(!codeLists->isEmpty());
    QCOMPARE(codeLists->first().at(0).value<QList<QString>>(), expected);
    codeLists->clear();
    const int from = adapter.commandLog().size();

    // Two requests before a tick are one read; a clear waits for the next tick.
    QMetaObject::invokeMethod(theObdThread, "slot_readErrorCodesRequested", Qt::QueuedConnection);
    QMetaObject::invokeMethod(theObdThread, "slot_readErrorCodesRequested", Qt::QueuedConnection);
    QMetaObject::invokeMethod(theObdThread, "slot_clearErrorCodesRequested", Qt::QueuedConnection);
    QTRY_COMPARE_WITH_TIMEOUT(cleared->size(), 1, 5000);
    QCOMPARE(codeLists->size(), 1);
    const QList<QByteArray> all = adapter.commandLog();
    const QList<QByteArray> sent = all.mid(from);
    QCOMPARE(sent.count("03"), 1);
    QCOMPARE(sent.count("04"), 1);
    const int read = all.indexOf("03", from);
    QVERIFY(read < all.indexOf("04", from));
    // The read leaves with the header the adapter holds: the polling's last.
    QByteArray header;
    for (int i = read - 1; i >= 0 && header.isEmpty(); --i) {
        if (all.at(i).startsWith("ATSH"))
            header = all.at(i);
    }
    QCOMPARE(codeLists->first().at(0).value<QList<QString>>(),
             header == "ATSH 7E1" ? QList<QString>() : expected);
}

// Answers that arrive in pieces, or late, are read whole up to the prompt.
void TestObdThread::slowAndSplitReplies()
{
    UDSChannel* rpm = theUDSChannelModel.listChannelsForCommand("010C").value(0);
    QVERIFY(rpm);
    pty->splitDeliveries = true;
    pty->replyDelayMs = 30;
    const int errorsBefore = theObdThread->currentErrorCounter();
    adapter.engineRpm = 3000.0;
    QTRY_COMPARE_WITH_TIMEOUT(rpm->getValue(), 3000.0, 5000);
    adapter.engineRpm = 3500.0;
    QTRY_COMPARE_WITH_TIMEOUT(rpm->getValue(), 3500.0, 5000);
    QCOMPARE(rpm->status(), Ok);
    QVERIFY(theObdThread->currentErrorCounter() <= errorsBefore);
    pty->splitDeliveries = false;
    pty->replyDelayMs = 0;
}

void TestObdThread::keepAliveLoss()
{
    theUDSChannelModel.clear();
    adapter.clearCommandLog();
    QTRY_VERIFY_WITH_TIMEOUT(adapter.commandLog().count("0100") >= 2, 5000);
    progress->clear();
    adapter.vehicleOff = true;
    QTRY_VERIFY_WITH_TIMEOUT(whatsGoingOn().contains("No response from vehicle"), 20000);
    QVERIFY(!theObdThread->isVehicleConnected());
    adapter.vehicleOff = false;
    QTRY_VERIFY_WITH_TIMEOUT(theObdThread->isVehicleConnected(), 20000);
}

void TestObdThread::unplugAndReplug()
{
    progress->clear();
    QueuedSpy errors(theObdThread, &ObdThread::signal_socketErrorTxt);
    pty->stop();
    QTRY_VERIFY_WITH_TIMEOUT(whatsGoingOn().contains("Interface disconnected"), 10000);
    // The lost port is reported once, not on every pass of the read.
    int reported = 0;
    for (const QList<QVariant>& args : errors)
        reported += args.at(0).toString().endsWith("Error") ? 1 : 0;
    QCOMPARE(reported, 1);
    adapter.clearCommandLog();
    plug();
    QTRY_VERIFY_WITH_TIMEOUT(whatsGoingOn().contains("Interface connected"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(theObdThread->isVehicleConnected(), 20000);
    QCOMPARE(adapter.commandLog().mid(0, 5), (QList<QByteArray>{"ATZ", "ATZ", "ATL0", "ATS0", "ATE0"}));
}

// The link goes down while the GUI thread holds the model's lock (an editor
// open): the reset waits without blocking the GUI thread and runs once the
// lock is free.
void TestObdThread::resetWhileModelLocked()
{
    UDSChannel* channel = addChannel("0105", "A-40", 1);
    QTRY_COMPARE_WITH_TIMEOUT(channel->getValue(), 90.0, 5000);
    progress->clear();
    theUDSChannelModel.mutex.lock();
    pty->stop();
    QTRY_VERIFY_WITH_TIMEOUT(whatsGoingOn().contains("Interface disconnected"), 10000);
    QTest::qWait(300);
    QCOMPARE(channel->status(), Ok);
    theUDSChannelModel.mutex.unlock();
    QTRY_COMPARE(channel->status(), NotSupported);
    QVERIFY(std::isnan(channel->getValue()));
    plug();
    QTRY_VERIFY_WITH_TIMEOUT(theObdThread->isVehicleConnected(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(channel->getValue(), 90.0, 5000);
}

// Shutdown during a 15 s read of a silent adapter ends the thread at once.
void TestObdThread::interruptionEndsLongRead()
{
    pty->silent = true;
    adapter.vehicleOff = true; // the next keep-alive fails and a vehicle search starts
    adapter.clearCommandLog();
    QTRY_VERIFY_WITH_TIMEOUT(adapter.commandLog().size() >= 2, 10000);
    QTest::qWait(200);
    QElapsedTimer timer;
    timer.start();
    theObdThread->quit();
    theObdThread->requestInterruption();
    QVERIFY(theObdThread->wait(10000));
    qInfo() << "thread ended" << timer.elapsed() << "ms after the request";
}

QTEST_MAIN(TestObdThread)
#include "tst_obd_thread.moc"
