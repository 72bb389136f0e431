#include "PointVectorModel.h"

#include "lib/Tools.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QWidget>

PointVectorModel::PointVectorModel(QWidget* parent, QList<QPointF>* points)
    : QAbstractTableModel(parent)
    , points(points)
{
    rowUnits[0] = rowUnits[1] = theUnits.unitless;
    rowNames[0] = QStringLiteral("y");
    rowNames[1] = QStringLiteral("x");
}

int PointVectorModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

int PointVectorModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !points ? 0 : int(points->size());
}

QVariant PointVectorModel::data(const QModelIndex& index, int role) const
{
    if (!points || index.row() < 0 || index.row() > 1 || index.column() < 0 || index.column() >= points->size())
        return QVariant();
    if (role != Qt::EditRole && role != Qt::DisplayRole)
        return QVariant();
    const QPointF& point = points->at(index.column());
    const int row = index.row();
    const double si = row == PointVectorField_x ? point.x() : point.y();
    const double shown = rowUnits[row] ? rowUnits[row]->getUnitValue(si) : si;
    if (role == Qt::EditRole)
        return shown;
    return Tools::stringFromDouble(shown, rowDecimals[row]);
}

bool PointVectorModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !points || !index.isValid() || index.row() > 1 || index.column() >= points->size())
        return false;
    const int row = index.row();
    const double shown = value.toDouble();
    const double si = rowUnits[row] ? rowUnits[row]->getSIValue(shown) : shown;
    {
        std::unique_lock<std::mutex> locker;
        if (cellLock && !ownerHoldsLock)
            locker = std::unique_lock<std::mutex>(*cellLock);
        QPointF& point = (*points)[index.column()];
        if (row == PointVectorField_x)
            point.setX(si);
        else
            point.setY(si);
    }
    Q_EMIT dataChanged(index, index);
    return true;
}

QVariant PointVectorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical && (section == 0 || section == 1))
        return rowNames[section];
    return section;
}

bool PointVectorModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role)
{
    Q_UNUSED(role);
    if (orientation != Qt::Vertical || (section != 0 && section != 1))
        return false;
    rowNames[section] = value.toString();
    Q_EMIT headerDataChanged(Qt::Vertical, section, section);
    return true;
}

bool PointVectorModel::insertColumns(int column, int count, const QModelIndex& parent)
{
    Q_UNUSED(parent);
    if (!points)
        return false;
    if (count <= 0)
        return true;
    QPointF model(0, 0);
    if (column == -1 || points->isEmpty())
        column = 0;
    else if (column >= points->size())
        model = points->last();
    else
        model = points->at(column);
    beginInsertColumns(QModelIndex(), column, column + count - 1);
    points->insert(column, count, model);
    endInsertColumns();
    return true;
}

bool PointVectorModel::removeColumns(int column, int count, const QModelIndex& parent)
{
    Q_UNUSED(parent);
    if (!points || column < 0)
        return false;
    if (count <= 0)
        return true;
    beginRemoveColumns(QModelIndex(), column, column + count - 1);
    points->remove(column, count);
    endRemoveColumns();
    return true;
}

Qt::ItemFlags PointVectorModel::flags(const QModelIndex& index) const
{
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

void PointVectorModel::setDisplayDecimals(PointVectorField field, int decimals)
{
    rowDecimals[field] = decimals;
    if (points && !points->isEmpty())
        Q_EMIT dataChanged(index(field, 0), index(field, int(points->size()) - 1));
}

void PointVectorModel::announceAllCellsChanged()
{
    if (points && !points->isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(1, int(points->size()) - 1));
}
