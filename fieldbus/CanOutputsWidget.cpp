#include "CanOutputsWidget.h"

#include "CanOutputMessageModel.h"
#include "FieldBus.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

CanOutputsWidget::CanOutputsWidget(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("canOutputsWidget"));
    auto* layout = new QVBoxLayout(this);
    tableView = new QTableView(this);
    tableView->setObjectName(QStringLiteral("tableView_canOutputs"));
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView->verticalHeader()->hide();
    tableView->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(tableView);
    auto* buttons = new QHBoxLayout();
    layout->addLayout(buttons);
    auto add = [&](const QString& text, const std::function<void()>& action) {
        auto* button = new QPushButton(text, this);
        connect(button, &QPushButton::clicked, this, action);
        buttons->addWidget(button);
    };
    add(tr("Import"), [] {
        if (theCanOutputMessageModel)
            theCanOutputMessageModel->action_import();
    });
    add(tr("Export"), [this] {
        if (theCanOutputMessageModel)
            theCanOutputMessageModel->action_export(selectedRows());
    });
    add(tr("Export DBC"), [this] {
        if (theCanOutputMessageModel)
            theCanOutputMessageModel->action_exportDBC(selectedRows());
    });
    add(tr("Delete"), [this] {
        if (theCanOutputMessageModel)
            theCanOutputMessageModel->action_remove(selectedRows());
    });
    buttons->addStretch();
    refreshTimer = new QTimer(this);
    refreshTimer->setInterval(1000);
    connect(refreshTimer, &QTimer::timeout, tableView->viewport(), qOverload<>(&QWidget::update));
}

void CanOutputsWidget::init()
{
    FieldBus::initCanOutputs();
    tableView->setModel(theCanOutputMessageModel);
}

QList<int> CanOutputsWidget::selectedRows() const
{
    QList<int> rows;
    if (!tableView->selectionModel())
        return rows;
    for (const QModelIndex& index : tableView->selectionModel()->selectedRows())
        rows.append(index.row());
    return rows;
}
