// Writes a run file through the real writer with synthetic records (a shaft
// speed input with plain, packed and empty words, load cells, ambient), with
// the dyno settings of a simulated board, then loads and recalculates it and
// dumps the raw samples of the pipeline's vectors for check_recalculation.py.
// Usage: rundata_tool <folder>
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "LogWriter.h"
#include "ProjectListModel.h"
#include "RunData.h"
#include "RunDataTestSupport.h"
#include "RunFileTestSupport.h"
#include "RunStopInputs.h"
#include "SettingsFixture.h"
#include "VectorChannel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cmath>
#include <cstdio>

namespace {

void set(DynoSettingId id, int channel, const QVariant& value)
{
    if (DynoSetting* setting = theDynoSettings->getSetting(id, channel))
        setting->setValue(value);
}

bool dump(const QString& path, const QList<double>& values)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(reinterpret_cast<const char*>(values.constData()), qint64(values.size() * sizeof(double)));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: rundata_tool <folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    RunFileTest::prepareProcess();
    SettingsFixture settings(3);
    if (!settings.start()) {
        std::fprintf(stderr, "the board's settings did not get ready\n");
        return 1;
    }
    RunFileTest::Database database(out.filePath(QStringLiteral("projects2.db")));
    RunDataTest::Options options;
    options.standard = 1;
    RunAnalysisOptions::install(&options);

    const int perRotation = 360;
    for (int input = 0; input < 6; ++input) {
        set(DynoSettingId_freqInputMode, input, 0);
        set(DynoSettingId_freqInputSignalsPerRotation, input, perRotation);
        set(DynoSettingId_freqInputMultiplier, input, 1.0);
        set(DynoSettingId_freqInputFilter, input, 20.0);
        set(DynoSettingId_freqInputDiffFilter, input, 5.0);
    }
    set(DynoSettingId_rollerDiameter, 0, 0.5);
    set(DynoSettingId_inertia, 0, 12.5);
    set(DynoSettingId_loadCellA, 0, 0.05);
    set(DynoSettingId_loadCellB, 0, -10.0);
    set(DynoSettingId_loadCellFilter, 0, 10.0);
    set(DynoSettingId_loadCellRoller, 0, 1);
    set(DynoSettingId_loadCellDirection, 0, 0);

    LogWriter writer;
    writer.init();
    if (!writer.initialized) {
        std::fprintf(stderr, "no run file\n");
        return 1;
    }
    const double seconds = 10.0;
    const double clock = 32000000.0;
    // Shaft speed 50 + 10 t + 3 sin(2 t) rad/s on input 0.
    auto omega = [](double t) { return 50.0 + 10.0 * t + 3.0 * std::sin(2.0 * t); };
    writer.newFreqFrame(FreqFrame{12345}, 0);
    double t = 0.0;
    int word = 0;
    while (t < seconds) {
        const double f = omega(t) * perRotation / (2.0 * M_PI);
        const uint32_t period = uint32_t(std::lround(clock / f));
        if (word % 7 == 3) {
            const uint32_t n = 4;
            writer.newFreqFrame(FreqFrame{0x80000000u | (n << 16) | (period * n)}, 0);
            t += period * n / clock;
        } else {
            writer.newFreqFrame(FreqFrame{period}, 0);
            t += period / clock;
        }
        if (word == 5000)
            writer.newFreqFrame(FreqFrame{0x80000000u | 1000u}, 0); // no pulses: nothing
        if (word == 6000)
            writer.newFreqFrame(FreqFrame{0x80000000u | (3u << 16)}, 0); // no ticks: nothing
        ++word;
    }
    const int loadCellRecords = int(seconds * 500);
    for (int i = 0; i < loadCellRecords; ++i) {
        const double s = i / 500.0;
        loadCellFrameV2_t frame{};
        frame.data[0] = float(1000.0 + 200.0 * std::sin(1.5 * s) + 30.0 * std::sin(40.0 * s));
        frame.data[1] = float(-400.0 + 10.0 * s);
        writer.newLoadCellFrameV2(frame);
    }
    for (int i = 0; i <= int(seconds); ++i) {
        ambientFrame_t frame{};
        frame.pressure = 101325.0 - 50.0 * i;
        frame.temperature = 25.0 + 0.3 * i;
        frame.humidity = 40.0 + i;
        frame.timestamp = uint32_t(i * 1000);
        writer.slot_newAmbientFrame(frame);
    }
    writer.setStopInputs(RunStopInputs::collect());
    QList<double> markers;
    writer.runStopProcedure(markers);
    const QString file = writer.filePath;

    RunData run(file, false);
    if (run.openFile() != 0 || run.loadRunInfo() != 0) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(file));
        return 1;
    }
    // The writer timed the run by the wall clock; the records span `seconds`.
    run.updateRunInfoValue(RunListFields::runLength, seconds);
    // A project whose engine is corrected in full, with an efficiency.
    run.updateProjectInfoValue(ProjectListFieldId(49), 0.85, false);
    run.updateProjectInfoValue(ProjectListFieldId(50), 1.0, false);
    if (run.loadAll() != 0 || run.calculateAll(false) != 0) {
        std::fprintf(stderr, "calculation failed\n");
        return 1;
    }
    const struct {
        ChannelId id;
        const char* name;
    } vectors[] = {{ChannelId_time, "time"},
                   {ChannelId_freqInputFrequency, "frequency"},
                   {ChannelId_freqInputRotationalSpeed, "omega"},
                   {ChannelId_freqInputRotationalAcceleration, "alpha"},
                   {ChannelId_loadCellValue, "loadcell"},
                   {ChannelId_rollerBrakesTorque, "brakes"},
                   {ChannelId_rollerSpeed, "rollerspeed"},
                   {ChannelId_rollerPower, "rollerpower"},
                   {ChannelId_ambientTemperature, "temperature"},
                   {ChannelId_ambientCorrectionFactor, "correction"}};
    for (const auto& v : vectors) {
        const VectorChannel* vector = run.getVectorChannel(v.id, 0);
        if (!vector || !dump(out.filePath(QLatin1String(v.name) + QStringLiteral(".f64")), vector->rawSamples())) {
            std::fprintf(stderr, "no vector %s\n", v.name);
            return 1;
        }
    }
    dump(out.filePath(QStringLiteral("rawtimes.f64")), run.rawFrequencySamples.value(0).first);
    dump(out.filePath(QStringLiteral("rawfreqs.f64")), run.rawFrequencySamples.value(0).second);
    QFile info(out.filePath(QStringLiteral("run.txt")));
    info.open(QIODevice::WriteOnly | QIODevice::Text);
    QTextStream text(&info);
    text << "file " << file << "\n";
    text << "rate " << RunData::analysisSamplingFrequency() << "\n";
    text << "standard " << options.standard << "\n";
    text << "loadcells " << run.hwInfo.loadCells << "\n";
    text << "rollers " << run.hwInfo.rollers << "\n";
    text << "enginetype "
         << int(ProjectListModel::engineTypeFromFuelTypeAndBoostType(
                static_cast<FuelType>(run.getProjectInfoValue(22, 0).toInt()),
                static_cast<EngineBoostType>(run.getProjectInfoValue(23, 0).toInt())))
         << "\n";
    text << "efficiency " << run.getProjectInfoValue(49, 1.0).toDouble() << "\n";
    text << "exponent " << run.getProjectInfoValue(50, 1.0).toDouble() << "\n";
    return 0;
}
