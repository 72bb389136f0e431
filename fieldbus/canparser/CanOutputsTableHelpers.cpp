#include "CanOutputsTableHelpers.h"

#include "CanOutputChannelDialog.h"
#include "CanOutputMessageDialog.h"
#include "TriggerThread.h"
#include "lib/DialogAnswerer.h"

#include <QDialog>
#include <QItemSelectionModel>
#include <QTableView>

namespace CanOutputsTableHelpers {

namespace {

int runWithShortcuts(QDialog* dialog)
{
    if (theTriggerThread)
        theTriggerThread->reparentShortcuts(dialog);
    const int result = DialogAnswerer::exec(dialog);
    if (theTriggerThread)
        theTriggerThread->restoreDefaultShortcutsParent();
    return result;
}

} // namespace

QList<int> selectedRows(const QTableView* view)
{
    QList<int> rows;
    if (!view || !view->selectionModel())
        return rows;
    for (const QModelIndex& index : view->selectionModel()->selectedIndexes()) {
        if (!rows.contains(index.row()))
            rows.append(index.row());
    }
    return rows;
}

bool runMessageDialog(CanOutputMessage* message, QWidget* parent, const std::function<void()>& preview)
{
    CanOutputMessageDialog dialog(parent, message);
    if (preview)
        QObject::connect(&dialog, &CanOutputMessageDialog::signal_updatePreview, &dialog, preview);
    return runWithShortcuts(&dialog) == QDialog::Accepted;
}

bool runChannelDialog(CanOutputMessage* message, int index, const std::function<void()>& preview)
{
    CanOutputChannelDialog dialog(nullptr, message, index);
    if (preview)
        QObject::connect(&dialog, &CanOutputChannelDialog::signal_updatePreview, &dialog, preview);
    return runWithShortcuts(&dialog) == QDialog::Accepted;
}

} // namespace CanOutputsTableHelpers
