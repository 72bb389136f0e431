#pragma once

#include <QWidget>

class RunListModel;

// The "Database tools" panel of the project settings: buttons for the run
// table's maintenance operations, each of which asks and reports on its own.
class DatabaseTools : public QWidget
{
    Q_OBJECT
public:
    explicit DatabaseTools(QWidget* parent = nullptr);
    void setModel(RunListModel* model);
};
