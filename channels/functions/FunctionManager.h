#pragma once

#include <QWidget>

class QTableView;
class QTimer;

// The "Functions" page of the settings: the table of theFunctionsModel. Its
// init loads "functions.xml" and starts the 10 ms evaluation and the 500 ms
// value refresh, so live evaluation begins when the page is initialised.
class FunctionManager : public QWidget
{
    Q_OBJECT
public:
    explicit FunctionManager(QWidget* parent = nullptr);

    // Once, when the channel registry and the other input families exist.
    void init();

    QTableView* tableView = nullptr;
    QTimer* evaluationTimer = nullptr;
    QTimer* displayTimer = nullptr;

private:
    bool initialized = false;
};
