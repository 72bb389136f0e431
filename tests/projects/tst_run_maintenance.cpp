// Run-file maintenance: the clean-up queries against a fixture folder and
// "runs2", removal of orphans, repacking through h5repack (h5diff and sha256
// as witnesses), recalculation of every stored run and the usage histogram
// against numpy.histogram2d.
#include "DatabaseTestSupport.h"
#include "DialogAnswerer.h"
#include "LogCapture.h"
#include "MySettings.h"
#include "OpenedRunsManager.h"
#include "ProjectListModel.h"
#include "ProjectsTestSupport.h"
#include "RecordingAnswerer.h"
#include "RecordingCommandRunner.h"
#include "RunAnalysisOptions.h"
#include "RunData.h"
#include "RunDataHooks.h"
#include "RunFileTestSupport.h"
#include "RunListModel.h"
#include "SettingsFixture.h"
#include "UsageHistogram.h"

#include <QDialog>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTest>

using namespace ProjectsTest;

namespace {

void touch(const QString& path, const QByteArray& content = QByteArray("x"))
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
}

// The loss-model fit asked for on run load; a correction standard the runs
// were not recorded with, which their recalculated statistics then carry.
struct LossModelOn : RunAnalysisOptions {
    bool calculateLossModelOnRunLoad() const override { return true; }
    int selectionMode() const override { return 2; }
    int correctionStandard() const override { return 3; }
};

} // namespace

class TestRunMaintenance : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    // The controller thread logs until it is stopped: stop it while the
    // test log still exists.
    void cleanupTestCase() { settings.reset(); }
    void init();
    void cleanup();
    void cleanupQueriesMatchBothPathForms();
    void removingEntriesWithoutFilesQueuesEachProjectOnce();
    void removingFilesWithoutEntries();
    void repackKeepsDataAndNeverTouchesAFailedFile();
    void repackMissingToolIsInstalledThroughTheRunner();
    void recalculatingAllRunsLeavesTheLossModelOptionAlone();
    void usageHistogramMatchesNumpy();

private:
    void addRecord(const QString& filename, double runLength, int projectId = 1);
    void clearRunsFolder();

    QTemporaryDir dir;
    std::unique_ptr<SettingsFixture> settings;
    std::unique_ptr<RunFileTest::Database> database;
    RecordingAnswerer answerer;
    int databaseNumber = 0;
};

void TestRunMaintenance::initTestCase()
{
    RunFileTest::prepareProcess();
    SettingsFixture::prepareProcess();
    settings = std::make_unique<SettingsFixture>(3);
    QVERIFY(settings->start());
    setUpRoller();
    DialogAnswerer::install(&answerer);
}

void TestRunMaintenance::init()
{
    clearRunsFolder();
    database = std::make_unique<RunFileTest::Database>(dir.filePath(QStringLiteral("m%1.db").arg(++databaseNumber)));
    answerer.shown.clear();
    answerer.respond = nullptr;
    answerer.result = QMessageBox::Yes;
}

void TestRunMaintenance::cleanup()
{
    theOpenedRunsManager.closeAllRuns();
    database.reset();
}

void TestRunMaintenance::clearRunsFolder()
{
    QDir runs = theSettings.runsDir;
    for (const QString& name : runs.entryList(QDir::Files))
        runs.remove(name);
}

void TestRunMaintenance::addRecord(const QString& filename, double runLength, int projectId)
{
    QSqlQuery insert(database->runs->database());
    insert.prepare(QStringLiteral("insert into runs2 (projectId, filename, runLength) values (?, ?, ?)"));
    insert.addBindValue(projectId);
    insert.addBindValue(filename);
    insert.addBindValue(runLength);
    QVERIFY(insert.exec());
}

