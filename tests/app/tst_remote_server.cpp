// The remote-control server: every command row with and without admin rights,
// the thread-safe copies it reads, and the connection handling on a socket.
#include "ChannelFamily.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "RemoteChannelDirectory.h"
#include "RemoteControlState.h"
#include "lib/ThreadHandOver.h"
#include "RunChannel.h"
#include "ServerThread.h"

#include <QCryptographicHash>
#include <QDomDocument>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

// One operator input channel, as the input-channel model will offer it.
class InputFamily : public ChannelFamily
{
public:
    RunChannel* channel = nullptr;
    RunChannel* getChannelByKey(const QString& key) const override
    {
        return channel && channel->setup->key == key ? channel : nullptr;
    }
    QList<AbstractChannel*> listChannelsForArgument(Quantity) const override { return {channel}; }
    QList<AbstractChannel*> getListForChannels() const override { return {channel}; }
};

// Records the key events the server posts.
class KeyTarget : public QObject
{
public:
    QList<QPair<int, int>> keys;
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat() && key->modifiers() == Qt::NoModifier && key->text().isEmpty())
                keys.append({int(event->type()), key->key()});
            return true;
        }
        return QObject::event(event);
    }
};

QByteArray digest(const QByteArray& password)
{
    return QCryptographicHash::hash(password, QCryptographicHash::Sha256);
}

QByteArray readLine(QTcpSocket& socket)
{
    for (int i = 0; i < 50 && !socket.canReadLine(); ++i)
        socket.waitForReadyRead(100);
    return socket.readLine();
}

} // namespace

class TestRemoteServer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void commands_data();
    void commands();
    void passwordGivesRightsForTheConnection();
    void emptyPasswordMakesEveryoneAdmin();
    void queuedActions();
    void channelValuesAndSetups();
    void socketLinesAndLimits();

private:
    QByteArray serve(const QByteArray& line, bool admin);

    RemoteControlState state;
    InputFamily inputs;
    RunChannel* input = nullptr;
    KeyTarget keyTarget;
    ServerThread* server = nullptr;
    RemoteChannelDirectory* directory = nullptr;
};

void TestRemoteServer::initTestCase()
{
    input = new RunChannel(0, QString(), 0, QStringLiteral("Throttle"), Quantity::Fraction);
    input->setup->key = QStringLiteral("I_throttle pos");
    input->setup->displayName = QStringLiteral("Throttle ö");
    inputs.channel = input;
    theChannels.registerFamily(Channels::Family_inputChannels, &inputs);
    directory = new RemoteChannelDirectory(&state);
    directory->refresh();

    state.setPassword(QStringLiteral("secret"));
    state.setOutputLabels({QStringLiteral("Fan ön"), QString(), QStringLiteral("Pump")});
    server = new ServerThread(&state, &keyTarget, 0);
    QVERIFY(server->isListening());
}

void TestRemoteServer::cleanupTestCase()
{
    delete server;
    delete directory;
    theChannels.registerFamily(Channels::Family_inputChannels, nullptr);
    delete input;
}

QByteArray TestRemoteServer::serve(const QByteArray& line, bool admin)
{
    return server->serveLine(line, &admin);
}

