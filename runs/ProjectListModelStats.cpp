// The run statistics of projects and the import of the first generation's
// project database: the parts of ProjectListModel that read other tables.
#include "ProjectListModel.h"

#include "MySettings.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>

namespace {

constexpr int kStatsDelayMs = 1000;
const QString kV1Connection = QStringLiteral("projects.db");

// Columns of "SELECT * FROM runs2": the run field ids.
constexpr int kRunCreationTimestamp = 4;
constexpr int kRunEnginePower = 15;
constexpr int kRunEnginePowerRpm = 16;
constexpr int kRunEngineTorque = 17;
constexpr int kRunEngineTorqueRpm = 18;
constexpr int kRunWheelPower = 19;
constexpr int kRunWheelPowerRpm = 20;
constexpr int kRunPeakRoadSpeed = 21;
constexpr int kRunPeakEngineSpeed = 22;
constexpr int kRunDistance = 32;

} // namespace

void ProjectListModel::queueProjectStatsUpdate(int projectId)
{
    if (!pendingStatsProjectIds.contains(projectId))
        pendingStatsProjectIds.append(projectId);
    statsUpdateTimer->start(kStatsDelayMs);
}

void ProjectListModel::queueAllProjectsStatsUpdate()
{
    pendingStatsProjectIds.clear();
    for (int row = 0; row < rowCount(); ++row)
        pendingStatsProjectIds.append(dataRawByRowAndId(row, ProjectListFields::id).toInt());
    statsUpdateTimer->start(kStatsDelayMs);
}

void ProjectListModel::slot_updateProjectsStats()
{
    while (!pendingStatsProjectIds.isEmpty()) {
        // The project asked for last is handled first.
        const int projectId = pendingStatsProjectIds.takeLast();
        QSqlQuery query(database());
        query.prepare(QStringLiteral("SELECT * FROM runs2 WHERE projectId=?"));
        query.addBindValue(projectId);
        if (!query.exec()) {
            logSqlError(query);
            continue;
        }

        int count = 0;
        qint64 lastRun = 0;
        double distance = 0;
        double enginePower = 0, enginePowerRpm = 0;
        double engineTorque = 0, engineTorqueRpm = 0;
        double wheelPower = 0, wheelPowerRpm = 0;
        double roadSpeed = 0, engineSpeed = 0;
        while (query.next()) {
            // NULL reads as 0; strictly greater keeps the first of equal peaks.
            ++count;
            lastRun = std::max(lastRun, query.value(kRunCreationTimestamp).toLongLong());
            distance += query.value(kRunDistance).toDouble();
            const double power = query.value(kRunEnginePower).toDouble();
            if (power > enginePower) {
                enginePower = power;
                enginePowerRpm = query.value(kRunEnginePowerRpm).toDouble();
            }
            const double torque = query.value(kRunEngineTorque).toDouble();
            if (torque > engineTorque) {
                engineTorque = torque;
                engineTorqueRpm = query.value(kRunEngineTorqueRpm).toDouble();
            }
            const double wheel = query.value(kRunWheelPower).toDouble();
            if (wheel > wheelPower) {
                wheelPower = wheel;
                wheelPowerRpm = query.value(kRunWheelPowerRpm).toDouble();
            }
            const double road = query.value(kRunPeakRoadSpeed).toDouble();
            if (road > roadSpeed)
                roadSpeed = road;
            const double engine = query.value(kRunPeakEngineSpeed).toDouble();
            if (engine > engineSpeed)
                engineSpeed = engine;
        }

        const int row = rowFromProjectId(projectId);
        setDataRawByRowAndId(row, ProjectListFields::runCount, count);
        setDataRawByRowAndId(row, ProjectListFields::lastRunTimestamp, lastRun);
        setDataRawByRowAndId(row, ProjectListFields::measuredEnginePower, enginePower);
        setDataRawByRowAndId(row, ProjectListFields::measuredEnginePowerRPM, enginePowerRpm);
        setDataRawByRowAndId(row, ProjectListFields::measuredEngineTorque, engineTorque);
        setDataRawByRowAndId(row, ProjectListFields::measuredEngineTorqueRPM, engineTorqueRpm);
        setDataRawByRowAndId(row, ProjectListFields::measuredWheelPower, wheelPower);
        setDataRawByRowAndId(row, ProjectListFields::measuredWheelPowerRPM, wheelPowerRpm);
        setDataRawByRowAndId(row, ProjectListFields::peakRoadSpeed, roadSpeed);
        setDataRawByRowAndId(row, ProjectListFields::peakEngineSpeed, engineSpeed);
        setDataRawByRowAndId(row, ProjectListFields::runDistance, distance);
        if (row >= 0)
            selectRow(row);
    }
}

