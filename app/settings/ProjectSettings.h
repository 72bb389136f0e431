#pragma once

#include <QWidget>

class ProjectListModel;
class RunListModel;

// STAND-IN until the project settings page is built: the SETTINGS page "Project".
class ProjectSettings : public QWidget
{
    Q_OBJECT
public:
    explicit ProjectSettings(QWidget* parent = nullptr);
    void init(ProjectListModel* projectModel, RunListModel* runModel);
};
