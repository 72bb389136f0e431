#include "SimulatedUpdateService.h"

#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

namespace {

constexpr qsizetype kMaxRequestHead = 8192;

bool plainName(const QString& name)
{
    static const QRegularExpression shape(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9._-]*$"));
    return shape.match(name).hasMatch() && !name.contains(QLatin1String(".."));
}

} // namespace

SimulatedUpdateService::SimulatedUpdateService(const QString& servedFolder, QObject* parent)
    : QObject(parent)
    , folder(servedFolder)
{
}

bool SimulatedUpdateService::start()
{
    if (server)
        return server->isListening();
    server = new QTcpServer(this);
    connect(server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server->nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    });
    return server->listen(QHostAddress::LocalHost, 0);
}

QString SimulatedUpdateService::baseAddress() const
{
    return server ? QStringLiteral("http://127.0.0.1:%1/").arg(server->serverPort()) : QString();
}

QString SimulatedUpdateService::fileFor(const QString& target)
{
    const QUrl url(target);
    const QString path = url.path();
    const QUrlQuery query(url);
    const QString prefix = QStringLiteral("/zembo/updates/");
    if (!path.startsWith(prefix))
        return QString();
    const QString rest = path.mid(prefix.size());
    if (rest == QLatin1String("index.php") && query.hasQueryItem(QStringLiteral("version"))) {
        const QString branch = query.queryItemValue(QStringLiteral("version"));
        return plainName(branch) ? QStringLiteral("version-") + branch + QStringLiteral(".txt") : QString();
    }
    if (rest.isEmpty() && query.hasQueryItem(QStringLiteral("changelog")))
        return QStringLiteral("changelog.txt");
    const QStringList parts = rest.split(QLatin1Char('/'));
    if (parts.size() == 2 && plainName(parts.at(0)) && plainName(parts.at(1)) && url.query().isEmpty())
        return rest;
    return QString();
}

void SimulatedUpdateService::serve(QTcpSocket* socket)
{
    if (socket->property("answered").toBool())
        return;
    const QByteArray head = socket->peek(kMaxRequestHead);
    if (!head.contains("\r\n\r\n") && head.size() < kMaxRequestHead)
        return; // the rest of the request head is still on its way
    socket->setProperty("answered", true);
    const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
    QByteArray reply;
    QFile file;
    if (words.size() == 3 && words.at(0) == "GET") {
        const QString name = fileFor(QString::fromLatin1(words.at(1)));
        if (!name.isEmpty())
            file.setFileName(folder + QLatin1Char('/') + name);
    }
    if (!file.fileName().isEmpty() && file.open(QIODevice::ReadOnly)) {
        const QByteArray body = file.readAll();
        reply = "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                "\r\nConnection: close\r\n\r\n" + body;
    } else {
        reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    }
    socket->write(reply);
    socket->disconnectFromHost();
}
