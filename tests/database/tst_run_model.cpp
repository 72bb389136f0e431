// The runs table: its display overrides, the run names in use, and run fields
// changed in an opened run reaching "runs2" through SQL.
#include "Colors.h"
#include "DatabaseTestSupport.h"
#include "LogCapture.h"

#include <QBrush>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <hdf5.h>

using namespace DatabaseTest;

namespace {

// An empty run file: the table writes every field into the run's file first.
QString makeRunFile(const QString& path)
{
    const hid_t file = H5Fcreate(path.toUtf8().constData(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    H5Gclose(H5Gcreate2(file, "/runInfo", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT));
    H5Fclose(file);
    return path;
}

} // namespace

class TestRunModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void displayOfRunFields();
    void loadedRunsAreHighlighted();
    void usedRunNames();
    void runInfoChangedInAnOpenedRun();
    void runInfoChangedRefusesUnknownFields();

private:
    void addRun(int projectId, const QString& file, const QString& name = QString());

    QTemporaryDir dir;
    int databaseNumber = 0;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<Models> models;
    RunListModel* runs = nullptr;
};

void TestRunModel::initTestCase()
{
    qputenv("HDF5_USE_FILE_LOCKING", "FALSE");
    initProgramState();
    theColors.init();
    QVERIFY(dir.isValid());
}

void TestRunModel::init()
{
    connection = std::make_unique<Connection>(dir.filePath(QStringLiteral("r%1.db").arg(++databaseNumber)));
    models = std::make_unique<Models>(*connection);
    runs = models->runs.get();
}

void TestRunModel::cleanup()
{
    RunListModel::setLoadedRunQuery(nullptr);
    models.reset();
    connection.reset();
}

void TestRunModel::addRun(int projectId, const QString& file, const QString& name)
{
    QSqlQuery query(connection->database());
    query.prepare(QStringLiteral("insert into runs2 (projectId, filename, name) values (?, ?, ?)"));
    query.addBindValue(projectId);
    query.addBindValue(file);
    query.addBindValue(name);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    runs->select();
}

void TestRunModel::displayOfRunFields()
{
    addRun(1, makeRunFile(dir.filePath(QStringLiteral("display.h5"))));
    const struct {
        int field;
        QVariant value;
        const char* shown;
    } cases[] = {{RunListFields::type, 4, "ramp"},
                 {RunListFields::type, 8, "ramp"},
                 {RunListFields::type, 14, "Unknown enumerator"},
                 {RunListFields::deviceCode, 3, "ZR6"},
                 {RunListFields::enginePowerCorrectionStandard, 5, "SAE J1349"},
                 {RunListFields::engineSpeedSource, 1, "eng. speed in"},
                 {RunListFields::measuredEnginePower, 73549.875, "100"},
                 {RunListFields::enginePowerCorrectionValue, 0.5, "50"}};
    for (const auto& c : cases) {
        QVERIFY(runs->setDataRawByRowAndId(0, c.field, c.value));
        QCOMPARE(runs->data(runs->index(0, c.field)).toString(), QString::fromUtf8(c.shown));
    }

    const QVariant left = static_cast<uint>(Qt::AlignLeft | Qt::AlignVCenter);
    QCOMPARE(runs->data(runs->index(0, RunListFields::filename), Qt::TextAlignmentRole), left);
    QCOMPARE(runs->data(runs->index(0, RunListFields::comment), Qt::TextAlignmentRole), left);
    QCOMPARE(runs->data(runs->index(0, RunListFields::comment), Qt::TextAlignmentRole).toUInt(), 129u);
    QCOMPARE(runs->data(runs->index(0, RunListFields::measuredEnginePower), Qt::TextAlignmentRole)
                 .value<Qt::Alignment>(),
             Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    QCOMPARE(runs->data(runs->index(0, RunListFields::name), Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::Alignment(Qt::AlignHCenter | Qt::AlignVCenter));
    QCOMPARE(runs->getHeaderLabelWithoutUnit(RunListFields::peakEngineSpeed), QStringLiteral("Peak\neng. speed"));
}

void TestRunModel::loadedRunsAreHighlighted()
{
    addRun(1, QStringLiteral("/runs/a.h5"));
    addRun(1, QStringLiteral("/runs/b.h5"));
    // No list of loaded runs yet: no background at all.
    QVERIFY(!runs->data(runs->index(0, 4), Qt::BackgroundRole).isValid());

    RunListModel::setLoadedRunQuery([](const QString& file) { return file == QStringLiteral("/runs/b.h5"); });
    QVERIFY(!runs->data(runs->index(0, 4), Qt::BackgroundRole).isValid());
    QCOMPARE(runs->data(runs->index(1, 4), Qt::BackgroundRole).value<QBrush>().color(), QColor(140, 255, 140));
}

void TestRunModel::usedRunNames()
{
    QVERIFY(runs->getUsedRunNames().isEmpty());
    addRun(1, QStringLiteral("/runs/a.h5"), QStringLiteral("Run 1"));
    addRun(1, QStringLiteral("/runs/b.h5"));
    QCOMPARE(runs->getUsedRunNames(), (QStringList{QStringLiteral("Run 1"), QString()}));
}

void TestRunModel::runInfoChangedInAnOpenedRun()
{
    addRun(7, QStringLiteral("/runs/a.h5"));
    QSignalSpy reset(runs, &QAbstractItemModel::modelReset);

    // A run of a project the table does not show: the table is not re-read.
    const QString quoted = QStringLiteral("it's a \"test\"; drop table runs2; --");
    runs->slot_runInfoChanged(QStringLiteral("/runs/a.h5"), RunListFields::comment, quoted);
    QCOMPARE(reset.count(), 0);
    QCOMPARE(sqlite3(connection->path, QStringLiteral("select comment from runs2;\n")).trimmed(), quoted);

    // Peak values queue the project's statistics.
    runs->slot_runInfoChanged(QStringLiteral("/runs/a.h5"), RunListFields::measuredWheelPower, 90000.0);
    QCOMPARE(models->projects->pendingStatsProjectIds, QList<int>{7});
    QCOMPARE(sqlite3(connection->path, QStringLiteral("select measuredWheelPower from runs2;\n")).trimmed(),
             QStringLiteral("90000.0"));

    // The project shown: the table follows; an equal value changes nothing.
    runs->currentProjectId = 7;
    runs->slot_runInfoChanged(QStringLiteral("/runs/a.h5"), RunListFields::name, QStringLiteral("Best"));
    QCOMPARE(reset.count(), 1);
    QCOMPARE(runs->dataRawByRowAndId(0, RunListFields::name).toString(), QStringLiteral("Best"));
    runs->slot_runInfoChanged(QStringLiteral("/runs/a.h5"), RunListFields::name, QStringLiteral("Best"));
    QCOMPARE(reset.count(), 1);
}

void TestRunModel::runInfoChangedRefusesUnknownFields()
{
    addRun(7, QStringLiteral("/runs/a.h5"));
    const QString before = dump(connection->path);
    LogCapture log;
    // A field id names a column in the statement: one outside the fields
    // must not reach SQL, nor index past the field list.
    runs->slot_runInfoChanged(QStringLiteral("/runs/a.h5"), RunListFieldId(34), 1);
    runs->slot_runInfoChanged(QStringLiteral("/runs/a.h5"), RunListFieldId(-1), 1);
    QCOMPARE(log.count(QStringLiteral("no run field")), 2);
    QCOMPARE(dump(connection->path), before);
}

QTEST_MAIN(TestRunModel)
#include "tst_run_model.moc"
