#include "CanInputsManager.h"

#include "CanInputsModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

CanInputsManager::CanInputsManager(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("canInputsManager"));
    auto* layout = new QVBoxLayout(this);
    tableView = new QTableView(this);
    tableView->setObjectName(QStringLiteral("tableView_canInputs"));
    tableView->setModel(&theCanInputsModel);
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(tableView);
    auto* buttons = new QHBoxLayout();
    layout->addLayout(buttons);
    auto add = [&](const QString& text, const std::function<void()>& action) {
        auto* button = new QPushButton(text, this);
        connect(button, &QPushButton::clicked, this, action);
        buttons->addWidget(button);
    };
    CanInputsModel* model = &theCanInputsModel;
    add(tr("Import file"), [model] { model->action_import(); });
    add(tr("Import .DBC file"), [model] { model->action_importDBC(); });
    add(tr("Import Ecumaster .canx"), [model] { model->action_importCANX(); });
    add(tr("Simulate Ecumaster .trace"), [model] { model->action_simulateTrace(); });
    add(tr("Swap channel"), [this, model] { model->action_swapChannel(selectedRows()); });
    add(tr("J1939 change source address"), [this, model] { model->action_j1939ChangeSourceAddress(selectedRows()); });
    add(tr("Delete"), [this, model] {
        QList<int> rows = selectedRows();
        std::sort(rows.begin(), rows.end(), std::greater<int>());
        for (int row : std::as_const(rows))
            model->removeRows(row, 1);
        if (model->saveTimer && !rows.isEmpty())
            model->saveTimer->start();
    });
    buttons->addStretch();
}

QList<int> CanInputsManager::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : tableView->selectionModel()->selectedRows())
        rows.append(index.row());
    return rows;
}
