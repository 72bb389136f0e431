#include "ProjectSettings.h"

#include "DatabaseTools.h"
#include "MySettings.h"
#include "ProjectListModel.h"
#include "RunListModel.h"
#include "SqlModelConfigurator.h"

#include <QTabWidget>
#include <QVBoxLayout>

ProjectSettings::ProjectSettings(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tabWidget = new QTabWidget(this);
    layout->addWidget(tabWidget);
    projectConfigurator = new SqlModelConfigurator(tabWidget);
    tabWidget->addTab(projectConfigurator, tr("Customize PROJECTS"));
    runConfigurator = new SqlModelConfigurator(tabWidget);
    tabWidget->addTab(runConfigurator, tr("Customize RUNS"));
    databaseTools = new DatabaseTools(tabWidget);
    tabWidget->addTab(databaseTools, tr("Database tools"));
}

void ProjectSettings::init(ProjectListModel* projectModel, RunListModel* runModel)
{
    if (projectModel) {
        projectConfigurator->setSqlModel(projectModel);
        projectConfigurator->loadConfigurationFromFile(
            theSettings.settingsDir.filePath(QStringLiteral("projectsCustomization.xml")),
            QStringLiteral(":/resources/projectsCustomization.xml"));
    }
    if (runModel) {
        runConfigurator->setSqlModel(runModel);
        runConfigurator->loadConfigurationFromFile(
            theSettings.settingsDir.filePath(QStringLiteral("runsCustomization.xml")),
            QStringLiteral(":/resources/runsCustomization.xml"));
        runConfigurator->hideColumn(1);
        runConfigurator->hideColumn(2);
        databaseTools->setModel(runModel);
    }
}
