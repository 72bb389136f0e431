// The project and run tables' actions on real run files: new, duplicate and
// delete projects, projects rebuilt from run files, runs loaded and deleted,
// project edits reaching the run files, and the hover preview.
#include "DialogAnswerer.h"
#include "MySettings.h"
#include "OpenedRunsManager.h"
#include "ProjectDeleteDialog.h"
#include "ProjectListModel.h"
#include "ProjectsTestSupport.h"
#include "RecordingAnswerer.h"
#include "RunData.h"
#include "RunDeleteDialog.h"
#include "RunFileTestSupport.h"
#include "RunListModel.h"
#include "SettingsFixture.h"
#include "VectorScatterPlot.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDialog>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

using namespace ProjectsTest;

class TestProjectActions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    // The controller thread logs until it is stopped: stop it while the
    // test log still exists.
    void cleanupTestCase() { settings.reset(); }
    void init();
    void cleanup();
    void newProjectTakesDefaults();
    void duplicateCopiesAllButCountersAndPeaks();
    void failedInsertWritesNothing();
    void deleteListsAtMost21AndRemovesFilesOnlyWhenAsked();
    void projectsFromRunFilesGroupByStoredId();
    void loadingRunsAndRefusingDuplicates();
    void deletingRunsClosesThemFirst();
    void projectEditReachesEveryReadableRunFile();
    void previewBuiltOncePerRowAndHidden();

private:
    int rowCount(const QString& table, const QString& where = QString());
    // A run file of the runs folder already in runs2 for the active project.
    QString addedRun();

    QTemporaryDir dir;
    std::unique_ptr<SettingsFixture> settings;
    std::unique_ptr<RunFileTest::Database> database;
    RecordingAnswerer answerer;
    int databaseNumber = 0;
};

void TestProjectActions::initTestCase()
{
    RunFileTest::prepareProcess();
    SettingsFixture::prepareProcess();
    settings = std::make_unique<SettingsFixture>(3);
    QVERIFY(settings->start());
    DialogAnswerer::install(&answerer);
}

void TestProjectActions::init()
{
    database = std::make_unique<RunFileTest::Database>(dir.filePath(QStringLiteral("p%1.db").arg(++databaseNumber)));
    answerer.shown.clear();
    answerer.respond = nullptr;
    answerer.result = QDialog::Accepted;
    answerer.files.clear();
}

void TestProjectActions::cleanup()
{
    theOpenedRunsManager.closeAllRuns();
    database.reset();
}

int TestProjectActions::rowCount(const QString& table, const QString& where)
{
    QSqlQuery query(database->projects->database());
    query.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where));
    return query.next() ? query.value(0).toInt() : -1;
}

QString TestProjectActions::addedRun()
{
    const QString file = writeRun(1.0);
    database->runs->setProjectId(database->projectId);
    if (database->runs->newRunFromFile(file) < 0)
        return QString();
    return file;
}

void TestProjectActions::newProjectTakesDefaults()
{
    ProjectListModel& projects = *database->projects;
    int selected = -2;
    projects.selectRowInView = [&selected](int row) { selected = row; };
    const int before = projects.rowCount();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const int row = projects.action_new();
    QCOMPARE(row, before);
    QCOMPARE(projects.rowCount(), before + 1);
    QCOMPARE(selected, row);
    QCOMPARE(projects.activeProjectId, -1);
    QCOMPARE(projects.dataRawByRowAndId(row, ProjectListFields::gearboxType).toInt(), 4);
    QCOMPARE(projects.dataRawByRowAndId(row, ProjectListFields::engineCycle).toInt(), 1);
    QCOMPARE(projects.dataRawByRowAndId(row, ProjectListFields::engineEfficiency).toDouble(), 0.85);
    QCOMPARE(projects.dataRawByRowAndId(row, ProjectListFields::engineCorrectionFactor).toDouble(), 1.0);
    QCOMPARE(projects.dataRawByRowAndId(row, ProjectListFields::wheelDiameter).toDouble(), 0.6);
    QVERIFY(qAbs(projects.dataRawByRowAndId(row, ProjectListFields::creationTimestamp).toLongLong() - now) <= 2);
}

