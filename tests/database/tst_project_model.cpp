// The project table's data side: the active project, field writes and their
// signals, the display overrides, the field look-ups and the run statistics.
#include "Colors.h"
#include "DatabaseTestSupport.h"
#include "LogCapture.h"
#include "RecordingAnswerer.h"
#include "TableEditor.h"

#include <QAction>
#include <QBrush>
#include <QFont>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace DatabaseTest;

class TestProjectModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void activeProjectFollowsRowsAndIds();
    void noActiveProject();
    void engineTypeForPowerCorrection_data();
    void engineTypeForPowerCorrection();
    void writesSignalHeadlineFieldsAndListeners();
    void displayOfActiveRowDescriptionAndEnumerations();
    void fieldKeysAndArgumentSources();
    void projectValueFromRunFile();
    void statisticsFollowTheRuns();
    void statisticsRequestsCoalesce();

private:
    // Adds a project through SQL and re-reads the model; returns its id.
    int addProject(const QString& vehicleId);
    void addRun(int projectId, qint64 created, const QVariant& wheelPower, const QVariant& wheelRpm,
                const QVariant& distance = QVariant());

    QTemporaryDir dir;
    int databaseNumber = 0;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<Models> models;
    ProjectListModel* projects = nullptr;
};

void TestProjectModel::initTestCase()
{
    initProgramState();
    theColors.init();
    QVERIFY(dir.isValid());
}

void TestProjectModel::init()
{
    connection = std::make_unique<Connection>(dir.filePath(QStringLiteral("p%1.db").arg(++databaseNumber)));
    models = std::make_unique<Models>(*connection);
    projects = models->projects.get();
}

void TestProjectModel::cleanup()
{
    models.reset();
    connection.reset();
}

int TestProjectModel::addProject(const QString& vehicleId)
{
    QSqlQuery query(connection->database());
    query.prepare(QStringLiteral("insert into projects2 (vehicleId) values (?)"));
    query.addBindValue(vehicleId);
    if (!query.exec())
        return -1;
    const int id = query.lastInsertId().toInt();
    projects->select();
    return id;
}

void TestProjectModel::addRun(int projectId, qint64 created, const QVariant& wheelPower, const QVariant& wheelRpm,
                              const QVariant& distance)
{
    QSqlQuery query(connection->database());
    query.prepare(QStringLiteral("insert into runs2 (projectId, filename, creationTimestamp, measuredWheelPower, "
                                 "measuredWheelPowerRPM, distance) values (?, ?, ?, ?, ?, ?)"));
    query.addBindValue(projectId);
    query.addBindValue(QStringLiteral("/runs/%1-%2.h5").arg(projectId).arg(created));
    query.addBindValue(created);
    query.addBindValue(wheelPower);
    query.addBindValue(wheelRpm);
    query.addBindValue(distance);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
}

void TestProjectModel::activeProjectFollowsRowsAndIds()
{
    addProject(QStringLiteral("A"));
    const int idB = addProject(QStringLiteral("B"));
    QSignalSpy changed(projects, &ProjectListModel::signal_activeProjectChanged);

    projects->slot_setActiveProjectByRow(1);
    QCOMPARE(projects->activeProjectRow, 1);
    QCOMPARE(projects->activeProjectId, idB);
    QCOMPARE(projects->activeProjectDataRawById(ProjectListFields::vehicleId).toString(), QStringLiteral("B"));

    projects->slot_setCurrentProjectById(idB + 100);
    QCOMPARE(projects->activeProjectId, -1);
    QCOMPARE(projects->activeProjectRow, -1);
    QCOMPARE(changed.count(), 2);

    projects->slot_setCurrentProjectById(idB);
    QCOMPARE(projects->activeProjectRow, 1);
    QCOMPARE(projects->rowFromProjectId(idB), 1);

    // A row that does not exist clears, like -1.
    projects->slot_setActiveProjectByRow(7);
    QCOMPARE(projects->activeProjectId, -1);
    QCOMPARE(projects->activeProjectRow, -1);
    QCOMPARE(changed.count(), 4);
}

