#pragma once

#include "ProjectFieldSource.h"

class ProjectListModel;

// Lets function arguments read fields of the active project: the channel model
// sits below the projects layer and reaches the project table only through this.
class ProjectListFieldSource : public ProjectFieldSource
{
public:
    explicit ProjectListFieldSource(const ProjectListModel* model);

    QVariant activeProjectDataRawById(int field) const override;
    QString getDatabaseKey(int field) const override;
    int getFieldIdFromKey(const QString& key) const override;

private:
    const ProjectListModel* model;
};
