#pragma once

#include <QTableWidget>

class MultipleSortFilterProxyModel;
class QHeaderView;
class QTableView;
class QTimer;

// The one-row filter strip above a table: one editor per column whose text
// becomes that column's filter in the proxy. Its columns follow the table's
// widths, order and horizontal scrolling.
class MyTableViewSearchHeader : public QTableWidget
{
    Q_OBJECT
public:
    MyTableViewSearchHeader(QTableView* table, MultipleSortFilterProxyModel* proxy);

    // Drops every filter at once, without the typing delay.
    void clearFilters();
    void synchronizeColumnOrder();

public Q_SLOTS:
    void slot_headerStructureChanged();
    void slot_filterContentChanged(const QString& content);
    void slot_sectionResized(int logicalIndex, int oldSize, int newSize);
    void slot_sectionMoved(int logicalIndex, int oldVisualIndex, int newVisualIndex);

private:
    QHeaderView* watchedHeader = nullptr;
    MultipleSortFilterProxyModel* proxy = nullptr;
    QTimer* rebuildTimer = nullptr;
};