void TestProjectActions::duplicateCopiesAllButCountersAndPeaks()
{
    ProjectListModel& projects = *database->projects;
    const int source = projects.rowFromProjectId(database->projectId);
    projects.setDataRawByRowAndId(source, ProjectListFields::favourite, 1);
    projects.setDataRawByRowAndId(source, ProjectListFields::description, QStringLiteral("red, loud"));
    projects.setDataRawByRowAndId(source, ProjectListFields::runCount, 7);
    projects.setDataRawByRowAndId(source, ProjectListFields::measuredEnginePower, 150000.0);
    projects.setDataRawByRowAndId(source, ProjectListFields::runDistance, 1234.0);
    projects.setDataRawByRowAndId(source, ProjectListFields::creationTimestamp, 1000);
    const int target = projects.action_duplicate({source});
    QVERIFY(target >= 0 && target != source);
    QVERIFY(projects.dataRawByRowAndId(target, ProjectListFields::id) != projects.dataRawByRowAndId(source, 0));
    for (int field : {ProjectListFields::favourite, ProjectListFields::description, ProjectListFields::vehicleId,
                      ProjectListFields::projectName, ProjectListFields::mass, ProjectListFields::cylinderCount})
        QCOMPARE(projects.dataRawByRowAndId(target, field), projects.dataRawByRowAndId(source, field));
    for (int field : {ProjectListFields::runCount, ProjectListFields::measuredEnginePower, ProjectListFields::runDistance})
        QVERIFY2(!projects.dataRawByRowAndId(target, field).isValid()
                     || projects.dataRawByRowAndId(target, field).toDouble() == 0.0,
                 qPrintable(QString::number(field)));
    QVERIFY(projects.dataRawByRowAndId(target, ProjectListFields::creationTimestamp).toLongLong() > 1000);
}

void TestProjectActions::failedInsertWritesNothing()
{
    ProjectListModel& projects = *database->projects;
    const int source = projects.rowFromProjectId(database->projectId);
    QSqlQuery(projects.database())
        .exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON projects2 BEGIN SELECT RAISE(ABORT, 'full'); END"));
    const int rows = projects.rowCount();
    const QString before = projects.dataRawByRowAndId(rows - 1, ProjectListFields::vehicleId).toString();
    QCOMPARE(projects.action_new(), -1);
    QCOMPARE(projects.action_duplicate({source}), -1);
    QCOMPARE(projects.rowCount(), rows);
    QCOMPARE(projects.dataRawByRowAndId(rows - 1, ProjectListFields::vehicleId).toString(), before);
    // Rebuilding projects from files stops too: the file stays out of the table.
    const QString file = writeRun(1.0);
    projects.createProjectsFromRunFiles({file});
    QCOMPARE(rowCount(QStringLiteral("runs2")), 0);
}

void TestProjectActions::deleteListsAtMost21AndRemovesFilesOnlyWhenAsked()
{
    ProjectListModel& projects = *database->projects;
    for (int i = 0; i < 21; ++i)
        QVERIFY(projects.action_new() >= 0);
    QList<int> rows;
    for (int row = 0; row < projects.rowCount(); ++row)
        rows.append(row);
    QCOMPARE(rows.size(), 22);
    const QString message = projects.deleteMessage(rows);
    QCOMPARE(message.count(QLatin1Char('\n')), 22);
    QVERIFY(message.endsWith(QStringLiteral("\n and more... Total: 22")));
    QCOMPARE(projects.deleteMessage(rows.mid(0, 21)).count(QLatin1Char('\n')), 21);
    QVERIFY(!projects.deleteMessage(rows.mid(0, 21)).contains(QStringLiteral("Total")));

    const QString kept = addedRun();
    QVERIFY(!kept.isEmpty());
    const int projectRow = projects.rowFromProjectId(database->projectId);
    // Cancelled: nothing changes.
    answerer.result = QDialog::Rejected;
    QVERIFY(projects.action_delete({projectRow}));
    QCOMPARE(rowCount(QStringLiteral("projects2")), 22);
    // Box not ticked: the records go, the file stays.
    answerer.respond = [](QDialog* dialog) {
        if (auto* box = qobject_cast<ProjectDeleteDialog*>(dialog))
            box->checkBox->setChecked(false);
        return int(QDialog::Accepted);
    };
    QVERIFY(!projects.action_delete({projectRow}));
    QCOMPARE(rowCount(QStringLiteral("projects2")), 21);
    QCOMPARE(rowCount(QStringLiteral("runs2")), 0);
    QVERIFY(QFile::exists(kept));
    QVERIFY(!theOpenedRunsManager.cache.contains(kept));

    // Box ticked: the file goes too, and the cache no longer holds it.
    const int other = projects.action_new();
    const int otherId = projects.dataRawByRowAndId(other, ProjectListFields::id).toInt();
    database->runs->setProjectId(otherId);
    const QString removed = writeRun(1.0);
    QVERIFY(database->runs->newRunFromFile(removed) >= 0);
    QVERIFY(theOpenedRunsManager.cache.contains(removed));
    answerer.respond = [](QDialog* dialog) {
        if (auto* box = qobject_cast<ProjectDeleteDialog*>(dialog))
            box->checkBox->setChecked(true);
        return int(QDialog::Accepted);
    };
    QVERIFY(!projects.action_delete({projects.rowFromProjectId(otherId)}));
    QVERIFY(!QFile::exists(removed));
    QVERIFY(!theOpenedRunsManager.cache.contains(removed));
    QCOMPARE(projects.activeProjectId, -1);
}

