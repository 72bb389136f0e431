// The tables as SQLite stores them: created on a new database, migrated in
// place from an older layout, and the first generation's projects imported
// once. What is stored is read back with the sqlite3 command line.
#include "DatabaseTestSupport.h"
#include "LogCapture.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace DatabaseTest;

namespace {

// The columns as the table must list them: name and declared type, in order.
const char* const kProjectColumns =
    "id INTEGER,favourite int,creationTimestamp int,lastRunTimestamp int,lastAccessTimestamp int,"
    "customerName varchar(100),runCount int,vehicleId varchar(100),projectName varchar(100),vehicleType int,"
    "brand varchar(100),model varchar(100),series varchar(100),productionYear int,mass real,frontalArea real,"
    "Cx real,driveWheels int,wheelbase real,frontTrack real,rearTrack real,engineCode varchar(100),"
    "engineFuelType int,engineBoostType int,engineConfiguration int,displacement real,cylinderCount int,"
    "valveCount int,compressionRatio real,cylinderBore real,pistonStroke real,gearboxType int,gearCount int,"
    "engineInertia real,drivetrainInertia real,stockEnginePower real,stockEnginePowerRPM real,"
    "stockEngineTorque real,stockEngineTorqueRPM real,measuredEnginePower real,measuredEnginePowerRPM real,"
    "measuredEngineTorque real,measuredEngineTorqueRPM real,measuredWheelPower real,measuredWheelPowerRPM real,"
    "peakRoadSpeed real,peakEngineSpeed real,description varchar(2000),lossFromLoadFactor real,"
    "engineEfficiency real,engineCorrectionFactor real,obdPidGroups varchar(0),engineCycle int,"
    "wheelDiameter real,runDistance real,customerEmail varchar(100),trim varchar(100),ignoreCoastdownErrors int";

const char* const kRunColumns =
    "id INTEGER,projectId int,filename varchar(1024),favourite int,creationTimestamp int,"
    "modificationTimestamp int,lastAccessTimestamp int,runLength real,engineSpeedSource int,engineSpeedRatio real,"
    "enginePowerCorrectionStandard int,enginePowerCorrectionValue real,ambientTemperature real,"
    "ambientPressure real,ambientHumidity real,measuredEnginePower real,measuredEnginePowerRPM real,"
    "measuredEngineTorque real,measuredEngineTorqueRPM real,measuredWheelPower real,measuredWheelPowerRPM real,"
    "peakRoadSpeed real,peakEngineSpeed real,comment varchar(2000),selectionStart real,selectionEnd real,"
    "createdWithSoftwareVersion varchar(100),peakLossPower real,peakLossPowerRPM real,name varchar(100),type int,"
    "deviceCode int,distance real,selectionLength real";

QStringList expectedColumns(const char* list)
{
    return QString::fromLatin1(list).split(QLatin1Char(','));
}

// "name type" of every column, from PRAGMA table_info through the command line.
QStringList storedColumns(const QString& path, const QString& table)
{
    QStringList columns;
    const QString out = sqlite3(path, QStringLiteral("PRAGMA table_info(%1);\n").arg(table));
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(QLatin1Char('|'));
        if (parts.size() >= 3)
            columns.append(parts.at(1) + QLatin1Char(' ') + parts.at(2));
    }
    return columns;
}

bool sameColumns(const QStringList& a, const QStringList& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a.at(i).compare(b.at(i), Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

// The create statement of an older program: the first `count` columns.
QString olderTable(const QString& table, const char* columns, int count)
{
    QStringList defs = expectedColumns(columns).mid(1, count - 1);
    return QStringLiteral("create table %1 (id INTEGER PRIMARY KEY AUTOINCREMENT DEFAULT 1,%2);\n")
        .arg(table, defs.join(QLatin1Char(',')));
}

qint64 localSeconds(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second)).toSecsSinceEpoch();
}

} // namespace

class TestDatabaseSchema : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void newDatabaseGetsEveryColumn();
    void olderTablesGainColumnsAndKeepRows();
    void firstGenerationProjectsImportOnce_data();
    void firstGenerationProjectsImportOnce();
    void unreadableOldDatabaseImportsNothing();
    void databaseThatCannotBeOpened();

