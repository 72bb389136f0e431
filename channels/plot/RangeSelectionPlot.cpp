#include "RangeSelectionPlot.h"

#include "ChannelSetup.h"
#include "MyMenu.h"
#include "PathSaver.h"
#include "TrackingLine.h"
#include "VectorChannel.h"
#include "functions/AbstractRunData.h"

#include <QIcon>
#include <QKeyEvent>
#include <QRubberBand>
#include <QScrollBar>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The run-table field of the peak engine speed.
constexpr int kPeakEngineSpeedField = 22;

} // namespace

RangeSelectionPlot::RangeSelectionPlot(QWidget* parent)
    : QFrame(parent)
{
    customPlot = new QCustomPlot(this);
    scrollBar = new QScrollBar(Qt::Horizontal, this);
    plotAxes[PlotAxis_left] = customPlot->yAxis;
    plotAxes[PlotAxis_right] = customPlot->yAxis2;
    plotAxes[PlotAxis_bottom] = customPlot->xAxis;
    connect(scrollBar, &QScrollBar::valueChanged, this, &RangeSelectionPlot::slot_scrollTo);
    connect(customPlot->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            &RangeSelectionPlot::slot_rangeChanged);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(customPlot, 1);
    layout->addWidget(scrollBar);

    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeFormat(QStringLiteral("mm:ss"));
    ticker->setTickStepStrategy(QCPAxisTicker::tssMeetTickCount);
    customPlot->xAxis->setTicker(ticker);

    customPlot->yAxis->setLabelColor(Qt::blue);
    customPlot->yAxis2->setLabelColor(Qt::red);
    customPlot->addGraph(customPlot->xAxis, customPlot->yAxis)->setPen(QPen(Qt::blue));
    customPlot->addGraph(customPlot->xAxis, customPlot->yAxis2)->setPen(QPen(Qt::red));

    rubberBand = new QRubberBand(QRubberBand::Rectangle, customPlot);
    customPlot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(customPlot, &QWidget::customContextMenuRequested, this, &RangeSelectionPlot::slot_showContextMenu);

    customPlot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    customPlot->axisRect(0)->setRangeDrag(Qt::Horizontal);
    customPlot->axisRect(0)->setRangeZoom(Qt::Horizontal);
    customPlot->axisRect(0)->setRangeDragAxes(customPlot->xAxis, nullptr);
    customPlot->axisRect(0)->setRangeZoomAxes(customPlot->xAxis, nullptr);

    connect(customPlot, &QCustomPlot::mousePress, this, &RangeSelectionPlot::slot_mousePress);
    connect(customPlot, &QCustomPlot::mouseMove, this, &RangeSelectionPlot::slot_mouseMove);
    connect(customPlot, &QCustomPlot::mouseRelease, this, &RangeSelectionPlot::slot_mouseRelease);

    trackingLine = new TrackingLine(customPlot, nullptr, nullptr);
    trackingLine->showSpanLabels = false;
}

void RangeSelectionPlot::setData(PlotAxis axis, const QString& label, const QList<double>* keys,
                                 const QList<double>* values, int precision)
{
    if (axis != PlotAxis_left && axis != PlotAxis_right)
        return;
    // A channel without samples has no time extent to show.
    if (!keys || keys->isEmpty() || !values) {
        clearAxis(axis);
        return;
    }
    dataLoaded = false;
    QCPGraph* graph = customPlot->graph(axis);
    graph->data()->clear();
    graph->setData(QVector<double>(keys->begin(), keys->end()), QVector<double>(values->begin(), values->end()),
                   true);
    customPlot->xAxis->setRange(keys->first(), keys->last());
    QCPAxis* valueAxis = plotAxes[axis];
    graph->rescaleValueAxis(false, false);
    valueAxis->setLabel(label);
    valueAxis->setVisible(true);
    if (precision < 0) {
        valueAxis->setNumberFormat(QStringLiteral("ebc"));
        valueAxis->setNumberPrecision(-precision);
    } else {
        valueAxis->setNumberFormat(QStringLiteral("f"));
        valueAxis->setNumberPrecision(precision);
    }
    dataMin = customPlot->xAxis->range().lower;
    dataMax = customPlot->xAxis->range().upper;
    dataLoaded = true;
    updateSlider();
    customPlot->replot(QCustomPlot::rpRefreshHint);
}