void TestProjectActions::projectsFromRunFilesGroupByStoredId()
{
    ProjectListModel& projects = *database->projects;
    QStringList files;
    for (int storedId : {9, 5, 5}) {
        const QString file = writeRun(1.0);
        RunData* run = theOpenedRunsManager.getRunData(file);
        QVERIFY(run);
        run->loadProjectInfo();
        QCOMPARE(run->updateProjectInfoValue(ProjectListFields::id, storedId, false), 0);
        QCOMPARE(run->updateProjectInfoValue(ProjectListFields::vehicleId, QStringLiteral("stored %1").arg(storedId),
                                             false),
                 0);
        files.append(file);
    }
    theOpenedRunsManager.closeAllRuns();
    const int before = projects.rowCount();
    // The page's selection is not trusted: the run table is pointed at each new project.
    database->runs->setProjectId(database->projectId);
    projects.createProjectsFromRunFiles(files);
    QCOMPARE(projects.rowCount(), before + 2);
    const int first = projects.dataRawByRowAndId(before, ProjectListFields::id).toInt();
    const int second = projects.dataRawByRowAndId(before + 1, ProjectListFields::id).toInt();
    QCOMPARE(projects.dataRawByRowAndId(before, ProjectListFields::vehicleId).toString(), QStringLiteral("stored 5"));
    QCOMPARE(projects.dataRawByRowAndId(before + 1, ProjectListFields::vehicleId).toString(), QStringLiteral("stored 9"));
    QCOMPARE(rowCount(QStringLiteral("runs2"), QStringLiteral("projectId=%1").arg(first)), 2);
    QCOMPARE(rowCount(QStringLiteral("runs2"), QStringLiteral("projectId=%1").arg(second)), 1);
    theOpenedRunsManager.closeAllRuns();

    // h5py reads each file's project and run ids.
    const QString script = QStringLiteral(
        "import h5py, sys\n"
        "def text(d): return bytes(d[()].reshape(-1)).decode('utf-8')\n"
        "def number(d): return int(d[()].reshape(-1)[0])\n"
        "for p in sys.argv[1:]:\n"
        "    with h5py.File(p, 'r') as f:\n"
        "        print(number(f['projectInfo/id']), number(f['runInfo/id']), text(f['projectInfo/vehicleId']))\n");
    const QStringList lines = python(script, files).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QSqlQuery query(projects.database());
    for (int i = 0; i < 3; ++i) {
        query.prepare(QStringLiteral("SELECT id, projectId FROM runs2 WHERE filename=?"));
        query.addBindValue(files.at(i));
        QVERIFY(query.exec() && query.next());
        const QStringList parts = lines.at(i).split(QLatin1Char(' '));
        QCOMPARE(parts.value(0).toInt(), query.value(1).toInt());
        QCOMPARE(parts.value(1).toInt(), query.value(0).toInt());
        QCOMPARE(lines.at(i).section(QLatin1Char(' '), 2), i == 0 ? QStringLiteral("stored 9") : QStringLiteral("stored 5"));
    }
}

void TestProjectActions::loadingRunsAndRefusingDuplicates()
{
    RunListModel& runs = *database->runs;
    runs.setProjectId(database->projectId);
    answerer.files = {writeRun(1.0), writeRun(1.0), writeRun(1.0)};
    answerer.result = QDialog::Accepted;
    QCOMPARE(runs.action_load(QString()), 2);
    QCOMPARE(runs.rowCount(), 3);
    QCOMPARE(runs.dataRawByRowAndId(2, RunListFields::filename).toString(), answerer.files.last());

    answerer.shown.clear();
    QCOMPARE(runs.newRunFromFile(answerer.files.first()), -1);
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().text, QStringLiteral("File already added exist in project database")
                                              + answerer.files.first() + QString::number(database->projectId));
    answerer.files.clear();
    answerer.result = QDialog::Rejected;
    QCOMPARE(runs.action_load(QString()), -1);
    QCOMPARE(runs.rowCount(), 3);

    // The newest run of the active project.
    runs.setDataRawByRowAndId(1, RunListFields::creationTimestamp, 4000000000LL);
    RunData* last = runs.getLastRunInActiveProject();
    QVERIFY(last);
    QCOMPARE(last->fileName, runs.dataRawByRowAndId(1, RunListFields::filename).toString());
}

