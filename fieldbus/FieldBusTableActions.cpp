#include "FieldBusTableActions.h"

#include "MyMenu.h"
#include "lib/DialogAnswerer.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>

FieldBusTableActions::FieldBusTableActions(QAbstractItemView* view, Actions actions)
    : QObject(view), view(view), actions(std::move(actions))
{
    view->installEventFilter(this);
}

QList<int> FieldBusTableActions::selectedRows(QAbstractItemView* view)
{
    QList<int> rows;
    if (QItemSelectionModel* selection = view->selectionModel()) {
        for (const QModelIndex& index : selection->selectedIndexes())
            if (!rows.contains(index.row()))
                rows.append(index.row());
    }
    return rows;
}

bool FieldBusTableActions::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != view)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_N:
            if (!actions.canAdd || actions.canAdd())
                actions.add();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            actions.edit(view->currentIndex().row(), false);
            return true;
        case Qt::Key_Delete:
            actions.remove(selectedRows(view));
            return true;
        default:
            return QObject::eventFilter(watched, event);
        }
    }
    if (event->type() == QEvent::ContextMenu) {
        contextMenu(static_cast<QContextMenuEvent*>(event)->pos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void FieldBusTableActions::contextMenu(const QPoint& position)
{
    const QModelIndex at = view->indexAt(view->viewport()->mapFrom(view, position));
    const int row = at.isValid() ? at.row() : -1;
    const QList<int> rows = selectedRows(view);
    MyMenu menu(view);
    QAction* edit = nullptr;
    QAction* remove = nullptr;
    QAction* importAction = nullptr;
    QAction* importServer = nullptr;
    QAction* exportAction = nullptr;
    if (actions.edit(row, true)) {
        edit = menu.addAction(QIcon::fromTheme(QStringLiteral("accessories-text-editor")), tr("Edit   -  Enter"));
        remove = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-delete")), tr("Delete -  Del"));
    }
    QAction* add = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("New    -  N"));
    add->setEnabled(!actions.canAdd || actions.canAdd());
    if (actions.import) {
        menu.addSeparator();
        importAction = menu.addAction(tr("Import file"));
        if (actions.importServer)
            importServer = menu.addAction(tr("Import from server"));
        if (!rows.isEmpty())
            exportAction = menu.addAction(tr("Export"));
    }
    QAction* chosen = DialogAnswerer::execMenu(&menu, view->mapToGlobal(position));
    if (!chosen)
        return;
    if (chosen == edit)
        actions.edit(row, false);
    else if (chosen == remove)
        actions.remove(rows);
    else if (chosen == add)
        actions.add();
    else if (chosen == importAction)
        actions.import();
    else if (chosen == importServer)
        actions.importServer();
    else if (chosen == exportAction)
        actions.exportRows(rows);
}
