// The two setup models and their files: defaults on a fresh configuration
// folder, a second start, unreadable files, presets, groups, the table, saving,
// and setups asked for by recalculation workers.
#include "Argument.h"
#include "ChannelSetup.h"
#include "ChannelSetupDescriptor.h"
#include "ChannelSetupModel.h"
#include "LogCapture.h"
#include "MySettings.h"
#include "RecordingAnswerer.h"
#include "VectorChannel.h"
#include "lib/Units.h"

#include <QBrush>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

const QString kRunDefaults = QStringLiteral(":/resources/runVariables.xml");
const QString kAnalyzeDefaults = QStringLiteral(":/resources/analyzeVariables.xml");

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Runs Debian's xmllint: well-formedness and the number of `variable` elements.
int xmllintCount(const QString& path)
{
    QProcess lint;
    lint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), path});
    if (!lint.waitForFinished(20000) || lint.exitCode() != 0)
        return -1;
    QProcess count;
    count.start(QStringLiteral("xmllint"),
                {QStringLiteral("--xpath"), QStringLiteral("count(/variables/variable)"), path});
    if (!count.waitForFinished(20000) || count.exitCode() != 0)
        return -1;
    return count.readAllStandardOutput().trimmed().toInt();
}

// A model loaded from `userPath` (defaults when it does not exist), its
// start-up save done.
std::unique_ptr<ChannelSetupModel> startedModel(ChannelSetupType type, const QString& userPath)
{
    auto model = std::make_unique<ChannelSetupModel>(type);
    model->initLoadFromFile(userPath, type == ChannelSetupType_run ? kRunDefaults : kAnalyzeDefaults);
    return model;
}

bool waitForSave(const ChannelSetupModel& model)
{
    return QTest::qWaitFor([&model] { return !model.isSavePending(); }, 3000);
}

ChannelSetup* setupOf(ChannelSetupModel& model, const char* key)
{
    return model.getSetup(QString::fromUtf8(key), QString(), static_cast<Quantity>(-1), nullptr);
}

} // namespace

class TestChannelSetupModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void freshFolderGetsTheDefaults();
    void secondStartSavesTheSameFiles();
    void unreadableFileIsKeptAside_data();
    void unreadableFileIsKeptAside();
    void presets();
    void exportCopiesTheSavedFile();
    void groupsShareDecimalsUnitAndFilter();
    void table();
    void setupsForWorkerThreads();
    void editsAreSavedOnceAfterTheLast();
    void editJustBeforeQuitIsSaved();

private:
    QTemporaryDir dir;
};

void TestChannelSetupModel::initTestCase()
{
    theUnits.init();
    QVERIFY(dir.isValid());
}

void TestChannelSetupModel::freshFolderGetsTheDefaults()
{
    RecordingAnswerer answerer;
    ChannelSetupModel::registerStartupLoader();
    theSettings.initChannelsSetup();
    const QString runPath = theSettings.settingsDir.filePath(QStringLiteral("runVariables.xml"));
    const QString analyzePath = theSettings.settingsDir.filePath(QStringLiteral("analyzeVariables.xml"));
    QCOMPARE(theRunChannelSetupModel.filePath(), runPath);

    QTRY_VERIFY(QFile::exists(runPath) && QFile::exists(analyzePath));
    QVERIFY(answerer.shown.isEmpty());
    QCOMPARE(xmllintCount(runPath), 232);
    QCOMPARE(xmllintCount(analyzePath), 12);
    // The first start writes exactly the embedded defaults, in their order.
    QCOMPARE(bytesOf(runPath), bytesOf(kRunDefaults));
    QCOMPARE(theRunChannelSetupModel.rowCount(), 232);
    QCOMPARE(theRunChannelSetupModel.data(theRunChannelSetupModel.index(0, 0)).toString(),
             QStringLiteral("BME280_humidity"));
    QCOMPARE(theRunChannelSetupModel.data(theRunChannelSetupModel.index(231, 0)).toString(),
             QStringLiteral("gearTarget"));

    // Telling rows of the defaults.
    ChannelSetup* speed = setupOf(theRunChannelSetupModel, "dyno_speed");
    QCOMPARE(speed->displayName, QStringLiteral("Road speed"));
    QCOMPARE(speed->unit->name, QStringLiteral("km/h"));
    QVERIFY(!speed->autorangeMin && !speed->autorangeMax);
    QVERIFY(qAbs(speed->warningHigh * 3.6 - 250.0) < 1e-9);
    QVERIFY(qAbs(speed->alarmHigh * 3.6 - 300.0) < 1e-9);
    QVERIFY(setupOf(theRunChannelSetupModel, "none")->hide);
    QCOMPARE(setupOf(theRunChannelSetupModel, "voltage_12")->alarmDelay, 1.0);
    QCOMPARE(setupOf(theRunChannelSetupModel, "dyno_onWheelsPower")->filter, 0.2);
    QCOMPARE(setupOf(theRunChannelSetupModel, "torqueController_3_output")->alarmDelay, 5.0);
    QCOMPARE(setupOf(theRunChannelSetupModel, "actuatorController_2_state")->labels.value(5),
             QStringLiteral("deactivation timeout"));
    ChannelSetup* power = setupOf(theVectorChannelSetupModel, "engine_correctedPower_P");
    QCOMPARE(power->groupId, 1u);
    QVERIFY(power->autorangeMin && power->autorangeMax); // from the older "autorange" attribute
    QVERIFY(setupOf(theVectorChannelSetupModel, "mainCompareGraph_power")->hide);
    QVERIFY(!setupOf(theVectorChannelSetupModel, "dyno_speed_v")->autorangeMax);
}

