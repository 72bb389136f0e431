#pragma once

#include <QList>

#include <functional>

class CanOutputMessage;
class QTableView;
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

} // namespace CanOutputsTableHelpers
