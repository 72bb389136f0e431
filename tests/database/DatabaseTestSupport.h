#pragma once

// Helpers of the database tests: an SQLite connection of its own per test, the
// sqlite3 command line as the independent witness of what is stored, and the
// start-up the project and run models expect (units, label lists).
#include "MySettings.h"
#include "ProjectListModel.h"
#include "RunListModel.h"
#include "Units.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QUuid>

#include <memory>

namespace DatabaseTest {

// Runs the sqlite3 command line on a database file; the script goes in on stdin.
// Returns its standard output; a failure is returned as "ERROR: " + its message.
inline QString sqlite3(const QString& path, const QString& script)
{
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), path});
    if (!process.waitForStarted(5000))
        return QStringLiteral("ERROR: sqlite3 did not start");
    process.write(script.toUtf8());
    process.closeWriteChannel();
    process.waitForFinished(20000);
    const QString errors = QString::fromUtf8(process.readAllStandardError()).trimmed();
    if (process.exitCode() != 0 || !errors.isEmpty())
        return QStringLiteral("ERROR: ") + errors;
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Everything the file holds, as text: the witness that nothing was written.
inline QString dump(const QString& path)
{
    return sqlite3(path, QStringLiteral(".dump\n"));
}

inline QByteArray fileHash(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// One open connection to a database file, removed again when it goes.
class Connection
{
public:
    explicit Connection(const QString& file)
        : path(file)
        , name(QStringLiteral("test-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
    }
    ~Connection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QSqlDatabase database() const { return QSqlDatabase::database(name, false); }
    // Executes on this connection; false (and the error in `error`) on failure.
    bool exec(const QString& statement, QString* error = nullptr) const
    {
        QSqlQuery query(database());
        const bool ok = query.exec(statement);
        if (!ok && error)
            *error = query.lastError().text();
        return ok;
    }

    const QString path;
    const QString name;
};

// The project model and the run model on one connection, as the main window
// makes them, published through the global pointers.
struct Models {
    explicit Models(const Connection& connection)
    {
        projects = std::make_unique<ProjectListModel>(nullptr, connection.database());
        theProjectListModel = projects.get();
        runs = std::make_unique<RunListModel>(nullptr, connection.database());
        theRunListModel = runs.get();
    }
    ~Models()
    {
        runs.reset();
        projects.reset();
    }
    std::unique_ptr<ProjectListModel> projects;
    std::unique_ptr<RunListModel> runs;
};

// What the main window has done before it makes the models.
inline void initProgramState()
{
    theUnits.init();
    theSettings.initEnumLabels();
}

} // namespace DatabaseTest