void TestChannelSetupModel::secondStartSavesTheSameFiles()
{
    const QString runPath = theSettings.settingsDir.filePath(QStringLiteral("runVariables.xml"));
    const QString analyzePath = theSettings.settingsDir.filePath(QStringLiteral("analyzeVariables.xml"));
    QVERIFY(waitForSave(theRunChannelSetupModel) && waitForSave(theVectorChannelSetupModel));
    const QByteArray run = bytesOf(runPath);
    const QByteArray analyze = bytesOf(analyzePath);

    RecordingAnswerer answerer;
    auto runModel = startedModel(ChannelSetupType_run, runPath);
    auto analyzeModel = startedModel(ChannelSetupType_analyze, analyzePath);
    QVERIFY(runModel->isSavePending() && analyzeModel->isSavePending());
    QVERIFY(waitForSave(*runModel) && waitForSave(*analyzeModel));
    QCOMPARE(bytesOf(runPath), run);
    QCOMPARE(bytesOf(analyzePath), analyze);
    QCOMPARE(runModel->rowCount(), 232);
    QCOMPARE(analyzeModel->rowCount(), 12);
    QVERIFY(answerer.shown.isEmpty());
}

void TestChannelSetupModel::unreadableFileIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("cut short") << QByteArray("<variables key=\"run\">\n <variable key=\"time\" ");
    QTest::newRow("not channel setups") << QByteArray("<desktop/>\n");
    QTest::newRow("empty") << QByteArray();
}

void TestChannelSetupModel::unreadableFileIsKeptAside()
{
    QFETCH(QByteArray, content);
    const QString path = dir.filePath(QStringLiteral("broken.xml"));
    writeFile(path, content);
    writeFile(path + QStringLiteral(".bad"), "an older bad copy");

    RecordingAnswerer answerer;
    auto model = startedModel(ChannelSetupType_run, path);
    QCOMPARE(bytesOf(path + QStringLiteral(".bad")), content);
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.at(0).title, QStringLiteral("Error"));
    QVERIFY(answerer.shown.at(0).text.contains(path + QStringLiteral(".bad")));
    QCOMPARE(model->rowCount(), 232); // the defaults
    QVERIFY(waitForSave(*model));
    QCOMPARE(bytesOf(path), bytesOf(kRunDefaults));
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".bad"));
}

