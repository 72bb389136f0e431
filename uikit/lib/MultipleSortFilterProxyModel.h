#pragma once

#include "SmartFilter.h"

#include <QList>
#include <QMetaObject>
#include <QSortFilterProxyModel>

#include <vector>

class QTimer;

// A sort and filter proxy with one filter per source column. Rows sort by the
// raw values of the source (Qt::UserRole), so numbers sort as numbers, while the
// filters test what the user sees (the display text).
class MultipleSortFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit MultipleSortFilterProxyModel(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* model) override;
    // Re-filters 1 ms later, so a burst of changes costs one pass.
    void setFilter(int column, const QString& text);
    // The filter text of a source column; empty outside the list.
    QString filterText(int column) const;
    int filterCount() const { return static_cast<int>(filters.size()); }

public Q_SLOTS:
    void slot_invalidateFilterUpdateAllFiltersEmptyFlag();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    // The prepared cell of a flat source; null for a child row of a tree.
    const SmartFilter::Cell* cell(int row, int column) const;
    void forgetCells();
    void forgetRows(const QModelIndex& topLeft, const QModelIndex& bottomRight);

    QTimer* refilterTimer = nullptr;
    QList<SmartFilter> filters;
    bool allFiltersEmpty = true;
    bool sourceModelSet = false;
    // Per source column, per row: the prepared display text, if read yet.
    struct CachedCell {
        SmartFilter::Cell cell;
        bool known = false;
    };
    mutable std::vector<std::vector<CachedCell>> cells;
    QList<QMetaObject::Connection> sourceConnections;
};
