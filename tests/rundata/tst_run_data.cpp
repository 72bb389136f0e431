// A recorded run in memory without a file or a connected board: the selection
// and its indexes, the automatic selection, statistics, preview, the time
// grid and derivative, the memory estimate, field updates, the details page
// and the CSV export, on vectors made here. The channel registry stays empty,
// so every group is made from the kinds' own keys and names.
#include "ChannelSetup.h"
#include "LogCapture.h"
#include "RecordedChannelModel.h"
#include "RecordingAnswerer.h"
#include "RunDataTestSupport.h"
#include "RunFileTestSupport.h"
#include "RunListModel.h"
#include "VectorChannel.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QDateTime>
#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>

using namespace RunDataTest;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double rpm = M_PI / 30.0;

QList<QByteArray> csvLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestRunData : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void timeGridAndDerivative();
    void selectionIndexes_data();
    void selectionIndexes();
    void automaticSelection_data();
    void automaticSelection();
    void automaticSelectionWithoutSpeed();
    void statisticsAndDistance();
    void previewOfTheSelection();
    void memoryEstimate();
    void fieldUpdates();
    void csvRows_data();
    void csvRows();
    void csvPresetAndHeader();
    void csvCancelAndMissingFile();
    void detailsAreEscaped();
    void recalculationWhileCalculatingIsQueued();
    void perRunInputModels();

private:
    Options options;
    RecordingAnswerer* answerer = nullptr;
    std::unique_ptr<RunFileTest::Database> database;
    QTemporaryDir dir;
};

void TestRunData::initTestCase()
{
    RunFileTest::prepareProcess();
    RunAnalysisOptions::install(&options);
    answerer = new RecordingAnswerer;
    database = std::make_unique<RunFileTest::Database>(dir.filePath(QStringLiteral("projects2.db")));
}

void TestRunData::cleanupTestCase()
{
    RunAnalysisOptions::install(nullptr);
    database.reset();
    delete answerer;
}

void TestRunData::init()
{
    options = Options();
    answerer->shown.clear();
    qunsetenv("ZEMBO_MEMORY_AVAILABLE_MIB");
}

void TestRunData::timeGridAndDerivative()
{
    auto run = std::make_unique<RunData>(QString(), true);
    run->updateRunInfoValue(RunListFields::runLength, 10.0);
    run->updateRunInfoValue(RunListFields::creationTimestamp, qint64(1600000000));
    QCOMPARE(run->createMainTimeVector(), 0);
    QCOMPARE(run->mainSampleCount, 5000);
    QCOMPARE(run->mainTimeChannel->rawSamples().at(4999), 4999 * (1.0 / 500));
    QCOMPARE(run->getVectorChannel(ChannelId_clockTime, 0)->rawSamples().at(4999), 4999 * (1.0 / 500) + 1.6e9);
    QCOMPARE(run->getVectorChannel(ChannelId_time, 0)->setup->key, QStringLiteral("time_t"));

    auto tooShort = std::make_unique<RunData>(QString(), true);
    tooShort->updateRunInfoValue(RunListFields::runLength, 0.001);
    QCOMPARE(tooShort->createMainTimeVector(), -1);
    QCOMPARE(tooShort->calculateAll(false), -1);
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.first().text, QStringLiteral("Invalid run data in file. Details in .zembo/log/"));

    QList<double> out;
    const QList<double> one{4.0};
    run->calculateDiff(&one, &out);
    QCOMPARE(out.size(), 1);
    QVERIFY(std::isnan(out.at(0)));
    const QList<double> three{1.0, 5.0, 3.0};
    run->calculateDiff(&three, &out);
    QCOMPARE(out.size(), 3);
    QVERIFY(std::isnan(out.at(0)) && std::isnan(out.at(2)));
    QCOMPARE(out.at(1), (3.0 - 1.0) * 250.0);
    const QList<double> empty;
    run->calculateDiff(&empty, &out);
    QCOMPARE(out.size(), 3);
}

