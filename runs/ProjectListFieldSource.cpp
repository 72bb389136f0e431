#include "ProjectListFieldSource.h"

#include "ProjectListModel.h"

ProjectListFieldSource::ProjectListFieldSource(const ProjectListModel* model)
    : model(model)
{
}

QVariant ProjectListFieldSource::activeProjectDataRawById(int field) const
{
    return model->activeProjectDataRawById(static_cast<ProjectListFieldId>(field));
}

QString ProjectListFieldSource::getDatabaseKey(int field) const
{
    return model->getDatabaseKey(static_cast<ProjectListFieldId>(field));
}

int ProjectListFieldSource::getFieldIdFromKey(const QString& key) const
{
    return model->getFieldIdFromKey(key);
}
