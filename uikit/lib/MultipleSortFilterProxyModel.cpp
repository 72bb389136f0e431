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
    for (const QMetaObject::Connection& connection : std::as_const(sourceConnections))
        disconnect(connection);
    sourceConnections.clear();
    forgetCells();
    if (model) {
        // Connected before the base connects its own handlers, so the kept
        // texts are forgotten before the base re-filters the rows concerned.
        using M = QAbstractItemModel;
        const auto all = [this] { forgetCells(); };
        sourceConnections << connect(model, &M::dataChanged, this, &MultipleSortFilterProxyModel::forgetRows)
                          << connect(model, &M::headerDataChanged, this, all)
                          << connect(model, &M::rowsInserted, this, all) << connect(model, &M::rowsRemoved, this, all)
                          << connect(model, &M::rowsMoved, this, all) << connect(model, &M::columnsInserted, this, all)
                          << connect(model, &M::columnsRemoved, this, all)
                          << connect(model, &M::columnsMoved, this, all) << connect(model, &M::modelReset, this, all)
                          << connect(model, &M::layoutChanged, this, all) << connect(model, &M::destroyed, this, all);
    }
    QSortFilterProxyModel::setSourceModel(model);
}

void MultipleSortFilterProxyModel::forgetCells()
{
    for (std::vector<CachedCell>& column : cells)
        column.clear();
}

void MultipleSortFilterProxyModel::forgetRows(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    if (topLeft.parent().isValid())
        return; // only the top level is kept
    for (std::vector<CachedCell>& column : cells) {
        const int last = std::min(bottomRight.row(), static_cast<int>(column.size()) - 1);
        for (int row = std::max(0, topLeft.row()); row <= last; ++row)
            column[size_t(row)].known = false;
    }
}

const SmartFilter::Cell* MultipleSortFilterProxyModel::cell(int row, int column) const
{
    const QAbstractItemModel* model = sourceModel();
    if (cells.size() < size_t(filters.size()))
        cells.resize(size_t(filters.size()));
    std::vector<CachedCell>& kept = cells[size_t(column)];
    if (row >= static_cast<int>(kept.size())) {
        const int rows = model->rowCount();
        if (row >= rows)
            return nullptr;
        kept.resize(size_t(rows));
    }
    CachedCell& entry = kept[size_t(row)];
    if (!entry.known) {
        entry.cell = SmartFilter::prepare(model->data(model->index(row, column), Qt::DisplayRole).toString());
        entry.known = true;
    }
    return &entry.cell;
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
        if (const SmartFilter::Cell* prepared = sourceParent.isValid() ? nullptr : cell(sourceRow, column)) {
            if (!filter.filter(*prepared))
                return false;
            continue;
        }
        const QString text = model->data(model->index(sourceRow, column, sourceParent), Qt::DisplayRole).toString();
        if (!filter.filter(text))
            return false;
    }
    return true;
}
