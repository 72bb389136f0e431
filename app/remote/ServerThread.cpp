#include "ServerThread.h"

#include "RemoteControlState.h"
#include "RemoteProtocol.h"
#include "RunChannel.h"
#include "MySettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QKeyEvent>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

const char* const adminProperty = "admin";

QByteArray reply(const char* head, const QByteArray& rest)
{
    return QByteArray(head) + rest;
}

} // namespace

ServerThread::ServerThread(RemoteControlState* state, QObject* keyTarget, quint16 port)
    : state(state), keyTarget(keyTarget)
{
    server = new QTcpServer(this);
    if (!server->listen(QHostAddress::Any, port))
        qDebug().noquote() << "Unable to start remote control server" << QStringLiteral("\"%1\"").arg(server->errorString());
    else
        qDebug() << "Remote control server listening on port" << server->serverPort();
    connect(server, &QTcpServer::newConnection, this, &ServerThread::slot_newTcpConnection);
    moveToThread(this);
}

ServerThread::~ServerThread()
{
    if (isRunning()) {
        quit();
        wait();
    }
}

quint16 ServerThread::defaultPort()
{
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("ZEMBO_REMOTE_PORT", &ok);
    return (ok && port >= 0 && port < 65536) ? quint16(port) : quint16(12369);
}

bool ServerThread::isListening() const
{
    return server->isListening();
}

quint16 ServerThread::serverPort() const
{
    return server->serverPort();
}

void ServerThread::slot_newTcpConnection()
{
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, &ServerThread::slot_newSocketData);
        // A client that has gone is answered no more and its socket is freed.
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->write("HELLO Zembo_" + theSettings.version.versionText.toUtf8() + '\n');
    }
}

void ServerThread::slot_newSocketData()
{
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    if (!socket)
        return;
    while (socket->state() == QAbstractSocket::ConnectedState) {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > RemoteProtocol::maxLineLength) {
                qDebug() << "Remote control: line longer than" << RemoteProtocol::maxLineLength
                         << "bytes, connection closed";
                socket->abort();
                socket->deleteLater();
            }
            return;
        }
        QByteArray line = socket->readLine(RemoteProtocol::maxLineLength + 2);
        if (!line.endsWith('\n')) {
            qDebug() << "Remote control: line longer than" << RemoteProtocol::maxLineLength
                     << "bytes, connection closed";
            socket->abort();
            socket->deleteLater();
            return;
        }
        line.replace('\r', QByteArray()).replace('\n', QByteArray());
        bool admin = socket->property(adminProperty).toBool();
        const QByteArray answer = serveLine(line, &admin);
        if (admin)
            socket->setProperty(adminProperty, true);
        if (!answer.isNull())
            socket->write(answer + '\n');
    }
}

QByteArray ServerThread::serveLine(const QByteArray& line, bool* admin)
{
    const QList<QByteArray> words = line.split(' ');
    const QByteArray& command = words.first();
    // Tested for every line, so a password set later takes the rights away.
    const bool rights = *admin || state->passwordEmpty();

    if (command == "PASSWD") {
        if (words.size() < 2)
            return QByteArrayLiteral("PASSWD NOK");
        if (RemoteProtocol::digestMatches(words.at(1), state->passwordDigest())) {
            *admin = true;
            return QByteArrayLiteral("PASSWD OK");
        }
        return QByteArrayLiteral("PASSWD NOK");
    }
    if (command == "CHANNEL")
        return serveChannel(words);
    if (command == "CHANNEL-SETUP")
        return serveChannelSetup(words);
    if (command == "LIST-CHANNELS")
        return state->channels()->listReply;
    if (command == "OUTPUT-LABEL")
        return serveOutputLabel(words);

    const bool adminCommand = command == "WRITE-CHANNEL" || command == "START-STOP" || command == "ANALYZE"
                              || command == "SET" || command == "STEP" || command == "KEY" || command == "TAB";
    if (!adminCommand)
        return QByteArrayLiteral("?");
    if (!rights)
        return QByteArrayLiteral("NOT-ADMIN");

    if (command == "WRITE-CHANNEL")
        return serveWriteChannel(words);
    if (command == "START-STOP") {
        emit signal_startStop();
        return QByteArrayLiteral("OK");
    }
    if (command == "ANALYZE") {
        emit signal_analyzeLastRun();
        return QByteArrayLiteral("OK");
    }
    if (command == "SET")
        return serveSet(words);
    if (command == "STEP")
        return serveStep(words);
    if (command == "KEY")
        return serveKey(words);
    return serveTab(words);
}

QByteArray ServerThread::serveChannel(const QList<QByteArray>& words) const
{
    if (words.size() < 2)
        return QByteArrayLiteral("?");
    const QByteArray& key = words.at(1);
    const std::shared_ptr<const RemoteChannelSnapshot> channels = state->channels();
    const auto it = channels->byKey.constFind(RemoteProtocol::percentDecode(key));
    if (it == channels->byKey.constEnd())
        return reply("CHANNEL NOT-FOUND ", key);
    double value = 0;
    qint64 timestamp = 0;
    it->channel->getTimestampedData(value, timestamp);
    return reply("CHANNEL ", key) + ' ' + RemoteProtocol::formatValue(value);
}