void TestChannelSetupModel::presets()
{
    RecordingAnswerer answerer;
    const QString path = dir.filePath(QStringLiteral("presets.xml"));
    auto model = startedModel(ChannelSetupType_run, path);
    QVERIFY(waitForSave(*model));
    ChannelSetup* engine = setupOf(*model, "engine_speed");
    ChannelSetup* untouched = setupOf(*model, "dyno_speed");
    const QString untouchedName = untouched->displayName;
    engine->labels = {{9, QStringLiteral("old")}};
    engine->colorSteps = {{ColorScaleStepType_absolute, 1.0, QColor(Qt::red)}};
    engine->alarmGate->setConstant(1.0, false);

    // A preset of the other model is refused when imported...
    const QString analyzePreset = dir.filePath(QStringLiteral("analyzePreset.xml"));
    writeFile(analyzePreset, "<variables key=\"analyze\">\n <variable key=\"engine_speed\" displayName=\"Other\"/>\n"
                             "</variables>\n");
    model->importPreset(analyzePreset);
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.at(0).text, QStringLiteral("Invalid channel preset format"));
    QCOMPARE(engine->displayName, QStringLiteral("Engine speed"));
    // ...but read at start-up.
    auto lenient = startedModel(ChannelSetupType_run, analyzePreset);
    QCOMPARE(setupOf(*lenient, "engine_speed")->displayName, QStringLiteral("Other"));
    QCOMPARE(lenient->rowCount(), 1);

    // A preset rewrites what it names, labels, steps and gate included, and
    // adds what is new at the end.
    const QString preset = dir.filePath(QStringLiteral("runPreset.xml"));
    writeFile(preset, "<variables key=\"run\">\n"
                      " <variable key=\"engine_speed\" displayName=\"Motor\" unitType=\"29\" unit=\"\">\n"
                      "  <label value=\"1\" text=\"one\"/>\n"
                      "  <colorStep type=\"1\" value=\"0.5\" color=\"#00ff00\"/>\n"
                      " </variable>\n"
                      " <variable key=\"new_key\" displayName=\"New\"/>\n"
                      " <variable displayName=\"no key\"/>\n"
                      "</variables>\n");
    QSignalSpy rows(model.get(), &QAbstractItemModel::rowsInserted);
    answerer.result = QDialog::Accepted;
    answerer.files = {preset};
    model->action_importPreset();
    QCOMPARE(engine->displayName, QStringLiteral("Motor"));
    QCOMPARE(engine->labels, (QMap<int, QString> {{1, QStringLiteral("one")}}));
    QCOMPARE(engine->colorSteps.size(), 1);
    QCOMPARE(engine->colorSteps.at(0).color, QColor(Qt::green));
    QCOMPARE(engine->alarmGate->getType(), ArgumentType_null);
    QCOMPARE(untouched->displayName, untouchedName);
    QCOMPARE(model->rowCount(), 233);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(model->data(model->index(232, 0)).toString(), QStringLiteral("new_key"));

    // The defaults come back on request; a file that is not there is reported.
    model->action_loadDefault();
    QCOMPARE(engine->displayName, QStringLiteral("Engine speed"));
    const int shown = int(answerer.shown.size());
    model->importPreset(dir.filePath(QStringLiteral("absent.xml")));
    QCOMPARE(answerer.shown.size(), shown + 1);
    QCOMPARE(answerer.shown.last().text,
             QStringLiteral("Can't open file %1 for import.").arg(dir.filePath(QStringLiteral("absent.xml"))));

    // A file that is no XML at all is reported too, and changes nothing.
    const QString notXml = dir.filePath(QStringLiteral("notXml.xml"));
    writeFile(notXml, "<variables key=\"run\"><variable key=\"engine_speed\" displayName=\"Broken");
    model->importPreset(notXml);
    QCOMPARE(answerer.shown.size(), shown + 2);
    QVERIFY(answerer.shown.last().text.startsWith(QStringLiteral("Invalid channel preset format\nLine ")));
    QCOMPARE(engine->displayName, QStringLiteral("Engine speed"));
}

