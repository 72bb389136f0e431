#pragma once

#include <QWidget>

class DatabaseTools;
class ProjectListModel;
class QTabWidget;
class RunListModel;
class SqlModelConfigurator;

// The SETTINGS page "Project": the field customisation of the project and the
// run table (visibility, default, unit, decimals) and the database tools.
class ProjectSettings : public QWidget
{
    Q_OBJECT
public:
    explicit ProjectSettings(QWidget* parent = nullptr);
    void init(ProjectListModel* projectModel, RunListModel* runModel);

    QTabWidget* tabWidget = nullptr;
    SqlModelConfigurator* projectConfigurator = nullptr;
    SqlModelConfigurator* runConfigurator = nullptr;
    DatabaseTools* databaseTools = nullptr;
};
