// Start-up and run bracket of the program on the simulated dyno.
// 1. The real program, fresh home each time: from process start to the end of
//    the second start-up stage (the MCU confirmed, the dyno settings ready),
//    and from SIGTERM to the process's end.
// 2. The RUN panel's START and STOP in this process, with the run thread's
//    blocking calls, the run file and the runs row: the time of
//    runStartProcedure and of runStopProcedure per run.
// There is no reference implementation to time beside it; the figures are ours.
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
#include <QElapsedTimer>
#include <QFile>
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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
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
    MainWindowFixture::destroyWindow(window);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int starts = qEnvironmentVariableIsSet("ZEMBO_BENCH_STARTS") ? qEnvironmentVariableIntValue("ZEMBO_BENCH_STARTS")
                                                                       : 5;
    benchStartUp(std::max(1, starts));
    benchRunBracket(200);
    std::printf("reference: none (no other implementation of the program to time beside it)\n");
    std::fflush(stdout);
    return 0;
}