void TestRunData::selectionIndexes_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("inside") << 2.5 << 7.25 << 1250 << 3625;
    QTest::newRow("past the end") << 2.5 << 30.0 << 1250 << 9999;
    QTest::newRow("inverted") << 7.25 << 2.5 << 3625 << 3625;
    QTest::newRow("unset") << 0.0 << 0.0 << 0 << 0;
    QTest::newRow("corrupt") << -1e300 << 1e300 << 0 << 9999;
}

void TestRunData::selectionIndexes()
{
    QFETCH(double, start);
    QFETCH(double, end);
    auto run = gridRun(20.0);
    run->setSelection(QPointF(start, end));
    QFETCH(int, first);
    QFETCH(int, last);
    QCOMPARE(run->getSelectionIndexes().first, first);
    QCOMPARE(run->getSelectionIndexes().second, last);
    // The selected time counts from the selection start.
    QCOMPARE(run->getVectorChannel(ChannelId_selectedTime, 0)->rawSamples().at(1000), 1000 * 0.002 - start);
}

void TestRunData::automaticSelection_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("peakRpm");
    QTest::newRow("backward") << 0 << 7000;
    QTest::newRow("forward") << 1 << 7000;
    QTest::newRow("backward, peak below high") << 0 << 6000;
}

void TestRunData::automaticSelection()
{
    QFETCH(int, mode);
    QFETCH(int, peakRpm);
    options.rate = 100;
    options.mode = mode;
    auto run = gridRun(10.0); // 1000 samples
    const int top = 600;
    auto trace = [&](int i) {
        const double r = i <= top ? 1000.0 + (peakRpm - 1000.0) * i / top
                                  : peakRpm - (peakRpm - 1000.0) * (i - top) / (999.0 - top);
        return r * rpm;
    };
    VectorChannel* speed = addVector(*run, ChannelId_engineSpeed, trace);
    const QList<double> v = speed->rawSamples();
    const double low = 2000 * rpm;
    const double high = 6500 * rpm;
    int start = 0;
    int end = 999;
    if (mode == 0) {
        // From the last sample below low before the top to the last below high before it.
        end = top;
        for (int i = top; i > 0; --i) {
            if (v.at(i) < high) {
                end = i;
                break;
            }
        }
        for (int i = end; i >= 0; --i) {
            if (v.at(i) < low) {
                start = i;
                break;
            }
        }
    } else {
        for (int i = top; i < 999; ++i) {
            if (v.at(i) < high) {
                start = i;
                break;
            }
        }
        for (int i = start; i < 999; ++i) {
            if (v.at(i) < low) {
                end = i;
                break;
            }
        }
    }
    if (peakRpm < 6500)
        QCOMPARE(end, top);
    QSignalSpy vectors(run.get(), &RunData::signal_vectorsChanged);
    run->runAutoSelection(AutoSelectionVector_engineSpeed, low, high);
    QCOMPARE(vectors.size(), 1);
    const QList<double>& t = run->mainTimeChannel->rawSamples();
    QCOMPARE(run->getSelection().first, t.at(start));
    QCOMPARE(run->getSelection().second, t.at(end));
    QVERIFY(answerer->shown.isEmpty());
    // Whole run by time range.
    run->runAutoSelection(AutoSelectionVector_timeRange, 1.0, 2.0);
    QCOMPARE(run->getSelection(), std::make_pair(1.0, 2.0));
}

void TestRunData::automaticSelectionWithoutSpeed()
{
    auto run = gridRun(2.0);
    addVector(*run, ChannelId_engineSpeed, [](int) { return 0.0; });
    run->setSelection(QPointF(0.5, 1.5));
    run->runAutoSelection(AutoSelectionVector_engineSpeed, 1.0, 2.0);
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.first().text, QStringLiteral("No speed data available"));
    QCOMPARE(run->getSelection(), std::make_pair(0.5, 1.5));
}

