#include "MyTableView.h"

#include "MultipleSortFilterProxyModel.h"
#include "MySettings.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QTableView>

MyTableView::MyTableView(QWidget* parent, const QString& name)
    : SearchTableViewBase(parent, true)
{
    setObjectName(name);
    tableView->horizontalHeader()->setObjectName(name + QStringLiteral("_header"));
}

void MyTableView::setModel(QAbstractTableModel* model)
{
    attachModel(model);
    theSettings.connectHeaderView(tableView->horizontalHeader());
}

void MyTableView::reportKey(int key, Qt::KeyboardModifiers modifiers)
{
    Q_EMIT signal_keyEvent(selectedRows(), sourceRow(tableView->currentIndex()), key, static_cast<int>(modifiers));
}
