#include "ComparePlot.h"

#include "ChannelSetup.h"
#include "ComparePlotAxis.h"
#include "Fonts.h"
#include "TrackingLine.h"
#include "functions/AbstractRunData.h"
#include "lib/Unit.h"

#include <QDebug>
#include <QRubberBand>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The label text of a value as the axis's own ticker writes it.
struct TickerLabel : QCPAxisTicker {
    static QString of(QCPAxisTicker* ticker, double value, const QLocale& locale, QChar format, int precision)
    {
        QString (QCPAxisTicker::*label)(double, const QLocale&, QChar, int) = &TickerLabel::getTickLabel;
        return (ticker->*label)(value, locale, format, precision);
    }
};

bool isValueAxis(const QCPAxis* axis)
{
    return axis && (axis->axisType() == QCPAxis::atLeft || axis->axisType() == QCPAxis::atRight);
}

AbstractRunData* runOf(const QCPAbstractPlottable* plottable)
{
    return dynamic_cast<AbstractRunData*>(plottable->property("rundata").value<QObject*>());
}

void shiftRange(QCPAxis* axis, double share)
{
    axis->moveRange(share * axis->range().size());
}

} // namespace

ComparePlot::ComparePlot(QWidget* parent)
    : QCustomPlot(parent)
{
    for (ComparePlotAxis*& axis : axes)
        axis = new ComparePlotAxis(this);

    leftOuterAxis = axisRect()->addAxis(QCPAxis::atLeft);
    rightOuterAxis = axisRect()->addAxis(QCPAxis::atRight);
    for (QCPAxis* axis : {yAxis, yAxis2, leftOuterAxis, rightOuterAxis})
        axis->setVisible(false);

    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    const QList<QCPAxis*> movable = {xAxis, xAxis2, yAxis, yAxis2, leftOuterAxis, rightOuterAxis};
    axisRect()->setRangeDragAxes(movable);
    axisRect()->setRangeZoomAxes(movable);
    for (QCPAxis* axis : movable) {
        axis->setLabelFont(theFonts.normalFont);
        axis->setTickLabelFont(theFonts.normalFont);
        axis->setLabelPadding(2);
        axis->setSubTicks(false);
    }

    rubberBand = new QRubberBand(QRubberBand::Rectangle, this);
    trackingLine = new TrackingLine(this, nullptr, this);
    connect(this, &QCustomPlot::mousePress, this, &ComparePlot::slot_mousePress);
    connect(this, &QCustomPlot::mouseMove, this, &ComparePlot::slot_mouseMove);
    connect(this, &QCustomPlot::mouseRelease, this, &ComparePlot::slot_mouseRelease);

    const struct {
        QCPAxis* axis;
        const char* key;
        QString name;
        const char* arrow;
    } bindings[] = {
        {yAxis, "left_inner", tr("left inner"), "   ←  "},
        {yAxis2, "right_inner", tr("right inner"), "→  "},
        {xAxis, "bottom", tr("bottom"), "↓  "},
        {leftOuterAxis, "left_outer", tr("left outer"), "←← "},
        {rightOuterAxis, "right_outer", tr("right outer"), "   →→ "},
    };
    for (int i = 0; i < 5; ++i) {
        axes[i]->setAndConnectQcpAxis(bindings[i].axis);
        axes[i]->axisKey = QString::fromUtf8(bindings[i].key);
        axes[i]->axisDisplayName = bindings[i].name;
        axes[i]->axisArrow = QString::fromUtf8(bindings[i].arrow);
    }
    for (ComparePlotAxis* axis : axes)
        axis->init(this);

    // Curves and items made later land on this layer too, under the grid.
    setCurrentLayer(QStringLiteral("background"));
    backgroundItem = new QCPItemPixmap(this);
    backgroundItem->topLeft->setType(QCPItemPosition::ptAbsolute);
    backgroundItem->setVisible(false);
}

