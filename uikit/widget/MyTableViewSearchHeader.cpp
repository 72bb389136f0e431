#include "MyTableViewSearchHeader.h"

#include "DelayedComboBox.h"
#include "DelayedLineEdit.h"
#include "MultipleSortFilterProxyModel.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>

namespace {

const QString kFlagHeader = QStringLiteral("\u2691");
const QString kFlagClear = QStringLiteral("\u2690");

} // namespace

MyTableViewSearchHeader::MyTableViewSearchHeader(QTableView* table, MultipleSortFilterProxyModel* filterProxy)
    : QTableWidget(table)
    , watchedHeader(table->horizontalHeader())
    , proxy(filterProxy)
{
    setFixedHeight(25);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    rebuildTimer = new QTimer(this);
    rebuildTimer->setSingleShot(true);
    rebuildTimer->setInterval(100);
    connect(rebuildTimer, &QTimer::timeout, this, &MyTableViewSearchHeader::slot_headerStructureChanged);
    connect(watchedHeader, &QHeaderView::sectionResized, this, &MyTableViewSearchHeader::slot_sectionResized);
    connect(watchedHeader, &QHeaderView::sectionMoved, this, &MyTableViewSearchHeader::slot_sectionMoved);
    connect(proxy, &QAbstractItemModel::headerDataChanged, this, [this](Qt::Orientation orientation, int, int) {
        if (orientation == Qt::Horizontal)
            rebuildTimer->start();
    });
    rebuildTimer->start();
}

void MyTableViewSearchHeader::slot_headerStructureChanged()
{
    const int columns = proxy->columnCount();
    setRowCount(1);
    setColumnCount(columns);
    for (int column = 0; column < columns; ++column) {
        const QString header = proxy->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        // A rebuilt strip shows the filters the proxy still applies, so what is
        // filtered is never hidden from the user.
        const QString filter = proxy->filterText(column);
        QWidget* editor = nullptr;
        if (header == kFlagHeader) {
            auto* combo = new DelayedComboBox;
            combo->addItems({QString(), kFlagHeader, kFlagClear});
            combo->tag = column;
            const int index = combo->findText(filter);
            if (index > 0) {
                const QSignalBlocker blocker(combo);
                combo->setCurrentIndex(index);
            }
            connect(combo, &QComboBox::currentTextChanged, this, &MyTableViewSearchHeader::slot_filterContentChanged);
            editor = combo;
        } else {
            auto* line = new DelayedLineEdit(nullptr, 300);
            line->setToolTip(header);
            line->tag = column;
            if (!filter.isEmpty()) {
                const QSignalBlocker blocker(line);
                line->setText(filter);
            }
            connect(line, &DelayedLineEdit::signal_delayedTextChanged, this,
                    &MyTableViewSearchHeader::slot_filterContentChanged);
            editor = line;
        }
        setCellWidget(0, column, editor);
        horizontalHeader()->resizeSection(column, watchedHeader->sectionSize(column));
    }
    synchronizeColumnOrder();
}

void MyTableViewSearchHeader::slot_filterContentChanged(const QString& content)
{
    int column = -1;
    if (auto* line = qobject_cast<DelayedLineEdit*>(sender()))
        column = line->tag;
    else if (auto* combo = qobject_cast<DelayedComboBox*>(sender()))
        column = combo->tag;
    else
        return;
    proxy->setFilter(column, content);
}

void MyTableViewSearchHeader::clearFilters()
{
    for (int column = 0; column < proxy->columnCount() && column < columnCount(); ++column) {
        QWidget* editor = cellWidget(0, column);
        if (auto* combo = qobject_cast<DelayedComboBox*>(editor)) {
            combo->setCurrentIndex(0);
            combo->slot_sendDelayedCurrentIndexChanged();
        } else if (auto* line = qobject_cast<DelayedLineEdit*>(editor)) {
            line->clear();
            line->slot_sendDelayedTextChanged();
        }
    }
}

void MyTableViewSearchHeader::synchronizeColumnOrder()
{
    QHeaderView* own = horizontalHeader();
    const int columns = std::min(columnCount(), watchedHeader->count());
    for (int visual = 0; visual < columns; ++visual) {
        const int logical = watchedHeader->logicalIndex(visual);
        const int from = own->visualIndex(logical);
        if (from >= 0 && from != visual)
            own->moveSection(from, visual);
    }
}

void MyTableViewSearchHeader::slot_sectionResized(int logicalIndex, int, int newSize)
{
    horizontalHeader()->resizeSection(logicalIndex, newSize);
}

void MyTableViewSearchHeader::slot_sectionMoved(int, int oldVisualIndex, int newVisualIndex)
{
    horizontalHeader()->moveSection(oldVisualIndex, newVisualIndex);
}
