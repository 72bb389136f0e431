// Not a test: pictures of the PROJECTS tab with a few projects and runs, and
// of the dyno usage profile over those runs, for looking at under Xvfb.
// Usage: projects_screenshot <folder>
#include "DialogAnswerer.h"
#include "MySQLTableView.h"
#include "OpenedRunsManager.h"
#include "ProjectListModel.h"
#include "Projects.h"
#include "ProjectsTestSupport.h"
#include "RunFileTestSupport.h"
#include "RunListModel.h"
#include "SettingsFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDialog>
#include <QMessageBox>
#include <QVBoxLayout>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

namespace {

class GrabbingAnswerer : public DialogAnswerer
{
public:
    explicit GrabbingAnswerer(const QDir& folder) : out(folder) {}
    int answer(QDialog* dialog) override
    {
        if (dialog->windowTitle() == QStringLiteral("Dyno Usage Profile")) {
            dialog->show();
            QTest::qWait(300);
            dialog->grab().save(out.filePath(QStringLiteral("usage-profile.png")));
            dialog->hide();
        }
        return QMessageBox::Yes;
    }
    QDir out;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: projects_screenshot <folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    RunFileTest::prepareProcess();
    SettingsFixture::prepareProcess();
    SettingsFixture settings(3);
    if (!settings.start())
        return 1;
    RunFileTest::Database database(out.filePath(QStringLiteral("projects2.db")));
    GrabbingAnswerer answerer(out);
    DialogAnswerer::install(&answerer);

    ProjectListModel& projects = *database.projects;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const char* names[][3] = {{"WX 1234A", "Golf GTI", "Volkswagen"}, {"KR 55510", "Octavia RS", "Skoda"},
                              {"PO 9Z", "CB500F", "Honda"}};
    for (int i = 0; i < 3; ++i) {
        const int row = projects.action_new();
        projects.setDataRawByRowAndId(row, ProjectListFields::vehicleId, QString::fromLatin1(names[i][0]));
        projects.setDataRawByRowAndId(row, ProjectListFields::projectName, QString::fromLatin1(names[i][1]));
        projects.setDataRawByRowAndId(row, ProjectListFields::brand, QString::fromLatin1(names[i][2]));
        projects.setDataRawByRowAndId(row, ProjectListFields::lastAccessTimestamp, i == 2 ? now - 30 * 3600 : now);
    }
    QWidget window;
    window.resize(1100, 800);
    auto* layout = new QVBoxLayout(&window);
    auto* projectsTab = new Projects(&window);
    layout->addWidget(projectsTab);
    projectsTab->setModels(&projects, database.runs.get());
    database.runs->setProjectId(database.projectId);
    for (int i = 0; i < 3; ++i)
        database.runs->newRunFromFile(ProjectsTest::writeRun(3.0));
    window.show();
    projectsTab->tableView_projects->selectRow(projects.rowFromProjectId(database.projectId));
    QTest::qWait(300);
    window.grab().save(out.filePath(QStringLiteral("projects-runs.png")));
    projectsTab->tableView_projects->tableView->clearSelection();
    projectsTab->tableView_projects->selectRow(projects.rowCount() - 1);
    projectsTab->tabWidget->setCurrentIndex(1);
    QTest::qWait(300);
    window.grab().save(out.filePath(QStringLiteral("projects-locked-form.png")));
    database.runs->slot_calculateUsageProfile();
    theOpenedRunsManager.closeAllRuns();
    DialogAnswerer::install(nullptr);
    return 0;
}