void TestRemoteServer::commands_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("asGuest");
    QTest::addColumn<QByteArray>("asAdmin");

    const QByteArray na = QByteArrayLiteral("NOT-ADMIN");
    QTest::newRow("unknown") << QByteArray("HELLO") << QByteArray("?") << QByteArray("?");
    QTest::newRow("empty line") << QByteArray() << QByteArray("?") << QByteArray("?");
    QTest::newRow("lower case") << QByteArray("start-stop") << QByteArray("?") << QByteArray("?");
    QTest::newRow("lone PASSWD") << QByteArray("PASSWD") << QByteArray("PASSWD NOK") << QByteArray("PASSWD NOK");
    QTest::newRow("wrong PASSWD") << QByteArray("PASSWD 0123") << QByteArray("PASSWD NOK")
                                  << QByteArray("PASSWD NOK");
    QTest::newRow("CHANNEL alone") << QByteArray("CHANNEL") << QByteArray("?") << QByteArray("?");
    QTest::newRow("CHANNEL unknown") << QByteArray("CHANNEL no%20such") << QByteArray("CHANNEL NOT-FOUND no%20such")
                                     << QByteArray("CHANNEL NOT-FOUND no%20such");
    QTest::newRow("CHANNEL-SETUP alone") << QByteArray("CHANNEL-SETUP") << QByteArray("?") << QByteArray("?");
    QTest::newRow("CHANNEL-SETUP unknown") << QByteArray("CHANNEL-SETUP x") << QByteArray("CHANNEL-SETUP NOT-FOUND x")
                                           << QByteArray("CHANNEL-SETUP NOT-FOUND x");
    QTest::newRow("LIST-CHANNELS") << QByteArray("LIST-CHANNELS")
                                   << QByteArray("LIST-CHANNELS I_throttle%20pos:Throttle%20%C3%B6;")
                                   << QByteArray("LIST-CHANNELS I_throttle%20pos:Throttle%20%C3%B6;");
    QTest::newRow("OUTPUT-LABEL alone") << QByteArray("OUTPUT-LABEL") << QByteArray("?") << QByteArray("?");
    QTest::newRow("OUTPUT-LABEL 0") << QByteArray("OUTPUT-LABEL 0") << QByteArray("OUTPUT-LABEL 0 Fan%20%C3%B6n")
                                    << QByteArray("OUTPUT-LABEL 0 Fan%20%C3%B6n");
    QTest::newRow("OUTPUT-LABEL no button") << QByteArray("OUTPUT-LABEL 1") << QByteArray("OUTPUT-LABEL NOT-FOUND 1")
                                            << QByteArray("OUTPUT-LABEL NOT-FOUND 1");
    QTest::newRow("OUTPUT-LABEL -1") << QByteArray("OUTPUT-LABEL -1") << QByteArray("OUTPUT-LABEL NOT-FOUND -1")
                                     << QByteArray("OUTPUT-LABEL NOT-FOUND -1");
    QTest::newRow("OUTPUT-LABEL past end") << QByteArray("OUTPUT-LABEL 3") << QByteArray("OUTPUT-LABEL NOT-FOUND 3")
                                           << QByteArray("OUTPUT-LABEL NOT-FOUND 3");
    QTest::newRow("OUTPUT-LABEL text") << QByteArray("OUTPUT-LABEL x") << QByteArray("OUTPUT-LABEL NOT-FOUND x")
                                       << QByteArray("OUTPUT-LABEL NOT-FOUND x");
    // Admin commands: rights first, then the words, then the arguments.
    QTest::newRow("WRITE-CHANNEL alone") << QByteArray("WRITE-CHANNEL") << na << QByteArray("?");
    QTest::newRow("WRITE-CHANNEL no number") << QByteArray("WRITE-CHANNEL I_throttle%20pos x") << na << QByteArray("?");
    QTest::newRow("WRITE-CHANNEL built-in") << QByteArray("WRITE-CHANNEL time 1") << na
                                            << QByteArray("CHANNEL NOT-FOUND time");
    QTest::newRow("START-STOP") << QByteArray("START-STOP") << na << QByteArray("OK");
    QTest::newRow("ANALYZE") << QByteArray("ANALYZE") << na << QByteArray("OK");
    QTest::newRow("SET alone") << QByteArray("SET MODE") << na << QByteArray("?");
    QTest::newRow("SET MODE SPEED") << QByteArray("SET MODE SPEED") << na << QByteArray("OK");
    QTest::newRow("SET MODE TORQUE") << QByteArray("SET MODE TORQUE") << na << QByteArray("?");
    QTest::newRow("SET TORQUE x") << QByteArray("SET TORQUE x") << na << QByteArray("VALUE?");
    QTest::newRow("SET other 1") << QByteArray("SET OTHER 1") << na << QByteArray("PARAM?");
    QTest::newRow("SET other x") << QByteArray("SET OTHER x") << na << QByteArray("VALUE?");
    QTest::newRow("SET two spaces") << QByteArray("SET  TORQUE 1") << na << QByteArray("VALUE?");
    QTest::newRow("SET ROAD-SPEED") << QByteArray("SET ROAD-SPEED 12.5") << na << QByteArray("OK");
    QTest::newRow("STEP any UP") << QByteArray("STEP x UP") << na << QByteArray("OK");
    QTest::newRow("STEP UP") << QByteArray("STEP UP") << na << QByteArray("?");
    QTest::newRow("STEP x SIDEWAYS") << QByteArray("STEP x SIDEWAYS") << na << QByteArray("?");
    QTest::newRow("KEY F13") << QByteArray("KEY F13 PRESS") << na << QByteArray("?");
    QTest::newRow("KEY F05") << QByteArray("KEY F05 PRESS") << na << QByteArray("?");
    QTest::newRow("KEY F5 HOLD") << QByteArray("KEY F5 HOLD") << na << QByteArray("?");
    QTest::newRow("KEY F5") << QByteArray("KEY F5") << na << QByteArray("?");
    QTest::newRow("TAB alone") << QByteArray("TAB") << na << QByteArray("?");
    QTest::newRow("TAB RUN") << QByteArray("TAB RUN") << na << QByteArray("OK");
    QTest::newRow("TAB IO") << QByteArray("TAB IO") << na << QByteArray("?");
}

