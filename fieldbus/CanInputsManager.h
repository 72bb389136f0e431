#pragma once

#include <QWidget>

class MyTableView;

// The "CAN inputs" page: the table of theCanInputsModel. Its keys, context
// menu and double click reach the model's operations (edit, new, duplicate,
// delete, move, imports, replay, readdressing, export, CAN monitor).
class CanInputsManager : public QWidget
{
    Q_OBJECT
public:
    explicit CanInputsManager(QWidget* parent = nullptr);

    MyTableView* tableView = nullptr;
};
