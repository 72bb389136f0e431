#include "CanOutputChannelModel.h"

#include "Argument.h"
#include "CANMonitor.h"
#include "CanOutputChannel.h"
#include "CanOutputChannelDialog.h"
#include "CanOutputMessage.h"
#include "CanOutputsTableHelpers.h"
#include "MyMenu.h"
#include "TriggerThread.h"
#include "lib/DialogAnswerer.h"
#include "lib/Unit.h"

#include <QContextMenuEvent>
#include <QDialog>
#include <QIcon>
#include <QKeyEvent>
#include <QTableView>

CanOutputChannelModel::CanOutputChannelModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int CanOutputChannelModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !current ? 0 : int(current->channels.size());
}

int CanOutputChannelModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnTotal;
}

Qt::ItemFlags CanOutputChannelModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

QVariant CanOutputChannelModel::data(const QModelIndex& index, int role) const
{
    if (!current || !index.isValid() || index.row() >= current->channels.size())
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const CanOutputChannel* c = current->channels.at(index.row());
    switch (index.column()) {
    case 0:
        return c->outputUnit ? c->outputUnit->name : QString();
    case 1:
        return c->multiplier;
    case 2:
        return c->divider;
    case 3:
        return c->offset;
    case 4:
        return c->isSigned == Signedness_signed ? QStringLiteral("S") : QStringLiteral("U");
    case 5:
        return c->bitCount;
    case 6:
        return c->byteOffset;
    case 7:
        return c->bitOffset;
    case 8:
        return c->argument ? c->argument->getDescription() : QString();
    case 9:
        return c->comment;
    default:
        return QVariant();
    }
}

QVariant CanOutputChannelModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QVariant();
    static const char* const titles[columnTotal] = {"Unit", "Mul.", "Div.", "Offset", "Sign.",
                                                    "Bits", "Byte <<", "Bit <<", "Argument", "Comment"};
    if (section < 0 || section >= columnTotal)
        return QVariant();
    return tr(titles[section]);
}

void CanOutputChannelModel::setMessage(CanOutputMessage* message)
{
    beginResetModel();
    current = message;
    endResetModel();
}

void CanOutputChannelModel::addChannel(CanOutputChannel* channel)
{
    if (!current)
        return;
    const int row = current->channelCount();
    beginInsertRows(QModelIndex(), row, row);
    current->addChannel(channel);
    endInsertRows();
    emit dataChanged(index(row, 0), index(row, columnTotal - 1));
}

bool CanOutputChannelModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (!current || row < 0 || count < 1 || row + count > current->channelCount())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        current->removeChannel(row);
    endRemoveRows();
    return true;
}

void CanOutputChannelModel::action_new()
{
    if (!current)
        return;
    addChannel(new CanOutputChannel());
    const int row = current->channelCount() - 1;
    emit signal_selectLast();
    if (CanOutputsTableHelpers::runChannelDialog(current, row, [this] { emit signal_updatePreview(); }))
        emit signal_saveRequest();
    else
        removeRows(row, 1);
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnTotal - 1));
    emit signal_updatePreview();
}

bool CanOutputChannelModel::action_edit(int row, bool checkOnly)
{
    if (!current || row < 0 || row >= current->channelCount())
        return false;
    if (checkOnly)
        return true;
    if (CanOutputsTableHelpers::runChannelDialog(current, row, [this] { emit signal_updatePreview(); })) {
        emit dataChanged(index(row, 0), index(row, columnTotal - 1));
        emit signal_saveRequest();
    }
    emit signal_updatePreview();
    return true;
}

bool CanOutputChannelModel::action_remove(QList<int> rows)
{
    if (!current || rows.isEmpty())
        return false;
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : std::as_const(rows))
        removeRows(row, 1);
    emit signal_saveRequest();
    emit signal_updatePreview();
    return true;
}

void CanOutputChannelModel::slot_doubleClicked(const QModelIndex& index)
{
    if (index.isValid())
        action_edit(index.row(), false);
}

void CanOutputChannelModel::showContextMenu(int row, const QList<int>& selectedRows, const QPoint& globalPosition)
{
    MyMenu menu;
    QAction* edit = nullptr;
    QAction* remove = nullptr;
    if (row >= 0) {
        edit = menu.addAction(QIcon::fromTheme(QStringLiteral("accessories-text-editor")), tr("Edit   -  Enter"));
        remove = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-delete")), tr("Delete -  Del"));
    }
    QAction* create = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("New    -  N"));
    create->setEnabled(current != nullptr);
    QAction* monitor =
        menu.addAction(QIcon::fromTheme(QStringLiteral("utilities-system-monitor")), tr("Show CAN Monitor"));
    QAction* chosen = DialogAnswerer::execMenu(&menu, globalPosition);
    if (!chosen)
        return;
    if (chosen == edit)
        action_edit(row, false);
    else if (chosen == remove)
        action_remove(selectedRows);
    else if (chosen == create && current)
        action_new();
    else if (chosen == monitor)
        CANMonitor::openModal(nullptr);
}

bool CanOutputChannelModel::eventFilter(QObject* watched, QEvent* event)
{
    if (view && CanOutputsTableHelpers::handleTableEvent(this, view, event))
        return true;
    return QAbstractTableModel::eventFilter(watched, event);
}