void TestChannelSetupModel::exportCopiesTheSavedFile()
{
    RecordingAnswerer answerer;
    answerer.result = QDialog::Accepted;
    const QString path = dir.filePath(QStringLiteral("exporting.xml"));
    auto model = startedModel(ChannelSetupType_run, path);
    QVERIFY(waitForSave(*model));
    setupOf(*model, "time")->comment = QStringLiteral("changed just now");
    emit setupOf(*model, "time")->signal_setupChanged();

    const QString target = dir.filePath(QStringLiteral("channelsPreset.xml"));
    writeFile(target, "old content");
    answerer.files = {target};
    model->action_exportPreset();
    QVERIFY(!model->isSavePending()); // saved for the export
    QVERIFY(bytesOf(path).contains("changed just now"));
    QCOMPARE(bytesOf(target), bytesOf(path));
    QCOMPARE(answerer.shown.last().title, QStringLiteral("Save channels preset"));

    // Exporting onto the model's own file copies nothing.
    answerer.files = {path};
    model->action_exportPreset();
    QVERIFY(bytesOf(path).contains("changed just now"));
}

void TestChannelSetupModel::groupsShareDecimalsUnitAndFilter()
{
    ChannelSetupModel model(ChannelSetupType_analyze);
    auto* templateSetup = new ChannelSetup(&model);
    templateSetup->quantity = Quantity::Power;
    templateSetup->unit = theUnits.getDefaultUnit(Quantity::Power);
    model.addSetupToGroup(1, QStringLiteral("a_P"), templateSetup);
    model.addSetupToGroup(1, QStringLiteral("b_P"), templateSetup);
    model.addSetupToGroup(0, QStringLiteral("c_P"), templateSetup);
    LogCapture log;
    model.addSetupToGroup(7, QStringLiteral("d_P"), templateSetup);
    QCOMPARE(log.count(QStringLiteral("addSetupToGroup invalid group ID")), 1);
    QCOMPARE(model.rowCount(), 3);

    ChannelSetup* a = setupOf(model, "a_P");
    ChannelSetup* b = setupOf(model, "b_P");
    ChannelSetup* c = setupOf(model, "c_P");
    QCOMPARE(a->groupId, 1u);
    QSignalSpy bChanged(b, &ChannelSetup::signal_setupChanged);
    QSignalSpy cChanged(c, &ChannelSetup::signal_setupChanged);
    a->decimals = 3;
    a->unit = theUnits.getUnitByQuantityAndName(Quantity::Power, QStringLiteral("kW"));
    a->filter = 0.5;
    emit a->signal_setupChanged();
    QCOMPARE(bChanged.size(), 1);
    QCOMPARE(b->decimals, 3);
    QCOMPARE(b->unit->name, QStringLiteral("kW"));
    QCOMPARE(b->filter, 0.5);
    QCOMPARE(cChanged.size(), 0);
    QCOMPARE(c->decimals, 0);

    // Nothing is written before the model knows its file.
    QVERIFY(model.filePath().isEmpty());
    model.slot_saveToFile();
}

