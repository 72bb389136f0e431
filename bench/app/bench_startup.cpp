// Start-up and run bracket of the program on the simulated dyno.
// 1. The real program, fresh home each time: from process start to the end of
//    the second start-up stage (the MCU confirmed, the dyno settings ready),
//    and from SIGTERM to the process's end.
// 2. The RUN panel's START and STOP in this process, with the run thread's
//    blocking calls, the run file and the runs row: the time of
//    runStartProcedure and of runStopProcedure per run, for many short runs
//    and for a 1-minute and a 10-minute run recording what the simulated
//    controller sends, with the records per second found in each file
//    (ZEMBO_BENCH_SHORT_RUN_SECONDS and ZEMBO_BENCH_LONG_RUN_SECONDS
//    shorten them for a quick look; the defaults are the real lengths; with
//    no ZEMBO_SIM_SCENARIO the vehicle stands, so no wheel-speed records).
// There is no reference implementation to time beside it; the figures are ours.
#include "FrameDescriptor.h"
#include "Hdf5Lock.h"
#include "LogDescriptor.h"
#include "LogWriter.h"
#include "MainTab.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "ProgramFixture.h"
#include "ProjectListModel.h"
#include "RecordingAnswerer.h"
#include "RunWidget.h"
#include "UI.h"

#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTime>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

namespace {

QString logText(const QString& home)
{
    QFile log(home + QStringLiteral("/.zembo/log/") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))
              + QStringLiteral(".txt"));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

// The log's time of the first line holding `text`, in ms since midnight; -1 when none.
qint64 logTime(const QString& text, const QString& marker)
{
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.contains(marker)) {
            const QTime time = QTime::fromString(line.left(12), QStringLiteral("hh:mm:ss.zzz"));
            return time.isValid() ? time.msecsSinceStartOfDay() : -1;
        }
    }
    return -1;
}

// The records a run file holds across its packet tables, read back after the
// run: what the run thread wrote from the controller's frames.
qint64 recordsInFile(const QString& path)
{
    Hdf5Lock lock;
    const hid_t file = H5Fopen(QFile::encodeName(path).constData(), H5F_ACC_RDONLY, H5P_DEFAULT);
    if (file < 0)
        return -1;
    qint64 records = 0;
    for (const FrameDescriptor* descriptor : theLogDescriptor.frameDescriptors) {
        const QByteArray name = QByteArrayLiteral("/frames/") + descriptor->name.toUtf8();
        const hid_t table = H5Dopen2(file, name.constData(), H5P_DEFAULT);
        if (table < 0)
            continue;
        const hid_t space = H5Dget_space(table);
        records += qint64(H5Sget_simple_extent_npoints(space));
        H5Sclose(space);
        H5Dclose(table);
    }
    H5Fclose(file);
    return records;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

int secondsFromEnvironment(const char* name, int standard)
{
    return qEnvironmentVariableIsSet(name) ? std::max(1, qEnvironmentVariableIntValue(name)) : standard;
}

// A run file is named after its start second, and a start within the second
// of the previous run waits for the next free one: that wait is no cost of
// START, so each run starts in a second of its own.
void waitForTheNextSecond()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QThread::msleep(unsigned(1000 - now % 1000 + 20));
}

void benchStartUp(int runs)
{
    std::vector<double> toStage3, logToStage3, shutdown;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir home;
        QProcess zembo;
        QProcessEnvironment env = ProgramFixture::settledBoard(home.path(), QStringLiteral("bench-%1").arg(i));
        env.insert(QStringLiteral("ZEMBO_REMOTE_PORT"), QStringLiteral("0"));
        env.insert(QStringLiteral("ZEMBO_ANSWER_DIALOGS"), QStringLiteral("1"));
        zembo.setProcessEnvironment(env);
        zembo.setProgram(QStringLiteral(ZEMBO_BINARY_PATH));
        const qint64 started = QTime::currentTime().msecsSinceStartOfDay();
        zembo.start();
        QElapsedTimer waited;
        waited.start();
        QString text;
        while (!(text = logText(home.path())).contains(QStringLiteral("Start-up stage 3 done"))
               && waited.elapsed() < 30000)
            QThread::msleep(5);
        const qint64 stage3 = logTime(text, QStringLiteral("Start-up stage 3 done"));
        toStage3.push_back(double(stage3 - started));
        logToStage3.push_back(double(stage3 - logTime(text, QStringLiteral("Debug log start"))));
        QElapsedTimer stop;
        stop.start();
        ::kill(pid_t(zembo.processId()), SIGTERM);
        zembo.waitForFinished(30000);
        shutdown.push_back(double(stop.elapsed()));
    }
    std::printf("start-up, %d starts of the program on the simulated dyno (median / min, ms):\n", runs);
    std::printf("  process start -> second stage done   %7.1f / %7.1f\n", median(toStage3),
                *std::min_element(toStage3.begin(), toStage3.end()));
    std::printf("  first log line -> second stage done  %7.1f / %7.1f\n", median(logToStage3),
                *std::min_element(logToStage3.begin(), logToStage3.end()));
    std::printf("  SIGTERM -> process ended             %7.1f / %7.1f\n", median(shutdown),
                *std::min_element(shutdown.begin(), shutdown.end()));
}

