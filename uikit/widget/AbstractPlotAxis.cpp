#include "AbstractPlotAxis.h"

#include "Colors.h"

#include <qcustomplot.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Tick counts whose ends coincide share every tick of the coarser one.
bool compatible(int m, int n)
{
    if (m <= 0 || n <= 0)
        return false;
    return m % n == 0 || n % m == 0;
}

QVector<double> tickCoordinates(QCPAxis* axis)
{
    QVector<double> ticks;
    const QString format = axis->numberFormat();
    axis->ticker()->generate(axis->range(), axis->parentPlot()->locale(),
                             format.isEmpty() ? QLatin1Char('g') : format.at(0), axis->numberPrecision(), ticks,
                             nullptr, nullptr);
    return ticks;
}

// One axis's view of the alignment: tick pixels, and the pixels its top and
// bottom references take and aim at.
struct AlignSide {
    QCPAxis* axis = nullptr;
    QVector<double> pixels; // ascending by value, so descending pixels for a value axis
    double topPixel = 0;
    double topAim = 0;
    double bottomPixel = 0;
    double bottomAim = 0;
};

// Candidate pairing of the tops with `kept`'s top tick fixed: the index of
// `other`'s tick that becomes its top (u), the index of `kept`'s tick that
// becomes its top (k) and the pixel gap between them.
struct TopCandidate {
    double gap = kInfinity;
    int otherTop = -1;
    int keptTop = -1;
};

TopCandidate topCandidate(const QVector<double>& kept, const QVector<double>& other)
{
    TopCandidate candidate;
    const int nKept = kept.size();
    const int nOther = other.size();
    const double keptTopPixel = kept.at(nKept - 1);
    for (int u = nOther - 1; u >= 1; --u) {
        if (compatible(u, nKept - 1) && other.at(u) >= keptTopPixel) {
            candidate.otherTop = u;
            candidate.keptTop = nKept - 1;
            candidate.gap = other.at(u) - keptTopPixel;
            break;
        }
    }
    if (candidate.otherTop < 0 || nKept <= 2)
        return candidate;
    const double otherPixel = other.at(candidate.otherTop);
    for (int k = nKept - 2; k >= 1; --k) {
        if (kept.at(k) > otherPixel)
            break;
        if (compatible(k, candidate.otherTop) && otherPixel - kept.at(k) < candidate.gap) {
            candidate.gap = otherPixel - kept.at(k);
            candidate.keptTop = k;
        }
    }
    return candidate;
}

// Bottom gap of `moving`'s lowest tick under the first compatible tick of
// `steady` at or above it; the index of that tick, or -1.
int bottomCandidate(const QVector<double>& moving, const QVector<double>& steady, double* gap)
{
    *gap = kInfinity;
    const int nMoving = moving.size();
    const int nSteady = steady.size();
    for (int w = 0; w <= nSteady - 2; ++w) {
        if (compatible(nSteady - 1 - w, nMoving - 1) && steady.at(w) <= moving.at(0)) {
            *gap = moving.at(0) - steady.at(w);
            return w;
        }
    }
    return -1;
}

void scaleOnto(const AlignSide& side)
{
    const double t = side.topPixel;
    const double s = side.bottomPixel;
    const double tAim = side.topAim;
    const double sAim = side.bottomAim;
    const double c = (tAim * s - t * sAim) / (tAim + s - sAim - t);
    if (!std::isfinite(c))
        return;
    side.axis->scaleRange((s - t) / (sAim - tAim), side.axis->pixelToCoord(c));
}

} // namespace

AbstractPlotAxis::AbstractPlotAxis(QObject* parent)
    : QObject(parent)
    , fixedTicker(new QCPAxisTickerFixed)
{
}

void AbstractPlotAxis::setAndConnectQcpAxis(QCPAxis* axis)
{
    qcpAxis = axis;
}

void AbstractPlotAxis::initAlarmsAndWarnings(QCustomPlot* plot)
{
    QPen pen;
    pen.setWidth(2);
    const struct {
        QCPItemLine** line;
        QColor color;
        double value;
    } lines[] = {{&alarmHighLine, theColors.colorAlarmHigh, 3},
                 {&warningHighLine, theColors.colorWarningHigh, 2},
                 {&warningLowLine, theColors.colorWarningLow, -2},
                 {&alarmLowLine, theColors.colorAlarmLow, -3}};
    for (const auto& entry : lines) {
        auto* line = new QCPItemLine(plot);
        pen.setColor(entry.color);
        line->setPen(pen);
        line->setVisible(false);
        setupLine(line);
        setLinePosition(line, entry.value);
        *entry.line = line;
    }
}

