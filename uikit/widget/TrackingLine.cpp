#include "TrackingLine.h"

#include "MySettings.h"
#include "lib/PlotValueLabeler.h"

#include <QDebug>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QPainter>
#include <QTimer>
#include <qcustomplot.h>

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

QObject* runOf(const QCPAbstractPlottable* plottable)
{
    return plottable->property("rundata").value<QObject*>();
}

} // namespace

TrackingLine::TrackingLine(QCustomPlot* plot, PlotValueLabeler* timePlot, PlotValueLabeler* comparePlot)
    : QWidget(plot)
    , hostPlot(plot)
    , timePlot(timePlot)
    , comparePlot(comparePlot)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, plot->width(), plot->height());
    repaintTimer = new QTimer(this);
    repaintTimer->setSingleShot(true);
    repaintTimer->setInterval(40);
    connect(repaintTimer, &QTimer::timeout, this, &TrackingLine::slot_updateProxy);
    connect(plot, &QCustomPlot::mouseMove, this, &TrackingLine::slot_mouseMove);
    connect(plot, &QCustomPlot::mousePress, this, &TrackingLine::slot_mousePress);
    connect(plot, &QCustomPlot::mouseRelease, this, &TrackingLine::slot_mouseRelease);
    // The overlay covers the whole plot; a new plot size means new pixels for
    // every position, so the line starts over (resizeEvent).
    plot->installEventFilter(this);
    hide();
}

bool TrackingLine::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == hostPlot && event->type() == QEvent::Resize)
        setGeometry(0, 0, hostPlot->width(), hostPlot->height());
    return QWidget::eventFilter(watched, event);
}

int TrackingLine::trackingLineMode()
{
    return theSettings.value(QStringLiteral("UserSetting/comboBox_settings_trackingLineMode"), 0).toInt();
}

void TrackingLine::setPosition(const QPoint& position)
{
    cursorPos = position;
    syncRun = nullptr;
    syncTime = -1;
    const QRect rect = hostPlot->axisRect()->rect();
    if (position.x() > rect.left() && position.x() < rect.right())
        Q_EMIT signal_newXValue(hostPlot->xAxis->pixelToCoord(position.x()));
    if (!repaintTimer->isActive())
        repaintTimer->start();
}

void TrackingLine::slot_mouseMove(QMouseEvent* event)
{
    setPosition(event->position().toPoint());
}

void TrackingLine::slot_mousePress(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        if (hostPlot->axisRect()->rect().contains(position)
            && !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
            leftPressed = true;
            pressPos = position;
        }
    } else if (event->button() == Qt::RightButton) {
        leftPressed = false;
    }
}

void TrackingLine::slot_mouseRelease(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        leftPressed = false;
}

void TrackingLine::slot_syncTrackingLines(QObject* runData, double time)
{
    // Our own announcement, coming back through the relay while we paint.
    if (painting)
        return;
    syncRun = runData;
    syncTime = time;
    cursorPos = QPoint(-1, -1);
    if (!repaintTimer->isActive())
        repaintTimer->start();
}

void TrackingLine::slot_updateProxy()
{
    setVisible(cursorPos.x() >= 0 || syncRun);
    update();
}

void TrackingLine::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A size set while hidden arrives when the line is shown, without an old
    // size: the position that showed it is a new one and stays.
    if (!event->oldSize().isValid())
        return;
    cursorPos.setX(-1);
    hide();
    update();
}

QString TrackingLine::getValueLabel(const QCPAxis* axis, double value)
{
    if (timePlot)
        return timePlot->getValueLabel(axis, value);
    if (comparePlot)
        return comparePlot->getValueLabel(axis, value);
    const QString format = axis->numberFormat();
    return TickerLabel::of(axis->ticker().data(), value, QLocale::c(),
                           format.isEmpty() ? QLatin1Char('g') : format.at(0), axis->numberPrecision());
}

void TrackingLine::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    painting = true;
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    if (syncRun) {
        if (showValueLabels)
            paintFollowed(painter);
    } else {
        if (leftPressed && showSpanLabels)
            paintSpans(painter);
        paintOwnPosition(painter);
    }
    painting = false;
}

