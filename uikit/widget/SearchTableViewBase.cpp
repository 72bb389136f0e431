#include "SearchTableViewBase.h"

#include "MultipleSortFilterProxyModel.h"
#include "MyTableViewSearchHeader.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

SearchTableViewBase::SearchTableViewBase(QWidget* parent, bool fixedPitch)
    : QWidget(parent)
{
    QFont tableFont = fixedPitch ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : font();
    tableFont.setPointSize(9);
    setFont(tableFont);

    verticalLayout = new QVBoxLayout(this);
    verticalLayout->setContentsMargins(0, 0, 0, 0);
    verticalLayout->setSpacing(0);

    tableView = new QTableView(this);
    tableView->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    tableView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    proxyModel = new MultipleSortFilterProxyModel(this);
    tableView->setModel(proxyModel);
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView->setSortingEnabled(true);
    tableView->verticalHeader()->hide();

    searchHeader = new MyTableViewSearchHeader(tableView, proxyModel);
    searchHeader->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Both always show a vertical bar, so their columns line up.
    searchHeader->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    verticalLayout->addWidget(searchHeader);
    verticalLayout->addWidget(tableView);

    connect(tableView->horizontalScrollBar(), &QScrollBar::valueChanged, searchHeader->horizontalScrollBar(),
            &QScrollBar::setValue);
    connect(searchHeader->horizontalScrollBar(), &QScrollBar::valueChanged, tableView->horizontalScrollBar(),
            &QScrollBar::setValue);
}

void SearchTableViewBase::attachModel(QAbstractItemModel* model)
{
    sourceModel = model;
    proxyModel->setSourceModel(model);
    // Raw values: numbers and time stamps sort by value, not by their text.
    proxyModel->setSortRole(Qt::UserRole);
    tableView->installEventFilter(this);
    // Mouse events over the cells (context menu, tooltip) reach the viewport, not the view.
    tableView->viewport()->installEventFilter(this);
    connect(tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SearchTableViewBase::slot_selectionChangedHandler);
    connect(tableView, &QAbstractItemView::doubleClicked, this, &SearchTableViewBase::slot_doubleClickedDispatcher);
}

int SearchTableViewBase::sourceRow(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid())
        return -1;
    const QModelIndex source = proxyModel->mapToSource(proxyIndex);
    return source.isValid() ? source.row() : -1;
}

void SearchTableViewBase::selectRow(int row)
{
    if (row == -1) {
        Q_EMIT signal_selectionChanged(-1);
        return;
    }
    if (!sourceModel)
        return;
    const QModelIndex proxyIndex = proxyModel->mapFromSource(sourceModel->index(row, 0));
    if (!proxyIndex.isValid())
        return;
    tableView->selectionModel()->setCurrentIndex(proxyIndex, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void SearchTableViewBase::sortByColumn(int column, Qt::SortOrder order)
{
    tableView->sortByColumn(column, order);
}

QList<int> SearchTableViewBase::selectedRows() const
{
    QList<int> rows;
    const QModelIndexList indexes = tableView->selectionModel()->selection().indexes();
    for (const QModelIndex& index : indexes) {
        const int row = sourceRow(index);
        if (!rows.contains(row))
            rows.append(row);
    }
    return rows;
}

void SearchTableViewBase::hideColumn(int column)
{
    tableView->hideColumn(column);
}

void SearchTableViewBase::slot_clearFilters()
{
    searchHeader->clearFilters();
}

void SearchTableViewBase::slot_selectionChangedHandler(const QItemSelection&, const QItemSelection&)
{
    const QModelIndexList indexes = tableView->selectionModel()->selection().indexes();
    Q_EMIT signal_selectionChanged(indexes.isEmpty() ? -1 : sourceRow(indexes.first()));
}

void SearchTableViewBase::slot_doubleClickedDispatcher(const QModelIndex& index)
{
    Q_EMIT signal_doubleClicked(sourceRow(index));
}

bool SearchTableViewBase::eventFilter(QObject* watched, QEvent* event)
{
    const bool onTable = watched == tableView;
    if (!onTable && watched != tableView->viewport())
        return QWidget::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::KeyPress: {
        if (!onTable)
            break;
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        // Navigation and select-all stay with the table.
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_A)
            return false;
        reportKey(key, keyEvent->modifiers());
        return true;
    }
    case QEvent::Leave:
        if (!onTable)
            break;
        Q_EMIT signal_mouseLeaveEvent();
        return true;
    case QEvent::ContextMenu: {
        if (!isEnabled())
            return false;
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        const QPoint position = tableView->viewport()->mapFromGlobal(menuEvent->globalPos());
        const int row = sourceRow(tableView->indexAt(position));
        const int column = tableView->columnAt(position.x());
        QList<int> rows = selectedRows();
        if (!rows.contains(row))
            rows.clear();
        Q_EMIT signal_contextMenuEvent(rows, column, menuEvent->globalPos());
        return true;
    }
    case QEvent::ToolTip: {
        // Over the cells only: a tooltip the cells do not take climbs on to the view.
        if (onTable)
            break;
        auto* helpEvent = static_cast<QHelpEvent*>(event);
        const QPoint position = tableView->viewport()->mapFromGlobal(helpEvent->globalPos());
        Q_EMIT signal_tooltipEvent(sourceRow(tableView->indexAt(position)), helpEvent->globalPos());
        // Passed on as well: a cell with a tooltip of its own (a long description) still shows it.
        return false;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