void TestProjectModel::noActiveProject()
{
    addProject(QStringLiteral("A"));
    LogCapture log;
    QVERIFY(!projects->activeProjectDataRawById(ProjectListFields::mass).isValid());
    QVERIFY(log.messages().isEmpty());
    QVERIFY(!projects->setActiveProjectDataRawByRowAndId(ProjectListFields::mass, 1000.0));
    QCOMPARE(projects->getCurrentProjectEngineTypeForPowerCorrection(), EngineNaturallyAspirated);
    QCOMPARE(log.count(QStringLiteral("read row ")), 2);
}

void TestProjectModel::engineTypeForPowerCorrection_data()
{
    QTest::addColumn<int>("fuel");
    QTest::addColumn<int>("boost");
    QTest::addColumn<int>("expected");
    QTest::newRow("gasoline NA") << int(FuelGasoline) << int(BoostNone) << 0;
    QTest::newRow("LPG turbo") << int(FuelLpg) << int(BoostTurbo) << 1;
    QTest::newRow("diesel other boost") << int(FuelDiesel) << int(BoostOther) << 2;
    QTest::newRow("diesel hybrid compressor") << int(FuelDieselHybrid) << int(BoostCompressor) << 3;
    QTest::newRow("electric turbo") << int(FuelElectric) << int(BoostTurbo) << 1;
}

void TestProjectModel::engineTypeForPowerCorrection()
{
    QFETCH(int, fuel);
    QFETCH(int, boost);
    QFETCH(int, expected);
    QCOMPARE(int(ProjectListModel::engineTypeFromFuelTypeAndBoostType(FuelType(fuel), EngineBoostType(boost))),
             expected);
    // The active project's own fields give the same answer.
    addProject(QStringLiteral("E"));
    projects->slot_setActiveProjectByRow(0);
    QVERIFY(projects->setActiveProjectDataRawByRowAndId(ProjectListFields::engineFuelType, fuel));
    QVERIFY(projects->setActiveProjectDataRawByRowAndId(ProjectListFields::engineBoostType, boost));
    QCOMPARE(int(projects->getCurrentProjectEngineTypeForPowerCorrection()), expected);
}

void TestProjectModel::writesSignalHeadlineFieldsAndListeners()
{
    addProject(QStringLiteral("A"));
    const int idB = addProject(QStringLiteral("B"));
    projects->slot_setActiveProjectByRow(1);
    QSignalSpy active(projects, &ProjectListModel::signal_activeProjectChanged);
    QSignalSpy data(projects, &ProjectListModel::signal_projectDataChanged);

    QVERIFY(projects->setDataRawByRowAndId(1, ProjectListFields::mass, 1350.0));
    QCOMPARE(active.count(), 1);
    QCOMPARE(data.count(), 1);
    QCOMPARE(data.first().at(0).toInt(), idB);
    QCOMPARE(data.first().at(1).value<ProjectListFieldId>(), ProjectListFields::mass);
    QCOMPARE(data.first().at(2).toDouble(), 1350.0);

    QVERIFY(projects->setDataRawByRowAndId(1, ProjectListFields::brand, QStringLiteral("Saab")));
    QCOMPARE(active.count(), 1);
    QCOMPARE(data.count(), 2);

    // The value already stored: nothing written, nothing signalled.
    QVERIFY(projects->setDataRawByRowAndId(1, ProjectListFields::mass, 1350.0));
    QCOMPARE(data.count(), 2);
    QCOMPARE(sqlite3(connection->path, QStringLiteral("select mass, brand from projects2 where id=%1;\n").arg(idB))
                 .trimmed(),
             QStringLiteral("1350.0|Saab"));

    // A listener of the projects page follows the project its row editor
    // shows, also when that project is not the active one.
    TableEditor editor;
    editor.setModel(projects);
    editor.slot_setRow(0);
    projects->rowEditor = &editor;
    QAction inertiaEstimate;
    QSignalSpy estimated(&inertiaEstimate, &QAction::triggered);
    projects->fieldListeners.insert(ProjectListFields::cylinderCount, &inertiaEstimate);
    QVERIFY(projects->setDataRawByRowAndId(0, ProjectListFields::cylinderCount, 6));
    QCOMPARE(estimated.count(), 1);
    QVERIFY(projects->setDataRawByRowAndId(1, ProjectListFields::cylinderCount, 4));
    QCOMPARE(estimated.count(), 1);
    projects->rowEditor = nullptr;

    // Out of range: false and a log line, nothing written.
    LogCapture log;
    QVERIFY(!projects->setDataRawByRowAndId(-1, ProjectListFields::mass, 1.0));
    QVERIFY(!projects->setDataRawByRowAndId(projects->rowCount(), ProjectListFields::mass, 1.0));
    QCOMPARE(log.count(QStringLiteral("write row ")), 2);
    QVERIFY(!projects->dataRawByRowAndId(5, ProjectListFields::mass).isValid());
    QCOMPARE(log.count(QStringLiteral("read row ")), 1);
}