void TestChannelSetupModel::table()
{
    theChannelSetupDescriptor.init();
    ChannelSetupModel model(ChannelSetupType_run);
    ChannelSetup* hidden = setupOf(model, "hidden");
    hidden->hide = true;
    hidden->color = QColor(10, 10, 10);
    ChannelSetup* temperature =
        model.getSetup(QStringLiteral("temperature"), QStringLiteral("T"), Quantity::Temperature, nullptr);
    temperature->unit = theUnits.getUnitByQuantityAndName(Quantity::Temperature, QStringLiteral("°C"));
    temperature->decimals = 1;
    temperature->autorangeMin = false;
    temperature->autorangeMax = true;
    temperature->rangeMin = 273.15;
    temperature->minAutorangeSpan = 10.0;
    temperature->color = QColor(250, 250, 250);
    ChannelSetup* fixed = setupOf(model, "fixed");
    fixed->autorangeMin = fixed->autorangeMax = false;
    fixed->sampling = SamplingMode::SampleAndHold;

    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 24);
    QCOMPARE(model.headerData(ChannelSetupPropId_alarmGate, Qt::Horizontal).toString(),
             QStringLiteral("Alarm/war. gate"));
    QCOMPARE(model.headerData(2, Qt::Vertical).toInt(), 2);
    QVERIFY(!(model.flags(model.index(0, 5)) & Qt::ItemIsEditable));
    QVERIFY(model.setData(model.index(0, 5), QStringLiteral("ignored")));
    QCOMPARE(hidden->displayName, QString());

    auto background = [&model](int row, int column) {
        return model.data(model.index(row, column), Qt::BackgroundRole).value<QBrush>().color();
    };
    const QColor grey(220, 220, 220);
    const QColor green(178, 223, 138);
    // Hidden: grey but for the colour cell.
    QCOMPARE(background(0, ChannelSetupPropId_comment), grey);
    QCOMPARE(background(0, ChannelSetupPropId_color), QColor(10, 10, 10));
    QCOMPARE(model.data(model.index(0, ChannelSetupPropId_color), Qt::ForegroundRole).value<QBrush>().color(),
             QColor(Qt::white));
    QCOMPARE(model.data(model.index(1, ChannelSetupPropId_color), Qt::ForegroundRole).value<QBrush>().color(),
             QColor(Qt::black));
    // Automatic upper end: its cell grey, its flag green; the span cell is grey
    // only when both ends are fixed.
    QCOMPARE(background(1, ChannelSetupPropId_rangeMax), grey);
    QVERIFY(!model.data(model.index(1, ChannelSetupPropId_rangeMin), Qt::BackgroundRole).isValid());
    QCOMPARE(background(1, ChannelSetupPropId_autorangeMax), green);
    QVERIFY(!model.data(model.index(1, ChannelSetupPropId_minAutorangeSpan), Qt::BackgroundRole).isValid());
    QCOMPARE(background(2, ChannelSetupPropId_minAutorangeSpan), grey);

    // Values in the display unit; a span has no offset.
    QCOMPARE(model.data(model.index(1, ChannelSetupPropId_rangeMin)).toString(), QStringLiteral("0.0 °C"));
    QCOMPARE(model.data(model.index(1, ChannelSetupPropId_minAutorangeSpan)).toString(), QStringLiteral("10.0 °C"));
    QCOMPARE(model.data(model.index(1, ChannelSetupPropId_rangeMin), Qt::EditRole).toDouble(), 273.15);
    QCOMPARE(model.data(model.index(1, ChannelSetupPropId_unitType)).toString(),
             theUnits.quantityNames.at(Quantity::Temperature));
    QCOMPARE(model.data(model.index(1, ChannelSetupPropId_sampling)).toString(), QStringLiteral("I"));
    QCOMPARE(model.data(model.index(2, ChannelSetupPropId_sampling)).toString(), QStringLiteral("SH"));
    QCOMPARE(model.data(model.index(1, ChannelSetupPropId_key), Qt::TextAlignmentRole).toInt(),
             int(Qt::AlignLeft | Qt::AlignVCenter));
}

void TestChannelSetupModel::setupsForWorkerThreads()
{
    ChannelSetupModel model(ChannelSetupType_analyze);
    ChannelSetup* existing = setupOf(model, "existing_P");
    ChannelSetup* made = nullptr;
    ChannelSetup* again = nullptr;
    ChannelSetup* found = nullptr;
    QObject* madeParent = this;
    QThread* madeThread = nullptr;
    QString privateCheck;
    VectorChannel* vector = nullptr;

    // The GUI thread waits for the worker, as the recalculation does: the
    // worker must not wait for the GUI thread.
    QThread* worker = QThread::create([&] {
        made = model.getSetup(QStringLiteral("fresh_P"), QStringLiteral("Fresh"), Quantity::Power, nullptr);
        madeParent = made->parent();
        madeThread = made->thread();
        again = model.getSetup(QStringLiteral("fresh_P"), QString(), Quantity::Power, nullptr);
        found = model.getSetup(QStringLiteral("existing_P"), QString(), static_cast<Quantity>(-1), nullptr);
        vector = new VectorChannel(100.0, QStringLiteral("vector_P"), QStringLiteral("V"), Quantity::Power, 10,
                                   nullptr);
        // A private copy belongs to the vector, in the vector's thread.
        VectorChannel slice(vector, 2, 3, QStringLiteral("slice"));
        if (slice.setup->parent() != &slice || slice.setup->thread() != QThread::currentThread())
            privateCheck = QStringLiteral("private setup not the slice's own child");
        vector->moveToThread(model.thread());
    });
    worker->start();
    QVERIFY(worker->wait(10000));
    delete worker;
    std::unique_ptr<VectorChannel> owned(vector);

    QVERIFY(made);
    QCOMPARE(madeParent, nullptr);
    QCOMPARE(madeThread, model.thread());
    QCOMPARE(again, made);
    QCOMPARE(found, existing);
    QVERIFY2(privateCheck.isEmpty(), qPrintable(privateCheck));
    QCOMPARE(made->displayName, QStringLiteral("Fresh"));
    QCOMPARE(made->quantity, Quantity::Power);

    // The GUI thread adopts them with its next events.
    QTRY_COMPARE(model.rowCount(), 2);
    QCOMPARE(made->parent(), &model);
    // Recorded channels take their setups from the analysis model.
    QTRY_COMPARE(vector->setup->parent(), &theVectorChannelSetupModel);
    QCOMPARE(setupOf(model, "fresh_P"), made);
    QCOMPARE(vector->setup->key, QStringLiteral("vector_P"));
    QCOMPARE(vector->rawSamples().size(), 10);
}

