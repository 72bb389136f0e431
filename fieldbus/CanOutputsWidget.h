#pragma once

#include <QWidget>

class QTableView;
class QTimer;

// The "CAN outputs" page: the table of theCanOutputMessageModel with its
// imports and exports. The edit dialogs and the frame preview are not built
// yet; the refresh timer runs while the page is shown.
class CanOutputsWidget : public QWidget
{
    Q_OBJECT
public:
    explicit CanOutputsWidget(QWidget* parent = nullptr);
    // Loads "canOutputs.xml" and shows the list.
    void init();

    QTableView* tableView = nullptr;
    QTimer* refreshTimer = nullptr;

private:
    QList<int> selectedRows() const;
};