void AbstractPlotAxis::setupLine(QCPItemLine* line)
{
    if (!qcpAxis)
        return;
    const QCPAxis::AxisType type = qcpAxis->axisType();
    QCPItemPosition* ends[] = {line->start, line->end};
    if (type == QCPAxis::atLeft || type == QCPAxis::atRight) {
        for (QCPItemPosition* end : ends) {
            end->setAxes(nullptr, qcpAxis);
            end->setTypeX(QCPItemPosition::ptAxisRectRatio);
            end->setTypeY(QCPItemPosition::ptPlotCoords);
            end->setAxisRect(qcpAxis->axisRect());
        }
    } else if (type == QCPAxis::atTop || type == QCPAxis::atBottom) {
        for (QCPItemPosition* end : ends) {
            end->setAxes(qcpAxis, nullptr);
            end->setTypeX(QCPItemPosition::ptPlotCoords);
            end->setTypeY(QCPItemPosition::ptAxisRectRatio);
            end->setAxisRect(qcpAxis->axisRect());
        }
    } else {
        return;
    }
    const QCPLineEnding diamond(QCPLineEnding::esDiamond, 8, 10, false);
    if (type == QCPAxis::atLeft || type == QCPAxis::atTop)
        line->setTail(diamond);
    else
        line->setHead(diamond);
}

void AbstractPlotAxis::setLinePosition(QCPItemLine* line, double value)
{
    if (!qcpAxis)
        return;
    const QCPAxis::AxisType type = qcpAxis->axisType();
    if (type == QCPAxis::atLeft || type == QCPAxis::atRight) {
        line->start->setCoords(0, value);
        line->end->setCoords(1, value);
    } else if (type == QCPAxis::atTop || type == QCPAxis::atBottom) {
        line->start->setCoords(value, 0);
        line->end->setCoords(value, 1);
    }
}

void AbstractPlotAxis::alignLeftRightPlotAxis(AbstractPlotAxis* first, AbstractPlotAxis* second)
{
    if (!first || !second || !first->qcpAxis || !second->qcpAxis)
        return;
    if (!first->hasSimpleTicker() || !second->hasSimpleTicker())
        return;
    first->setDefaultTicker();
    second->setDefaultTicker();
    QCPAxis* axisA = first->qcpAxis;
    QCPAxis* axisB = second->qcpAxis;
    const QVector<double> ticksA = tickCoordinates(axisA);
    const QVector<double> ticksB = tickCoordinates(axisB);
    if (ticksA.size() < 2 || ticksB.size() < 2)
        return;

    first->fixedTicker->setTickStep(ticksA.at(1) - ticksA.at(0));
    second->fixedTicker->setTickStep(ticksB.at(1) - ticksB.at(0));
    axisA->setTicker(first->fixedTicker);
    axisB->setTicker(second->fixedTicker);

    // Work in pixels: a larger value lies on a smaller pixel row.
    AlignSide a;
    AlignSide b;
    a.axis = axisA;
    b.axis = axisB;
    for (double tick : ticksA)
        a.pixels.append(axisA->coordToPixel(tick));
    for (double tick : ticksB)
        b.pixels.append(axisB->coordToPixel(tick));

    // Tops: which ticks become the common top row, and which ticks above
    // them are given up.
    const TopCandidate keepA = topCandidate(a.pixels, b.pixels);
    const TopCandidate keepB = topCandidate(b.pixels, a.pixels);
    if (keepA.gap < keepB.gap) {
        a.pixels.resize(keepA.keptTop + 1);
        b.pixels.resize(keepA.otherTop + 1);
        a.topAim = b.topAim = b.pixels.last();
    } else if (keepB.gap < keepA.gap) {
        b.pixels.resize(keepB.keptTop + 1);
        a.pixels.resize(keepB.otherTop + 1);
        a.topAim = b.topAim = a.pixels.last();
    } else {
        a.topAim = a.pixels.last();
        b.topAim = b.pixels.last();
    }
    a.topPixel = a.pixels.last();
    b.topPixel = b.pixels.last();

    // Bottoms, on what is left.
    double gapX = kInfinity;
    double gapW = kInfinity;
    const int w = bottomCandidate(a.pixels, b.pixels, &gapX);
    const int l = bottomCandidate(b.pixels, a.pixels, &gapW);
    if (gapX < gapW) {
        a.bottomPixel = a.pixels.first();
        a.bottomAim = b.pixels.at(w);
        b.bottomPixel = b.bottomAim = b.pixels.at(w);
    } else if (gapW < gapX) {
        b.bottomPixel = b.pixels.first();
        b.bottomAim = a.pixels.at(l);
        a.bottomPixel = a.bottomAim = a.pixels.at(l);
    } else {
        a.bottomPixel = a.bottomAim = a.pixels.first();
        b.bottomPixel = b.bottomAim = b.pixels.first();
    }

    const QCPRange oldA = axisA->range();
    const QCPRange oldB = axisB->range();
    scaleOnto(a);
    scaleOnto(b);

    // Both axes end on common pixel rows that cover what either showed.
    const double upperPixel = std::min(axisA->coordToPixel(oldA.upper), axisB->coordToPixel(oldB.upper));
    const double lowerPixel = std::max(axisA->coordToPixel(oldA.lower), axisB->coordToPixel(oldB.lower));
    axisA->setRange(axisA->pixelToCoord(lowerPixel), axisA->pixelToCoord(upperPixel));
    axisB->setRange(axisB->pixelToCoord(lowerPixel), axisB->pixelToCoord(upperPixel));
}