private:
    QTemporaryDir dir;
    QString oldDatabase() const { return theSettings.settingsDir.filePath(QStringLiteral("projects.db")); }
};

void TestDatabaseSchema::initTestCase()
{
    initProgramState();
    QVERIFY(dir.isValid());
}

void TestDatabaseSchema::cleanup()
{
    QFile::remove(oldDatabase());
}

void TestDatabaseSchema::newDatabaseGetsEveryColumn()
{
    const QString path = dir.filePath(QStringLiteral("new.db"));
    LogCapture log;
    {
        Connection connection(path);
        Models models(connection);
        QCOMPARE(models.projects->rowCount(), 0);
        QCOMPARE(models.projects->columnCount(), 58);
        QCOMPARE(models.projects->groupDescriptors.size(), 4);
        QCOMPARE(models.runs->columnCount(), 34);
        QVERIFY(models.projects->v1ProjectIdMap.isEmpty());
    }
    QCOMPARE(log.count(QStringLiteral("Table projects2 created")), 1);
    QCOMPARE(log.count(QStringLiteral("Table runs2 created")), 1);
    // A new table has every column: the additions of later versions are silent.
    QCOMPARE(log.count(QStringLiteral("added to database")), 0);
    QCOMPARE(log.count(QStringLiteral("Imported")), 0);

    const QStringList projects = storedColumns(path, QStringLiteral("projects2"));
    const QStringList runs = storedColumns(path, QStringLiteral("runs2"));
    QCOMPARE(projects.size(), 58);
    QCOMPARE(runs.size(), 34);
    QVERIFY2(sameColumns(projects, expectedColumns(kProjectColumns)), qPrintable(projects.join(QLatin1Char(','))));
    QVERIFY2(sameColumns(runs, expectedColumns(kRunColumns)), qPrintable(runs.join(QLatin1Char(','))));
    // Ids come from SQLite's autoincrement and are never reused.
    QVERIFY(sqlite3(path, QStringLiteral(".schema projects2\n")).contains(QStringLiteral("AUTOINCREMENT")));
}