QByteArray ServerThread::serveChannelSetup(const QList<QByteArray>& words) const
{
    if (words.size() < 2)
        return QByteArrayLiteral("?");
    const QByteArray& key = words.at(1);
    const std::shared_ptr<const RemoteChannelSnapshot> channels = state->channels();
    const auto it = channels->byKey.constFind(RemoteProtocol::percentDecode(key));
    if (it == channels->byKey.constEnd())
        return reply("CHANNEL-SETUP NOT-FOUND ", key);
    return reply("CHANNEL-SETUP ", key) + ' ' + it->setupBase64;
}

QByteArray ServerThread::serveOutputLabel(const QList<QByteArray>& words) const
{
    if (words.size() < 2)
        return QByteArrayLiteral("?");
    const QByteArray& word = words.at(1);
    int index = -1;
    QString label;
    if (!RemoteProtocol::parseIndex(word, &index) || !state->outputLabel(index, &label))
        return reply("OUTPUT-LABEL NOT-FOUND ", word);
    return reply("OUTPUT-LABEL ", word) + ' ' + RemoteProtocol::percentEncode(label.toUtf8());
}

QByteArray ServerThread::serveWriteChannel(const QList<QByteArray>& words)
{
    if (words.size() < 3)
        return QByteArrayLiteral("?");
    const QByteArray& key = words.at(1);
    double value = 0;
    if (!RemoteProtocol::parseNumber(words.at(2), &value))
        return QByteArrayLiteral("?");
    const std::shared_ptr<const RemoteChannelSnapshot> channels = state->channels();
    RunChannel* channel = channels->inputByKey.value(RemoteProtocol::percentDecode(key));
    if (!channel)
        return reply("CHANNEL NOT-FOUND ", key);
    channel->setData(value, QDateTime::currentMSecsSinceEpoch());
    return QByteArrayLiteral("OK");
}

QByteArray ServerThread::serveSet(const QList<QByteArray>& words)
{
    if (words.size() < 3)
        return QByteArrayLiteral("?");
    const QByteArray& parameter = words.at(1);
    if (parameter == "MODE") {
        const QByteArray& mode = words.at(2);
        int brakeMode = -1;
        if (mode == "BRAKE-OFF")
            brakeMode = 0;
        else if (mode == "TORQUE-JOINED")
            brakeMode = 2;
        else if (mode == "SPEED")
            brakeMode = 3;
        else if (mode == "ACC")
            brakeMode = 4;
        if (brakeMode < 0)
            return QByteArrayLiteral("?");
        emit signal_setBrakeMode(brakeMode);
        return QByteArrayLiteral("OK");
    }
    double value = 0;
    if (!RemoteProtocol::parseNumber(words.at(2), &value))
        return QByteArrayLiteral("VALUE?");
    int target = -1;
    if (parameter == "TORQUE")
        target = TargetBrakePower;
    else if (parameter == "ROAD-SPEED")
        target = TargetRoadSpeed;
    else if (parameter == "ENGINE-SPEED")
        target = TargetEngineSpeed;
    if (target < 0)
        return QByteArrayLiteral("PARAM?");
    emit signal_setTarget(target, value);
    return QByteArrayLiteral("OK");
}

QByteArray ServerThread::serveStep(const QList<QByteArray>& words)
{
    if (words.size() < 3)
        return QByteArrayLiteral("?");
    const QByteArray& step = words.at(2);
    int kind = -1;
    if (step == "UPUP")
        kind = RoughStepUp;
    else if (step == "UP")
        kind = FineStepUp;
    else if (step == "DOWN")
        kind = FineStepDown;
    else if (step == "DOWNDOWN")
        kind = RoughStepDown;
    if (kind < 0)
        return QByteArrayLiteral("?");
    emit signal_step(kind);
    return QByteArrayLiteral("OK");
}

QByteArray ServerThread::serveKey(const QList<QByteArray>& words)
{
    if (words.size() < 3)
        return QByteArrayLiteral("?");
    const QByteArray& name = words.at(1);
    const QByteArray& action = words.at(2);
    int number = 0;
    if (!name.startsWith('F') || !RemoteProtocol::parseIndex(name.mid(1), &number) || number < 1 || number > 12
        || name.mid(1) != QByteArray::number(number))
        return QByteArrayLiteral("?");
    QEvent::Type type = QEvent::None;
    if (action == "PRESS")
        type = QEvent::KeyPress;
    else if (action == "RELEASE")
        type = QEvent::KeyRelease;
    else
        return QByteArrayLiteral("?");
    // The event is made in the target's thread: a key event made here would
    // create the application's keyboard device object in this thread.
    if (keyTarget) {
        QObject* target = keyTarget;
        const int key = Qt::Key_F1 + (number - 1);
        QMetaObject::invokeMethod(
            target,
            [target, type, key] {
                QKeyEvent event(type, key, Qt::NoModifier, QString(), false);
                QCoreApplication::sendEvent(target, &event);
            },
            Qt::QueuedConnection);
    }
    return QByteArrayLiteral("OK");
}

QByteArray ServerThread::serveTab(const QList<QByteArray>& words)
{
    if (words.size() < 2)
        return QByteArrayLiteral("?");
    const QByteArray& tab = words.at(1);
    if (tab == "ANALYZE") {
        // The ANALYZE page is disabled during a run: no switch, and no reply.
        if (!state->analyzePageEnabled())
            return QByteArray();
        emit signal_setMainTab(1);
        return QByteArrayLiteral("OK");
    }
    if (tab == "RUN") {
        emit signal_setMainTab(2);
        return QByteArrayLiteral("OK");
    }
    return QByteArrayLiteral("?");
}