void RangeSelectionPlot::setAxisChannel(PlotAxis axis, VectorChannel* channel)
{
    if ((axis != PlotAxis_left && axis != PlotAxis_right) || axisChannels[axis] == channel)
        return;
    const VectorChannel* time = channel ? channel->getTimeVector() : nullptr;
    const int decimals = channel && channel->setup ? channel->setup->decimals : 0;
    if (channel)
        setData(axis, channel->getNameWithUnit(), time ? &time->rawSamples() : nullptr, channel->getTranslatedData(),
                decimals);
    else
        clearAxis(axis);
    disconnect(channelConnections[axis]);
    axisChannels[axis] = channel;
    if (channel)
        channelConnections[axis] = connect(channel, &AbstractChannel::signal_setupChanged, this,
                                           &RangeSelectionPlot::slot_channelUnitChanged);
}

void RangeSelectionPlot::slot_channelUnitChanged()
{
    for (int axis = PlotAxis_left; axis <= PlotAxis_right; ++axis) {
        VectorChannel* channel = axisChannels[axis];
        if (!channel || channel != sender())
            continue;
        const VectorChannel* time = channel->getTimeVector();
        setData(static_cast<PlotAxis>(axis), channel->getNameWithUnit(), time ? &time->rawSamples() : nullptr,
                channel->getTranslatedData(), 0);
    }
}

void RangeSelectionPlot::setRunData(AbstractRunData* run)
{
    runData = run;
    if (!run)
        return;
    if (VectorChannel* engineSpeed = run->getVectorChannel(ChannelId_engineSpeed, 0))
        setAxisChannel(PlotAxis_left, engineSpeed);
    if (VectorChannel* roadSpeed = run->getVectorChannel(ChannelId_dynoSpeed, 0))
        setAxisChannel(PlotAxis_right, roadSpeed);
    const std::pair<double, double> selection = run->getSelection();
    if (selection.first != 0 || selection.second != 0)
        setSelection(selection.first, selection.second);
    const double peak =
        run->getRunInfoValue(kPeakEngineSpeedField, std::numeric_limits<double>::quiet_NaN()).toDouble();
    if (std::isnan(peak)) {
        auto* notice = new QCPItemText(customPlot);
        notice->position->setType(QCPItemPosition::ptAxisRectRatio);
        notice->position->setCoords(0.5, 0);
        notice->setPositionAlignment(Qt::AlignTop | Qt::AlignHCenter);
        notice->setFont(QFont(font().family(), 16));
        notice->setPen(QPen(Qt::black));
        notice->setText(tr("Engine Speed data empty"));
    }
}

double RangeSelectionPlot::timeAt(double x) const
{
    const double time = customPlot->xAxis->pixelToCoord(std::round(x));
    return std::clamp(time, dataMin, dataMax);
}

void RangeSelectionPlot::slot_mousePress(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const double time = timeAt(event->position().x());
    dragAnchor = selectionStart = selectionEnd = time;
    if (selectionVisible)
        redrawSelection();
}

void RangeSelectionPlot::slot_mouseMove(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const double time = timeAt(event->position().x());
    const QCPRange visible = customPlot->xAxis->range();
    if (time > visible.upper)
        scrollBar->setSliderPosition(scrollBar->sliderPosition() + scrollBar->singleStep());
    else if (time < visible.lower)
        scrollBar->setSliderPosition(scrollBar->sliderPosition() - scrollBar->singleStep());
    selectionVisible = true;
    selectionStart = std::min(time, dragAnchor);
    selectionEnd = std::max(time, dragAnchor);
    redrawSelection();
}

void RangeSelectionPlot::slot_mouseRelease(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT signal_newSelection(selectionStart, selectionEnd);
}

void RangeSelectionPlot::redrawSelection()
{
    if (!selectionVisible)
        return;
    const int a = int(customPlot->xAxis->coordToPixel(selectionStart));
    const int b = int(customPlot->xAxis->coordToPixel(selectionEnd));
    const QRect rect = customPlot->axisRect()->rect();
    const int left = std::max(a, rect.left());
    const int right = std::min(b, rect.right() + 1) - 1;
    rubberBand->setGeometry(QRect(QPoint(left, rect.top()), QPoint(right, rect.bottom())));
    rubberBand->show();
}

