// Recorded-run benchmark: a 600 s run at the controller's full rate (32,000
// records/s, about 19 M records, made once through the real writer and kept
// under the build folder), then opening, loadAll and calculateAll at 500 and
// 1000 Hz, with the peak memory beside the program's own estimate. compare.py
// runs this program and times the same reading and filtering with h5py,
// numpy and scipy beside it. Figures only; nothing passes or fails.
// Usage: bench_recalculation [--file-only]
#include "DynoSetting.h"
#include "lib/AllocatorTuning.h"
#include "DynoSettings.h"
#include "LogWriter.h"
#include "MySettings.h"
#include "RunData.h"
#include "RunDataTestSupport.h"
#include "RunFile.h"
#include "RunFileTestSupport.h"
#include "RunStopInputs.h"
#include "SettingsFixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdio>

namespace {

constexpr int seconds = 600;

void set(DynoSettingId id, int channel, const QVariant& value)
{
    if (DynoSetting* setting = theDynoSettings->getSetting(id, channel))
        setting->setValue(value);
}

long peakRssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// One second of the full rate: 32,000 records across the tables.
void writeSecond(LogWriter& writer, int second, double& tick0, double& tick2)
{
    const double clock = 32000000.0;
    // Roller shaft (input 0), 22,800 words/s; engine (input 2), 6,000 words/s.
    for (int i = 0; i < 22800; ++i) {
        const double t = second + i / 22800.0;
        const double f = 22800.0 * (1.0 + 0.05 * std::sin(0.01 * t));
        const uint32_t period = uint32_t(std::lround(clock / f));
        writer.newFreqFrame(FreqFrame{period}, 0);
        tick0 += period;
    }
    for (int i = 0; i < 6000; ++i) {
        const uint32_t period = uint32_t(std::lround(clock / 6000.0));
        writer.newFreqFrame(FreqFrame{period}, 2);
        tick2 += period;
    }
    for (int i = 0; i < 500; ++i) {
        const double t = second + i / 500.0;
        loadCellFrameV2_t cells{};
        for (int c = 0; c < 4; ++c)
            cells.data[c] = float(1000.0 + 100.0 * std::sin(t + c));
        writer.newLoadCellFrameV2(cells);
        ainFrame_t ain{};
        for (int c = 0; c < 6; ++c)
            ain.data[c] = uint16_t(2500 + c);
        writer.newAinFrame(ain, 0);
        writer.newAinFrame(ain, 1);
        pidDetailsFrameV2_t pid{};
        pid.e = float(std::sin(t));
        writer.newPidDetailsFrame(pid);
    }
    for (int i = 0; i < 200; ++i) {
        speedControllerOutFrame_t out{};
        writer.newAccControllerOutFrame(out);
        writer.newSpeedControllerOutFrame(out);
        writer.newTorqueControllerOutFrame(torqueControllerOutFrame_t{});
        writer.newAINControllerOutFrame(ainControllerOutFrame_t{});
    }
    for (int i = 0; i < 100; ++i) {
        writer.newAccControllerSPFrame(speedControllerSPFrame_t{});
        writer.newSpeedControllerSPFrame(speedControllerSPFrame_t{});
        writer.newTorqueControllerSPFrame(torqueControllerSPFrame_t{});
        writer.newAINControllerSPFrame(ainControllerSPFrame_t{});
    }
    for (int i = 0; i < 10; ++i)
        writer.newTcFrame(hpAinFrame_t{});
    ambientFrame_t ambient{};
    ambient.pressure = 101325.0;
    ambient.temperature = 20.0;
    ambient.humidity = 50.0;
    ambient.timestamp = uint32_t(second * 1000);
    writer.slot_newAmbientFrame(ambient);
    writer.slot_writeBatches();
}

} // namespace

int main(int argc, char** argv)
{
    // The program's own allocator set-up, so the figures are the program's.
    AllocatorTuning::restartTunedIfNeeded(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool fileOnly = argc > 1 && QByteArray(argv[1]) == "--file-only";
    RunFileTest::prepareProcess();
    SettingsFixture settings(3);
    if (!settings.start()) {
        std::printf("the board's settings did not get ready\n");
        return 1;
    }
    const QString buildDir = qEnvironmentVariable("ZEMBO_BUILD_DIR", QDir::currentPath());
    QDir cache(buildDir + QStringLiteral("/bench-cache"));
    cache.mkpath(QStringLiteral("."));
    RunFileTest::Database database(cache.filePath(QStringLiteral("bench-projects2.db")));
    for (int input = 0; input < 6; ++input) {
        set(DynoSettingId_freqInputMode, input, 0);
        set(DynoSettingId_freqInputSignalsPerRotation, input, 60);
    }
    set(DynoSettingId_rollerDiameter, 0, 0.5);
    set(DynoSettingId_inertia, 0, 10.0);
    set(DynoSettingId_loadCellA, 0, 0.05);

    const QString file = cache.filePath(QStringLiteral("run-600s.h5"));
    if (!QFileInfo::exists(file)) {
        std::printf("making %s (once)\n", qPrintable(file));
        std::fflush(stdout);
        LogWriter writer;
        writer.init();
        if (!writer.initialized)
            return 1;
        double tick0 = 0;
        double tick2 = 0;
        for (int second = 0; second < seconds; ++second)
            writeSecond(writer, second, tick0, tick2);
        writer.setStopInputs(RunStopInputs::collect());
        QList<double> markers;
        writer.runStopProcedure(markers);
        RunData fix(writer.filePath, false);
        fix.openFile();
        fix.loadRunInfo();
        fix.updateRunInfoValue(RunListFields::runLength, double(seconds));
        fix.flushFile();
        fix.runFile->closeFile();
        QFile::rename(writer.filePath, file);
    }
    std::printf("file %s\n", qPrintable(file));
    if (fileOnly)
        return 0;

    RunDataTest::Options options;
    RunAnalysisOptions::install(&options);
    qputenv("ZEMBO_MEMORY_AVAILABLE_MIB", "1000000");
    for (int rate : {500, 1000}) {
        options.rate = rate;
        QElapsedTimer clock;
        clock.start();
        RunData run(file, true);
        if (run.openFile() != 0)
            return 1;
        const double openMs = clock.nsecsElapsed() / 1e6;
        clock.restart();
        if (run.loadAll() != 0)
            return 1;
        const double loadMs = clock.nsecsElapsed() / 1e6;
        clock.restart();
        const int result = run.calculateAll(false);
        const double calculateMs = clock.nsecsElapsed() / 1e6;
        qint64 records = 0;
        for (int id = 0; id < FrameIdCount; ++id)
            records += run.frames.recordCount(static_cast<FrameId>(id));
        std::printf("rate %d Hz: %lld records, open %.1f ms, loadAll %.1f ms, calculateAll %.1f ms (result %d), "
                    "load + recalculation %.3f s; peak memory %.0f MiB, estimate %llu MiB\n",
                    rate, static_cast<long long>(records), openMs, loadMs, calculateMs, result,
                    (loadMs + calculateMs) / 1000.0, peakRssKiB() / 1024.0,
                    static_cast<unsigned long long>(run.requiredMemoryMiB()));
        std::printf("ours %d %.6f\n", rate, (loadMs + calculateMs) / 1000.0);
        std::fflush(stdout);
    }
    RunAnalysisOptions::install(nullptr);
    return 0;
}