void TestRunData::statisticsAndDistance()
{
    auto run = gridRun(60.0);
    addVector(*run, ChannelId_dynoSpeed, [](int) { return 10.0; });
    addVector(*run, ChannelId_engineSpeed, [](int i) { return 100.0 + i * 0.01; });
    addVector(*run, ChannelId_engineCorrectedPower, [](int i) { return i == 100 ? NaN : 1000.0 + (i % 3000); });
    addVector(*run, ChannelId_engineCorrectedTorque, [](int i) { return -5.0 + i * 0.0; });
    addVector(*run, ChannelId_dynoOnWheelsPower, [](int i) { return 500.0 + (i % 700); });
    addVector(*run, ChannelId_dynoLossPower, [](int) { return 0.0; });
    addVector(*run, ChannelId_ambientTemperature, [](int i) { return 290.0 + i; });
    addVector(*run, ChannelId_ambientPressure, [](int i) { return 1e5 + i; });
    addVector(*run, ChannelId_ambientHumidity, [](int) { return 0.4; });
    addVector(*run, ChannelId_ambientCorrectionFactor, [](int i) { return i * 1e-6; });

    struct Case {
        double start, end;
        double power, powerRpm, wheel, temperature;
    };
    // First occurrence of a maximum wins; the last index is not examined;
    // negative torque and zero loss never become a peak.
    const Case cases[] = {
        {1.0, 10.0, 3999.0, 100.0 + 2999 * 0.01, 1199.0, 290.0 + 2999},
        {2.0, 2.0, 0.0, 0.0, 0.0, 290.0},
    };
    for (const Case& c : cases) {
        run->setSelection(QPointF(c.start, c.end));
        run->slot_updateRunInfoStats();
        QCOMPARE(run->getRunInfoValue(RunListFields::measuredEnginePower, -1).toDouble(), c.power);
        QCOMPARE(run->getRunInfoValue(RunListFields::measuredEnginePowerRPM, -1).toDouble(), c.powerRpm);
        QCOMPARE(run->getRunInfoValue(RunListFields::measuredWheelPower, -1).toDouble(), c.wheel);
        QCOMPARE(run->getRunInfoValue(RunListFields::measuredEngineTorque, -1).toDouble(), 0.0);
        QCOMPARE(run->getRunInfoValue(RunListFields::peakLossPower, -1).toDouble(), 0.0);
        QCOMPARE(run->getRunInfoValue(RunListFields::ambientTemperature, -1).toDouble(), c.temperature);
        QCOMPARE(run->getRunInfoValue(RunListFields::selectionLength, -1).toDouble(), c.end - c.start);
        // Over the whole run, whatever the selection: 10 m/s for 60 s.
        QCOMPARE(run->getRunInfoValue(RunListFields::distance, -1).toDouble(), 600.0);
    }
}

void TestRunData::previewOfTheSelection()
{
    auto run = gridRun(10.0);
    addVector(*run, ChannelId_engineCorrectedPower, [](int i) { return double(i); });
    addVector(*run, ChannelId_engineCorrectedTorque, [](int i) { return 2.0 * i; });
    addVector(*run, ChannelId_engineSpeed, [](int i) { return 3.0 * i; });
    // 80 samples: the last 20 preview points are NaN.
    run->setSelection(QPointF(1.0, 1.0 + 79 * 0.002 + 0.0001));
    run->updatePreviewData();
    QCOMPARE(run->previewPower.size(), 100);
    QCOMPARE(run->previewPower.at(0), 500.0);
    QCOMPARE(run->previewPower.at(79), 579.0);
    QVERIFY(std::isnan(run->previewPower.at(80)) && std::isnan(run->previewMaster.at(99)));
    // 250 samples: every second sample from the start (step 2, not 2.5).
    run->setSelection(QPointF(1.0, 1.0 + 249 * 0.002 + 0.0001));
    run->updatePreviewData();
    QCOMPARE(run->previewTorque.at(99), 2.0 * (500 + 99 * 2));
    QCOMPARE(run->previewMaster.at(1), 3.0 * 502);
}

