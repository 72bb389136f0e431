// The updater's download of a large program file (ZEMBO_BENCH_MB, default
// 100 MB) from Python's http.server on loopback, beside Python's urllib
// fetching the same file from the same server in the same run. Prints both
// times, their ratio (ours / urllib) and the peak memory each added while
// downloading: the updater streams to the file, so its peak must not grow
// with the file.
#include "RecordingAnswerer.h"
#include "SoftwareUpdater.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

// Resident and peak resident memory of this process in KiB.
qint64 statusKiB(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const qint64 megabytes = qEnvironmentVariableIsSet("ZEMBO_BENCH_MB") ? qEnvironmentVariableIntValue("ZEMBO_BENCH_MB") : 100;
    QTemporaryDir folder;
    QDir().mkpath(folder.filePath(QStringLiteral("stable6")));
    {
        QFile version(folder.filePath(QStringLiteral("version-stable6.txt")));
        QFile changelog(folder.filePath(QStringLiteral("changelog.txt")));
        QFile program(folder.filePath(QStringLiteral("stable6/Zembo_D12_6.28.10")));
        if (!version.open(QIODevice::WriteOnly) || !changelog.open(QIODevice::WriteOnly)
            || !program.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write the served files\n");
            return 1;
        }
        version.write("6.28.10");
        changelog.write("Benchmark build\n");
        QByteArray block(1 << 20, '\0');
        for (int i = 0; i < block.size(); ++i)
            block[i] = char((i * 7919) >> 3);
        for (qint64 i = 0; i < megabytes; ++i)
            program.write(block);
    }

    QProcess server;
    server.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(ZEMBO_UPDATE_SERVER_SCRIPT), folder.path()});
    if (!server.waitForStarted() || !server.waitForReadyRead(10000)) {
        std::fprintf(stderr, "the update server did not start\n");
        return 1;
    }
    const QByteArray port = server.readLine().trimmed().mid(5);
    const QByteArray base = "http://127.0.0.1:" + port + "/";
    qputenv("ZEMBO_UPDATE_BASE_URL", base);
    QDir().mkpath(QDir::homePath() + QStringLiteral("/Desktop"));

    RecordingAnswerer answerer;
    SoftwareUpdater updater;
    updater.runningVersion = AppVersion("6.28.3");
    double oursSeconds = -1;
    qint64 oursPeakKiB = -1;
    answerer.respond = [&](QDialog* dialog) {
        if (dialog != &updater)
            return int(QDialog::Accepted);
        const qint64 before = statusKiB("VmRSS:");
        resetPeak();
        QElapsedTimer clock;
        clock.start();
        updater.downloadButton->click();
        (void)QTest::qWaitFor([&] { return !updater.downloadReply; }, 600000);
        oursSeconds = clock.nsecsElapsed() / 1e9;
        oursPeakKiB = statusKiB("VmHWM:") - before;
        return updater.result();
    };
    updater.check(false);
    (void)QTest::qWaitFor([&] { return oursSeconds >= 0 || (!updater.checkInProgress && answerer.shown.isEmpty()); },
                          600000);
    const QString downloaded = QDir::homePath() + QStringLiteral("/Desktop/Zembo_D12_6.28.10");
    if (oursSeconds < 0 || QFileInfo(downloaded).size() != megabytes * (1 << 20)) {
        std::fprintf(stderr, "the updater did not download the file\n");
        return 1;
    }

    // urllib the way a script would fetch a file: urlretrieve to disk.
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import resource, sys, time, urllib.request\n"
                                 "before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss\n"
                                 "t = time.perf_counter()\n"
                                 "urllib.request.urlretrieve(sys.argv[1], sys.argv[2])\n"
                                 "t = time.perf_counter() - t\n"
                                 "print(t, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before)\n"),
                  QString::fromUtf8(base) + QStringLiteral("zembo/updates/stable6/Zembo_D12_6.28.10"),
                  folder.filePath(QStringLiteral("urllib.bin"))});
    python.waitForFinished(600000);
    const QList<QByteArray> reply = python.readAllStandardOutput().trimmed().split(' ');
    server.kill();
    server.waitForFinished();
    if (python.exitCode() != 0 || reply.size() != 2) {
        std::fprintf(stderr, "urllib failed: %s\n", python.readAllStandardError().constData());
        return 1;
    }
    const double pySeconds = reply[0].toDouble();
    const qint64 pyPeakKiB = reply[1].toLongLong();
    std::printf("update download of %lld MiB from loopback\n", megabytes);
    std::printf("  updater: %.3f s, peak memory added %.1f MiB\n", oursSeconds, oursPeakKiB / 1024.0);
    std::printf("  urllib : %.3f s, peak memory added %.1f MiB\n", pySeconds, pyPeakKiB / 1024.0);
    std::printf("  time ratio (updater / urllib): %.2f\n", oursSeconds / pySeconds);
    return 0;
}