void ProjectListModel::tryV1DatabaseImport()
{
    const QString path = theSettings.settingsDir.filePath(QStringLiteral("projects.db"));
    if (!QFile::exists(path))
        return;

    // Kept registered under its name: the run table's import reads the old runs through it.
    QSqlDatabase old = QSqlDatabase::contains(kV1Connection) ? QSqlDatabase::database(kV1Connection, false)
                                                             : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                                                         kV1Connection);
    if (old.isOpen())
        old.close();
    old.setDatabaseName(path);
    // Only read: the old file stays as it was.
    old.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!old.open()) {
        qDebug() << Q_FUNC_INFO << "Can't open database " + path;
        return;
    }

    QSqlQuery query(old);
    if (!query.exec(QStringLiteral("SELECT * FROM projects"))) {
        logSqlError(query);
        return;
    }

    v1ProjectIdMap.clear();
    int i = 0;
    while (query.next()) {
        const QSqlRecord record = query.record();
        if (!insertRow(i)) {
            qDebug().noquote() << QStringLiteral("Error inserting project row %1").arg(i);
            return;
        }
        setDataRawByRowAndId(i, ProjectListFields::projectName, record.value(QStringLiteral("name")));
        setDataRawByRowAndId(i, ProjectListFields::model, record.value(QStringLiteral("car")));
        setDataRawByRowAndId(i, ProjectListFields::vehicleId, record.value(QStringLiteral("registration")));
        // The old database keeps two-digit years: "24.03.15_10:20:00" is 15 March 2024.
        const QDateTime lastRun = QDateTime::fromString(
            QStringLiteral("20") + record.value(QStringLiteral("lastRunTime")).toString(),
            QStringLiteral("yyyy.MM.dd_hh:mm:ss"));
        const QVariant seconds = lastRun.isValid() ? QVariant(lastRun.toSecsSinceEpoch()) : QVariant();
        setDataRawByRowAndId(i, ProjectListFields::lastRunTimestamp, seconds);
        setDataRawByRowAndId(i, ProjectListFields::measuredWheelPower, record.value(QStringLiteral("peakPower")));
        setDataRawByRowAndId(i, ProjectListFields::runCount, record.value(QStringLiteral("runCount")));
        setDataRawByRowAndId(i, ProjectListFields::description, record.value(QStringLiteral("description")));
        setDataRawByRowAndId(i, ProjectListFields::creationTimestamp, seconds);
        setDataRawByRowAndId(i, ProjectListFields::lastAccessTimestamp, seconds);
        qDebug().noquote() << QStringLiteral("Imported project %1 %2").arg(i).arg(record.value(QStringLiteral("name")).toString());
        if (!submit()) {
            qDebug().noquote() << QStringLiteral("Error inserting project row %1").arg(i) << lastError().text();
            return;
        }
        // The id SQLite gave the row, read back rather than assumed: an
        // autoincrement sequence left by an earlier table would shift it.
        const QVariant newId = dataRawByRowAndId(i, ProjectListFields::id);
        if (newId.isValid())
            v1ProjectIdMap.insert(record.value(QStringLiteral("id")).toInt(), newId.toInt());
        else
            qDebug().noquote() << QStringLiteral("No id for imported project row %1").arg(i);
        ++i;
    }
    qDebug().noquote() << QStringLiteral("Imported %1 projects from V1 database").arg(i);
}
