#pragma once

class QEvent;
class QLineEdit;
class QSortFilterProxyModel;
class QString;
class QTableView;

// The filter line of the program's pickers (the selection dialog, the online
// library browser): the operator types words to narrow a long list and moves
// through it with the arrow and page keys without leaving the filter, the
// same way in every picker.
class PickerFilter
{
public:
    // Each space-separated word becomes a look-ahead, so a row passes when one
    // of its column texts holds every word, in any order and case. The words
    // are taken as expressions, as typed; one that does not compile hides
    // every row rather than showing a list the operator did not ask for. When
    // rows remain and none is current, the first becomes current, so OK and
    // the keys act on what is shown.
    static void apply(QSortFilterProxyModel* proxy, QTableView* view, const QString& pattern);

    // For the picker's event filter on its filter line: Up, Down, Page Up and
    // Page Down move the table's current row by -1, +1, -5 and +5 (clamped;
    // nothing moves without a current row) and are consumed (returns true);
    // a focus gained other than by a mouse click selects the filter's text,
    // so typing replaces it.
    static bool handleFilterLineEvent(QLineEdit* filter, QTableView* view, QEvent* event);
};
