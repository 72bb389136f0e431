// Loaded-run list benchmark: the 600 s full-rate run of the recalculation
// benchmark (made by it once under the build folder) copied ten times and
// loaded into the list one after the other, each load split into opening,
// reading and recalculation; the peak memory per loaded run; and a sort that
// reloads all ten. compare.py times h5py reading the same tables into numpy in
// the same run and prints the ratio. Figures only; nothing passes or fails.
// Usage: bench_loaded_runs <run file>
#include "LoadedRunListModel.h"
#include "OpenedRunsManager.h"
#include "RunData.h"
#include "RunDataHooks.h"
#include "RunDataTestSupport.h"
#include "RunFileTestSupport.h"
#include "SettingsFixture.h"
#include "lib/AllocatorTuning.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int copies = 10;

long statusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    AllocatorTuning::restartTunedIfNeeded(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2 || !QFile::exists(QString::fromLocal8Bit(argv[1]))) {
        std::printf("usage: bench_loaded_runs <run file>\n");
        return 1;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    RunFileTest::prepareProcess();
    SettingsFixture settings(3);
    if (!settings.start()) {
        std::printf("the board's settings did not get ready\n");
        return 1;
    }
    QTemporaryDir dir;
    RunFileTest::Database database(dir.filePath(QStringLiteral("projects2.db")));
    RunDataTest::Options options;
    RunAnalysisOptions::install(&options);
    qputenv("ZEMBO_MEMORY_AVAILABLE_MIB", "1000000");

    QStringList files;
    for (int i = 0; i < copies; ++i) {
        files.append(dir.filePath(QStringLiteral("run%1.h5").arg(i)));
        if (!QFile::copy(source, files.last()))
            return 1;
    }

    // The list reports its steps through the progress hook: 0 before opening,
    // 0.3 before reading, 0.6 before the recalculation.
    QElapsedTimer clock;
    qint64 at[2] = {};
    RunDataHooks::instance().taskProgress = [&](float f) {
        if (f == 0.3f)
            at[0] = clock.nsecsElapsed();
        else if (f == 0.6f)
            at[1] = clock.nsecsElapsed();
    };

    QWidget parent;
    LoadedRunListModel model(&parent);
    const long baseKiB = statusKiB("VmRSS:");
    double readSum = 0.0;
    double calculateSum = 0.0;
    for (int i = 0; i < copies; ++i) {
        at[0] = at[1] = 0;
        clock.start();
        if (!model.newRunFromFile(files.at(i), true)) {
            std::printf("run %d did not load\n", i);
            return 1;
        }
        const qint64 end = clock.nsecsElapsed();
        const double openMs = at[0] / 1e6;
        const double readMs = (at[1] - at[0]) / 1e6;
        const double calculateMs = (end - at[1]) / 1e6;
        readSum += readMs;
        calculateSum += calculateMs;
        std::printf("run %d: open %.1f ms, reading %.1f ms, recalculation %.1f ms; resident %.0f MiB, peak %.0f MiB\n",
                    i + 1, openMs, readMs, calculateMs, statusKiB("VmRSS:") / 1024.0, statusKiB("VmHWM:") / 1024.0);
        std::fflush(stdout);
    }
    const long loadedKiB = statusKiB("VmRSS:");
    std::printf("mean per run: reading %.1f ms, recalculation %.1f ms; resident per loaded run %.0f MiB, peak %.0f MiB\n",
                readSum / copies, calculateSum / copies, (loadedKiB - baseKiB) / 1024.0 / copies,
                statusKiB("VmHWM:") / 1024.0);
    std::printf("ours read %.6f\n", readSum / copies / 1000.0);

    clock.start();
    model.sort(LoadedRunListField::Name, Qt::DescendingOrder);
    const double sortS = clock.nsecsElapsed() / 1e9;
    std::printf("sort reloading all %d runs: %.2f s (%.2f s per run), %d rows after it; peak %.0f MiB\n", copies,
                sortS, sortS / copies, model.rowCount(), statusKiB("VmHWM:") / 1024.0);
    std::fflush(stdout);

    model.removeAllRuns();
    theOpenedRunsManager.closeAllRuns();
    RunDataHooks::instance().taskProgress = nullptr;
    RunAnalysisOptions::install(nullptr);
    return 0;
}
