// The CAN outputs page's operations on the message list: new, edit, the
// CANopen tool's ready-made messages, the library import, and the menu and
// keys of the message table.
#include "CanOutputMessageModel.h"

#include "CANMonitor.h"
#include "CanOutputMessage.h"
#include "CanOutputsTableHelpers.h"
#include "MyMenu.h"
#include "NetworkFileBrowser.h"
#include "ShortcutParents.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QContextMenuEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QTableView>
#include <QTimer>

Qt::ItemFlags CanOutputMessageModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void CanOutputMessageModel::addAndEdit(CanOutputMessage* message)
{
    addOutput(message);
    emit signal_selectLast();
    const bool accepted = CanOutputsTableHelpers::runMessageDialog(message, ShortcutParents::mainWindow(),
                                                                   [this] { emit signal_updatePreview(); });
    if (accepted) {
        const int row = int(messages.size()) - 1;
        emit dataChanged(index(row, 0), index(row, columnTotal - 1));
        saveTimer->start();
    } else {
        removeRows(int(messages.size()) - 1, 1);
    }
    emit signal_updatePreview();
}

void CanOutputMessageModel::action_new()
{
    addAndEdit(new CanOutputMessage());
}

bool CanOutputMessageModel::action_edit(int row, bool checkOnly)
{
    if (row < 0 || row >= messages.size())
        return false;
    if (checkOnly)
        return true;
    if (CanOutputsTableHelpers::runMessageDialog(messages.at(row), ShortcutParents::mainWindow(),
                                                 [this] { emit signal_updatePreview(); })) {
        emit dataChanged(index(row, 0), index(row, columnTotal - 1));
        saveTimer->start();
    }
    emit signal_updatePreview();
    return true;
}

void CanOutputMessageModel::slot_doubleClicked(const QModelIndex& index)
{
    if (index.isValid())
        action_edit(index.row(), false);
}

void CanOutputMessageModel::addCANOutputMessage(CanOutputMessage* message)
{
    for (int row = 0; row < messages.size(); ++row) {
        const CanOutputMessage* other = messages.at(row);
        if (other->canId == message->canId && other->initialData == message->initialData
            && other->channelId == message->channelId) {
            Tools::showInfo(tr("A similar message already exists. It will be opened for editing."));
            message->neutralizeTrigger();
            delete message;
            action_edit(row, false);
            return;
        }
    }
    addAndEdit(message);
}

void CanOutputMessageModel::action_importServer()
{
    const QString folder = QStringLiteral("canoutputs");
    NetworkFileBrowser browser(NetworkFileBrowser::listAddress(folder), NetworkFileBrowser::fileAddress(folder),
                               QStringLiteral("xml"), nullptr);
    if (!browser.fileContent.isEmpty())
        loadFromString(browser.fileContent);
}

void CanOutputMessageModel::showContextMenu(int row, const QList<int>& selectedRows, const QPoint& globalPosition)
{
    MyMenu menu;
    QAction* edit = nullptr;
    QAction* remove = nullptr;
    if (row >= 0 && row < messages.size()) {
        edit = menu.addAction(QIcon::fromTheme(QStringLiteral("accessories-text-editor")), tr("Edit   -  Enter"));
        remove = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-delete")), tr("Delete -  Del"));
    }
    QAction* create = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("New    -  N"));
    QAction* monitor =
        menu.addAction(QIcon::fromTheme(QStringLiteral("utilities-system-monitor")), tr("Show CAN Monitor"));
    menu.addSeparator();
    QAction* importFile = menu.addAction(tr("Import file"));
    QAction* importServer = menu.addAction(tr("Import from server"));
    QAction* exportXml = nullptr;
    QAction* exportDbc = nullptr;
    if (!selectedRows.isEmpty()) {
        exportXml = menu.addAction(tr("Export"));
        exportDbc = menu.addAction(tr("Export DBC"));
    }
    QAction* chosen = DialogAnswerer::execMenu(&menu, globalPosition);
    if (!chosen)
        return;
    if (chosen == edit)
        action_edit(row, false);
    else if (chosen == remove)
        action_remove(selectedRows);
    else if (chosen == create)
        action_new();
    else if (chosen == monitor)
        CANMonitor::openModal(nullptr);
    else if (chosen == importFile)
        action_import();
    else if (chosen == importServer)
        action_importServer();
    else if (chosen == exportXml)
        action_export(selectedRows);
    else if (chosen == exportDbc)
        action_exportDBC(selectedRows);
}

bool CanOutputMessageModel::eventFilter(QObject* watched, QEvent* event)
{
    if (view && CanOutputsTableHelpers::handleTableEvent(this, view, event))
        return true;
    return QAbstractTableModel::eventFilter(watched, event);
}
