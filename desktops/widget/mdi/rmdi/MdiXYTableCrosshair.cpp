#include "MdiXYTableCrosshair.h"

#include "RMdiXYTableModel.h"

#include <QHeaderView>
#include <QPainter>
#include <QTableView>

MdiXYTableCrosshair::MdiXYTableCrosshair(QTableView* view, RMdiXYTableModel* model)
    : QWidget(view), view(view), model(model)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void MdiXYTableCrosshair::paintEvent(QPaintEvent*)
{
    setGeometry(view->contentsRect());
    if (!model->hasCurrentCell)
        return;
    const int column = model->currentColumnBin;
    int row = model->currentRowBin;
    float relY = model->relativeY;
    if (row >= 0 && model->invertY) {
        row = model->rowCount() - 1 - row;
        relY = -relY;
    }
    QPainter painter(this);
    const int headerW = view->verticalHeader()->width();
    const int headerH = view->horizontalHeader()->height();
    if (column >= 0) {
        const int px = int(view->columnViewportPosition(column) + headerW
                           + view->columnWidth(column) * (double(model->relativeX) + 0.5));
        if (px > 0)
            painter.drawLine(px, headerH, px, height());
    }
    if (row >= 0) {
        const int py = int(view->rowViewportPosition(row) + headerH + view->rowHeight(row) * (double(relY) + 0.5));
        if (py > 0)
            painter.drawLine(headerW, py, width(), py);
    }
}
