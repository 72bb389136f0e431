// The run file's typed access and its loaders: values as small datasets and
// their read-back rules, the information groups, the settings of a run, and
// loading files of this version, of the oldest one, incomplete, damaged and
// read-only ones.
#include "DynoSetting.h"
#include "ACMTabWidget.h"
#include "DynoSettings.h"
#include "Hdf5Lock.h"
#include "LogCapture.h"
#include "LogDescriptor.h"
#include "OpenedRunsManager.h"
#include "RunData.h"
#include "RunFile.h"
#include "RunFileTestSupport.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <H5PTpublic.h>

#include <cmath>
#include <memory>

namespace {

QByteArray fileHash(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// A run file made here: "logVersion" (none when empty), "/frames" with the
// catalogue's tables except `skipped`, each with `records` zeroed records
// (the first "freq_1" records numbered), and "/runInfo".
void buildRunFile(const QString& path, const QString& version, const QSet<QString>& skipped = {}, int records = 3)
{
    Hdf5Lock lock;
    const hid_t file = H5Fcreate(path.toUtf8().constData(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    const hid_t frames = H5Gcreate2(file, "/frames", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    for (const FrameDescriptor* descriptor : theLogDescriptor.frameDescriptors) {
        if (skipped.contains(descriptor->name))
            continue;
        const hid_t table = H5PTcreate(frames, descriptor->name.toUtf8().constData(),
                                       descriptor->frameType->compoundType, 1000, H5P_DEFAULT);
        QByteArray data(records * int(descriptor->frameType->recordSize), '\0');
        if (descriptor->name == QLatin1String("freq_1")) {
            for (int i = 0; i < records; ++i)
                reinterpret_cast<uint32_t*>(data.data())[i] = uint32_t(100 + i);
        }
        H5PTappend(table, size_t(records), data.constData());
        H5PTclose(table);
    }
    H5Gclose(frames);
    H5Gclose(H5Gcreate2(file, "/runInfo", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT));
    H5Fclose(file);
    if (!version.isEmpty()) {
        RunFile handle;
        handle.openFile(path);
        handle.writeToDataset(handle.fileId, QStringLiteral("logVersion"), version);
    }
}

hsize_t rowsOf(hid_t loc, const char* name, hsize_t* columns = nullptr)
{
    Hdf5Lock lock;
    const hid_t dataset = H5Dopen2(loc, name, H5P_DEFAULT);
    const hid_t space = H5Dget_space(dataset);
    hsize_t dims[2] = {0, 0};
    H5Sget_simple_extent_dims(space, dims, nullptr);
    H5Sclose(space);
    H5Dclose(dataset);
    if (columns)
        *columns = dims[1];
    return dims[0];
}

} // namespace

class TestRunFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void valuesRoundTrip();
    void readersCheckTheStoredSize();
    void fieldAndSettingTypes();
    void openingAndSize();
    void informationGroups();
    void dynoSettingsOfARun();
    void attributesAndOpenObjects();
    void loadingVersions();
    void missingAndDamagedTables();
    void versionFlagAndPreview();
    void markersKeepTheirCount();
    void readOnlyFileIsNeverChanged();

private:
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    std::unique_ptr<RunFileTest::Database> database;
    // Made once the test framework has installed its own message handler.
    std::unique_ptr<LogCapture> log;
};

void TestRunFile::initTestCase()
{
    log = std::make_unique<LogCapture>();
    RunFileTest::prepareProcess();
    QVERIFY(dir.isValid());
    database = std::make_unique<RunFileTest::Database>(path(QStringLiteral("projects2.db")));
}

void TestRunFile::cleanup()
{
    theOpenedRunsManager.closeAllRuns();
}

void TestRunFile::valuesRoundTrip()
{
    buildRunFile(path(QStringLiteral("values.h5")), QStringLiteral("zembo_1"));
    RunFile file;
    QVERIFY(!file.openFile(path(QStringLiteral("values.h5"))));
    const hid_t root = file.fileId;

    QCOMPARE(file.writeToDataset(root, QStringLiteral("int"), -7), 0);
    QCOMPARE(file.writeToDataset(root, QStringLiteral("int64"), qint64(1) << 40), 0);
    QCOMPARE(file.writeToDataset(root, QStringLiteral("double"), 2.5), 0);
    QCOMPARE(file.writeToDataset(root, QStringLiteral("text"), QStringLiteral("Ölkühler; 100%")), 0);
    QCOMPARE(file.writeToDataset(root, QStringLiteral("empty"), QString()), 0);
    QCOMPARE(file.writeToDataset(root, QStringLiteral("nul"), QStringLiteral("ab") + QChar(0) + QStringLiteral("cd")),
             0);
    QCOMPARE(file.writeToDataset(root, QStringLiteral("doubles"), QList<double>{1.5, -2.0, NAN}), 0);
    QCOMPARE(file.writeToDataset(root, QStringLiteral("points"), QList<QPointF>{{0, 1}, {2, 3.5}}), 0);
    // Written twice: one dataset, the second value.
    QCOMPARE(file.writeToDataset(root, QStringLiteral("double"), 4.25), 0);

    int i = 0;
    qint64 big = 0;
    double d = 0;
    QString text;
    QList<double> doubles;
    QList<QPointF> points;
    QCOMPARE(file.readFromDataset(root, QStringLiteral("int"), &i), 0);
    QCOMPARE(i, -7);
    QCOMPARE(file.readFromDataset(root, QStringLiteral("int64"), &big), 0);
    QCOMPARE(big, qint64(1) << 40);
    QCOMPARE(file.readFromDataset(root, QStringLiteral("double"), &d), 0);
    QCOMPARE(d, 4.25);
    file.readFromDataset(root, QStringLiteral("text"), &text);
    QCOMPARE(text, QStringLiteral("Ölkühler; 100%"));
    file.readFromDataset(root, QStringLiteral("nul"), &text);
    QCOMPARE(text, QStringLiteral("ab"));
    text = QStringLiteral("old");
    file.readFromDataset(root, QStringLiteral("empty"), &text);
    QVERIFY(text.isEmpty());
    file.readFromDataset(root, QStringLiteral("doubles"), &doubles);
    QCOMPARE(doubles.size(), 3);
    QCOMPARE(doubles.at(1), -2.0);
    QVERIFY(std::isnan(doubles.at(2)));
    file.readFromDataset(root, QStringLiteral("points"), &points);
    QCOMPARE(points, (QList<QPointF>{{0, 1}, {2, 3.5}}));

    // Shapes: scalars {1, 1}, texts {bytes, 1} (an empty one {0, 1}), points {n, 2}.
    hsize_t columns = 0;
    QCOMPARE(rowsOf(root, "double", &columns), hsize_t(1));
    QCOMPARE(columns, hsize_t(1));
    QCOMPARE(rowsOf(root, "empty", &columns), hsize_t(0));
    QCOMPARE(columns, hsize_t(1));
    QCOMPARE(rowsOf(root, "text"), hsize_t(QStringLiteral("Ölkühler; 100%").toUtf8().size()));
    QCOMPARE(rowsOf(root, "points", &columns), hsize_t(2));
    QCOMPARE(columns, hsize_t(2));
}

void TestRunFile::readersCheckTheStoredSize()
{
    buildRunFile(path(QStringLiteral("sizes.h5")), QStringLiteral("zembo_1"));
    RunFile file;
    QVERIFY(!file.openFile(path(QStringLiteral("sizes.h5"))));
    file.writeToDataset(file.fileId, QStringLiteral("list"), QList<double>{3.0, 4.0});
    file.writeToDataset(file.fileId, QStringLiteral("real"), 3.0);
    log->clear();

    int value = 99;
    QCOMPARE(file.readFromDataset(file.fileId, QStringLiteral("list"), &value), -1);
    QCOMPARE(value, 99);
    QCOMPARE(log->count(QStringLiteral("Wrong readFromDatasetCommon template used forlist")), 1);
    QCOMPARE(file.readFromDataset(file.fileId, QStringLiteral("missing"), &value), -1);
    QCOMPARE(log->messages().size(), 1);
    // A number stored as double and read as a 64-bit integer is converted,
    // not taken bit for bit.
    qint64 whole = 0;
    QCOMPARE(file.readFromDataset(file.fileId, QStringLiteral("real"), &whole), 0);
    QCOMPARE(whole, qint64(3));
}

void TestRunFile::fieldAndSettingTypes()
{
    buildRunFile(path(QStringLiteral("types.h5")), QStringLiteral("zembo_1"));
    RunFile file;
    QVERIFY(!file.openFile(path(QStringLiteral("types.h5"))));
    const hid_t root = file.fileId;
    const struct {
        SQLiteDataType type;
        QVariant value;
        QVariant readBack;
    } fields[] = {
        {SQLiteBool, true, 1},
        {SQLiteInteger, 42, 42},
        {SQLiteEnum, 3, 3},
        {SQLiteTimestamp, qint64(1700000000123), qint64(1700000000123)},
        {SQLiteReal, 0.125, 0.125},
        {SQLiteVarchar, QStringLiteral("Bremse"), QStringLiteral("Bremse")},
        {SQLiteReal, QVariant(), 0.0},
    };
    int n = 0;
    for (const auto& field : fields) {
        const QString name = QStringLiteral("field%1").arg(n++);
        QCOMPARE(file.writeSQLTypeData(root, name, field.type, field.value), 0);
        const QVariant back = file.readFromDataset(root, name, field.type);
        QCOMPARE(back, field.readBack);
        QCOMPARE(back.typeId(), field.readBack.typeId());
    }
    QCOMPARE(file.writeSQLTypeData(root, QStringLiteral("bad"), SQLiteDataType(9), 1), -1);
    QVERIFY(file.readFromDataset(root, QStringLiteral("bad"), SQLiteDataType(9)).isNull());
    // A missing number is null; a missing text is an empty text.
    QVERIFY(file.readFromDataset(root, QStringLiteral("nothing"), SQLiteReal).isNull());
    QCOMPARE(file.readFromDataset(root, QStringLiteral("nothing"), SQLiteVarchar), QVariant(QString()));

    const struct {
        SettingWidgetType type;
        QVariant value;
        QVariant readBack;
    } settings[] = {
        {SettingWidgetType_spinBox, 5, 5},
        {SettingWidgetType_comboBox, 2, 2},
        {SettingWidgetType_checkBox, true, 1},
        {SettingWidgetType_quantityComboBox, 7, 7},
        {SettingWidgetType_doubleSpinBox, 1.5, 1.5},
        {SettingWidgetType_spinBoxWithUnit, 0.318, 0.318},
        {SettingWidgetType_lineEdit, QStringLiteral("AIN 1"), QStringLiteral("AIN 1")},
        {SettingWidgetType_argumentWidget, QStringLiteral("rpm"), QStringLiteral("rpm")},
        {SettingWidgetType_pointVectorEditor, QVariant::fromValue(QList<QPointF>{{1, 2}}),
         QVariant::fromValue(QList<QPointF>{{1, 2}})},
        {SettingWidgetType_lossModelEditor, QVariant::fromValue(QList<double>{1, 2}),
         QVariant::fromValue(QList<double>{1, 2})},
        // A value that is no list is stored as an empty list.
        {SettingWidgetType_pointVectorEditor, QStringLiteral("x"), QVariant::fromValue(QList<QPointF>())},
    };
    for (const auto& setting : settings) {
        const QString name = QStringLiteral("setting%1").arg(n++);
        QCOMPARE(file.writeDynoSetting(root, name, setting.type, setting.value), 0);
        QCOMPARE(file.readFromDataset(root, name, setting.type), setting.readBack);
    }
    log->clear();
    QCOMPARE(file.writeDynoSetting(root, QStringLiteral("bad"), SettingWidgetType(10), 1), -1);
    QCOMPARE(log->count(QStringLiteral("widget not supported")), 1);
}

void TestRunFile::openingAndSize()
{
    RunFile file;
    log->clear();
    QVERIFY(file.openFile(path(QStringLiteral("does-not-exist.h5"))));
    QVERIFY(log->messages().isEmpty());
    QCOMPARE(file.fileId, hid_t(-1));

    // Not an HDF5 file: not opened, logged; its size still counts.
    const QString text = path(QStringLiteral("notes.h5"));
    QFile notes(text);
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write(QByteArray(1572863, 'x'));
    notes.close();
    QVERIFY(file.openFile(text));
    QCOMPARE(log->count(QStringLiteral("Can't open log file ") + text), 1);
    QCOMPARE(file.getFileSize(), 1);
}

void TestRunFile::informationGroups()
{
    const QString name = path(QStringLiteral("groups.h5"));
    buildRunFile(name, QStringLiteral("zembo_1"));
    RunFile file;
    QVERIFY(!file.openFile(name));
    QCOMPARE(file.updateRunInfo(RunListFields::comment, QStringLiteral("warm")), 0);
    // "/projectInfo" is not created by an update: it fails with its log line.
    log->clear();
    QCOMPARE(file.updateProjectInfo(ProjectListFields::mass, 1200.0), -1);
    QCOMPARE(log->count(QStringLiteral("Cannot create dataset for mass")), 1);
    file.writeAllProjectInfo({{QStringLiteral("mass"), SQLiteReal, 1200.0}});
    QCOMPARE(file.updateProjectInfo(ProjectListFields::mass, 1250.0), 0);
    QCOMPARE(file.updatePreviewData({1, 2}, {3, 4}, {5, 6}, MainGraphMasterChannel_time), 0);
    QCOMPARE(file.updatePreviewData({1}, {3}, {5}, MainGraphMasterChannel_roadSpeed), 0);
    file.createFilesGroup();
    file.writeXMLSetup(QStringLiteral("functionsSetup"), QStringLiteral("<functions/>"));
    file.closeFile();

    RunData run(name, false);
    QCOMPARE(run.openFile(), 0);
    QCOMPARE(run.loadAll(), 0);
    QCOMPARE(run.getRunInfoValue(RunListFields::comment, QVariant()), QVariant(QStringLiteral("warm")));
    QCOMPARE(run.getProjectInfoValue(ProjectListFields::mass, QVariant()), QVariant(1250.0));
    QList<double> power, torque, master;
    MainGraphMasterChannel channel = MainGraphMasterChannel_engineSpeed;
    QCOMPARE(run.runFile->getPreviewData(power, torque, master, channel), 0);
    QCOMPARE(power, QList<double>{1});
    QCOMPARE(channel, MainGraphMasterChannel_roadSpeed);
    QCOMPARE(run.runFile->getModelSetup(QStringLiteral("functionsSetup")), QStringLiteral("<functions/>"));
    QVERIFY(run.runFile->getModelSetup(QStringLiteral("canParserSetup")).isEmpty());

    // Without "/runInfo" a run field cannot be written.
    const QString bare = path(QStringLiteral("bare.h5"));
    {
        Hdf5Lock lock;
        H5Fclose(H5Fcreate(bare.toUtf8().constData(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT));
    }
    RunFile other;
    QVERIFY(!other.openFile(bare));
    log->clear();
    QCOMPARE(other.updateRunInfo(RunListFields::creationTimestamp, qint64(5)), -1);
    QCOMPARE(log->count(QStringLiteral("Cannot create dataset for creationTimestamp")), 1);
}

void TestRunFile::dynoSettingsOfARun()
{
    // The settings registry with one multi-channel setting and no others.
    ACMTabWidget tabs;
    DynoSettings registry(&tabs);
    auto* combo = new QComboBox(&tabs);
    combo->addItems({QStringLiteral("-"), QStringLiteral("roller 1"), QStringLiteral("roller 2")});
    auto* channels = new QList<DynoSetting*>{
        new DynoSetting(combo, QStringLiteral("roller_%1_supportRoller"), QStringLiteral("Support roller"),
                        SettingWidgetType_comboBox, 0, 0),
        new DynoSetting(combo, QStringLiteral("roller_%1_supportRoller"), QStringLiteral("Support roller"),
                        SettingWidgetType_comboBox, 1, 0)};
    while (registry.settings.size() <= DynoSettingId_rollerSupportRoller)
        registry.settings.append(nullptr);
    // The registry owns the list from here and deletes it with itself.
    registry.settings[DynoSettingId_rollerSupportRoller] = channels;

    const QString name = path(QStringLiteral("settings.h5"));
    buildRunFile(name, QStringLiteral("zembo_1"));
    RunFile file;
    QVERIFY(!file.openFile(name));
    // No "/setup" yet: the write fails, and says so.
    QCOMPARE(file.updateDynoSetting(DynoSettingId_rollerSupportRoller, 1, 0), -1);
    file.writeAllDynoSettings({{QStringLiteral("roller_0_supportRoller"), SettingWidgetType_comboBox, 1},
                               {QStringLiteral("roller_1_supportRoller"), SettingWidgetType_comboBox, 0}});
    // Channel 2 of a setting with two channels: named and typed by channel 0.
    QCOMPARE(file.updateDynoSetting(DynoSettingId_rollerSupportRoller, 2, 2), 0);
    QCOMPARE(file.updateDynoSetting(DynoSettingId_lossModel, QVariant::fromValue(QList<double>()), 0), -1);
    file.closeFile();

    RunData run(name, false);
    QCOMPARE(run.openFile(), 0);
    QCOMPARE(run.loadDynoSettings(), 0);
    QCOMPARE(run.settingValues.value(QStringLiteral("roller_0_supportRoller")), QVariant(1));
    QCOMPARE(run.settingValues.value(QStringLiteral("roller_1_supportRoller")), QVariant(0));
    QCOMPARE(run.getSettingValue(DynoSettingId_rollerSupportRoller, 1, 9), QVariant(0));
    QCOMPARE(run.getSettingValue(DynoSettingId_rollerSupportRoller, 7, 9), QVariant(9));
    // The run's own update goes into memory and the file.
    QVERIFY(!run.updateSettingValue(DynoSettingId_rollerSupportRoller, 2, 1));
    int stored = 0;
    {
        Hdf5Lock lock;
        const hid_t setup = H5Gopen2(run.runFile->fileId, "/setup", H5P_DEFAULT);
        QCOMPARE(run.runFile->readFromDataset(setup, QStringLiteral("roller_2_supportRoller"), &stored), 0);
        QCOMPARE(stored, 2);
        QCOMPARE(run.runFile->readFromDataset(setup, QStringLiteral("roller_1_supportRoller"), &stored), 0);
        QCOMPARE(stored, 2);
        H5Gclose(setup);
    }
}

void TestRunFile::attributesAndOpenObjects()
{
    const QString name = path(QStringLiteral("attributes.h5"));
    buildRunFile(name, QStringLiteral("zembo_1"));
    RunFile file;
    QVERIFY(!file.openFile(name));
    Hdf5Lock lock;
    const hid_t frames = H5Gopen2(file.fileId, "/frames", H5P_DEFAULT);
    const hid_t table = H5PTopen(frames, "can");
    const uint32_t value = 77;
    file.createWriteScalarAttribute(table, QStringLiteral("samplingFrequency"), H5T_NATIVE_UINT32, &value);
    H5PTclose(table);
    // On the packet table's dataset, where readers look for it.
    const hid_t dataset = H5Dopen2(frames, "can", H5P_DEFAULT);
    uint32_t back = 0;
    QCOMPARE(file.readScalarAttribute(dataset, QStringLiteral("samplingFrequency"), H5T_NATIVE_UINT32, &back), 0);
    QCOMPARE(back, 77u);
    log->clear();
    QCOMPARE(file.readScalarAttribute(dataset, QStringLiteral("samplingType"), H5T_NATIVE_UINT32, &back), -1);
    QCOMPARE(log->count(QStringLiteral("Error reading attributesamplingType")), 1);
    H5Dclose(dataset);

    // A group left open is reported when the file closes; the file closes all the same.
    log->clear();
    file.closeFile();
    QCOMPARE(file.fileId, hid_t(-1));
    QCOMPARE(log->count(QStringLiteral("Opened object left in H5Fclose. Count 1")), 1);
    QCOMPARE(log->count(QStringLiteral("name /frames")), 1);
    H5Gclose(frames);
}

void TestRunFile::loadingVersions()
{
    const struct {
        const char* version;
        int result;
    } cases[] = {{"zembo_1", 0}, {"zembo_1_imported", 0}, {"zembo_0.1", 0}, {"", -1}, {"dyno_1", -1},
                 {"Zembo_1", -1}};
    int n = 0;
    for (const auto& c : cases) {
        const QString name = path(QStringLiteral("version%1.h5").arg(n++));
        buildRunFile(name, QString::fromLatin1(c.version));
        RunData run(name, false);
        QCOMPARE(run.openFile(), 0);
        log->clear();
        QCOMPARE(run.runFile->loadAll(&run), c.result);
        QCOMPARE(log->count(QStringLiteral("Not compatible log file")), c.result == 0 ? 0 : 1);
        QCOMPARE(run.frames.recordCount(FrameId_freq_1), qsizetype(c.result == 0 ? 3 : 0));
    }
    QCOMPARE(RunData(path(QStringLiteral("none.h5")), false).openFile(), 1);
}

void TestRunFile::missingAndDamagedTables()
{
    // An older file without the optional tables loads silently; a missing
    // table that every file has is logged, and the file loads all the same.
    const QString older = path(QStringLiteral("older.h5"));
    buildRunFile(older, QStringLiteral("zembo_1"), {QStringLiteral("freq_4"), QStringLiteral("audio_1")});
    const QString noFreq1 = path(QStringLiteral("nofreq1.h5"));
    buildRunFile(noFreq1, QStringLiteral("zembo_1"), {QStringLiteral("freq_1")});
    for (const QString& name : {older, noFreq1}) {
        RunData run(name, false);
        QCOMPARE(run.openFile(), 0);
        log->clear();
        QCOMPARE(run.loadAll(), 0);
        QCOMPARE(log->count(QStringLiteral("not found in log file")), name == older ? 0 : 1);
        QCOMPARE(log->count(QStringLiteral("dataset freq_1 not found in log file")), name == older ? 0 : 1);
        QCOMPARE(run.frames.recordCount(FrameId_udsInputChannel), qsizetype(3));
        QCOMPARE(run.frameSamplingFrequency[FrameId_audio_2], 0u);
    }

    // A table that cannot be read: it is emptied, not left as zeroed records,
    // and said; the tables before it stay loaded.
    const QString damaged = path(QStringLiteral("damaged.h5"));
    buildRunFile(damaged, QStringLiteral("zembo_1"), {QStringLiteral("freq_2")});
    {
        Hdf5Lock lock;
        const hid_t file = H5Fopen(damaged.toUtf8().constData(), H5F_ACC_RDWR, H5P_DEFAULT);
        const hid_t frames = H5Gopen2(file, "/frames", H5P_DEFAULT);
        const hsize_t dims[1] = {4};
        const hid_t space = H5Screate_simple(1, dims, nullptr);
        const hid_t text = H5Tcopy(H5T_C_S1);
        H5Tset_size(text, 6);
        const hid_t dataset = H5Dcreate2(frames, "freq_2", text, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
        H5Dwrite(dataset, text, H5S_ALL, H5S_ALL, H5P_DEFAULT, "aaaaaabbbbbbccccccdddddd");
        H5Dclose(dataset);
        H5Tclose(text);
        H5Sclose(space);
        H5Gclose(frames);
        H5Fclose(file);
    }
    RunData run(damaged, false);
    QCOMPARE(run.openFile(), 0);
    log->clear();
    QCOMPARE(run.runFile->loadFrames(&run), -1);
    QCOMPARE(log->count(QStringLiteral("Error reading data frames freq_2")), 1);
    QCOMPARE(run.frames.recordCount(FrameId_freq_1), qsizetype(3));
    QCOMPARE(run.frames.records<FreqFrame>(FrameId_freq_1)[2].data, 102u);
    QCOMPARE(run.frames.recordCount(FrameId_freq_2), qsizetype(0));
    QCOMPARE(run.frames.recordCount(FrameId_freq_3), qsizetype(0));
    QCOMPARE(run.loadAll(), 0);
}

void TestRunFile::versionFlagAndPreview()
{
    const struct {
        const char* version;
        bool older;
    } versions[] = {{"4.8.12", true}, {"4.9.0", false}, {"4.10.0", false}, {"", true}, {"6.28.3", false}};
    int n = 0;
    for (const auto& v : versions) {
        const QString name = path(QStringLiteral("flag%1.h5").arg(n++));
        buildRunFile(name, QStringLiteral("zembo_1"));
        {
            RunFile file;
            file.openFile(name);
            QCOMPARE(file.updateRunInfo(RunListFields::createdWithSoftwareVersion, QString::fromLatin1(v.version)), 0);
        }
        RunData run(name, false);
        QCOMPARE(run.openFile(), 0);
        QCOMPARE(run.loadRunInfo(), 0);
        QVERIFY2(run.legacyInertiaIndexing == v.older, v.version);
    }

    const QString name = path(QStringLiteral("preview.h5"));
    buildRunFile(name, QStringLiteral("zembo_1"));
    RunFile file;
    file.openFile(name);
    QList<double> power, torque, master;
    MainGraphMasterChannel channel = MainGraphMasterChannel_engineSpeed;
    QCOMPARE(file.getPreviewData(power, torque, master, channel), 1);
    file.updatePreviewData({1, 2}, {3}, {5, 6}, MainGraphMasterChannel_engineSpeed);
    QCOMPARE(file.getPreviewData(power, torque, master, channel), 1);
    file.updatePreviewData({1, 2}, {3, 4}, {5, 6}, MainGraphMasterChannel(3));
    QCOMPARE(file.getPreviewData(power, torque, master, channel), 1);
    file.updatePreviewData({1, 2}, {3, 4}, {5, 6}, MainGraphMasterChannel_time);
    QCOMPARE(file.getPreviewData(power, torque, master, channel), 0);
    QCOMPARE(channel, MainGraphMasterChannel_time);
}

void TestRunFile::markersKeepTheirCount()
{
    const QString name = path(QStringLiteral("markers.h5"));
    buildRunFile(name, QStringLiteral("zembo_1"));
    RunFile file;
    file.openFile(name);
    QList<double> times{9.0};
    QList<QString> labels{QStringLiteral("keep")};
    QCOMPARE(file.getMarkers(times, labels), 1);
    QCOMPARE(times, QList<double>{9.0});

    // A first label that is empty (a marker on all channels) survives.
    const QList<QString> written{QString(), QStringLiteral("engine_speed"), QString()};
    QCOMPARE(file.updateMarkers({1.0, 2.0, 3.0}, written), 0);
    QCOMPARE(file.getMarkers(times, labels), 0);
    QCOMPARE(times, (QList<double>{1.0, 2.0, 3.0}));
    QCOMPARE(labels, written);
    // No markers: none read back.
    QCOMPARE(file.updateMarkers({}, {}), 0);
    QCOMPARE(file.getMarkers(times, labels), 0);
    QVERIFY(times.isEmpty() && labels.isEmpty());
    // Files of earlier versions stored no labels for a recording's markers:
    // each marker gets an empty one.
    Hdf5Lock lock;
    const hid_t markers = H5Gopen2(file.fileId, "/markers", H5P_DEFAULT);
    file.writeToDataset(markers, QStringLiteral("times"), QList<double>{4.0, 5.0});
    file.writeToDataset(markers, QStringLiteral("channels"), QString());
    H5Gclose(markers);
    QCOMPARE(file.getMarkers(times, labels), 0);
    QCOMPARE(labels, (QList<QString>{QString(), QString()}));
}

void TestRunFile::readOnlyFileIsNeverChanged()
{
    const QString name = path(QStringLiteral("readonly.h5"));
    buildRunFile(name, QStringLiteral("zembo_0.1"), {}, 2);
    {
        Hdf5Lock lock;
        const hid_t file = H5Fopen(name.toUtf8().constData(), H5F_ACC_RDWR, H5P_DEFAULT);
        H5Ldelete(file, "/runInfo", H5P_DEFAULT);
        H5Fclose(file);
    }
    const QByteArray before = fileHash(name);

    // Held open read-only elsewhere in the process, the file cannot be opened
    // for writing (as a file without write permission or on a read-only
    // medium): it is opened read-only, loads, and is not converted.
    hid_t holder = -1;
    {
        Hdf5Lock lock;
        holder = H5Fopen(name.toUtf8().constData(), H5F_ACC_RDONLY, H5P_DEFAULT);
    }
    {
        RunData run(name, false);
        log->clear();
        QCOMPARE(run.openFile(), 0);
        QVERIFY(run.runFile->isReadOnly());
        QCOMPARE(run.loadAll(), 0);
        QCOMPARE(run.frames.recordCount(FrameId_freq_1), qsizetype(2));
        QCOMPARE(log->count(QStringLiteral("imported log file")), 0);
        QCOMPARE(log->count(QStringLiteral("Run file opened read-only")), 1);
        QVERIFY(run.runInfo.at(RunListFields::creationTimestamp).isNull());
        QVERIFY(run.runFile->updateRunInfo(RunListFields::comment, QStringLiteral("x")) != 0);
    }
    {
        Hdf5Lock lock;
        H5Fclose(holder);
    }
    QCOMPARE(fileHash(name), before);

    // Writable, the same file is converted on its first load only.
    RunData run(name, false);
    log->clear();
    QCOMPARE(run.openFile(), 0);
    QVERIFY(!run.runFile->isReadOnly());
    QCOMPARE(run.loadAll(), 0);
    QCOMPARE(log->count(QStringLiteral("imported log file")), 1);
    run.runInfoLoaded = false;
    QCOMPARE(run.loadRunInfo(), 0);
    QCOMPARE(log->count(QStringLiteral("imported log file")), 1);
}

QTEST_MAIN(TestRunFile)
#include "tst_run_file.moc"