void benchRunBracket(int runs)
{
    RecordingAnswerer answerer;
    MainWindowFixture::prepareProcess();
    MainUI* window = MainWindowFixture::createWindow();
    while (!window->secondStageDone)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QSqlQuery insert(theProjectListModel->database());
    insert.exec(QStringLiteral("insert into projects2 (vehicleId) values ('bench')"));
    theProjectListModel->select();
    theProjectListModel->slot_setCurrentProjectById(insert.lastInsertId().toInt());
    qputenv("HDF5_USE_FILE_LOCKING", "FALSE");
    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    RunWidget* run = theUI->runWidget;

    std::vector<double> start, stop;
    QElapsedTimer clock;
    for (int i = 0; i < runs; ++i) {
        waitForTheNextSecond();
        clock.start();
        run->runStartProcedure();
        start.push_back(double(clock.nsecsElapsed()) / 1000.0);
        QCoreApplication::processEvents();
        clock.start();
        run->runStopProcedure();
        stop.push_back(double(clock.nsecsElapsed()) / 1000.0);
        QCoreApplication::processEvents();
    }
    std::printf("run bracket, %d runs with run file and runs row (median / max, us):\n", runs);
    std::printf("  START (runStartProcedure)            %7.1f / %7.1f\n", median(start),
                *std::max_element(start.begin(), start.end()));
    std::printf("  STOP (runStopProcedure)              %7.1f / %7.1f\n", median(stop),
                *std::max_element(stop.begin(), stop.end()));
    std::fflush(stdout);

    // Long runs: what a long file costs the stop (the last batches, closing,
    // the row). The run thread records the simulated controller's frames
    // itself, so the file's records per second show the rate it kept up with.
    const int shortSeconds = secondsFromEnvironment("ZEMBO_BENCH_SHORT_RUN_SECONDS", 60);
    const int longSeconds = secondsFromEnvironment("ZEMBO_BENCH_LONG_RUN_SECONDS", 600);
    std::printf("long runs recording the simulated controller (ms):\n");
    for (const int seconds : {shortSeconds, longSeconds}) {
        waitForTheNextSecond();
        clock.start();
        const bool started = run->runStartProcedure();
        const double startMs = double(clock.nsecsElapsed()) / 1e6;
        if (!started) {
            std::printf("  the %d s run did not start\n", seconds);
            break;
        }
        QElapsedTimer recording;
        recording.start();
        while (recording.elapsed() < qint64(seconds) * 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        const QString file = run->logWriter->filePath;
        clock.start();
        run->runStopProcedure();
        const double stopMs = double(clock.nsecsElapsed()) / 1e6;
        const double recorded = double(recording.elapsed()) / 1000.0;
        const qint64 records = recordsInFile(file);
        std::printf("  %4d s run (%9lld records, %8.0f records/s, %6.1f MB): START %8.1f   STOP %8.1f\n", seconds,
                    static_cast<long long>(records), double(records) / recorded,
                    double(QFileInfo(file).size()) / 1e6, startMs, stopMs);
        std::fflush(stdout);
        QCoreApplication::processEvents();
    }
    MainWindowFixture::destroyWindow(window);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int starts = qEnvironmentVariableIsSet("ZEMBO_BENCH_STARTS") ? qEnvironmentVariableIntValue("ZEMBO_BENCH_STARTS")
                                                                       : 5;
    benchStartUp(std::max(1, starts));
    benchRunBracket(20);
    std::printf("reference: none (no other implementation of the program to time beside it)\n");
    std::fflush(stdout);
    return 0;
}
