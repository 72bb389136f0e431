#include "LoadedRunListModel.h"

#include "lib/Tools.h"

#include <QDebug>

LoadedRunListModel::LoadedRunListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int LoadedRunListModel::rowCount(const QModelIndex&) const
{
    return 0;
}

int LoadedRunListModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant LoadedRunListModel::data(const QModelIndex&, int) const
{
    return QVariant();
}

RunData* LoadedRunListModel::newRunFromFile(const QString& file, bool)
{
    qDebug() << "Run analysis not available; cannot load" << file;
    Tools::showError(tr("Error opening run data file"));
    return nullptr;
}

void LoadedRunListModel::removeAllRuns()
{
}

void LoadedRunListModel::slot_recalculate()
{
}

void LoadedRunListModel::slot_runListModelHeaderChanged()
{
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}