void TrackingLine::paintFollowed(QPainter& painter)
{
    for (int i = 0; i < hostPlot->plottableCount(); ++i) {
        auto* curve = qobject_cast<QCPCurve*>(hostPlot->plottable(i));
        if (!curve || !curve->visible() || runOf(curve) != syncRun)
            continue;
        const QSharedPointer<QCPCurveDataContainer> data = curve->data();
        if (data->isEmpty())
            continue;
        auto point = data->constBegin();
        for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
            if (it->t < syncTime)
                point = it;
            else
                break;
        }
        QCPAxis* keyAxis = curve->keyAxis();
        QCPAxis* valueAxis = curve->valueAxis();
        if (!isValueAxis(valueAxis) || !keyAxis->range().contains(point->key)
            || !valueAxis->range().contains(point->value))
            continue;
        LabelData label;
        label.key = point->key;
        label.value = point->value;
        label.curve = curve;
        label.run = syncRun;
        paintLabel(painter, label);
    }
}

void TrackingLine::paintSpans(QPainter& painter)
{
    const QRect rect = QRect(pressPos, cursorPos).normalized();
    QCPAxis* xAxis = hostPlot->xAxis;
    const double xSpan = xAxis->pixelToCoord(rect.right()) - xAxis->pixelToCoord(rect.left());
    QString xText = getValueLabel(xAxis, xSpan);
    double seconds = 0;
    if (comparePlot && comparePlot->keySpanInSeconds(xSpan, &seconds))
        xText += QStringLiteral(" / %1Hz").arg(1.0 / seconds, 0, 'f', 1);
    painter.drawText(rect, Qt::AlignBottom | Qt::AlignHCenter, xText);
    for (QCPAxis* axis : {hostPlot->yAxis, hostPlot->yAxis2}) {
        if (!axis->visible())
            continue;
        const double span = axis->pixelToCoord(rect.top()) - axis->pixelToCoord(rect.bottom());
        const Qt::Alignment side = axis == hostPlot->yAxis ? Qt::AlignLeft : Qt::AlignRight;
        painter.drawText(rect, side | Qt::AlignVCenter, getValueLabel(axis, span));
    }
}

void TrackingLine::paintOwnPosition(QPainter& painter)
{
    const QRect rect = hostPlot->axisRect()->rect();
    const int cx = cursorPos.x();
    if (!(cx > rect.left() && cx < rect.right())) {
        Q_EMIT signal_syncTrackingLines(nullptr, -1);
        return;
    }
    QCPAxis* xAxis = hostPlot->xAxis;
    const double x = xAxis->pixelToCoord(cx);

    painter.setFont(xAxis->tickLabelFont());
    painter.drawLine(cx, rect.top(), cx, rect.bottom());
    const QString xText = getValueLabel(xAxis, x);
    const QFontMetrics metrics = painter.fontMetrics();
    const QPoint origin(cx - metrics.horizontalAdvance(xText) / 2, rect.bottom() + metrics.height());
    const QRect box = metrics.boundingRect(xText).translated(origin).adjusted(-4, -2, 4, 2);
    painter.fillRect(box, Qt::white);
    painter.drawRect(box);
    painter.drawText(box, Qt::AlignCenter, xText);

    if (!showValueLabels)
        return;

    // Every crossing of the line with a graph or curve, nearest first kept.
    QList<LabelData> labels;
    const double infinity = std::numeric_limits<double>::infinity();
    double nearestLeft = infinity;
    double nearestRight = infinity;
    double nearest = infinity;
    int nearestLeftIndex = -1;
    int nearestRightIndex = -1;
    int nearestIndex = -1;
    QObject* syncCurveRun = nullptr;
    double syncCurveTime = -1;
    bool curveWasNearest = false;

    auto consider = [&](const LabelData& label, QCPAxis* valueAxis, double t) {
        labels.append(label);
        const int index = labels.size() - 1;
        const double distance = std::abs(cursorPos.y() - valueAxis->coordToPixel(label.value));
        if (valueAxis->axisType() == QCPAxis::atLeft && distance < nearestLeft) {
            nearestLeft = distance;
            nearestLeftIndex = index;
        }
        if (valueAxis->axisType() == QCPAxis::atRight && distance < nearestRight) {
            nearestRight = distance;
            nearestRightIndex = index;
        }
        if (distance < nearest) {
            nearest = distance;
            nearestIndex = index;
            if (label.curve) {
                curveWasNearest = true;
                syncCurveRun = label.run;
                syncCurveTime = t;
            }
        }
    };

    for (int i = 0; i < hostPlot->plottableCount(); ++i) {
        QCPAbstractPlottable* plottable = hostPlot->plottable(i);
        if (!plottable->visible())
            continue;
        QCPAxis* valueAxis = plottable->valueAxis();
        if (!isValueAxis(valueAxis))
            break;
        const QCPRange valueRange = valueAxis->range();
        if (auto* graph = qobject_cast<QCPGraph*>(plottable)) {
            const QSharedPointer<QCPGraphDataContainer> data = graph->data();
            for (auto it = data->constBegin(); it != data->constEnd() && it + 1 != data->constEnd(); ++it) {
                const auto next = it + 1;
                if (it->key <= x && x < next->key && valueRange.contains(it->value)) {
                    LabelData label;
                    label.key = it->key;
                    label.value = it->value;
                    label.graph = graph;
                    consider(label, valueAxis, 0);
                    break;
                }
            }
        } else if (auto* curve = qobject_cast<QCPCurve*>(plottable)) {
            const QSharedPointer<QCPCurveDataContainer> data = curve->data();
            QObject* run = runOf(curve);
            for (auto it = data->constBegin(); it != data->constEnd() && it + 1 != data->constEnd(); ++it) {
                const auto next = it + 1;
                const bool crossing = (it->key <= x && x < next->key) || (next->key < x && x <= it->key);
                if (crossing && valueRange.contains(it->value)) {
                    LabelData label;
                    label.key = it->key;
                    label.value = it->value;
                    label.curve = curve;
                    label.run = run;
                    consider(label, valueAxis, it->t);
                }
            }
        }
    }

    switch (trackingLineMode()) {
    case Mode_one:
        if (nearestIndex >= 0)
            paintLabel(painter, labels.at(nearestIndex));
        break;
    case Mode_leftAndRight:
        if (nearestLeftIndex >= 0)
            paintLabel(painter, labels.at(nearestLeftIndex));
        if (nearestRightIndex >= 0)
            paintLabel(painter, labels.at(nearestRightIndex));
        break;
    case Mode_all:
        for (const LabelData& label : std::as_const(labels))
            paintLabel(painter, label);
        break;
    case Mode_singleRun:
        if (nearestIndex >= 0) {
            QObject* run = labels.at(nearestIndex).run;
            for (const LabelData& label : std::as_const(labels)) {
                if (label.run == run)
                    paintLabel(painter, label);
            }
        }
        break;
    default:
        break;
    }
    if (curveWasNearest)
        Q_EMIT signal_syncTrackingLines(syncCurveRun, syncCurveTime);
    else
        Q_EMIT signal_syncTrackingLines(nullptr, -1);
}