void TestRunMaintenance::cleanupQueriesMatchBothPathForms()
{
    RunListModel& runs = *database->runs;
    for (const char* name : {"a.h5", "b.h5", "c.h5", "a_b.h5", "orphan.h5", "note.txt"})
        touch(theSettings.runsDir.filePath(QLatin1String(name)));
    addRecord(theSettings.runsDir.filePath(QStringLiteral("a.h5")), 59.0);
    addRecord(QStringLiteral("/home/pi/.zembo/runs/b.h5"), 60.0);
    addRecord(theSettings.runsDir.filePath(QStringLiteral("c.h5")), 61.0);
    addRecord(QStringLiteral("/x/aXb.h5"), 10.0);
    addRecord(QStringLiteral("/elsewhere/d.h5"), 1.0);

    const struct {
        QStringList found;
        QStringList expected;
    } cases[] = {
        {runs.cleanup_lengthMin(60.0), {QStringLiteral("a.h5")}},
        {runs.cleanup_lengthMax(60.0), {QStringLiteral("c.h5")}},
        {runs.cleanup_lengthMin(1000.0), {QStringLiteral("a.h5"), QStringLiteral("b.h5"), QStringLiteral("c.h5")}},
        // "_" is any one character to LIKE: a_b.h5 counts as registered.
        {runs.cleanup_notInDatabase(), {QStringLiteral("orphan.h5")}},
        {runs.cleanup_emptySelection(), {QStringLiteral("a.h5"), QStringLiteral("b.h5"), QStringLiteral("c.h5")}},
    };
    for (const auto& c : cases)
        QCOMPARE(c.found, c.expected);

    // Answered with the same selection by sqlite3 itself.
    const QString witness = DatabaseTest::sqlite3(
        database->path, QStringLiteral("SELECT filename FROM runs2 WHERE runLength < 60 AND (filename LIKE '%1/%' "
                                       "OR filename LIKE '/home/pi/.zembo/runs/%') ORDER BY filename;\n")
                            .arg(theSettings.runsDir.absolutePath()));
    QCOMPARE(witness.trimmed(), theSettings.runsDir.filePath(QStringLiteral("a.h5")));

    // Deleting both path forms; 25 names list 21 and the total.
    QStringList many;
    for (int i = 0; i < 25; ++i)
        many.append(QStringLiteral("n%1.h5").arg(i));
    QVERIFY(RunListModel::listedMessage(QStringLiteral("head\n"), many).endsWith(QStringLiteral("\n and more... Total: 25")));
    QCOMPARE(RunListModel::listedMessage(QStringLiteral("head\n"), many).count(QLatin1Char('\n')), 23);
    answerer.result = QMessageBox::No;
    QVERIFY(runs.clenup_removeFiles({QStringLiteral("a.h5"), QStringLiteral("b.h5")}));
    QVERIFY(QFile::exists(theSettings.runsDir.filePath(QStringLiteral("a.h5"))));
    answerer.result = QMessageBox::Yes;
    QVERIFY(!runs.clenup_removeFiles({QStringLiteral("a.h5"), QStringLiteral("b.h5")}));
    QVERIFY(!QFile::exists(theSettings.runsDir.filePath(QStringLiteral("a.h5"))));
    QVERIFY(!QFile::exists(theSettings.runsDir.filePath(QStringLiteral("b.h5"))));
    QCOMPARE(DatabaseTest::sqlite3(database->path, QStringLiteral("SELECT COUNT(*) FROM runs2;\n")).trimmed(),
             QStringLiteral("3"));
}

void TestRunMaintenance::removingEntriesWithoutFilesQueuesEachProjectOnce()
{
    RunListModel& runs = *database->runs;
    const QString present = theSettings.runsDir.filePath(QStringLiteral("present.h5"));
    touch(present);
    addRecord(present, 1.0, 3);
    addRecord(QStringLiteral("/gone/one.h5"), 1.0, 7);
    addRecord(QStringLiteral("/gone/two.h5"), 1.0, 7);
    database->projects->pendingStatsProjectIds.clear();
    database->projects->statsUpdateTimer->stop();
    runs.slot_removeEntriesWithoutFiles();
    QCOMPARE(answerer.shown.last().title, QStringLiteral("Delete?"));
    QVERIFY(answerer.shown.last().text.contains(QStringLiteral("\n/gone/one.h5\n/gone/two.h5")));
    QCOMPARE(database->projects->pendingStatsProjectIds, QList<int>{7});
    QCOMPARE(DatabaseTest::sqlite3(database->path, QStringLiteral("SELECT filename FROM runs2;\n")).trimmed(), present);

    answerer.shown.clear();
    runs.slot_removeEntriesWithoutFiles();
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().text, QStringLiteral("There are no run entries with missing files."));
}

void TestRunMaintenance::removingFilesWithoutEntries()
{
    RunListModel& runs = *database->runs;
    const QString registered = theSettings.runsDir.filePath(QStringLiteral("kept.h5"));
    touch(registered);
    addRecord(registered, 1.0);
    touch(theSettings.runsDir.filePath(QStringLiteral("stray.h5")));
    runs.slot_removeFilesWithoutEntries();
    QVERIFY(!QFile::exists(theSettings.runsDir.filePath(QStringLiteral("stray.h5"))));
    QVERIFY(QFile::exists(registered));
    answerer.shown.clear();
    runs.slot_removeFilesWithoutEntries();
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().text, QStringLiteral("There are no files without project entries."));
}