void TestRemoteServer::commands()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, asGuest);
    QFETCH(QByteArray, asAdmin);
    QCOMPARE(serve(line, false), asGuest);
    QCOMPARE(serve(line, true), asAdmin);
}

void TestRemoteServer::passwordGivesRightsForTheConnection()
{
    // The raw digest and its hexadecimal form (either case) are accepted.
    for (const QByteArray& word : {digest("secret"), digest("secret").toHex(), digest("secret").toHex().toUpper()}) {
        bool admin = false;
        QCOMPARE(server->serveLine("PASSWD " + word, &admin), QByteArray("PASSWD OK"));
        QVERIFY(admin);
        // A later failing PASSWD does not take them back.
        QCOMPARE(server->serveLine("PASSWD nope", &admin), QByteArray("PASSWD NOK"));
        QVERIFY(admin);
        QCOMPARE(server->serveLine("START-STOP", &admin), QByteArray("OK"));
    }
    for (const QByteArray& word : {digest("Secret"), digest("secret").toHex().left(63) + 'g',
                                   digest("secret").left(31), QByteArray("secret")}) {
        bool admin = false;
        QCOMPARE(server->serveLine("PASSWD " + word, &admin), QByteArray("PASSWD NOK"));
        QVERIFY(!admin);
    }
}

void TestRemoteServer::emptyPasswordMakesEveryoneAdmin()
{
    state.setPassword(QString());
    QCOMPARE(serve("START-STOP", false), QByteArray("OK"));
    // Setting one takes the rights away at once from those who never sent it.
    state.setPassword(QStringLiteral("secret"));
    QCOMPARE(serve("START-STOP", false), QByteArray("NOT-ADMIN"));
}

void TestRemoteServer::queuedActions()
{
    QSignalSpy startStop(server, &ServerThread::signal_startStop);
    QSignalSpy mode(server, &ServerThread::signal_setBrakeMode);
    QSignalSpy target(server, &ServerThread::signal_setTarget);
    QSignalSpy step(server, &ServerThread::signal_step);
    QSignalSpy tab(server, &ServerThread::signal_setMainTab);
    QSignalSpy analyze(server, &ServerThread::signal_analyzeLastRun);

    serve("START-STOP", true);
    serve("ANALYZE", true);
    for (const char* m : {"BRAKE-OFF", "TORQUE-JOINED", "SPEED", "ACC"})
        serve(QByteArray("SET MODE ") + m, true);
    serve("SET TORQUE 0.25", true);
    serve("SET ROAD-SPEED 1e1", true);
    serve("SET ENGINE-SPEED  -3 ", true); // the value word is "", so nothing is set
    serve("SET ENGINE-SPEED 314.5", true);
    for (const char* s : {"UPUP", "UP", "DOWN", "DOWNDOWN"})
        serve(QByteArray("STEP any ") + s, true);
    serve("TAB RUN", true);
    serve("TAB ANALYZE", true);
    state.setAnalyzePageEnabled(false);
    QVERIFY(serve("TAB ANALYZE", true).isNull());
    state.setAnalyzePageEnabled(true);
    serve("START-STOP", false);

    QCOMPARE(startStop.size(), 1);
    QCOMPARE(analyze.size(), 1);
    QCOMPARE(mode.size(), 4);
    QCOMPARE((QList<int>{mode[0][0].toInt(), mode[1][0].toInt(), mode[2][0].toInt(), mode[3][0].toInt()}),
             (QList<int>{0, 2, 3, 4}));
    QCOMPARE(target.size(), 3);
    QCOMPARE(target[0][0].toInt(), int(ServerThread::TargetBrakePower));
    QCOMPARE(target[0][1].toDouble(), 0.25);
    QCOMPARE(target[1][1].toDouble(), 10.0);
    QCOMPARE(target[2][0].toInt(), int(ServerThread::TargetEngineSpeed));
    QCOMPARE(target[2][1].toDouble(), 314.5);
    QCOMPARE(step.size(), 4);
    QCOMPARE(step[0][0].toInt(), int(ServerThread::RoughStepUp));
    QCOMPARE(step[3][0].toInt(), int(ServerThread::RoughStepDown));
    QCOMPARE(tab.size(), 2);
    QCOMPARE(tab[0][0].toInt(), 2);
    QCOMPARE(tab[1][0].toInt(), 1);

    keyTarget.keys.clear();
    QCOMPARE(serve("KEY F1 PRESS", true), QByteArray("OK"));
    QCOMPARE(serve("KEY F12 RELEASE", true), QByteArray("OK"));
    QCoreApplication::processEvents();
    QCOMPARE(keyTarget.keys.size(), 2);
    QCOMPARE(keyTarget.keys[0], qMakePair(int(QEvent::KeyPress), int(Qt::Key_F1)));
    QCOMPARE(keyTarget.keys[1], qMakePair(int(QEvent::KeyRelease), int(Qt::Key_F12)));
}

