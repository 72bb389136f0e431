#include "ColorMapTrackingLine.h"

#include "AMdiColorMap.h"
#include "ComparePlotAxis.h"
#include "RunData.h"
#include "VectorChannel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <qcustomplot.h>

namespace {

bool strictlyInside(const QRect& r, const QPoint& p)
{
    return r.left() < p.x() && p.x() < r.right() && r.top() < p.y() && p.y() < r.bottom();
}

} // namespace

ColorMapTrackingLine::ColorMapTrackingLine(AMdiColorMap* colorMap)
    : QWidget(colorMap->plot)
    , position(0, 0)
    , pressPoint(0, 0)
    , map(colorMap)
    , plot(colorMap->plot)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    repaintTimer = new QTimer(this);
    repaintTimer->setSingleShot(true);
    repaintTimer->setInterval(40);
    connect(repaintTimer, &QTimer::timeout, this, &ColorMapTrackingLine::slot_updateProxy);
    connect(plot, &QCustomPlot::mouseMove, this, &ColorMapTrackingLine::slot_mouseMove);
    connect(plot, &QCustomPlot::mousePress, this, &ColorMapTrackingLine::slot_mousePress);
    connect(plot, &QCustomPlot::mouseRelease, this, &ColorMapTrackingLine::slot_mouseRelease);
    // The overlay covers the plot; following the plot's size here rather
    // than while painting keeps its own resize (which hides it) for real
    // changes of the plot.
    setGeometry(0, 0, plot->width(), plot->height());
    plot->installEventFilter(this);
}

bool ColorMapTrackingLine::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == plot && event->type() == QEvent::Resize)
        setGeometry(0, 0, plot->width(), plot->height());
    return QWidget::eventFilter(watched, event);
}

ColorMapTrackingLine::~ColorMapTrackingLine() = default;

void ColorMapTrackingLine::setPosition(const QPoint& point)
{
    position = point;
    syncRun = nullptr;
    syncTime = -1.0;
    const QRect rect = plot->axisRect()->rect();
    if (strictlyInside(rect, point))
        Q_EMIT signal_newXYValue(plot->xAxis->pixelToCoord(point.x()), plot->yAxis->pixelToCoord(point.y()));
    if (!repaintTimer->isActive())
        repaintTimer->start();
}

void ColorMapTrackingLine::slot_syncTrackingLines(RunData* runData, double time)
{
    syncRun = runData;
    position = QPoint(-1, -1);
    syncTime = time;
    if (!repaintTimer->isActive())
        repaintTimer->start();
}

void ColorMapTrackingLine::slot_updateProxy()
{
    setVisible(position.x() >= 0 || syncRun);
    update();
}

void ColorMapTrackingLine::slot_mouseMove(QMouseEvent* event)
{
    setPosition(event->position().toPoint());
}

void ColorMapTrackingLine::slot_mousePress(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && plot->axisRect()->rect().contains(event->position().toPoint())) {
        dragging = true;
        pressPoint = event->position().toPoint();
    } else if (event->button() == Qt::RightButton) {
        dragging = false;
    }
}

void ColorMapTrackingLine::slot_mouseRelease(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragging = false;
}

void ColorMapTrackingLine::resizeEvent(QResizeEvent* event)
{
    position.setX(-1);
    hide();
    update();
    QWidget::resizeEvent(event);
}

QPoint ColorMapTrackingLine::cursorPoint() const
{
    if (!syncRun)
        return position;
    VectorChannel* bottom = syncRun->getChannelByAnalyzeKey(map->bottomAxis->getChannelKey());
    VectorChannel* left = syncRun->getChannelByAnalyzeKey(map->leftAxis->getChannelKey());
    if (!bottom || !left)
        return QPoint(-1, -1);
    const VectorChannel* timeVector = bottom->getTimeVector();
    if (!timeVector)
        return QPoint(-1, -1);
    const QList<double>& t = timeVector->rawSamples();
    const QList<double>& xs = *bottom->getTranslatedData();
    const QList<double>& ys = *left->getTranslatedData();
    const qsizetype n = std::min({t.size(), xs.size(), ys.size()});
    const auto it = std::lower_bound(t.constBegin(), t.constBegin() + n, syncTime);
    if (it == t.constBegin() + n)
        return QPoint(-1, -1);
    const qsizetype s = it - t.constBegin();
    const double px = plot->xAxis->coordToPixel(xs.at(s));
    const double py = plot->yAxis->coordToPixel(ys.at(s));
    if (!std::isfinite(px) || !std::isfinite(py))
        return QPoint(-1, -1);
    return QPoint(int(px), int(py));
}

void ColorMapTrackingLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(QBrush(Qt::white));
    QCPAxis* xAxis = plot->xAxis;
    QCPAxis* yAxis = plot->yAxis;
    if (dragging) {
        const QRect r = QRect(pressPoint, position).normalized();
        painter.drawText(r, Qt::AlignBottom | Qt::AlignHCenter,
                         map->getValueLabel(xAxis, xAxis->pixelToCoord(r.right()) - xAxis->pixelToCoord(r.left())));
        painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter,
                         map->getValueLabel(yAxis, yAxis->pixelToCoord(r.top()) - yAxis->pixelToCoord(r.bottom())));
    }
    painter.setFont(xAxis->tickLabelFont());
    const QPoint p = cursorPoint();
    const QRect rect = plot->axisRect()->rect();
    if (!strictlyInside(rect, p))
        return;
    const double key = xAxis->pixelToCoord(p.x());
    const double value = yAxis->pixelToCoord(p.y());
    painter.drawLine(QPoint(p.x(), rect.top()), QPoint(p.x(), rect.bottom()));
    painter.drawLine(QPoint(rect.left(), p.y()), QPoint(rect.right(), p.y()));
    const int penWidth = 2;
    painter.setPen(QPen(Qt::black, penWidth));
    const QFontMetrics metrics(painter.font());
    auto box = [&](const QString& text, QPoint baseline) {
        QRect r = metrics.boundingRect(text).translated(baseline).adjusted(-4, -2, 4, 2);
        painter.fillRect(r, Qt::white);
        painter.drawRect(r);
        painter.drawText(r, Qt::AlignCenter, text);
    };
    const QString bottomText = map->getValueLabel(xAxis, key);
    box(bottomText, QPoint(p.x() - metrics.horizontalAdvance(bottomText) / 2, rect.bottom() + metrics.height()));
    const QString leftText = map->getValueLabel(yAxis, value);
    box(leftText, QPoint(rect.left() - metrics.horizontalAdvance(leftText) - 4, p.y()));
    const QString cText = map->getValueLabel(map->colorScale->axis(), map->getCValue(key, value));
    QRect cBox = metrics.boundingRect(cText).adjusted(-2, -2, 2, 2);
    const QPoint cBaseline(p.x() - cBox.width() / 2 + 2 * penWidth, p.y() - cBox.height() / 2 + 2 * penWidth);
    cBox.translate(cBaseline);
    painter.fillRect(cBox, Qt::white);
    painter.drawText(cBaseline, cText);
    painter.drawRect(cBox);
}
