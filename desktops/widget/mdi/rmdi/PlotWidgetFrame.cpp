#include "PlotWidgetFrame.h"

#include "AbstractMdiWidget.h"

#include <QFrame>
#include <QVBoxLayout>
#include <qcustomplot.h>

QCustomPlot* buildPlotFrame(AbstractMdiWidget* widget, QFrame** frameOut)
{
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* frame = new QFrame(widget);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    QPalette pal = frame->palette();
    pal.setColor(QPalette::WindowText, Qt::gray);
    frame->setPalette(pal);
    frame->setMouseTracking(true);
    layout->addWidget(frame);
    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(0, 0, 0, 0);
    auto* plot = new QCustomPlot(frame);
    plot->setMouseTracking(true);
    inner->addWidget(plot);
    // The plot keeps the mouse events it gets; the frame passes them on to the
    // widget, whose own filter handles them. Filtering the frame as well would
    // handle one press twice, and a click would select and deselect at once.
    plot->installEventFilter(widget);
    plot->setPlottingHint(QCP::phFastPolylines, true);
    plot->setContextMenuPolicy(Qt::CustomContextMenu);
    widget->setMinimumSize(220, 220);
    if (frameOut)
        *frameOut = frame;
    return plot;
}