PlotAxis ComparePlot::plotAxisFromQcpAxis(const QCPAxis* axis) const
{
    for (int i = 0; i < 5; ++i) {
        if (axes[i]->qcpAxis == axis)
            return static_cast<PlotAxis>(i);
    }
    return PlotAxis_none;
}

ComparePlotAxis* ComparePlot::axisObjectOf(const QCPAxis* axis) const
{
    const PlotAxis index = plotAxisFromQcpAxis(axis);
    return index == PlotAxis_none ? nullptr : axes[index];
}

ComparePlotAxis* ComparePlot::getNearestAxis(const QPoint& pos) const
{
    const int dLeft = pos.x();
    const int dRight = width() - pos.x();
    const int dBottom = height() - pos.y();
    if (dBottom < dLeft && dBottom < dRight)
        return axes[PlotAxis_bottom];
    return dRight < dLeft ? axes[PlotAxis_right] : axes[PlotAxis_left];
}

void ComparePlot::zoom(double factor)
{
    for (QCPAxis* axis : {xAxis, xAxis2, yAxis, yAxis2}) {
        const QCPRange range = axis->range();
        const double center = range.center();
        const double half = range.size() / (2 * factor);
        axis->setRange(center - half, center + half);
    }
    replot();
}

void ComparePlot::rectangleZoom(const QRect& rect)
{
    for (QCPAxis* axis : {yAxis, yAxis2, leftOuterAxis, rightOuterAxis})
        axis->setRange(axis->pixelToCoord(rect.bottom()), axis->pixelToCoord(rect.top()));
    xAxis->setRange(xAxis->pixelToCoord(rect.left()), xAxis->pixelToCoord(rect.right()));
    replot(QCustomPlot::rpRefreshHint);
}

void ComparePlot::rescaleBackground()
{
    if (backgroundPixmap.isNull()) {
        backgroundItem->setVisible(false);
        replot(QCustomPlot::rpQueuedReplot);
        return;
    }
    backgroundItem->setVisible(true);
    const QRect rect = axisRect()->rect();
    const int width = int(std::lround(double(rect.width() * backgroundPixmap.scale) / 100.0));
    const int height = int(std::lround(double(rect.height() * backgroundPixmap.scale) / 100.0));
    if (width < 1 || height < 1)
        return;
    const QPixmap scaled =
        backgroundPixmap.scaled(width, height, static_cast<Qt::AspectRatioMode>(backgroundPixmap.aspectRatioMode),
                                Qt::FastTransformation);
    // A smaller picture sits at the given share of the free space; a larger
    // one is placed mirrored, so 0 % puts its right edge on the rect's right.
    const int freeX = rect.width() - scaled.width();
    const int freeY = rect.height() - scaled.height();
    const int offsetX = freeX > 0 ? freeX * backgroundPixmap.xPosition / 100
                                  : freeX - freeX * backgroundPixmap.xPosition / 100;
    const int offsetY = freeY > 0 ? freeY * backgroundPixmap.yPosition / 100
                                  : freeY - freeY * backgroundPixmap.yPosition / 100;
    backgroundItem->topLeft->setCoords(rect.left() + offsetX, rect.top() + offsetY);
    backgroundItem->setPixmap(scaled);
    replot(QCustomPlot::rpQueuedReplot);
}

QString ComparePlot::getValueLabel(const QCPAxis* axis, double value)
{
    const ComparePlotAxis* owner = axisObjectOf(axis);
    if (owner && owner->channelSetup)
        return owner->channelSetup->getLabelString(value);
    const QString format = axis->numberFormat();
    return TickerLabel::of(axis->ticker().data(), value, QLocale::c(),
                           format.isEmpty() ? QLatin1Char('g') : format.at(0), axis->numberPrecision());
}

bool ComparePlot::keySpanInSeconds(double span, double* seconds) const
{
    const ChannelSetup* setup = axes[PlotAxis_bottom]->channelSetup;
    if (!setup || setup->quantity != Quantity::Time)
        return false;
    *seconds = setup->unit && setup->unit->factor != 0 ? span / setup->unit->factor : span;
    return true;
}