void TrackingLine::paintLabel(QPainter& painter, const LabelData& label)
{
    QCPAbstractPlottable* plottable = label.graph ? static_cast<QCPAbstractPlottable*>(label.graph)
                                                  : static_cast<QCPAbstractPlottable*>(label.curve);
    if (!plottable) {
        qDebug() << "No graph or curve available";
        return;
    }
    QCPAxis* keyAxis = plottable->keyAxis();
    QCPAxis* valueAxis = plottable->valueAxis();
    QPen pen = plottable->pen();
    const QPointF point(keyAxis->coordToPixel(label.key), valueAxis->coordToPixel(label.value));
    pen.setWidth(4);
    painter.setPen(pen);
    painter.drawPoint(point);
    pen.setWidth(2);
    painter.setPen(pen);
    painter.setFont(valueAxis->tickLabelFont());

    QString text;
    if (valueAxis->axisType() == QCPAxis::atLeft) {
        const QString arrow = valueAxis == hostPlot->yAxis ? QStringLiteral("←") : QStringLiteral("←←");
        text = arrow + getValueLabel(valueAxis, label.value);
    } else if (valueAxis->axisType() == QCPAxis::atRight) {
        const QString arrow = valueAxis == hostPlot->yAxis2 ? QStringLiteral("→") : QStringLiteral("→→");
        text = getValueLabel(valueAxis, label.value) + arrow;
    } else {
        return;
    }
    const QFontMetrics metrics = painter.fontMetrics();
    const QRect bounds = metrics.boundingRect(text).adjusted(-2, -2, 2, 2);
    QPoint origin;
    if (valueAxis->axisType() == QCPAxis::atLeft)
        origin = QPoint(int(point.x()) - bounds.width(), int(point.y()) + 2 * pen.width());
    else
        origin = QPoint(int(point.x()) + 3, int(point.y()) + 2 * pen.width());
    const QRect box = bounds.translated(origin);
    painter.fillRect(box, Qt::white);
    painter.drawText(origin, text);
    painter.drawRect(box);
}