void TestProjectModel::displayOfActiveRowDescriptionAndEnumerations()
{
    addProject(QStringLiteral("A"));
    addProject(QStringLiteral("B"));
    projects->setDataRawByRowAndId(0, ProjectListFields::description, QStringLiteral("First line\nsecond line"));
    projects->setDataRawByRowAndId(1, ProjectListFields::description, QStringLiteral("One line"));
    const QModelIndex twoLines = projects->index(0, ProjectListFields::description);
    const QModelIndex oneLine = projects->index(1, ProjectListFields::description);
    QCOMPARE(projects->data(twoLines).toString(), QStringLiteral("First line [...]"));
    QCOMPARE(projects->data(twoLines, Qt::ToolTipRole).toString(), QStringLiteral("First line\nsecond line"));
    QCOMPARE(projects->data(oneLine).toString(), QStringLiteral("One line"));
    QVERIFY(!projects->data(oneLine, Qt::ToolTipRole).isValid());
    QCOMPARE(projects->data(twoLines, Qt::UserRole).toString(), QStringLiteral("First line\nsecond line"));

    projects->slot_setActiveProjectByRow(1);
    for (int column = 0; column < projects->columnCount(); ++column) {
        QCOMPARE(projects->data(projects->index(1, column), Qt::BackgroundRole).value<QBrush>().color(),
                 theColors.colorActive);
        QVERIFY(projects->data(projects->index(1, column), Qt::FontRole).value<QFont>().bold());
        QVERIFY(!projects->data(projects->index(0, column), Qt::BackgroundRole).isValid());
    }

    const struct {
        int field;
        int value;
        const char* shown;
    } labels[] = {{ProjectListFields::gearboxType, 4, "None"},
                  {ProjectListFields::engineCycle, 2, "Other"},
                  {ProjectListFields::vehicleType, 8, "Unknown enumerator"},
                  {ProjectListFields::favourite, 1, "\u2691"},
                  {ProjectListFields::favourite, 0, "\u2690"}};
    for (const auto& label : labels) {
        QVERIFY(projects->setDataRawByRowAndId(0, label.field, label.value));
        QCOMPARE(projects->data(projects->index(0, label.field)).toString(), QString::fromUtf8(label.shown));
    }
    QCOMPARE(projects->headerData(ProjectListFields::mass, Qt::Horizontal).toString(), QStringLiteral("Mass\n[kg]"));
    QCOMPARE(projects->headerData(ProjectListFields::runCount, Qt::Horizontal).toString(), QStringLiteral("Runs"));
    QCOMPARE(projects->headerData(ProjectListFields::Cx, Qt::Horizontal).toString(), QStringLiteral("Cx"));
}