std::pair<QCPItemTracer*, QCPItemText*> ComparePlot::createMarker(QCPCurve* curve, double time)
{
    const QSharedPointer<QCPCurveDataContainer> data = curve->data();
    if (data->isEmpty())
        return {nullptr, nullptr};
    auto point = std::lower_bound(data->constBegin(), data->constEnd(), time,
                                  [](const QCPCurveData& sample, double t) { return sample.t < t; });
    if (point != data->constBegin())
        --point;

    auto* tracer = new QCPItemTracer(this);
    tracer->setStyle(QCPItemTracer::tsCircle);
    tracer->position->setType(QCPItemPosition::ptPlotCoords);
    tracer->position->setAxes(curve->keyAxis(), curve->valueAxis());
    tracer->position->setCoords(point->key, point->value);
    tracer->setVisible(curve->visible());

    auto* text = new QCPItemText(this);
    text->position->setType(QCPItemPosition::ptPlotCoords);
    text->position->setAxes(curve->keyAxis(), curve->valueAxis());
    text->position->setCoords(point->key, point->value);
    text->setText(getValueLabel(curve->valueAxis(), point->value));
    text->setFont(curve->valueAxis()->labelFont());
    text->setColor(curve->pen().color());
    text->setVisible(curve->visible());
    return {tracer, text};
}

void ComparePlot::updateMarkerLabelPositions()
{
    for (int i = 0; i < itemCount(); ++i) {
        auto* text = qobject_cast<QCPItemText*>(item(i));
        if (!text || !text->position->valueAxis())
            continue;
        const double value = text->position->value();
        const QCPRange range = text->position->valueAxis()->range();
        // Near the lower end the label stands above its point, else below it.
        if (std::abs(value - range.lower) < std::abs(value - range.upper)) {
            text->setPositionAlignment(Qt::AlignBottom | Qt::AlignHCenter);
            text->setPadding(QMargins(0, 0, 0, 5));
        } else {
            text->setPositionAlignment(Qt::AlignTop | Qt::AlignHCenter);
            text->setPadding(QMargins(0, 5, 0, 0));
        }
    }
}

void ComparePlot::addMarkerAction(const QPoint& pos, AddMarkerModeRuns runs, AddMarkerModeChannels channels)
{
    const QRect rect = axisRect()->rect();
    if (!(pos.x() > rect.left() && pos.x() < rect.right()))
        return;
    const double x = xAxis->pixelToCoord(pos.x());
    QList<std::pair<AbstractRunData*, double>> candidates;
    QCPCurve* nearestCurve = nullptr;
    double nearestTime = std::numeric_limits<double>::quiet_NaN();
    double nearestDistance = std::numeric_limits<double>::infinity();

    for (int i = 0; i < plottableCount(); ++i) {
        auto* curve = qobject_cast<QCPCurve*>(plottable(i));
        if (!curve || !curve->visible())
            continue;
        QCPAxis* valueAxis = curve->valueAxis();
        if (!isValueAxis(valueAxis))
            break;
        const QCPRange valueRange = valueAxis->range();
        AbstractRunData* run = runOf(curve);
        const QSharedPointer<QCPCurveDataContainer> data = curve->data();
        for (auto it = data->constBegin(); it != data->constEnd() && it + 1 != data->constEnd(); ++it) {
            const auto next = it + 1;
            const bool crossing = (it->key <= x && x < next->key) || (next->key < x && x <= it->key);
            if (!crossing || !valueRange.contains(it->value))
                continue;
            const std::pair<AbstractRunData*, double> candidate(run, it->t);
            if (!candidates.contains(candidate))
                candidates.append(candidate);
            const double distance = std::abs(pos.y() - valueAxis->coordToPixel(it->value));
            if (distance < nearestDistance) {
                nearestDistance = distance;
                nearestCurve = curve;
                nearestTime = it->t;
            }
        }
    }
    if (!nearestCurve)
        return;
    const QString label =
        channels == AddMarkerModeChannels_single ? nearestCurve->property("channelKey").toString() : QString();
    if (runs == AddMarkerModeRuns_single) {
        AbstractRunData* run = runOf(nearestCurve);
        if (run && std::isfinite(nearestTime))
            run->addMarker(nearestTime, label);
        return;
    }
    for (const auto& candidate : std::as_const(candidates)) {
        if (candidate.first && std::isfinite(candidate.second))
            candidate.first->addMarker(candidate.second, label);
    }
}

