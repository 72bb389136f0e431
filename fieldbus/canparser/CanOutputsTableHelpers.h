#pragma once

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QList>
#include <QTableView>

#include <functional>

class CanOutputMessage;
class QWidget;

// What the two tables of the CAN outputs page share: the rows of a table's
// selection and the modal runs of the edit dialogs, with the trigger
// shortcuts moved onto the open dialog so that they keep firing.
namespace CanOutputsTableHelpers {

// The distinct selected rows of the table, in order of first appearance.
QList<int> selectedRows(const QTableView* view);
// True when the dialog was accepted.
// `preview` runs at every change the open dialog makes.
bool runMessageDialog(CanOutputMessage* message, QWidget* parent, const std::function<void()>& preview);
bool runChannelDialog(CanOutputMessage* message, int index, const std::function<void()>& preview);

// The keys and the context menu both tables answer the same way: N new,
// Return edit, Delete remove, the menu for the row under the pointer. True
// when the event was taken.
template<class Model>
bool handleTableEvent(Model* model, QTableView* view, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_N:
            model->action_new();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            model->action_edit(view->currentIndex().row(), false);
            return true;
        case Qt::Key_Delete:
            model->action_remove(selectedRows(view));
            return true;
        default:
            return false;
        }
    }
    if (event->type() == QEvent::ContextMenu) {
        const QPoint global = static_cast<QContextMenuEvent*>(event)->globalPos();
        model->showContextMenu(view->indexAt(view->viewport()->mapFromGlobal(global)).row(), selectedRows(view),
                               global);
        return true;
    }
    return false;
}

} // namespace CanOutputsTableHelpers