void TestDatabaseSchema::olderTablesGainColumnsAndKeepRows()
{
    const QString path = dir.filePath(QStringLiteral("older.db"));
    const QString fixture = olderTable(QStringLiteral("projects2"), kProjectColumns, 48)
                            + olderTable(QStringLiteral("runs2"), kRunColumns, 27)
                            + QStringLiteral("insert into projects2 (vehicleId, mass) values ('OLD 1', 1200);\n"
                                             "insert into runs2 (projectId, filename, comment) "
                                             "values (1, '/runs/a.h5', 'old run');\n");
    QCOMPARE(sqlite3(path, fixture), QString());
    QCOMPARE(storedColumns(path, QStringLiteral("projects2")).size(), 48);

    LogCapture log;
    {
        Connection connection(path);
        Models models(connection);
        ProjectListModel& projects = *models.projects;
        RunListModel& runs = *models.runs;
        QCOMPARE(projects.rowCount(), 1);
        QCOMPARE(runs.rowCount(), 1);

        // The old row reads the texts the additions gave it.
        const struct {
            int field;
            QVariant value;
        } projectDefaults[] = {
            {ProjectListFields::lossFromLoadFactor, 0.0}, {ProjectListFields::engineEfficiency, 0.85},
            {ProjectListFields::engineCorrectionFactor, 1.0}, {ProjectListFields::engineCycle, 1},
            {ProjectListFields::wheelDiameter, 0.0}, {ProjectListFields::runDistance, 0.0},
            {ProjectListFields::ignoreCoastdownErrors, 0}, {ProjectListFields::obdPidGroups, QString()},
            {ProjectListFields::customerEmail, QString()}, {ProjectListFields::trim, QString()},
        };
        for (const auto& expected : projectDefaults) {
            const QVariant value = projects.dataRawByRowAndId(0, expected.field);
            QVERIFY2(value.isValid(), qPrintable(projects.getDatabaseKey(ProjectListFieldId(expected.field))));
            if (expected.value.typeId() == QMetaType::QString)
                QCOMPARE(value.toString(), expected.value.toString());
            else
                QCOMPARE(value.toDouble(), expected.value.toDouble());
        }
        QCOMPARE(projects.data(projects.index(0, ProjectListFields::engineCycle)).toString(),
                 QStringLiteral("Four-stroke"));
        QCOMPARE(projects.dataRawByRowAndId(0, ProjectListFields::mass).toDouble(), 1200.0);

        QCOMPARE(runs.dataRawByRowAndId(0, RunListFields::peakLossPower).toDouble(), 0.0);
        QCOMPARE(runs.dataRawByRowAndId(0, RunListFields::type).toInt(), 0);
        QCOMPARE(runs.dataRawByRowAndId(0, RunListFields::selectionLength).toDouble(), 0.0);
        QCOMPARE(runs.dataRawByRowAndId(0, RunListFields::name).toString(), QString());
        // Added with an empty default, these number columns hold the text '' in
        // old rows; that reads as no value, not as 0 or as text.
        QVERIFY(!runs.dataRawByRowAndId(0, RunListFields::deviceCode).isValid());
        QVERIFY(!runs.dataRawByRowAndId(0, RunListFields::distance).isValid());
        QCOMPARE(runs.data(runs.index(0, RunListFields::deviceCode)).toString(), QString());
        QCOMPARE(runs.data(runs.index(0, RunListFields::distance)).toString(), QString());
    }
    // The stored file stays as it is.
    QCOMPARE(sqlite3(path, QStringLiteral("select typeof(deviceCode), typeof(distance) from runs2;\n")).trimmed(),
             QStringLiteral("text|text"));

    QVERIFY(sameColumns(storedColumns(path, QStringLiteral("projects2")), expectedColumns(kProjectColumns)));
    QVERIFY(sameColumns(storedColumns(path, QStringLiteral("runs2")), expectedColumns(kRunColumns)));
    const QStringList added = log.messages().filter(QStringLiteral("added to database"));
    QCOMPARE(added.size(), 17);
    QVERIFY(added.first().contains(QStringLiteral("lossFromLoadFactor")));
    QVERIFY(added.at(9).contains(QStringLiteral("ignoreCoastdownErrors")));
    QVERIFY(added.at(10).contains(QStringLiteral("peakLossPower")));
    QVERIFY(added.last().contains(QStringLiteral("selectionLength")));

    // A second start finds everything in place: no change, not a line in the log.
    const QString before = dump(path);
    log.clear();
    {
        Connection connection(path);
        Models models(connection);
        QCOMPARE(models.projects->rowCount(), 1);
    }
    QVERIFY2(log.messages().isEmpty(), qPrintable(log.messages().join(QLatin1Char('\n'))));
    QCOMPARE(dump(path), before);
}

void TestDatabaseSchema::firstGenerationProjectsImportOnce_data()
{
    QTest::addColumn<int>("sequenceStart");
    QTest::newRow("new database") << 0;
    // An autoincrement sequence left behind (a table dropped and made again)
    // moves the ids: the map must hold the ids SQLite gave, not 1, 2, 3.
    QTest::newRow("sequence left behind") << 100;
}

