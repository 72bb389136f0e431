#include "MySQLTableView.h"

#include "CustomSqlTableModel.h"
#include "FastTooltipProxyStyle.h"

#include <QStyle>
#include <QStyleFactory>
#include <QTableView>

MySQLTableView::MySQLTableView(QWidget* parent)
    : SearchTableViewBase(parent, false)
{
    // A proxy style owns the style it wraps, and the table's current style is the
    // application's: wrap a fresh style of the same kind instead.
    auto* style = new FastTooltipProxyStyle(QStyleFactory::create(tableView->style()->name()));
    style->setParent(this);
    tableView->setStyle(style);
}

void MySQLTableView::setModel(CustomSqlTableModel* model)
{
    sqlModel = model;
    attachModel(model);
    if (!model)
        return;
    connect(this, &MySQLTableView::signal_keyEvent, model, &CustomSqlTableModel::slot_keyEvent);
    connect(this, &SearchTableViewBase::signal_contextMenuEvent, model, &CustomSqlTableModel::slot_contextMenuEvent);
    connect(this, &SearchTableViewBase::signal_tooltipEvent, model, &CustomSqlTableModel::slot_tooltipEvent);
    connect(this, &SearchTableViewBase::signal_mouseLeaveEvent, model, &CustomSqlTableModel::slot_mouseLeaveEvent);
    connect(model, &CustomSqlTableModel::signal_descriptorChanged, this, &MySQLTableView::slot_descriptorChanged);
    // Internal fields and those the user hid are hidden from the start.
    for (int column = 0; column < model->columnCount(); ++column)
        slot_descriptorChanged(column);
}

void MySQLTableView::slot_descriptorChanged(int column)
{
    if (!sqlModel)
        return;
    const TableModelFieldDescriptor* field = sqlModel->descriptor(column);
    if (!field)
        return;
    tableView->setColumnHidden(column, field->hiddenInTable || (field->flags & FieldInternal));
}

void MySQLTableView::reportKey(int key, Qt::KeyboardModifiers)
{
    Q_EMIT signal_keyEvent(selectedRows(), key);
}
