#include "Projects.h"

#include "MySQLTableView.h"
#include "MyTableViewSearchHeader.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "ProjectListModel.h"
#include "RunListModel.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

Projects::Projects(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    splitter_projects = new QSplitter(Qt::Vertical, this);
    splitter_projects->setObjectName(QStringLiteral("splitter_projects"));
    splitter_projects->setOpaqueResize(false);
    splitter_projects->setChildrenCollapsible(false);
    layout->addWidget(splitter_projects);

    tableView_projects = new MySQLTableView(splitter_projects);
    tableView_projects->setObjectName(QStringLiteral("tableView_projects"));
    tabWidget = new QTabWidget(splitter_projects);
    myTableView_runs = new MySQLTableView(tabWidget);
    myTableView_runs->setObjectName(QStringLiteral("myTableView_runs"));
    tabWidget->addTab(myTableView_runs, tr("RUNS"));
    auto* dataPage = new QWidget(tabWidget);
    auto* dataLayout = new QVBoxLayout(dataPage);
    dataLayout->setContentsMargins(1, 1, 1, 1);
    dataLayout->addStretch(1);
    pushButton_activateProject = new QPushButton(tr("Activate project and switch to RUN tab"), dataPage);
    pushButton_activateProject->setEnabled(false);
    dataLayout->addWidget(pushButton_activateProject);
    tabWidget->addTab(dataPage, tr("PROJECT DATA"));

    connect(tableView_projects, &MySQLTableView::signal_selectionChanged, this, &Projects::slot_setDisplayedRow);
    connect(pushButton_activateProject, &QPushButton::clicked, this, &Projects::slot_activateCurrentProject);
    theSettings.connectSplitter(splitter_projects);
}

void Projects::delayedInit()
{
    setModels(theProjectListModel, theRunListModel);
    theSettings.connectMyTableView(tableView_projects);
    theSettings.connectMyTableView(myTableView_runs);
    const auto* activateLast = window()->findChild<QCheckBox*>(QStringLiteral("checkBox_settings_activateLastProject"));
    if (activateLast && activateLast->isChecked() && projectModel)
        projectModel->slot_setCurrentProjectById(
            theSettings.value(QStringLiteral("UISettings/lastProjectId"), -1).toInt());
}

void Projects::setModels(ProjectListModel* projects, RunListModel* runs)
{
    projectModel = projects;
    runModel = runs;
    if (!projectModel || !runModel)
        return;
    tableView_projects->setModel(projectModel);
    connect(tableView_projects, &MySQLTableView::signal_doubleClicked, projectModel,
            &ProjectListModel::slot_setActiveProjectByRow);
    myTableView_runs->setModel(runModel);
    slot_setDisplayedRow(-1);
}

void Projects::slot_setDisplayedRow(int row)
{
    displayedRow = row;
    pushButton_activateProject->setEnabled(row >= 0);
    myTableView_runs->setEnabled(row >= 0);
}

void Projects::slot_activateCurrentProject()
{
    if (displayedRow >= 0 && projectModel)
        projectModel->slot_setActiveProjectByRow(displayedRow);
}
