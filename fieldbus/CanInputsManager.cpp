#include "CanInputsManager.h"

#include "CanInputsModel.h"
#include "MyTableView.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

CanInputsManager::CanInputsManager(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("canInputsManagerPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tableView = new MyTableView(this, QStringLiteral("canInputsManager"));
    tableView->setModel(&theCanInputsModel);
    tableView->tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView->tableView->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(tableView);
    CanInputsModel* model = &theCanInputsModel;
    connect(tableView, &MyTableView::signal_keyEvent, model, &CanInputsModel::slot_keyEvent);
    connect(tableView, &MyTableView::signal_contextMenuEvent, model, &CanInputsModel::slot_contextMenuEvent);
    connect(tableView, &MyTableView::signal_doubleClicked, model, &CanInputsModel::slot_doubleClickEvent);
    connect(model, &CanInputsModel::signal_selectRow, tableView, &MyTableView::selectRow);
}
