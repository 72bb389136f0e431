#include "PointVectorPlotView.h"

#include "PointVectorModel.h"

#include <QItemSelectionModel>

#include <cmath>
#include <limits>

namespace {

// The axis range around [min, max] with 5 % room; a zero span takes its room
// from the value itself. A range of no width leaves the axis as it is.
void applyRange(QCPAxis* axis, double min, double max, double span)
{
    double margin = 0.05 * span;
    if (margin == 0)
        margin = 0.05 * max;
    const double a = min - margin;
    const double b = max + margin;
    const QCPRange range(std::min(a, b), std::max(a, b));
    if (!(range.size() > 0))
        return;
    axis->setRange(range);
}

} // namespace

PointVectorPlotView::PointVectorPlotView(QWidget* parent)
    : QCustomPlot(parent)
{
    addGraph(xAxis, yAxis);
    marker = new QCPItemText(this);
    marker->setText(QStringLiteral("X"));
    marker->setColor(Qt::red);
    QFont font = marker->font();
    font.setWeight(QFont::Bold);
    font.setPixelSize(15);
    marker->setFont(font);
    marker->setPositionAlignment(Qt::AlignCenter);
    marker->position->setType(QCPItemPosition::ptPlotCoords);
    marker->position->setAxes(xAxis, yAxis);
    marker->position->setCoords(0, 0);
    xTicker.reset(new QCPAxisTickerText);
    yTicker.reset(new QCPAxisTickerText);
    xAxis->setTicker(xTicker);
    yAxis->setTicker(yTicker);
    setMinimumSize(300, 200);
    setAttribute(Qt::WA_NoMousePropagation, false);
}

void PointVectorPlotView::setModel(PointVectorModel* model)
{
    pointModel = model;
    connect(model, &QAbstractItemModel::columnsInserted, this, &PointVectorPlotView::slot_columnsInserted);
    connect(model, &QAbstractItemModel::columnsRemoved, this, &PointVectorPlotView::slot_columnsRemoved);
    connect(model, &QAbstractItemModel::dataChanged, this, &PointVectorPlotView::slot_dataChanged);
    connect(model, &QAbstractItemModel::headerDataChanged, this, &PointVectorPlotView::slot_headerDataChanged);
    updateData();
    slot_headerDataChanged(Qt::Vertical, 0, 1);
}

void PointVectorPlotView::setSelectionModel(QItemSelectionModel* selectionModel)
{
    pointSelection = selectionModel;
    connect(selectionModel, &QItemSelectionModel::selectionChanged, this,
            &PointVectorPlotView::slot_selectionChanged);
}

void PointVectorPlotView::slot_columnsInserted(const QModelIndex&, int, int)
{
    updateData();
}

void PointVectorPlotView::slot_columnsRemoved(const QModelIndex&, int, int)
{
    updateData();
}

void PointVectorPlotView::slot_dataChanged(const QModelIndex&, const QModelIndex&, const QList<int>&)
{
    updateData();
}

void PointVectorPlotView::slot_headerDataChanged(Qt::Orientation orientation, int, int)
{
    if (orientation == Qt::Vertical && pointModel) {
        xAxis->setLabel(pointModel->headerData(1, Qt::Vertical, Qt::DisplayRole).toString());
        yAxis->setLabel(pointModel->headerData(0, Qt::Vertical, Qt::DisplayRole).toString());
    }
    replot(QCustomPlot::rpRefreshHint);
}

void PointVectorPlotView::slot_selectionChanged(const QItemSelection&, const QItemSelection&)
{
    updateTracerPosition();
}

void PointVectorPlotView::updateData()
{
    if (!pointModel)
        return;
    const int n = pointModel->columnCount();
    QVector<double> xs;
    QVector<double> ys;
    xs.reserve(n);
    ys.reserve(n);
    xTicker->clear();
    yTicker->clear();
    const double infinity = std::numeric_limits<double>::infinity();
    double xMin = infinity;
    double xMax = -infinity;
    double yMin = infinity;
    double yMax = -infinity;
    for (int column = 0; column < n; ++column) {
        const double x = pointModel->data(pointModel->index(1, column), Qt::EditRole).toDouble();
        const double y = pointModel->data(pointModel->index(0, column), Qt::EditRole).toDouble();
        xs.append(x);
        ys.append(y);
        xMin = std::min(xMin, x);
        xMax = std::max(xMax, x);
        yMin = std::min(yMin, y);
        yMax = std::max(yMax, y);
    }
    const double xSpan = xMax - xMin;
    const double ySpan = yMax - yMin;

    // Every point gets a tick on both axes; a label closer than a fifth of
    // the x span (a tenth of the y span) to the last shown one stays blank,
    // so that crowded labels do not overwrite each other.
    double lastX = 0;
    double lastY = 0;
    for (int column = 0; column < n; ++column) {
        const double x = xs.at(column);
        const double y = ys.at(column);
        QString xText = pointModel->data(pointModel->index(1, column), Qt::DisplayRole).toString();
        QString yText = pointModel->data(pointModel->index(0, column), Qt::DisplayRole).toString();
        if (column == 0) {
            lastX = x;
            lastY = y;
        } else {
            const double xRatio = std::abs(x - lastX) / xSpan;
            if (xRatio < 0.2 && xRatio > 0)
                xText.clear();
            else
                lastX = x;
            const double yRatio = std::abs(y - lastY) / ySpan;
            if (yRatio < 0.1 && yRatio > 0)
                yText.clear();
            else
                lastY = y;
        }
        xTicker->addTick(x, xText);
        yTicker->addTick(y, yText);
    }

    if (n > 0) {
        applyRange(xAxis, xMin, xMax, xSpan);
        applyRange(yAxis, yMin, yMax, ySpan);
    }
    graph(0)->setData(xs, ys, false);
    updateTracerPosition();
    replot(QCustomPlot::rpQueuedReplot);
}

void PointVectorPlotView::updateTracerPosition()
{
    int column = 0;
    if (pointSelection && !pointSelection->selection().isEmpty())
        column = pointSelection->selection().first().topLeft().column();
    double x = 0;
    double y = 0;
    if (pointModel && column >= 0 && column < pointModel->columnCount()) {
        x = pointModel->data(pointModel->index(1, column), Qt::EditRole).toDouble();
        y = pointModel->data(pointModel->index(0, column), Qt::EditRole).toDouble();
    }
    marker->position->setCoords(x, y);
    replot(QCustomPlot::rpQueuedReplot);
}

void PointVectorPlotView::wheelEvent(QWheelEvent* event)
{
    if (parentWidget()) {
        QCoreApplication::sendEvent(parentWidget(), event);
        return;
    }
    QCustomPlot::wheelEvent(event);
}