void TestProjectModel::fieldKeysAndArgumentSources()
{
    QCOMPARE(projects->getDatabaseKey(ProjectListFieldId(58)), QStringLiteral("invalid"));
    QCOMPARE(projects->getDatabaseKey(ProjectListFieldId(-1)), QStringLiteral("invalid"));
    QCOMPARE(projects->getDatabaseKey(ProjectListFields::Cx), QStringLiteral("Cx"));
    QCOMPARE(projects->getFieldIdFromKey(QStringLiteral("Cx")), 16);
    QCOMPARE(projects->getFieldIdFromKey(QStringLiteral("cx")), -1);
    QCOMPARE(projects->getFieldIdFromKey(QString()), -1);

    using Pairs = QList<QPair<QString, QString>>;
    QCOMPARE(projects->listKeysForArgument(Quantity::Inertia),
             (Pairs{{QStringLiteral("engineInertia"), QStringLiteral("Eng. inertia")},
                    {QStringLiteral("drivetrainInertia"), QStringLiteral("DT inertia")}}));
    QCOMPARE(projects->listKeysForArgument(Quantity::Mass), (Pairs{{QStringLiteral("mass"), QStringLiteral("Mass")}}));
    QStringList unitless;
    for (const auto& pair : projects->listKeysForArgument(Quantity::None))
        unitless.append(pair.first);
    QVERIFY(unitless.contains(QStringLiteral("favourite")));
    QVERIFY(unitless.contains(QStringLiteral("creationTimestamp")));
    QVERIFY(unitless.contains(QStringLiteral("engineCorrectionFactor")));
    QVERIFY(!unitless.contains(QStringLiteral("vehicleId")));
    QVERIFY(!unitless.contains(QStringLiteral("obdPidGroups")));

    const QStringList keys = projects->getKeysForTemplates();
    QVERIFY(!keys.contains(QStringLiteral("id")));
    QVERIFY(!keys.contains(QStringLiteral("obdPidGroups")));
    QStringList sorted = keys;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    QCOMPARE(keys, sorted);

    // The debug stream writes the key, and something harmless out of range.
    QString text;
    QDebug(&text) << ProjectListFields::mass << ProjectListFieldId(99);
    QCOMPARE(text.trimmed(), QStringLiteral("mass invalid"));
}

void TestProjectModel::projectValueFromRunFile()
{
    const int id = addProject(QStringLiteral("A"));
    addRun(id, 1000, QVariant(), QVariant());
    RecordingAnswerer answerer;
    projects->slot_projectInfoChanged(QStringLiteral("/runs/%1-1000.h5").arg(id), ProjectListFields::brand,
                                      QStringLiteral("Volvo"));
    QCOMPARE(projects->dataRawByRowAndId(0, ProjectListFields::brand).toString(), QStringLiteral("Volvo"));
    QVERIFY(answerer.shown.isEmpty());

    projects->slot_projectInfoChanged(QStringLiteral("/runs/unknown.h5"), ProjectListFields::brand,
                                      QStringLiteral("Fiat"));
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().text, QStringLiteral("Project for this run file not found"));
    QCOMPARE(projects->dataRawByRowAndId(0, ProjectListFields::brand).toString(), QStringLiteral("Volvo"));
}