void TestRunMaintenance::repackKeepsDataAndNeverTouchesAFailedFile()
{
    RunListModel& runs = *database->runs;
    runs.setProjectId(database->projectId);
    const QString first = writeRun(1.0);
    QVERIFY(runs.newRunFromFile(first) >= 0);
    // Rewritten comments leave free space that a repack removes.
    RunData* opened = theOpenedRunsManager.getRunData(first);
    for (int i = 0; i < 20; ++i)
        opened->updateRunInfoValue(RunListFields::comment, QString(2000, QLatin1Char('a' + i % 26)));
    // A name no shell line could carry.
    const QString quoted = theSettings.runsDir.filePath(QStringLiteral("it's a run.h5"));
    QVERIFY(QFile::copy(writeRun(1.0), quoted));
    theOpenedRunsManager.closeAllRuns();
    for (const QString& name : theSettings.runsDir.entryList({QStringLiteral("2*.h5")})) {
        if (theSettings.runsDir.filePath(name) != first)
            theSettings.runsDir.remove(name);
    }
    const QString originalFirst = dir.filePath(QStringLiteral("first-original.h5"));
    const QString originalQuoted = dir.filePath(QStringLiteral("quoted-original.h5"));
    QVERIFY(QFile::copy(first, originalFirst));
    QVERIFY(QFile::copy(quoted, originalQuoted));

    runs.slot_repackRunDataFiles();
    QCOMPARE(answerer.shown.last().text, QStringLiteral("Repacked 2 files\n"));
    QString output;
    QCOMPARE(run(QStringLiteral("h5diff"), {originalFirst, first}, &output), 0);
    QCOMPARE(run(QStringLiteral("h5diff"), {originalQuoted, quoted}, &output), 0);
    QVERIFY(QFileInfo(first).size() < QFileInfo(originalFirst).size());
    QVERIFY(!QFile::exists(first + QLatin1Char('~')));
    // The comment is still editable: the repacked file opens for writing.
    const int row = runs.rowCount() - 1;
    QVERIFY(runs.setDataRawByRowAndId(row, RunListFields::comment, QStringLiteral("after repack")));
    theOpenedRunsManager.closeAllRuns();
    QCOMPARE(python(QStringLiteral("import h5py,sys\nprint(bytes(h5py.File(sys.argv[1],'r')['runInfo/comment'][()].reshape(-1)).decode())"),
                    {first}),
             QStringLiteral("after repack"));

    // A truncated file: reported, byte for byte unchanged, no copy left beside it.
    const QString truncated = theSettings.runsDir.filePath(QStringLiteral("truncated.h5"));
    {
        QFile source(first);
        QVERIFY(source.open(QIODevice::ReadOnly));
        touch(truncated, source.read(source.size() / 2));
    }
    const QByteArray hash = DatabaseTest::fileHash(truncated);
    answerer.shown.clear();
    runs.slot_repackRunDataFiles();
    const QString report = answerer.shown.last().text;
    QVERIFY2(report.startsWith(QStringLiteral("Repacked 2 files\nError repacking 1 files\nList of failed files:\n\n")),
             qPrintable(report));
    QVERIFY(report.endsWith(truncated + QLatin1Char('\n')));
    QCOMPARE(DatabaseTest::fileHash(truncated), hash);
    QVERIFY(!QFile::exists(truncated + QLatin1Char('~')));
    QVERIFY(theOpenedRunsManager.cache.isEmpty());
}

void TestRunMaintenance::repackMissingToolIsInstalledThroughTheRunner()
{
    RecordingCommandRunner runner;
    SystemCommandRunner::setInstance(&runner);
    qputenv("ZEMBO_H5REPACK", dir.filePath(QStringLiteral("no-such-h5repack")).toLocal8Bit());
    touch(theSettings.runsDir.filePath(QStringLiteral("x.h5")));
    database->runs->slot_repackRunDataFiles();
    qunsetenv("ZEMBO_H5REPACK");
    SystemCommandRunner::setInstance(nullptr);
    QCOMPARE(runner.commandLines(), QStringList{QStringLiteral("sudo apt install -y hdf5-tools")});
    QCOMPARE(answerer.shown.size(), 2);
    QCOMPARE(answerer.shown.at(0).text,
             QStringLiteral("h5repack tool not installed. Check your internet connection and press OK to install."));
    QCOMPARE(answerer.shown.at(1).text, QStringLiteral("There was a problem installing required packages. Install "
                                                       "hdf5-tools package manually and try again."));
}

