#pragma once

#include <QWidget>

class QTableView;

// The "CAN inputs" page: the table of theCanInputsModel and the actions that
// import, replay and readdress inputs. The dialog editor is not built yet.
class CanInputsManager : public QWidget
{
    Q_OBJECT
public:
    explicit CanInputsManager(QWidget* parent = nullptr);

    QTableView* tableView = nullptr;

private:
    QList<int> selectedRows() const;
};
