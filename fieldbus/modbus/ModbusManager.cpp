#include "ModbusManager.h"

#include "FieldBusTableActions.h"
#include "ModbusFunctionModel.h"
#include "ModbusInterfaceModel.h"
#include "MySettings.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableView>

ModbusManager::ModbusManager(QWidget* parent) : QWidget(parent) {}

QList<QString> ModbusManager::getUsedChannelNames()
{
    return theModbusInterfacesModel.getUsedChannelNames();
}

void ModbusManager::updateArgumentPointers()
{
    theModbusInterfacesModel.updateArgumentPointers();
}

void ModbusManager::init()
{
    if (functionModel)
        return;
    ModbusInterfaceModel* model = &theModbusInterfacesModel;
    functionModel = new ModbusFunctionModel(this);
    connect(functionModel, &ModbusFunctionModel::signal_saveRequest, model, &ModbusInterfaceModel::slot_saveToFile);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    interfacesTable = new QTableView(this);
    interfacesTable->setModel(model);
    interfacesTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    interfacesTable->horizontalHeader()->setObjectName(QStringLiteral("modbusManager_interfaceTable_header"));
    interfacesTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    interfacesTable->horizontalHeader()->setStretchLastSection(true);
    interfacesTable->verticalHeader()->hide();
    connect(interfacesTable, &QTableView::doubleClicked, model, &ModbusInterfaceModel::slot_doubleClicked);
    layout->addWidget(interfacesTable);

    functionsTable = new QTableView(this);
    functionsTable->setModel(functionModel);
    functionsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    functionsTable->horizontalHeader()->setObjectName(QStringLiteral("modbusManager_functionsTable_header"));
    theSettings.connectHeaderView(functionsTable->horizontalHeader());
    functionsTable->horizontalHeader()->setStretchLastSection(true);
    functionsTable->verticalHeader()->hide();
    connect(functionsTable, &QTableView::doubleClicked, functionModel, &ModbusFunctionModel::slot_doubleClicked);
    layout->addWidget(functionsTable);

    connect(qApp, &QCoreApplication::aboutToQuit, model, &ModbusInterfaceModel::slot_saveToFile);
    connect(model, &ModbusInterfaceModel::signal_selectLast, interfacesTable,
            [this, model] { interfacesTable->selectRow(model->rowCount() - 1); });
    connect(interfacesTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ModbusManager::slot_deviceSelectionChanged);

    interfaceActions = new FieldBusTableActions(
        interfacesTable, {nullptr, [model] { model->action_new(); },
                          [model](int row, bool check) { return model->action_edit(row, check); },
                          [model](const QList<int>& rows) { return model->action_remove(rows); },
                          [model] { model->action_import(); }, nullptr,
                          [model](const QList<int>& rows) { model->action_export(rows); }});
    ModbusFunctionModel* functions = functionModel;
    functionActions = new FieldBusTableActions(
        functionsTable, {[functions] { return functions->shownInterface() != nullptr; },
                         [functions] { functions->action_new(); },
                         [functions](int row, bool check) { return functions->action_edit(row, check); },
                         [functions](const QList<int>& rows) { return functions->action_remove(rows); }, nullptr,
                         nullptr, nullptr});
}

void ModbusManager::slot_deviceSelectionChanged(const QItemSelection& selected, const QItemSelection&)
{
    if (selected.indexes().isEmpty()) {
        functionModel->setInterface(nullptr);
        return;
    }
    functionModel->setInterface(theModbusInterfacesModel.interface(selected.indexes().first().row()));
}