void TestRunMaintenance::recalculatingAllRunsLeavesTheLossModelOptionAlone()
{
    RunListModel& runs = *database->runs;
    runs.setProjectId(database->projectId);
    QStringList files;
    for (int i = 0; i < 2; ++i) {
        files.append(writeRun(2.0));
        QVERIFY(runs.newRunFromFile(files.last()) >= 0);
    }
    theOpenedRunsManager.closeAllRuns();
    QCOMPARE(python(QStringLiteral("import h5py,sys\nprint(sum('previewData' in h5py.File(p,'r') for p in sys.argv[1:]))"),
                    files),
             QStringLiteral("0"));

    LossModelOn options;
    RunAnalysisOptions::install(&options);
    int fits = 0;
    RunDataHooks::instance().lossModelCalculator = [&fits](RunData*, bool) { ++fits; };
    const QString iniBefore = theSettings.value(QStringLiteral("UserSetting/checkBox_calculateLossModelOnRunLoad")).toString();
    runs.slot_recalculateAllRunsData();
    RunDataHooks::instance().lossModelCalculator = nullptr;
    RunAnalysisOptions::install(nullptr);

    QCOMPARE(fits, 0);
    QVERIFY(!RunAnalysisOptions::isLossModelOnRunLoadSuspended());
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/checkBox_calculateLossModelOnRunLoad")).toString(), iniBefore);
    QVERIFY(theOpenedRunsManager.cache.isEmpty());
    QCOMPARE(answerer.shown.last().text, QStringLiteral("Recalculating runs finished"));
    QCOMPARE(python(QStringLiteral("import h5py,sys\nprint(sum(len(h5py.File(p,'r')['previewData']) > 0 for p in sys.argv[1:]))"),
                    files),
             QStringLiteral("2"));
    const QString stats = DatabaseTest::sqlite3(
        database->path, QStringLiteral("SELECT COUNT(*) FROM runs2 WHERE enginePowerCorrectionStandard = 3;\n"));
    QVERIFY2(stats.trimmed() == QStringLiteral("2"),
             qPrintable(DatabaseTest::sqlite3(database->path, QStringLiteral(".mode line\nSELECT * FROM runs2;\n"))));
}

void TestRunMaintenance::usageHistogramMatchesNumpy()
{
    // The open bounds, one pair per case.
    const QList<double> edgeSpeed{99.9, 100.0, 0.0, -1.0, 50.0, 1.0, 2.0, 99.9, 3.0};
    const QList<double> edgePower{1499e3, 10e3, 10e3, 10e3, 1500e3, 0.0, 9.999e3, 5e3};
    UsageHistogram edges;
    edges.add(edgeSpeed, edgePower);
    QCOMPARE(edges.count(49, 149), uint64_t(1));
    QCOMPARE(edges.count(1, 0), uint64_t(1));
    QCOMPARE(edges.count(49, 0), uint64_t(1));
    QCOMPARE(edges.total(), uint64_t(3));

    QList<double> speed = edgeSpeed.mid(0, edgePower.size());
    QList<double> power = edgePower;
    QRandomGenerator random(26);
    for (int i = 0; i < 5000; ++i) {
        speed.append(random.bounded(110.0) - 5.0);
        power.append(random.bounded(1600e3) - 50e3);
    }
    UsageHistogram histogram;
    histogram.add(speed, power);

    const QString data = dir.filePath(QStringLiteral("usage.txt"));
    {
        QFile file(data);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Text));
        QTextStream out(&file);
        out.setRealNumberPrecision(17);
        for (int i = 0; i < power.size(); ++i)
            out << speed.at(i) << ' ' << power.at(i) << '\n';
    }
    QString ours;
    for (int i = 0; i < UsageHistogram::kSpeedBins; ++i)
        for (int j = 0; j < UsageHistogram::kPowerBins; ++j)
            ours += QString::number(histogram.count(i, j)) + QLatin1Char(' ');
    // numpy's edges close the last bin on the right: the open bounds are
    // applied before, as the program applies them.
    const QString script = QStringLiteral(
        "import numpy as np, sys\n"
        "d = np.loadtxt(sys.argv[1])\n"
        "v, p = d[:, 0], d[:, 1] * 0.001\n"
        "keep = (v > 0) & (v < 100) & (p > 0) & (p < 1500)\n"
        "h, _, _ = np.histogram2d(v[keep], p[keep], bins=[np.arange(0, 101, 2), np.arange(0, 1501, 10)])\n"
        "print(' '.join(str(int(x)) for x in h.flatten()))\n");
    QCOMPARE(python(script, {data}), ours.trimmed());
}

QTEST_MAIN(TestRunMaintenance)
#include "tst_run_maintenance.moc"
