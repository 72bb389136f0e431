#pragma once

#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

// Stand-in for the maker's update service, used under ZEMBO_SIMULATE=1 when
// no ZEMBO_UPDATE_BASE_URL names another: a small HTTP server on a free
// loopback port answering the updater's three requests from a folder:
//   zembo/updates/index.php?version=B -> FOLDER/version-B.txt
//   zembo/updates/?changelog=V        -> FOLDER/changelog.txt
//   zembo/updates/B/FILE              -> FOLDER/B/FILE
// Anything else, or a missing file, gets 404. GUI thread (event driven).
class SimulatedUpdateService : public QObject
{
    Q_OBJECT
public:
    explicit SimulatedUpdateService(const QString& folder, QObject* parent = nullptr);

    bool start();
    // "http://127.0.0.1:<port>/" once started.
    QString baseAddress() const;
    // The file (relative to the folder) that answers a request target, or
    // empty for none. Names are plain: no separators beyond the one level.
    static QString fileFor(const QString& target);

private:
    void serve(QTcpSocket* socket);

    QString folder;
    QTcpServer* server = nullptr;
};