void TestRunData::memoryEstimate()
{
    // 46 channels on a board without inputs, 10 s at 500 Hz: 2^13 grid points,
    // trunc(8192 * 8 * 46 * 3 / 2^20) + 200 = 208 MiB; no frames, no edges.
    auto run = std::make_unique<RunData>(QString(), true);
    run->updateRunInfoValue(RunListFields::runLength, 10.0);
    qputenv("ZEMBO_MEMORY_AVAILABLE_MIB", "208");
    QCOMPARE(run->estimateRequiredMemory(), 0);
    QVERIFY(answerer->shown.isEmpty());
    qputenv("ZEMBO_MEMORY_AVAILABLE_MIB", "207");
    QCOMPARE(run->estimateRequiredMemory(), -1);
    QCOMPARE(answerer->shown.size(), 1);
    QVERIFY(answerer->shown.first().text.endsWith(
        QStringLiteral("Required memory: 208 MiB\nAvailable memory: 207 MiB")));
    QVERIFY(answerer->shown.first().text.startsWith(QStringLiteral("Not enough RAM memory to process the run file.")));

    // A length whose grid overflows 32 bits (and one beyond any integer) is
    // refused, not wrapped into a small estimate.
    qputenv("ZEMBO_MEMORY_AVAILABLE_MIB", "1000000");
    for (double length : {4.3e6 * 2, 1e30}) {
        answerer->shown.clear();
        run->updateRunInfoValue(RunListFields::runLength, length);
        QCOMPARE(run->estimateRequiredMemory(), -1);
        QCOMPARE(answerer->shown.size(), 1);
    }
    // Negative or not a number: invalid data, progress still ends at 1.
    for (double length : {-5.0, NaN}) {
        answerer->shown.clear();
        run->updateRunInfoValue(RunListFields::runLength, length);
        QSignalSpy progress(run.get(), &RunData::signal_progress);
        QCOMPARE(run->calculateAll(false), -1);
        QCOMPARE(progress.last().first().toFloat(), 1.0f);
        QCOMPARE(answerer->shown.first().text, QStringLiteral("Invalid run data in file. Details in .zembo/log/"));
    }
    // Memory refused: -2, the one message, progress ends at 1.
    answerer->shown.clear();
    qputenv("ZEMBO_MEMORY_AVAILABLE_MIB", "10");
    run->updateRunInfoValue(RunListFields::runLength, 10.0);
    QSignalSpy progress(run.get(), &RunData::signal_progress);
    QCOMPARE(run->calculateAll(false), -2);
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(progress.last().first().toFloat(), 1.0f);
}

void TestRunData::fieldUpdates()
{
    auto run = gridRun(1.0);
    QSignalSpy changed(run.get(), &RunData::signal_runInfoChanged);
    QCOMPARE(run->updateRunInfoValue(RunListFields::comment, QStringLiteral("x")), 0);
    QCOMPARE(changed.size(), 1);
    run->modificationTimer->stop();
    QCOMPARE(run->updateRunInfoValue(RunListFields::comment, QStringLiteral("x")), 0);
    QCOMPARE(changed.size(), 1);
    QVERIFY(!run->modificationTimer->isActive());
    run->updateRunInfoValue(RunListFields::lastAccessTimestamp, qint64(5));
    QVERIFY(!run->modificationTimer->isActive());

    QCOMPARE(run->getVectorChannel(ChannelId_time, -1), nullptr);
    QCOMPARE(run->getVectorChannel(ChannelId_time, 1), nullptr);
    QCOMPARE(run->getVectorChannel(ChannelId_engineSpeed, 0), nullptr);
    QCOMPARE(run->getSettingValue(DynoSettingId_inertia, 0, 7.5).toDouble(), 7.5);

    // Export base names.
    run->updateRunInfoValue(RunListFields::creationTimestamp, qint64(0));
    QCOMPARE(run->getExportFileString(), QDateTime::fromSecsSinceEpoch(0).toString("yyyy-MM-dd_hh-mm-ss"));
    run->projectInfo[7] = QStringLiteral("KR 4711");
    QCOMPARE(run->getExportFileString(), QStringLiteral("KR 4711"));
    run->projectInfo[8] = QStringLiteral("Focus");
    QCOMPARE(run->getExportFileString(), QStringLiteral("KR 4711 Focus"));
}

void TestRunData::csvRows_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<double>("period");
    QTest::addColumn<QPointF>("selection");
    QTest::addColumn<QList<double>>("markers");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<int>("rows");
    QTest::newRow("all, 599 rows") << 0 << 0.1 << QPointF() << QList<double>() << 0 << 599;
    QTest::newRow("selection, rows 20 to 41") << 1 << 0.1 << QPointF(2.05, 4.01) << QList<double>() << 20 << 22;
    QTest::newRow("markers, row 2500 only") << 2 << 0.1 << QPointF() << QList<double>{0.0, 5.0} << 2500 << 1;
}