void TestChannelSetupModel::editsAreSavedOnceAfterTheLast()
{
    const QString path = dir.filePath(QStringLiteral("debounce.xml"));
    auto model = startedModel(ChannelSetupType_run, path);
    QVERIFY(waitForSave(*model));
    auto* saveTimer = model->findChild<QTimer*>();
    QVERIFY(saveTimer);
    ChannelSetup* setup = setupOf(*model, "engine_speed");

    // Every save of the timer is counted with the time since the edit before
    // it, taken on a clock started before that edit: a loaded machine can only
    // make that figure larger. A default timer may fire up to 5 % early.
    constexpr qint64 saveDelay = 500;
    constexpr qint64 earliestSave = saveDelay * 95 / 100;
    QElapsedTimer sinceLastEdit;
    QList<qint64> saves;
    connect(saveTimer, &QTimer::timeout, model.get(), [&] { saves.append(sinceLastEdit.elapsed()); });

    // A burst of edits closer together than the delay: only a stalled machine
    // opens a gap long enough for a save inside it, and then the burst is
    // tried again rather than judged.
    bool burstKeptTogether = false;
    for (int attempt = 0; attempt < 5 && !burstKeptTogether; ++attempt) {
        QVERIFY(waitForSave(*model));
        QFile::remove(path);
        saves.clear();
        burstKeptTogether = true;
        for (int i = 0; i < 5 && burstKeptTogether; ++i) {
            if (i > 0 && !saves.isEmpty()) {
                // Saved between edits: only a gap of the whole delay excuses it.
                QVERIFY2(saves.first() >= earliestSave, qPrintable(QString::number(saves.first())));
                burstKeptTogether = false;
                break;
            }
            setup->decimals = i;
            sinceLastEdit.start();
            emit setup->signal_setupChanged();
            QVERIFY(model->isSavePending());
            QTest::qWait(80);
        }
    }
    QVERIFY2(burstKeptTogether, "the machine never kept five edits within the save delay");

    // Saved once, not before the delay has passed since the last edit, with the last edit in it.
    QTRY_COMPARE_WITH_TIMEOUT(int(saves.size()), 1, 5000);
    QVERIFY2(saves.first() >= earliestSave, qPrintable(QString::number(saves.first())));
    QVERIFY(bytesOf(path).contains("decimals=\"4\""));
    QVERIFY(!model->isSavePending());
    QTest::qWait(int(saveDelay * 2));
    QCOMPARE(int(saves.size()), 1);
}

void TestChannelSetupModel::editJustBeforeQuitIsSaved()
{
    const QString path = dir.filePath(QStringLiteral("quit.xml"));
    auto model = startedModel(ChannelSetupType_run, path);
    QVERIFY(waitForSave(*model));
    ChannelSetup* setup = setupOf(*model, "engine_speed");
    setup->comment = QStringLiteral("edited before quitting");
    emit setup->signal_setupChanged();
    QVERIFY(model->isSavePending());

    // The program quits at once; the edit must not wait for the timer.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    qApp->exec();
    QVERIFY(!model->isSavePending());
    QVERIFY(bytesOf(path).contains("edited before quitting"));
}

QTEST_MAIN(TestChannelSetupModel)
#include "tst_channel_setup_model.moc"