void TestProjectModel::statisticsFollowTheRuns()
{
    const int id = addProject(QStringLiteral("A"));
    const int lonely = addProject(QStringLiteral("B"));
    addRun(id, 1000, 80000.0, 5000.0, 12.5);
    addRun(id, 3000, 95000.0, 6000.0, 7.5);
    addRun(id, 2000, 95000.0, 6500.0);
    addRun(lonely, 4000, QVariant(), QVariant());

    projects->queueProjectStatsUpdate(id);
    projects->queueProjectStatsUpdate(lonely);
    projects->slot_updateProjectsStats();
    QVERIFY(projects->pendingStatsProjectIds.isEmpty());

    const int row = projects->rowFromProjectId(id);
    QCOMPARE(projects->dataRawByRowAndId(row, ProjectListFields::runCount).toInt(), 3);
    QCOMPARE(projects->dataRawByRowAndId(row, ProjectListFields::lastRunTimestamp).toLongLong(), 3000);
    // Equal peaks: the first run keeps the peak and its engine speed.
    QCOMPARE(projects->dataRawByRowAndId(row, ProjectListFields::measuredWheelPower).toDouble(), 95000.0);
    QCOMPARE(projects->dataRawByRowAndId(row, ProjectListFields::measuredWheelPowerRPM).toDouble(), 6000.0);
    QCOMPARE(projects->dataRawByRowAndId(row, ProjectListFields::runDistance).toDouble(), 20.0);
    QCOMPARE(projects->dataRawByRowAndId(row, ProjectListFields::measuredEnginePower).toDouble(), 0.0);

    const int lonelyRow = projects->rowFromProjectId(lonely);
    QCOMPARE(projects->dataRawByRowAndId(lonelyRow, ProjectListFields::runCount).toInt(), 1);
    QCOMPARE(projects->dataRawByRowAndId(lonelyRow, ProjectListFields::lastRunTimestamp).toLongLong(), 4000);
    QCOMPARE(projects->dataRawByRowAndId(lonelyRow, ProjectListFields::measuredWheelPower).toDouble(), 0.0);
    QCOMPARE(projects->dataRawByRowAndId(lonelyRow, ProjectListFields::runDistance).toDouble(), 0.0);

    // The last run gone: everything back to zero.
    QVERIFY(connection->exec(QStringLiteral("delete from runs2 where projectId=%1").arg(lonely)));
    projects->queueProjectStatsUpdate(lonely);
    projects->slot_updateProjectsStats();
    QCOMPARE(projects->dataRawByRowAndId(lonelyRow, ProjectListFields::runCount).toInt(), 0);
    QCOMPARE(projects->dataRawByRowAndId(lonelyRow, ProjectListFields::lastRunTimestamp).toLongLong(), 0);
    QCOMPARE(projects->data(projects->index(lonelyRow, ProjectListFields::lastRunTimestamp)).toString(),
             QStringLiteral("0"));
    QCOMPARE(sqlite3(connection->path,
                     QStringLiteral("select runCount, measuredWheelPower from projects2 where id=%1;\n").arg(id))
                 .trimmed(),
             QStringLiteral("3|95000.0"));
}

void TestProjectModel::statisticsRequestsCoalesce()
{
    const int three = addProject(QStringLiteral("3"));
    const int five = addProject(QStringLiteral("5"));
    addRun(three, 10, 1.0, 1.0);
    addRun(five, 20, 2.0, 2.0);
    QSignalSpy data(projects, &ProjectListModel::signal_projectDataChanged);

    for (int i = 0; i < 10; ++i)
        projects->queueProjectStatsUpdate(three);
    projects->queueProjectStatsUpdate(five);
    QCOMPARE(projects->pendingStatsProjectIds, (QList<int>{three, five}));
    QVERIFY(projects->statsUpdateTimer->isActive());
    QVERIFY(projects->statsUpdateTimer->remainingTime() > 500);
    QTest::qWait(300);
    QCOMPARE(data.count(), 0);

    // One pass, about a second after the last request; the later request first.
    QTRY_VERIFY_WITH_TIMEOUT(!projects->statsUpdateTimer->isActive() && data.count() > 0, 3000);
    QCOMPARE(data.first().at(0).toInt(), five);
    QCOMPARE(data.last().at(0).toInt(), three);
    QList<int> distinct;
    for (const QList<QVariant>& arguments : data) {
        if (!distinct.contains(arguments.at(0).toInt()))
            distinct.append(arguments.at(0).toInt());
    }
    QCOMPARE(distinct, (QList<int>{five, three}));

    projects->queueAllProjectsStatsUpdate();
    QCOMPARE(projects->pendingStatsProjectIds, (QList<int>{three, five}));
}

QTEST_MAIN(TestProjectModel)
#include "tst_project_model.moc"