void TestProjectActions::deletingRunsClosesThemFirst()
{
    RunListModel& runs = *database->runs;
    runs.setProjectId(database->projectId);
    for (int i = 0; i < 30; ++i) {
        QSqlQuery insert(runs.database());
        insert.prepare(QStringLiteral("insert into runs2 (projectId, filename, comment, creationTimestamp) values (?, ?, ?, ?)"));
        insert.addBindValue(database->projectId);
        insert.addBindValue(QStringLiteral("/nowhere/%1.h5").arg(i));
        insert.addBindValue(QStringLiteral("c%1").arg(i));
        insert.addBindValue(1600000000 + i);
        QVERIFY(insert.exec());
    }
    runs.select();
    QList<int> rows;
    for (int i = 0; i < 30; ++i)
        rows.append(i);
    const QString message = runs.deleteMessage(rows);
    QCOMPARE(message.count(QLatin1Char('\n')), 22);
    QVERIFY(message.endsWith(QStringLiteral("\n and more... Total: 30")));
    QVERIFY(message.contains(QStringLiteral(" \"c20\"")));
    QVERIFY(!message.contains(QStringLiteral(" \"c21\"")));

    const QString file = addedRun();
    const int row = runs.rowCount() - 1;
    QVERIFY(theOpenedRunsManager.cache.contains(file));
    answerer.respond = [](QDialog* dialog) {
        if (auto* box = qobject_cast<RunDeleteDialog*>(dialog))
            box->checkBox->setChecked(true);
        return int(QDialog::Accepted);
    };
    QVERIFY(!runs.action_delete({row}));
    QVERIFY(!QFile::exists(file));
    QVERIFY(!theOpenedRunsManager.cache.contains(file));
    QCOMPARE(runs.rowCount(), 30);
}

void TestProjectActions::projectEditReachesEveryReadableRunFile()
{
    const QString first = addedRun();
    // An unreadable file in the middle of the project's runs.
    const QString broken = theSettings.runsDir.filePath(QStringLiteral("broken.h5"));
    {
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not an HDF5 file");
    }
    QSqlQuery insert(database->runs->database());
    insert.prepare(QStringLiteral("insert into runs2 (projectId, filename) values (?, ?)"));
    insert.addBindValue(database->projectId);
    insert.addBindValue(broken);
    QVERIFY(insert.exec());
    const QString last = addedRun();
    theOpenedRunsManager.closeAllRuns();

    ProjectListModel& projects = *database->projects;
    projects.setDataRawByRowAndId(projects.rowFromProjectId(database->projectId), ProjectListFields::projectName,
                                  QStringLiteral("Renamed"));
    theOpenedRunsManager.closeAllRuns();
    const QString script = QStringLiteral(
        "import h5py, sys\n"
        "for p in sys.argv[1:]:\n"
        "    with h5py.File(p, 'r') as f:\n"
        "        print(bytes(f['projectInfo/projectName'][()].reshape(-1)).decode('utf-8'))\n");
    QCOMPARE(python(script, {first, last}), QStringLiteral("Renamed\nRenamed"));
}

void TestProjectActions::previewBuiltOncePerRowAndHidden()
{
    const QString file = addedRun();
    RunData* run = theOpenedRunsManager.getRunData(file);
    QVERIFY(run);
    QCOMPARE(run->loadAll(), 0);
    QCOMPARE(run->calculateAll(false), 0);
    run->updatePreviewData();
    theOpenedRunsManager.closeAllRuns();

    RunListModel& runs = *database->runs;
    const int row = runs.rowCount() - 1;
    runs.slot_tooltipEvent(row, QPoint(10, 10));
    QCOMPARE(runs.previewBuildCount, 1);
    QVERIFY(runs.previewPopup->isVisible());
    runs.slot_tooltipEvent(row, QPoint(12, 10));
    QCOMPARE(runs.previewBuildCount, 1);
    // The 10 s of rest end in the timer's timeout.
    QCOMPARE(runs.previewTimer->interval(), 10000);
    QVERIFY(runs.previewTimer->isActive() && runs.previewTimer->isSingleShot());
    runs.slot_previewTimerTimeout();
    QVERIFY(!runs.previewPopup->isVisible());
    runs.slot_tooltipEvent(row, QPoint(10, 10));
    QCOMPARE(runs.previewBuildCount, 2);
    runs.slot_mouseLeaveEvent();
    QVERIFY(!runs.previewPopup->isVisible());
    QCOMPARE(runs.previewRow, -1);
    // The preview's y axes start at 0.
    QCOMPARE(runs.previewPlot->valueAxes[0]->range().lower, 0.0);
}

QTEST_MAIN(TestProjectActions)
#include "tst_project_actions.moc"
