#include "MultipleSortFilterProxyModel.h"

#include <QTimer>

#include <algorithm>

MultipleSortFilterProxyModel::MultipleSortFilterProxyModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
    refilterTimer = new QTimer(this);
    refilterTimer->setSingleShot(true);
    refilterTimer->setInterval(1);
    connect(refilterTimer, &QTimer::timeout, this,
            &MultipleSortFilterProxyModel::slot_invalidateFilterUpdateAllFiltersEmptyFlag);
    setSortRole(Qt::UserRole);
    setSortCaseSensitivity(Qt::CaseInsensitive);
}

void MultipleSortFilterProxyModel::setSourceModel(QAbstractItemModel* model)
{
    sourceModelSet = true;
    const int columns = model ? model->columnCount() : 0;
    // Filters of columns that still exist stay in force.
    filters.resize(columns);
    QSortFilterProxyModel::setSourceModel(model);
}

void MultipleSortFilterProxyModel::setFilter(int column, const QString& text)
{
    if (column < 0 || column >= filters.size())
        return;
    SmartFilter& filter = filters[column];
    if (filter.text == text)
        return;
    filter.setupFilter(text);
    refilterTimer->start();
}

QString MultipleSortFilterProxyModel::filterText(int column) const
{
    return column >= 0 && column < filters.size() ? filters.at(column).text : QString();
}

void MultipleSortFilterProxyModel::slot_invalidateFilterUpdateAllFiltersEmptyFlag()
{
    allFiltersEmpty = std::all_of(filters.cbegin(), filters.cend(),
                                  [](const SmartFilter& filter) { return filter.text.isEmpty(); });
    invalidateFilter();
}

bool MultipleSortFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (allFiltersEmpty || !sourceModelSet)
        return true;
    const QAbstractItemModel* model = sourceModel();
    if (!model)
        return true;
    const int columns = std::min(model->columnCount(sourceParent), static_cast<int>(filters.size()));
    for (int column = 0; column < columns; ++column) {
        const SmartFilter& filter = filters.at(column);
        if (filter.text.isEmpty())
            continue;
        const QString cell = model->data(model->index(sourceRow, column, sourceParent), Qt::DisplayRole).toString();
        if (!filter.filter(cell))
            return false;
    }
    return true;
}