QPixmap ComparePlot::toPixmapEnhanced(int width, int height, double scale)
{
    const int newWidth = width == 0 || height == 0 ? this->width() : width;
    const int newHeight = width == 0 || height == 0 ? this->height() : height;
    QPixmap result(qRound(scale * newWidth), qRound(scale * newHeight));
    result.fill(mBackgroundBrush.style() == Qt::SolidPattern ? mBackgroundBrush.color() : Qt::transparent);
    QCPPainter painter;
    painter.begin(&result);
    if (!painter.isActive()) {
        qDebug() << "QPixmap ComparePlot::toPixmapEnhanced(int, int, double)"
                 << "Couldn't activate painter on pixmap";
        return QPixmap();
    }
    const QRect oldViewport = viewport();
    // The background picture is placed for the picture's axis rect, then back.
    setViewport(QRect(0, 0, newWidth, newHeight));
    updateLayout();
    rescaleBackground();
    painter.setMode(QCPPainter::pmNoCaching);
    if (!qFuzzyCompare(scale, 1.0)) {
        if (scale > 1.0)
            painter.setMode(QCPPainter::pmNonCosmetic);
        painter.scale(scale, scale);
    }
    if (mBackgroundBrush.style() != Qt::SolidPattern && mBackgroundBrush.style() != Qt::NoBrush)
        painter.fillRect(viewport(), mBackgroundBrush);
    draw(&painter);
    setViewport(oldViewport);
    updateLayout();
    rescaleBackground();
    painter.end();
    return result;
}

void ComparePlot::slot_mousePress(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        if (axisRect()->rect().contains(pos)
            && !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
            rubberBandOrigin = pos;
            rubberBand->setGeometry(QRect(rubberBandOrigin, QSize()));
            rubberBand->show();
        }
    } else if (event->button() == Qt::RightButton) {
        rubberBand->hide();
    }
}

void ComparePlot::slot_mouseMove(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        rubberBand->setGeometry(QRect(rubberBandOrigin, event->position().toPoint()).normalized());
}

void ComparePlot::slot_mouseRelease(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QRect band = rubberBand->geometry();
    // Shown by the press (hidden when the drag was cancelled).
    if (!rubberBand->isHidden() && band.width() >= 3 && band.height() >= 3)
        rectangleZoom(band);
    rubberBand->hide();
}

void ComparePlot::slot_setEnhancedBackground(const EnhancedPixmap& pixmap)
{
    backgroundPixmap = pixmap;
    rescaleBackground();
}

void ComparePlot::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
        zoom(2);
        return;
    case Qt::Key_Minus:
        zoom(0.5);
        return;
    case Qt::Key_Up:
        shiftRange(yAxis, 0.1);
        shiftRange(yAxis2, 0.1);
        break;
    case Qt::Key_Down:
        shiftRange(yAxis, -0.1);
        shiftRange(yAxis2, -0.1);
        break;
    case Qt::Key_Right:
        shiftRange(xAxis, 0.1);
        shiftRange(xAxis2, 0.1);
        break;
    case Qt::Key_Left:
        shiftRange(xAxis, -0.1);
        shiftRange(xAxis2, -0.1);
        break;
    default:
        QCustomPlot::keyPressEvent(event);
        return;
    }
    replot();
}

void ComparePlot::resizeEvent(QResizeEvent* event)
{
    QCustomPlot::resizeEvent(event);
    rescaleBackground();
}