void TestRunData::csvRows()
{
    QFETCH(int, samples);
    QFETCH(double, period);
    QFETCH(QPointF, selection);
    QFETCH(QList<double>, markers);
    QFETCH(int, firstRow);
    QFETCH(int, rows);
    auto run = gridRun(60.0);
    run->getVectorChannel(ChannelId_time, 0)->setup->displayName = QStringLiteral("Time");
    VectorChannel* power = addVector(*run, ChannelId_debugChannel, [](int) { return 123456.7; });
    power->setup->quantity = Quantity::None;
    run->setSelection(selection);
    run->markerTimes = markers;
    const QString path = dir.filePath(QStringLiteral("rows.csv"));
    run->exportToCSV(path, period, CsvExportSampleOption(samples),
                     {run->mainTimeChannel->setup->key, power->setup->key}, false, CsvExportPreset_none, false, 5);
    const QList<QByteArray> lines = csvLines(path);
    QCOMPARE(lines.size(), rows + 1);
    QCOMPARE(lines.first(), QByteArray("\"Time [s]\",\"") + power->setup->getNameWithUnit().toUtf8() + "\"\r");
    const double step = samples == 2 ? 0.002 : period;
    for (int r = 0; r < rows; ++r) {
        const QByteArray expected =
            "\"" + QByteArray::number((firstRow + r) * step, 'f', 3) + "\",\"1.2346e+05\"\r";
        QCOMPARE(lines.at(r + 1), expected);
    }
    if (samples == 0)
        QCOMPARE(lines.last(), QByteArray("\"59.800\",\"1.2346e+05\"\r"));
}

void TestRunData::csvPresetAndHeader()
{
    auto run = gridRun(2.0);
    for (ChannelId id : {ChannelId_engineSpeed, ChannelId_engineCorrectedPower, ChannelId_engineCorrectedTorque})
        addVector(*run, id, [](int i) { return 100.0 + i; });
    addVector(*run, ChannelId_rollerSpeed, [](int) { return 1.0; }); // intermediate
    run->updateRunInfoValue(RunListFields::comment, QStringLiteral("say \"hi\""));
    run->updateRunInfoValue(RunListFields::ambientHumidity, 0.4);
    run->updateRunInfoValue(RunListFields::ambientTemperature, 298.15);
    run->updateRunInfoValue(RunListFields::creationTimestamp, qint64(1600000000));
    const QString path = dir.filePath(QStringLiteral("preset.csv"));
    run->exportToCSV(path, 0.5, CsvExportSample_all, {}, true, CsvExportPreset_duvir, true, 5);
    const QList<QByteArray> lines = csvLines(path);
    const char* keys[] = {"duvir_softwareName", "duvir_activeSoftwareVersion", "duvir_hardware",
                          "duvir_ambientTemperature [K]", "duvir_ambientPressure [Pa]", "duvir_ambientHumidity [%]",
                          "duvir_ambientCorrectionFactor [%]", "duvir_ambientCorrectionStandard",
                          "duvir_runSoftwareVersion", "duvir_runTimestamp", "duvir_runComment", "duvir_runName",
                          "duvir_vehicleWeight [kg]", "duvir_vehicleMake", "duvir_vehicleModel",
                          "duvir_vehicleSeries", "duvir_vehicleYear", "duvir_engineDisplacement [L]",
                          "duvir_engineValveCount", "duvir_engineBoostType", "duvir_engineCode",
                          "duvir_customerEmail", "duvir_projectName"};
    QVERIFY(lines.size() > 30);
    for (int i = 0; i < 23; ++i)
        QVERIFY2(lines.at(i).startsWith(QByteArray("\"") + keys[i] + "\",\""), lines.at(i).constData());
    QCOMPARE(lines.at(0), QByteArray("\"duvir_softwareName\",\"KOLVO\"\r"));
    QCOMPARE(lines.at(3), QByteArray("\"duvir_ambientTemperature [K]\",\"298.15\"\r"));
    QCOMPARE(lines.at(5), QByteArray("\"duvir_ambientHumidity [%]\",\"40\"\r"));
    QCOMPARE(lines.at(9), QByteArray("\"duvir_runTimestamp\",\"1600000000\"\r"));
    QCOMPARE(lines.at(10), QByteArray("\"duvir_runComment\",\"say \"hi\"\"\r"));
    QCOMPARE(lines.at(12), QByteArray("\"duvir_vehicleWeight [kg]\",\"0\"\r"));
    QCOMPARE(lines.at(23), QByteArray("\r"));
    QCOMPARE(lines.at(24), QByteArray("Project information\r"));
    const int runHeader = int(lines.indexOf(QByteArray("Run information\r")));
    QVERIFY(runHeader > 25);
    QCOMPARE(lines.at(runHeader - 1), QByteArray("\r"));
    // After the run lines an empty line, then the titles: the four preset
    // columns first; the intermediate roller channel is left out.
    int title = runHeader + 1;
    while (title < lines.size() && lines.at(title) != "\r")
        ++title;
    const QByteArray titles = lines.value(title + 1);
    QVERIFY2(titles.startsWith("\"duvir_time [s]\",\"duvir_engineSpeed [RPM]\",\"duvir_enginePower [kW]\","
                               "\"duvir_engineTorque [Nm]\","),
             titles.constData());
    QVERIFY(!titles.contains("oller"));
    for (const QByteArray& line : lines)
        QVERIFY2(line.endsWith('\r'), line.constData());
    QCOMPARE(lines.size(), title + 2 + 3); // rows at 0, 0.5, 1.0 s
}