void TestDatabaseSchema::firstGenerationProjectsImportOnce()
{
    QFETCH(int, sequenceStart);
    const QString old = oldDatabase();
    const QString oldFixture = QStringLiteral(
        "create table projects (id integer primary key, name text, car text, registration text, "
        "lastRunTime text, peakPower real, runCount integer, description text);\n"
        "insert into projects values (4, 'Alpha', 'Golf', 'WX 1', '19.12.31_23:59:59', 95000, 3, 'first');\n"
        "insert into projects values (9, 'Beta', 'Polo', 'WX 2', '24.03.15_10:20:00', null, 0, null);\n"
        "insert into projects values (12, 'Gamma', 'Up', 'WX 3', 'no date', 50000.5, 1, 'two\nlines');\n");
    QCOMPARE(sqlite3(old, oldFixture), QString());
    const QByteArray oldHash = fileHash(old);

    const QString path = dir.filePath(QStringLiteral("import%1.db").arg(sequenceStart));
    if (sequenceStart > 0) {
        QCOMPARE(sqlite3(path, QStringLiteral("create table helper (id INTEGER PRIMARY KEY AUTOINCREMENT);\n"
                                              "insert into sqlite_sequence (name, seq) values ('projects2', %1);\n")
                                   .arg(sequenceStart)),
                 QString());
    }

    LogCapture log;
    {
        Connection connection(path);
        Models models(connection);
        ProjectListModel& projects = *models.projects;
        QCOMPARE(projects.rowCount(), 3);
        const QMap<int, int> expected{
            {4, sequenceStart + 1}, {9, sequenceStart + 2}, {12, sequenceStart + 3}};
        QCOMPARE(projects.v1ProjectIdMap, expected);
    }
    QCOMPARE(log.count(QStringLiteral("Imported 3 projects from V1 database")), 1);

    const QString stored = sqlite3(path, QStringLiteral(
        "select id, projectName, model, vehicleId, lastRunTimestamp, creationTimestamp, lastAccessTimestamp, "
        "measuredWheelPower, runCount, description from projects2 order by id;\n"));
    const QStringList rows = stored.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 4);  // the description of the third spans two lines
    const QString t1 = QString::number(localSeconds(2019, 12, 31, 23, 59, 59));
    const QString t2 = QString::number(localSeconds(2024, 3, 15, 10, 20, 0));
    QCOMPARE(rows.at(0), QStringLiteral("%1|Alpha|Golf|WX 1|%2|%2|%2|95000.0|3|first").arg(sequenceStart + 1).arg(t1));
    QCOMPARE(rows.at(1), QStringLiteral("%1|Beta|Polo|WX 2|%2|%2|%2||0|").arg(sequenceStart + 2).arg(t2));
    // A time that does not read as a date leaves the three time stamps empty.
    QCOMPARE(rows.at(2), QStringLiteral("%1|Gamma|Up|WX 3||||50000.5|1|two").arg(sequenceStart + 3));
    // Every other field stays NULL.
    QCOMPARE(sqlite3(path, QStringLiteral("select count(*) from projects2 where mass is null and brand is null "
                                          "and gearboxType is null;\n"))
                 .trimmed(),
             QStringLiteral("3"));
    // Read only: the old file is as it was.
    QCOMPARE(fileHash(old), oldHash);

    // The table exists now: a second start imports nothing, old file or not.
    log.clear();
    {
        Connection connection(path);
        Models models(connection);
        QCOMPARE(models.projects->rowCount(), 3);
        QVERIFY(models.projects->v1ProjectIdMap.isEmpty());
    }
    QCOMPARE(log.count(QStringLiteral("Imported")), 0);
}

void TestDatabaseSchema::unreadableOldDatabaseImportsNothing()
{
    QFile old(oldDatabase());
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("this is not a database");
    old.close();

    const QString path = dir.filePath(QStringLiteral("unreadable.db"));
    LogCapture log;
    Connection connection(path);
    Models models(connection);
    QCOMPARE(models.projects->rowCount(), 0);
    QVERIFY(models.projects->v1ProjectIdMap.isEmpty());
    QCOMPARE(log.count(QStringLiteral("Imported")), 0);
    QVERIFY(log.count(QStringLiteral("SELECT * FROM projects")) + log.count(QStringLiteral("Can't open database"))
            >= 1);
}

void TestDatabaseSchema::databaseThatCannotBeOpened()
{
    // The program goes on with empty tables; every failing step is logged.
    LogCapture log;
    Connection connection(dir.filePath(QStringLiteral("no/such/folder/projects2.db")));
    QVERIFY(!connection.database().isOpen());
    Models models(connection);
    QCOMPARE(models.projects->rowCount(), 0);
    QCOMPARE(models.runs->rowCount(), 0);
    QVERIFY(!models.projects->setDataRawByRowAndId(0, ProjectListFields::mass, 1.0));
    QCOMPARE(log.count(QStringLiteral("SQL select error")), 2);
    QCOMPARE(log.count(QStringLiteral("Table projects2 created")), 0);
    QVERIFY(log.count(QStringLiteral("ALTER TABLE projects2 ADD COLUMN")) >= 10);
}

QTEST_MAIN(TestDatabaseSchema)
#include "tst_database_schema.moc"
