#include "ModbusFunctionModel.h"

#include "ModbusFunction.h"
#include "ModbusFunctionDialog.h"
#include "ModbusInterface.h"
#include "ModbusInterfaceModel.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <algorithm>

ModbusFunctionModel::ModbusFunctionModel(QObject* parent) : QAbstractTableModel(parent) {}

QList<ModbusFunction*> ModbusFunctionModel::functions() const
{
    return interface ? interface->functionList() : QList<ModbusFunction*>();
}

void ModbusFunctionModel::connectFunction(ModbusFunction* function)
{
    connect(function, &RunChannel::signal_newData, this, &ModbusFunctionModel::slot_functionDataAndTimestampChanged,
            Qt::UniqueConnection);
}

void ModbusFunctionModel::setInterface(ModbusInterface* shown)
{
    beginResetModel();
    for (ModbusFunction* f : functions())
        disconnect(f, nullptr, this, nullptr);
    if (interface)
        disconnect(interface, &QObject::destroyed, this, nullptr);
    interface = shown;
    if (interface) {
        for (ModbusFunction* f : functions())
            connectFunction(f);
        // A removed interface leaves an empty table, not a dangling one.
        connect(interface, &QObject::destroyed, this, [this] {
            beginResetModel();
            interface = nullptr;
            endResetModel();
        });
    }
    endResetModel();
}

int ModbusFunctionModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(functions().size());
}

int ModbusFunctionModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 5;
}

QVariant ModbusFunctionModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const QList<ModbusFunction*> list = functions();
    if (index.row() >= list.size())
        return QVariant();
    const ModbusFunction* f = list.at(index.row());
    switch (index.column()) {
    case 0:
        return f->getChildName();
    case 1:
        return int(f->functionCode);
    case 2:
        return QStringLiteral("%1:%2").arg(f->slaveId, 0, 16).arg(f->address, 0, 16);
    case 3:
        return f->getTimestampString();
    case 4:
        return f->getModbusValueString();
    default:
        return QVariant();
    }
}

QVariant ModbusFunctionModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QString::number(section);
    switch (section) {
    case 0:
        return tr("Name");
    case 1:
        return tr("Code");
    case 2:
        return tr("Addr.");
    case 3:
        return tr("Timestamp");
    case 4:
        return tr("Value");
    default:
        return QVariant();
    }
}

void ModbusFunctionModel::slot_functionDataAndTimestampChanged()
{
    const int row = int(functions().indexOf(qobject_cast<ModbusFunction*>(sender())));
    if (row >= 0)
        emit dataChanged(index(row, 3), index(row, 4));
}

void ModbusFunctionModel::addFunction(ModbusFunction* function)
{
    if (!interface)
        return;
    const int row = int(functions().size());
    beginInsertRows(QModelIndex(), row, row);
    const bool added = interface->addFunction(function);
    endInsertRows();
    if (!added)
        return;
    connectFunction(function);
    emit dataChanged(index(row, 0), index(row, 4));
}

bool ModbusFunctionModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (!interface || row < 0 || count < 1 || row + count - 1 >= functions().size())
        return false;
    // Later functions would be renumbered and their earlier samples filed
    // under other channels.
    if (ModbusInterfaceModel::runRecording && ModbusInterfaceModel::runRecording()) {
        Tools::showError(tr("Modbus functions cannot be removed while a run is recorded"));
        return false;
    }
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        interface->removeFunction(row);
    endRemoveRows();
    return true;
}

void ModbusFunctionModel::action_new()
{
    if (!interface)
        return;
    if (functions().size() >= ModbusInterface::maxFunctions) {
        Tools::showError(tr("Maximum 256 functions are available"));
        return;
    }
    ModbusInterface* shown = interface;
    auto* function = new ModbusFunction();
    function->responseTextsEnabled = true;
    addFunction(function);
    const int row = int(functions().size()) - 1;
    shown->beginEdit(row);
    bool accepted = false;
    {
        // Gone before a cancelled function is deleted.
        ModbusFunctionDialog dialog(nullptr, function, shown);
        dialog.existingNames = theModbusInterfacesModel.getUsedChannelNames();
        dialog.existingNames.removeOne(function->getChildName());
        accepted = DialogAnswerer::exec(&dialog) == QDialog::Accepted;
    }
    if (accepted) {
        emit signal_saveRequest();
        function->responseTextsEnabled = false;
    } else if (interface == shown) {
        beginRemoveRows(QModelIndex(), row, row);
        shown->removeFunction(row);
        endRemoveRows();
    }
    shown->endEdit();
}

bool ModbusFunctionModel::action_edit(int row, bool checkOnly)
{
    if (!interface || row < 0 || row >= functions().size())
        return false;
    if (checkOnly)
        return true;
    ModbusInterface* shown = interface;
    ModbusFunction* function = functions().at(row);
    shown->beginEdit(row);
    function->responseTextsEnabled = true;
    ModbusFunctionDialog dialog(nullptr, function, shown);
    dialog.existingNames = theModbusInterfacesModel.getUsedChannelNames();
    dialog.existingNames.removeOne(function->getChildName());
    if (DialogAnswerer::exec(&dialog) == QDialog::Accepted) {
        emit dataChanged(index(row, 0), index(row, 4));
        emit signal_saveRequest();
    }
    // Polling goes on with the function after the edited one.
    shown->endEdit();
    function->responseTextsEnabled = false;
    return true;
}

bool ModbusFunctionModel::action_remove(const QList<int>& rows)
{
    if (!interface || rows.isEmpty())
        return false;
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    for (int row : sorted)
        removeRows(row, 1);
    emit signal_saveRequest();
    return true;
}

void ModbusFunctionModel::slot_doubleClicked(const QModelIndex& index)
{
    if (index.isValid())
        action_edit(index.row(), false);
}
