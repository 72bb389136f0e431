#pragma once

#include <QSharedPointer>
#include <qcustomplot.h>

class PointVectorModel;
class QItemSelection;
class QItemSelectionModel;

// Draws a characteristic's points as a line graph whose ticks sit exactly on
// the points, labelled as the table shows them, and marks the selected point
// with a red X. Rebuilt completely on every change of the model.
class PointVectorPlotView : public QCustomPlot
{
    Q_OBJECT
public:
    explicit PointVectorPlotView(QWidget* parent);

    void setModel(PointVectorModel* model);
    void setSelectionModel(QItemSelectionModel* selectionModel);
    void updateData();
    void updateTracerPosition();

    QSharedPointer<QCPAxisTickerText> xTicker;
    QSharedPointer<QCPAxisTickerText> yTicker;
    QCPItemText* marker = nullptr;
    PointVectorModel* pointModel = nullptr;
    QItemSelectionModel* pointSelection = nullptr;

public Q_SLOTS:
    void slot_columnsInserted(const QModelIndex& parent, int first, int last);
    void slot_columnsRemoved(const QModelIndex& parent, int first, int last);
    void slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    void slot_headerDataChanged(Qt::Orientation orientation, int first, int last);
    void slot_selectionChanged(const QItemSelection& selected, const QItemSelection& deselected);

protected:
    // A plot inside a scrolling page lets the page scroll.
    void wheelEvent(QWheelEvent* event) override;
};
