#include "SerialInputsManager.h"

#include "FieldBusTableActions.h"
#include "MySettings.h"
#include "SerialInputDevicesModel.h"
#include "SerialInputsModel.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableView>

SerialInputsManager::SerialInputsManager(QWidget* parent) : QWidget(parent) {}

QList<QString> SerialInputsManager::getUsedChannelNames()
{
    return theSerialDevicesModel.getUsedChannelNames();
}

void SerialInputsManager::init()
{
    if (channelModel)
        return;
    SerialInputDevicesModel* model = &theSerialDevicesModel;
    channelModel = new SerialInputsModel(this);
    connect(channelModel, &SerialInputsModel::signal_saveRequest, model, &SerialInputDevicesModel::slot_saveToFile);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    devicesTable = new QTableView(this);
    devicesTable->setModel(model);
    devicesTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    devicesTable->horizontalHeader()->setObjectName(QStringLiteral("serialInputsManager_devicesTable_header"));
    devicesTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    devicesTable->horizontalHeader()->setStretchLastSection(true);
    devicesTable->verticalHeader()->hide();
    connect(devicesTable, &QTableView::doubleClicked, model, &SerialInputDevicesModel::slot_doubleClicked);
    layout->addWidget(devicesTable);

    channelsTable = new QTableView(this);
    channelsTable->setModel(channelModel);
    channelsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    channelsTable->horizontalHeader()->setObjectName(QStringLiteral("serialInputsManager_channelsTable_header"));
    theSettings.connectHeaderView(channelsTable->horizontalHeader());
    channelsTable->horizontalHeader()->setStretchLastSection(true);
    channelsTable->verticalHeader()->hide();
    connect(channelsTable, &QTableView::doubleClicked, channelModel, &SerialInputsModel::slot_doubleClicked);
    layout->addWidget(channelsTable);

    connect(qApp, &QCoreApplication::aboutToQuit, model, &SerialInputDevicesModel::slot_saveToFile);
    connect(model, &SerialInputDevicesModel::signal_selectLast, devicesTable,
            [this, model] { devicesTable->selectRow(model->rowCount() - 1); });
    connect(devicesTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SerialInputsManager::slot_deviceSelectionChanged);

    deviceActions = new FieldBusTableActions(
        devicesTable, {nullptr, [model] { model->action_new(); },
                       [model](int row, bool check) { return model->action_edit(row, check); },
                       [model](const QList<int>& rows) { return model->action_remove(rows); },
                       [model] { model->action_import(); }, [model] { model->action_importServer(); },
                       [model](const QList<int>& rows) { model->action_export(rows); }});
    SerialInputsModel* channels = channelModel;
    channelActions = new FieldBusTableActions(
        channelsTable, {[channels] { return channels->shownDevice() != nullptr; },
                        [channels] { channels->action_new(); },
                        [channels](int row, bool check) { return channels->action_edit(row, check); },
                        [channels](const QList<int>& rows) { return channels->action_remove(rows); }, nullptr,
                        nullptr, nullptr});
}

void SerialInputsManager::slot_deviceSelectionChanged(const QItemSelection& selected, const QItemSelection&)
{
    if (selected.indexes().isEmpty()) {
        channelModel->setDevice(nullptr);
        return;
    }
    channelModel->setDevice(theSerialDevicesModel.device(selected.indexes().first().row()));
}
