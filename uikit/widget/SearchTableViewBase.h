#pragma once

#include <QItemSelection>
#include <QList>
#include <QModelIndex>
#include <QPoint>
#include <QWidget>

class MultipleSortFilterProxyModel;
class MyTableViewSearchHeader;
class QAbstractItemModel;
class QTableView;
class QVBoxLayout;

// What MyTableView and MySQLTableView share: a filter strip above a table that
// shows the caller's model through a sort and filter proxy. Every row that
// leaves the widget (signals, selectedRows) is a row of the caller's model, so
// callers never deal with sorting or filtering.
class SearchTableViewBase : public QWidget
{
    Q_OBJECT
public:
    void selectRow(int row);
    void sortByColumn(int column, Qt::SortOrder order);
    // The selected source rows, each once, in the order of first appearance.
    QList<int> selectedRows() const;
    // The source row of a proxy index; -1 when it maps nowhere.
    int sourceRow(const QModelIndex& proxyIndex) const;

    bool eventFilter(QObject* watched, QEvent* event) override;

    QVBoxLayout* verticalLayout = nullptr;
    MultipleSortFilterProxyModel* proxyModel = nullptr;
    QAbstractItemModel* sourceModel = nullptr;
    MyTableViewSearchHeader* searchHeader = nullptr;
    QTableView* tableView = nullptr;

public Q_SLOTS:
    void hideColumn(int column);
    void slot_clearFilters();
    void slot_selectionChangedHandler(const QItemSelection& selected, const QItemSelection& deselected);
    void slot_doubleClickedDispatcher(const QModelIndex& index);

Q_SIGNALS:
    void signal_selectionChanged(int row);
    void signal_doubleClicked(int row);
    void signal_tooltipEvent(int row, const QPoint& position);
    void signal_mouseLeaveEvent();
    void signal_contextMenuEvent(const QList<int>& rows, int column, const QPoint& position);

protected:
    // fixedPitch: the system's fixed-pitch font instead of the widget's own.
    SearchTableViewBase(QWidget* parent, bool fixedPitch);
    // Source model, event filters, selection and double click.
    void attachModel(QAbstractItemModel* model);
    // A key the table does not keep for itself (navigation, select-all).
    virtual void reportKey(int key, Qt::KeyboardModifiers modifiers) = 0;
};