void TestRemoteServer::channelValuesAndSetups()
{
    QCOMPARE(serve("CHANNEL I_throttle%20pos", false), QByteArray("CHANNEL I_throttle%20pos nan"));
    QCOMPARE(serve("WRITE-CHANNEL I_throttle%20pos 1500000", true), QByteArray("OK"));
    QCOMPARE(serve("CHANNEL I_throttle%20pos", false), QByteArray("CHANNEL I_throttle%20pos 1.5e+06"));
    // The key is echoed as sent; a lone "%" stands for itself.
    QCOMPARE(serve("CHANNEL I_throttle%20pos%", false), QByteArray("CHANNEL NOT-FOUND I_throttle%20pos%"));
    QCOMPARE(serve("CHANNEL I_throttle pos", false), QByteArray("CHANNEL NOT-FOUND I_throttle"));

    const QByteArray reply = serve("CHANNEL-SETUP I_throttle%20pos", false);
    QVERIFY(reply.startsWith("CHANNEL-SETUP I_throttle%20pos "));
    QDomDocument document;
    QVERIFY(document.setContent(QByteArray::fromBase64(reply.mid(31))));
    QCOMPARE(document.documentElement().tagName(), QStringLiteral("setup"));

    // A renamed channel is found under its new key once the copy is rebuilt.
    input->setup->key = QStringLiteral("I_gas");
    emit input->setup->signal_keyChanged();
    QTRY_COMPARE(serve("CHANNEL I_gas", false), QByteArray("CHANNEL I_gas 1.5e+06"));
    input->setup->key = QStringLiteral("I_throttle pos");
    directory->refresh();
}

void TestRemoteServer::socketLinesAndLimits()
{
    server->start();
    const auto connectedSockets = [this] {
        int count = 0;
        ThreadHandOver::blockingCall(
            server, [this, &count] { count = static_cast<int>(server->server->findChildren<QTcpSocket*>().size()); });
        return count;
    };

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server->serverPort());
    QVERIFY(client.waitForConnected(3000));
    QCOMPARE(readLine(client), QByteArray("HELLO Zembo_6.28.3\n"));

    // Two commands in one packet, CR LF accepted, and a split command.
    client.write("PING\r\nLIST-CHANNELS\nOUTPUT-");
    client.flush();
    QCOMPARE(readLine(client), QByteArray("?\n"));
    QVERIFY(readLine(client).startsWith("LIST-CHANNELS I_throttle"));
    QVERIFY(!client.waitForReadyRead(200));
    client.write("LABEL 2\n");
    QCOMPARE(readLine(client), QByteArray("OUTPUT-LABEL 2 Pump\n"));
    QCOMPARE(connectedSockets(), 1);

    // A gone client's socket is released.
    client.disconnectFromHost();
    QTRY_COMPARE(connectedSockets(), 0);

    // A line that never ends closes its connection.
    QTcpSocket flood;
    flood.connectToHost(QHostAddress::LocalHost, server->serverPort());
    QVERIFY(flood.waitForConnected(3000));
    readLine(flood);
    flood.write(QByteArray(70 * 1024, 'x'));
    flood.flush();
    QTRY_COMPARE_WITH_TIMEOUT(flood.state(), QAbstractSocket::UnconnectedState, 5000);
    QTRY_COMPARE(connectedSockets(), 0);
}

QTEST_MAIN(TestRemoteServer)
#include "tst_remote_server.moc"
