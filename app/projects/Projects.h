#pragma once

#include <QWidget>

class MySQLTableView;
class ProjectListModel;
class QPushButton;
class QSplitter;
class QTabWidget;
class RunListModel;

// STAND-IN, in part, until the PROJECTS tab is built whole: the projects table
// above the runs table, the activate button and the activation of the last
// project at start. The project form, picture, locking and estimate helpers
// arrive with their issue.
class Projects : public QWidget
{
    Q_OBJECT
public:
    explicit Projects(QWidget* parent = nullptr);

    void delayedInit();
    void setModels(ProjectListModel* projectModel, RunListModel* runModel);

    ProjectListModel* projectModel = nullptr;
    RunListModel* runModel = nullptr;
    QSplitter* splitter_projects = nullptr;
    MySQLTableView* tableView_projects = nullptr;
    QTabWidget* tabWidget = nullptr;
    MySQLTableView* myTableView_runs = nullptr;
    QPushButton* pushButton_activateProject = nullptr;
    int displayedRow = -1;

public Q_SLOTS:
    void slot_setDisplayedRow(int row);
    void slot_activateCurrentProject();
};