void TestRunData::csvCancelAndMissingFile()
{
    auto run = gridRun(1.0);
    addVector(*run, ChannelId_engineSpeed, [](int) { return 1.0; });
    run->exportToCSV(dir.filePath(QStringLiteral("no/such/folder/x.csv")), 0.1, CsvExportSample_all, {}, false,
                     CsvExportPreset_none, false, 5);
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.first().text, QStringLiteral("Can't open file for writing"));
    answerer->shown.clear();
    const QString path = dir.filePath(QStringLiteral("markers.csv"));
    run->exportToCSV(path, 0.1, CsvExportSample_markers, {}, false, CsvExportPreset_none, false, 5);
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.first().text, QStringLiteral("No markers found in current run"));
    QCOMPARE(csvLines(path).size(), 1);
}

void TestRunData::detailsAreEscaped()
{
    auto run = gridRun(1.0);
    run->updateRunInfoValue(RunListFields::comment, QStringLiteral("<b>bold</b> & co"));
    run->settingValues.insert(QStringLiteral("unknown_<key>"), QStringLiteral("<i>"));
    const QString html = run->generateRunDetailsHTML();
    QVERIFY(html.startsWith(QStringLiteral("<h1>Project information</h1><table border=\"1\" cellpadding=\"3\" "
                                           "cellspacing='0'>")));
    QVERIFY(html.contains(QStringLiteral("&lt;b&gt;bold&lt;/b&gt; &amp; co")));
    QVERIFY(!html.contains(QStringLiteral("<b>bold")));
    QVERIFY(html.contains(QStringLiteral("<tr><td>unknown_&lt;key&gt;</td><td>&lt;i&gt;</td></tr>")));
    QVERIFY(html.contains(QStringLiteral("</table><br><h1>Run information</h1>")));
    QVERIFY(html.endsWith(QStringLiteral("</table>")));
}

void TestRunData::recalculationWhileCalculatingIsQueued()
{
    // The box of a failing calculation runs an event loop; a recalculation
    // timer firing there must not start a second, nested calculation.
    auto run = std::make_unique<RunData>(QString(), true);
    run->updateRunInfoValue(RunListFields::runLength, 0.0001);
    qputenv("ZEMBO_MEMORY_AVAILABLE_MIB", "100000");
    int nested = 0;
    int calls = 0;
    answerer->respond = [&](QDialog*) {
        ++calls;
        if (calls == 1)
            nested = run->calculateAll(false) == 0 ? 1 : -1;
        return 0;
    };
    QCOMPARE(run->calculateAll(false), -1);
    answerer->respond = nullptr;
    QCOMPARE(nested, 1);   // queued, reported as nothing to do now
    QCOMPARE(calls, 1);    // no nested box
    QVERIFY(run->recalculationTimer->isActive());
    QTRY_COMPARE(calls, 1);
    QTRY_VERIFY(answerer->shown.size() == 2); // the queued one ran afterwards
}

