// Run-file maintenance at scale. First: the clean-up queries (one prepared
// statement per file of the runs folder) over 2,000 files and records, beside
// the sqlite3 command line answering the same selection in one statement; the
// lists must be equal. Second: recalculating 20 one-minute runs, with the time
// and the resident memory after each run (one run in memory at a time: flat).
#include "LogWriter.h"
#include "MySettings.h"
#include "OpenedRunsManager.h"
#include "RunDataHooks.h"
#include "RunFileTestSupport.h"
#include "RunListModel.h"
#include "RunStopInputs.h"
#include "SettingsFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

QString oneMinuteRun()
{
    LogWriter writer;
    writer.init();
    const double clock = 32000000.0;
    double t = 0.0;
    while (t < 60.0) {
        const double omega = 40.0 + 3.0 * t;
        const uint32_t period = uint32_t(std::lround(clock / (omega * 36.0 / (2.0 * M_PI))));
        writer.newFreqFrame(FreqFrame{period}, 0);
        t += period / clock;
    }
    for (int i = 0; i < 60 * 500; ++i) {
        loadCellFrameV2_t frame{};
        frame.data[0] = float(800.0 + 100.0 * std::sin(i / 500.0));
        writer.newLoadCellFrameV2(frame);
    }
    for (int i = 0; i <= 60; ++i) {
        ambientFrame_t frame{};
        frame.pressure = 101325.0;
        frame.temperature = 25.0;
        frame.humidity = 40.0;
        frame.timestamp = uint32_t(i * 1000);
        writer.slot_newAmbientFrame(frame);
    }
    writer.setStopInputs(RunStopInputs::collect());
    QList<double> markers;
    writer.runStopProcedure(markers);
    return writer.filePath;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RunFileTest::prepareProcess();
    SettingsFixture::prepareProcess();
    SettingsFixture settings(3);
    if (!settings.start()) {
        std::fprintf(stderr, "the board's settings did not get ready\n");
        return 1;
    }
    QTemporaryDir dir;
    RunFileTest::Database database(dir.filePath(QStringLiteral("bench.db")));
    RunListModel& runs = *database.runs;

    // First: the clean-up queries.
    QSqlDatabase db = runs.database();
    db.transaction();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("insert into runs2 (projectId, filename, runLength) values (1, ?, ?)"));
    for (int i = 0; i < 2000; ++i) {
        const QString name = QStringLiteral("run-%1.h5").arg(i, 4, 10, QLatin1Char('0'));
        QFile(theSettings.runsDir.filePath(name)).open(QIODevice::WriteOnly);
        // Every fourth record in the board's path form, every tenth file without record.
        if (i % 10 == 9)
            continue;
        insert.addBindValue(i % 4 == 0 ? QStringLiteral("/home/pi/.zembo/runs/") + name : theSettings.runsDir.filePath(name));
        insert.addBindValue(double(i % 120));
        insert.exec();
    }
    db.commit();
    QElapsedTimer timer;
    timer.start();
    const QStringList ours = runs.cleanup_lengthMin(60.0);
    const double oursSeconds = timer.nsecsElapsed() * 1e-9;
    timer.restart();
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), database.path});
    sqlite.write(QStringLiteral("SELECT substr(filename, length(rtrim(filename, replace(filename, '/', ''))) + 1) "
                                "FROM runs2 WHERE runLength < 60 ORDER BY 1;\n")
                     .toUtf8());
    sqlite.closeWriteChannel();
    sqlite.waitForFinished(-1);
    const double sqliteSeconds = timer.nsecsElapsed() * 1e-9;
    const QStringList theirs = QString::fromUtf8(sqlite.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    std::printf("cleanup_lengthMin over 2000 files: %.4f s, sqlite3 one statement (with its start): %.4f s, ratio %.2f, "
                "lists %s (%lld names)\n",
                oursSeconds, sqliteSeconds, oursSeconds / sqliteSeconds, ours == theirs ? "equal" : "DIFFER",
                static_cast<long long>(ours.size()));
    timer.restart();
    const QStringList orphans = runs.cleanup_notInDatabase();
    std::printf("cleanup_notInDatabase over 2000 files: %.4f s (%lld names)\n", timer.nsecsElapsed() * 1e-9,
                static_cast<long long>(orphans.size()));
    QSqlQuery(db).exec(QStringLiteral("DELETE FROM runs2"));
    QDir runsDir = theSettings.runsDir;
    for (const QString& name : runsDir.entryList({QStringLiteral("run-*.h5")}))
        runsDir.remove(name);

    // Second: recalculating the runs.
    runs.setProjectId(database.projectId);
    for (int i = 0; i < 20; ++i)
        runs.newRunFromFile(oneMinuteRun());
    theOpenedRunsManager.closeAllRuns();
    timer.restart();
    qint64 last = 0;
    int done = 0;
    RunDataHooks::instance().taskProgress = [&](float fraction) {
        if (fraction <= 0.0f || done >= 20)
            return;
        ++done;
        const qint64 now = timer.elapsed();
        std::printf("run %2d recalculated in %.3f s, resident %ld KiB\n", done, (now - last) * 1e-3, residentKiB());
        last = now;
    };
    runs.recalculateAllRuns(nullptr);
    RunDataHooks::instance().taskProgress = nullptr;
    std::printf("20 one-minute runs: %.2f s\n", timer.elapsed() * 1e-3);
    return 0;
}
