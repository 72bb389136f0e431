#pragma once

#include <QList>
#include <QObject>

#include <functional>

class QAbstractItemView;
class QMenu;
class QPoint;

// The keys and context menu shared by the four tables of the Modbus and
// serial-input pages: N new, Return or Enter edit the current row, Delete
// removes the selected rows; the menu offers Edit and Delete for the row
// under the pointer, New, and on the tables of interfaces and devices the
// import and export entries. Installed as the view's event filter; the
// actions are the model's.
class FieldBusTableActions : public QObject
{
    Q_OBJECT
public:
    struct Actions {
        std::function<bool()> canAdd;                    // New enabled (null: always)
        std::function<void()> add;                       // New
        std::function<bool(int row, bool checkOnly)> edit;
        std::function<bool(const QList<int>& rows)> remove;
        std::function<void()> import;                    // null: no import entries
        std::function<void()> importServer;              // null: no "Import from server"
        std::function<void(const QList<int>& rows)> exportRows;
    };

    FieldBusTableActions(QAbstractItemView* view, Actions actions);

    bool eventFilter(QObject* watched, QEvent* event) override;

    // Each selected row once, in the order first selected.
    static QList<int> selectedRows(QAbstractItemView* view);
    // The menu at a point of the view (view coordinates), then what was chosen runs.
    void contextMenu(const QPoint& position);

private:
    QAbstractItemView* view;
    Actions actions;
};