namespace {

// Five CAN inputs of which two received frames; the second feeds the
// vehicle-parameter engine speed. The samples are the records' data words.
class FiveInputs : public RecordedChannelModel
{
public:
    FiveInputs()
    {
        for (int i = 0; i < 5; ++i) {
            setups[i].key = QStringLiteral("C_input%1").arg(i);
            setups[i].displayName = QStringLiteral("Input %1").arg(i);
            setups[i].quantity = Quantity::RotationalSpeed;
        }
    }
    int channelCount() const override { return 5; }
    QList<RecordedChannelSeries> split(const FrameVectors& frames) const override
    {
        QList<RecordedChannelSeries> series(5);
        const qsizetype n = frames.recordCount(FrameId_can);
        const char* data = frames.records<char>(FrameId_can);
        for (int i = 0; i < 5; ++i) {
            series[i].liveSetup = &setups[i];
            series[i].vectorKey = setups[i].key + QStringLiteral("_w");
            series[i].vehicleParam = i == 3 ? VehicleParamId_engineSpeed : -1;
        }
        for (qsizetype r = 0; r < n; ++r) {
            quint64 word;
            quint32 id;
            quint32 stamp;
            std::memcpy(&word, data + r * 16, 8);
            std::memcpy(&id, data + r * 16 + 8, 4);
            std::memcpy(&stamp, data + r * 16 + 12, 4);
            series[int(id)].times.append(stamp / 1000.0);
            series[int(id)].values.append(double(word));
        }
        return series;
    }
    ChannelSetup setups[5];
};

} // namespace

void TestRunData::perRunInputModels()
{
    auto run = gridRun(2.0);
    char* records = run->frames.resize(FrameId_can, 6);
    const quint32 ids[6] = {1, 3, 1, 3, 1, 3};
    for (int r = 0; r < 6; ++r) {
        const quint64 word = quint64(10 * (r + 1));
        const quint32 stamp = quint32(r * 300);
        std::memcpy(records + r * 16, &word, 8);
        std::memcpy(records + r * 16 + 8, &ids[r], 4);
        std::memcpy(records + r * 16 + 12, &stamp, 4);
    }
    // No model for the family (nothing registered): its XML stays, no group.
    QCOMPARE(run->processCanFrames(), -1);
    QCOMPARE(run->getVectorChannel(ChannelId_canInputs, 0), nullptr);

    run->createVPChannels();
    run->canInputsModel = std::make_unique<FiveInputs>();
    QCOMPARE(run->processCanFrames(), 0);
    VectorChannel* first = run->getVectorChannel(ChannelId_canInputs, 0);
    VectorChannel* second = run->getVectorChannel(ChannelId_canInputs, 1);
    QVERIFY(first && second);
    QCOMPARE(run->getVectorChannel(ChannelId_canInputs, 2), nullptr);
    QCOMPARE(first->setup->key, QStringLiteral("C_input1_w"));
    QCOMPARE(first->setup->runKey, QStringLiteral("C_input1"));
    QCOMPARE(first->setup->flags, quint32(16));
    QCOMPARE(run->canVectorsByKey.value(QStringLiteral("C_input3")), second);
    QCOMPARE(run->getChannelByRunKey(QStringLiteral("C_input3")), second);
    // Interpolated on the grid, NaN after the last sample: 0.45 s lies
    // between 10 at 0 s and 30 at 0.6 s.
    QCOMPARE(first->rawSamples().at(225), 25.0);
    QVERIFY(std::isnan(first->rawSamples().at(999)));
    // The engine-speed vehicle parameter shares the samples of input 3.
    QCOMPARE(run->getVPChannel(VehicleParamId_engineSpeed)->rawSamples().constData(),
             second->rawSamples().constData());
}

QTEST_MAIN(TestRunData)
#include "tst_run_data.moc"
