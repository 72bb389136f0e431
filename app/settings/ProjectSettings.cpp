#include "ProjectSettings.h"

ProjectSettings::ProjectSettings(QWidget* parent)
    : QWidget(parent)
{
}

void ProjectSettings::init(ProjectListModel*, RunListModel*)
{
}
