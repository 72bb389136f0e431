#pragma once

#include <QWidget>

class QTableView;
class RMdiXYTableModel;

// The lines over the live X-Y table that show where the operating point lies
// inside its current cell.
class MdiXYTableCrosshair : public QWidget
{
    Q_OBJECT
public:
    MdiXYTableCrosshair(QTableView* view, RMdiXYTableModel* model);

    QTableView* view;
    RMdiXYTableModel* model;

protected:
    void paintEvent(QPaintEvent* event) override;
};
