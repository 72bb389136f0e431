#include "SqlModelConfigurator.h"

#include "CustomSqlTableModel.h"
#include "MultiSqlDelegate.h"
#include "SpinBoxDelegate.h"
#include "SqlModelConfiguratorModel.h"
#include "UnitDelegate.h"

#include <QHeaderView>
#include <QItemSelectionModel>

SqlModelConfigurator::SqlModelConfigurator(QWidget* parent)
    : QTableView(parent)
{
}

void SqlModelConfigurator::setSqlModel(CustomSqlTableModel* model)
{
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    configured = model;
    QAbstractItemModel* previous = configurator;
    configurator = new SqlModelConfiguratorModel(this, model);
    delete defaultValueDelegate;
    delete unitDelegate;
    delete decimalsDelegate;
    defaultValueDelegate = new MultiSqlDelegate(this);
    defaultValueDelegate->setModel(model);
    unitDelegate = new UnitDelegate(this);
    decimalsDelegate = new SpinBoxDelegate(this);
    decimalsDelegate->setRange(-10, 10);

    QItemSelectionModel* oldSelection = selectionModel();
    setModel(configurator);
    delete oldSelection;
    delete previous;
    setItemDelegateForColumn(SqlModelConfiguratorModel::DefaultValue, defaultValueDelegate);
    setItemDelegateForColumn(SqlModelConfiguratorModel::UnitColumn, unitDelegate);
    setItemDelegateForColumn(SqlModelConfiguratorModel::Decimals, decimalsDelegate);

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &SqlModelConfigurator::slot_currentCellChanged);
    connect(this, &QAbstractItemView::doubleClicked, this, &SqlModelConfigurator::slot_doubleClickedHandler,
            Qt::UniqueConnection);

    if (!model)
        return;
    for (int fieldId = 0; fieldId < model->fieldDescriptors.size(); ++fieldId) {
        const TableModelFieldDescriptor* field = model->descriptor(fieldId);
        setRowHidden(fieldId, !field || (field->flags & FieldInternal));
    }
}

void SqlModelConfigurator::loadConfigurationFromFile(const QString& userFile, const QString& defaultFile)
{
    if (configurator)
        configurator->loadConfigurationFromFile(userFile, defaultFile);
}

void SqlModelConfigurator::slot_currentCellChanged(const QModelIndex& current, const QModelIndex&)
{
    const TableModelFieldDescriptor* field = configured ? configured->descriptor(current.row()) : nullptr;
    if (field)
        unitDelegate->quantity = field->quantity;
}

void SqlModelConfigurator::slot_doubleClickedHandler(const QModelIndex& index)
{
    if (!configurator || index.column() > SqlModelConfiguratorModel::VisibilityInEditor)
        return;
    if (!(configurator->flags(index) & Qt::ItemIsEnabled))
        return;
    const bool hidden = configurator->data(index, Qt::UserRole).toBool();
    configurator->setData(index, !hidden, Qt::EditRole);
    clearSelection();
}
