// Records the analysis fixture runs: the whole program in this process on the
// simulated dyno (scenario from ZEMBO_SIM_SCENARIO), START, a number of seconds
// of recording through the real run thread and log writer, STOP, and the run
// file copied to OUT_DIR/PREFIX-N.h5. Files already there are kept, so the runs
// are made once per build folder and shared by every test that reads them.
// Usage: record_fixture_runs OUT_DIR PREFIX COUNT SECONDS
#include "MainTab.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "OpenedRunsManager.h"
#include "ProjectListModel.h"
#include "RecordingAnswerer.h"
#include "RunThread.h"
#include "RunWidget.h"
#include "UI.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

namespace {

bool waitFor(const std::function<bool()>& condition, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(20);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: record_fixture_runs OUT_DIR PREFIX COUNT SECONDS\n");
        return 2;
    }
    const QString outDir = args.at(1);
    const QString prefix = args.at(2);
    const int count = args.at(3).toInt();
    const int seconds = args.at(4).toInt();
    QStringList targets;
    for (int i = 1; i <= count; ++i)
        targets << QDir(outDir).filePath(QStringLiteral("%1-%2.h5").arg(prefix).arg(i));
    bool missing = false;
    for (const QString& t : targets)
        missing = missing || !QFile::exists(t);
    if (!missing) {
        std::printf("fixture runs %s already recorded\n", qPrintable(prefix));
        return 0;
    }
    QDir().mkpath(outDir);

    RecordingAnswerer answerer;
    MainWindowFixture::prepareProcess();
    MainUI* window = MainWindowFixture::createWindow();
    if (!waitFor([window] { return window->secondStageDone; }, 60000)) {
        std::fprintf(stderr, "the program did not finish its start-up\n");
        return 1;
    }
    RunWidget* run = theUI->runWidget;
    // Runs belong to a project: the fixtures carry this one's vehicle and
    // customer fields.
    QSqlQuery insert(theProjectListModel->database());
    if (!insert.exec(QStringLiteral("insert into projects2 (vehicleId, projectName, mass) "
                                    "values ('KR 4711', 'Focus ST', 1300)"))) {
        std::fprintf(stderr, "cannot create the project\n");
        return 1;
    }
    theProjectListModel->select();
    theProjectListModel->slot_setActiveProjectByRow(
        theProjectListModel->rowFromProjectId(insert.lastInsertId().toInt()));
    run->checkBox_run_saveToDatabase->setChecked(false);
    run->checkBox_run_enableAutoAnalyzeLastRun->setChecked(false);
    theUI->tabWidget_main->setCurrentIndex(MainTab_run);

    int rc = 0;
    for (const QString& target : targets) {
        run->pushButton_run_startStop->click();
        if (!waitFor([run] { return run->runThread->runActive.load(); }, 10000)) {
            std::fprintf(stderr, "the run did not start\n");
            for (const RecordingAnswerer::Shown& shown : answerer.shown)
                std::fprintf(stderr, "box: %s %s\n", qPrintable(shown.title), qPrintable(shown.text));
            rc = 1;
            break;
        }
        QTest::qWait(seconds * 1000);
        run->pushButton_run_startStop->click();
        if (!waitFor([run] { return !run->running; }, 10000)) {
            std::fprintf(stderr, "the run did not stop\n");
            rc = 1;
            break;
        }
        const QString file = run->runThread->lastRunFilePath();
        QFile::remove(target);
        // Written to a temporary name first: a half-copied file must never
        // pass for a recorded run.
        const QString partial = target + QStringLiteral(".part");
        QFile::remove(partial);
        if (file.isEmpty() || !QFile::copy(file, partial) || !QFile::rename(partial, target)) {
            std::fprintf(stderr, "cannot copy %s to %s\n", qPrintable(file), qPrintable(target));
            rc = 1;
            break;
        }
        std::printf("recorded %s\n", qPrintable(target));
        // Run files are named by the second they start in.
        QTest::qWait(1100);
    }
    theOpenedRunsManager.closeAllRuns();
    MainWindowFixture::destroyWindow(window);
    return rc;
}