void RangeSelectionPlot::updateSlider()
{
    const QCPRange range = customPlot->xAxis->range();
    const double span = range.size();
    const double hidden = dataMax - dataMin - span;
    const QSignalBlocker blocker(scrollBar);
    scrollBar->setRange(0, int(hidden * sliderScale));
    scrollBar->setPageStep(int(span * sliderScale));
    // The product of the visible and the hidden span (seconds²): a wide view
    // of a long run moves in large steps.
    scrollBar->setSingleStep(int(span * hidden));
    scrollBar->setValue(int((range.lower - dataMin) * sliderScale));
}

void RangeSelectionPlot::slot_scrollTo(int pos)
{
    const double span = customPlot->xAxis->range().size();
    const double lower = dataMin + pos / sliderScale;
    customPlot->xAxis->setRange(lower, lower + span);
    customPlot->replot(QCustomPlot::rpRefreshHint);
    if (selectionVisible)
        redrawSelection();
}

void RangeSelectionPlot::slot_rangeChanged(const QCPRange& range)
{
    QCPRange corrected = range;
    bool changed = false;
    if (corrected.lower < dataMin) {
        corrected.lower = dataMin;
        changed = true;
    }
    if (corrected.upper > dataMax) {
        corrected.upper = dataMax;
        changed = true;
    }
    if (changed && dataLoaded)
        customPlot->xAxis->setRange(corrected);
    else
        updateSlider();
}

void RangeSelectionPlot::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
        customPlot->xAxis->scaleRange(0.5, customPlot->xAxis->range().center());
        customPlot->replot(QCustomPlot::rpRefreshHint);
        break;
    case Qt::Key_Minus:
        customPlot->xAxis->scaleRange(2, customPlot->xAxis->range().center());
        customPlot->replot(QCustomPlot::rpRefreshHint);
        break;
    case Qt::Key_Left:
        scrollBar->setValue(scrollBar->value() - scrollBar->singleStep());
        break;
    case Qt::Key_Right:
        scrollBar->setValue(scrollBar->value() + scrollBar->singleStep());
        break;
    default:
        QFrame::keyPressEvent(event);
        break;
    }
}

void RangeSelectionPlot::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (selectionVisible)
        redrawSelection();
}

void RangeSelectionPlot::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (selectionVisible)
        redrawSelection();
    updateSlider();
}

void RangeSelectionPlot::slot_showContextMenu(const QPoint& pos)
{
    MyMenu menu(this);
    QAction* print = menu.addAction(QIcon::fromTheme(QStringLiteral("document-print")), tr("Save / Print"));
    if (menu.exec(customPlot->mapToGlobal(pos)) == print)
        thePathSaver.savePrint(this, QStringLiteral("range"));
}

void RangeSelectionPlot::setSelection(double start, double end)
{
    selectionVisible = true;
    selectionStart = start;
    selectionEnd = end;
    redrawSelection();
}

void RangeSelectionPlot::setAxisRange(PlotAxis axis, double min, double max)
{
    if (axis < PlotAxis_left || axis > PlotAxis_bottom)
        return;
    if (std::isnan(min) || std::isnan(max))
        plotAxes[axis]->setRange(-1, 1);
    else if (min == max)
        plotAxes[axis]->setRange(min - 1, max + 1);
    else
        plotAxes[axis]->setRange(min, max);
}

void RangeSelectionPlot::setXLabel(const QString& label)
{
    customPlot->xAxis->setLabel(label);
}

void RangeSelectionPlot::setTitle(const QString& title)
{
    if (!titleElement) {
        QFont titleFont(QStringLiteral("sans"), 12);
        titleFont.setWeight(QFont::Bold);
        titleElement = new QCPTextElement(customPlot, title, titleFont);
        customPlot->plotLayout()->insertRow(1);
        customPlot->plotLayout()->addElement(1, 0, titleElement);
        return;
    }
    titleElement->setText(title);
}

void RangeSelectionPlot::clearAxis(PlotAxis axis)
{
    if (axis != PlotAxis_left && axis != PlotAxis_right)
        return;
    customPlot->graph(axis)->data()->clear();
    plotAxes[axis]->setVisible(false);
    customPlot->replot(QCustomPlot::rpRefreshHint);
}
