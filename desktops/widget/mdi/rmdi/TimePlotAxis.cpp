#include "TimePlotAxis.h"

#include "ChannelSetup.h"
#include "RunChannel.h"
#include "lib/Tools.h"

#include <qcustomplot.h>

#include <cmath>
#include <limits>

void TimePlotAxis::setAxisChannel_post()
{
    updateAxisRange();
    clearDataAndReplot();
}

void TimePlotAxis::slot_channelSetupChanged()
{
    if (channel && channel->setup && graph)
        graph->setPen(QPen(channel->setup->color));
    AbstractMdiPlotAxis::slot_channelSetupChanged();
}

void TimePlotAxis::clearDataAndReplot()
{
    if (!graph)
        return;
    graph->data()->clear();
    provisionalLast = false;
    graph->parentPlot()->replot(QCustomPlot::rpRefreshHint);
}

double TimePlotAxis::xOf(qint64 ms, bool clockTime, qint64 runStartMs) const
{
    double x = double(ms - runStartMs) / 1000.0;
    if (clockTime)
        x += double(runStartMs) / 1000.0;
    return x;
}

void TimePlotAxis::addBreak(double x)
{
    if (!graph)
        return;
    graph->addData(x, std::numeric_limits<double>::quiet_NaN());
    // The break stays: only a provisional point is ever taken back.
    provisionalLast = false;
}

void TimePlotAxis::refreshTick(double fromX, bool clockTime, qint64 nowMs, qint64 runStartMs)
{
    if (!channel || !graph)
        return;
    QSharedPointer<QCPGraphDataContainer> data = graph->data();
    // The provisional point of the last refresh is moved, never removed and
    // added again, so that neither a break nor a sample of the same time goes.
    const bool hadProvisional = provisionalLast && !data->isEmpty();
    const int realCount = data->size() - (hadProvisional ? 1 : 0);
    double cutOff = fromX;
    // Keep one point left of the window, so the line enters it from the edge.
    for (int i = 1; i < realCount; ++i) {
        const double key = (data->constBegin() + i)->key;
        if (key >= cutOff) {
            const double prev = (data->constBegin() + i - 1)->key;
            if (prev < cutOff)
                cutOff = prev;
            break;
        }
    }
    bool lastIsBreak = false;
    if (realCount > 0) {
        const auto last = data->constBegin() + realCount - 1;
        lastIsBreak = std::isnan(last->value);
        // The last real sample stays even when it is older than the window.
        if (last->key - 1.0 < cutOff)
            cutOff = last->key - 1.0;
    }
    data->removeBefore(cutOff);

    double v = 0;
    qint64 ts = 0;
    channel->getTimestampedData(v, ts);
    const bool ownTimestamps = channel->setup && int(channel->setup->sampling) != 0;
    const qint64 t = (lastIsBreak || !ownTimestamps) ? nowMs : ts;
    const double display = toDisplay(v);
    const double xNow = xOf(nowMs, clockTime, runStartMs);
    const bool addSample = !(t == lastSampleTime && realCount > 0);
    if (addSample) {
        lastSampleTime = t;
        const double xs = xOf(t, clockTime, runStartMs);
        if (hadProvisional) {
            auto p = data->end() - 1;
            p->key = xs;
            p->value = display;
        } else {
            graph->addData(xs, display);
        }
        if (Tools::updateAutoRange(dataMin, dataMax, v))
            updateAxisRange();
        // A sample of this very moment needs no point to draw it on.
        if (t == nowMs) {
            provisionalLast = false;
            return;
        }
        graph->addData(xNow, display);
    } else if (hadProvisional) {
        auto p = data->end() - 1;
        p->key = xNow;
        p->value = display;
    } else {
        graph->addData(xNow, display);
    }
    provisionalLast = true;
}
