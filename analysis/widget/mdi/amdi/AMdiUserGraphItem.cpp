#include "AMdiUserGraphItem.h"

#include "AMdiCurveData.h"
#include "AMdiUserGraph.h"
#include "ChannelSetup.h"
#include "ComparePlot.h"
#include "ComparePlotAxis.h"
#include "LoadedRunListModel.h"
#include "RunData.h"
#include "VectorChannel.h"

using AMdiCurveData::notANumber;

namespace {

constexpr int kValueAxes[4] = {PlotAxis_left, PlotAxis_right, PlotAxis_leftOuter, PlotAxis_rightOuter};

} // namespace

AMdiUserGraphItem::AMdiUserGraphItem(RunData* runData, ComparePlot* comparePlot, AMdiUserGraph* owner)
    : QObject(runData)
    , graph(owner)
    , plot(comparePlot)
    , run(runData)
{
    for (auto& range : dataRanges)
        range = {notANumber, notANumber};
    for (int axis : kValueAxes)
        curves[axis] = new QCPCurve(plot->xAxis, plot->axes[axis]->qcpAxis);
    connect(run, &RunData::signal_updateMarkers, this, &AMdiUserGraphItem::slot_updateMarkers);
}

AMdiUserGraphItem::~AMdiUserGraphItem()
{
    clearMarkers();
}

void AMdiUserGraphItem::updateCurveData()
{
    const auto [first, last] = run->getSelectionIndexes();
    const int count = AMdiCurveData::curveCount(first, last);
    for (int axis = 0; axis < 5; ++axis) {
        const ChannelSetup* setup = plot->axes[axis]->channelSetup;
        channels[axis] = setup ? run->getChannelByAnalyzeKey(setup->key) : nullptr;
        dataRanges[axis] = {notANumber, notANumber};
        if (curves[axis])
            curves[axis]->data()->clear();
    }
    VectorChannel* bottom = channels[PlotAxis_bottom];
    if (bottom && count > 0) {
        static const QList<double> noTime;
        const QList<double>& t = run->getMainTimeVector() ? run->getMainTimeVector()->rawSamples() : noTime;
        const QList<double>& keys = *bottom->getTranslatedData();
        for (int axis = 0; axis < 5; ++axis) {
            VectorChannel* channel = channels[axis];
            if (!channel)
                continue;
            const QList<double>& values = *channel->getTranslatedData();
            if (curves[axis]) {
                AMdiCurveData::fillCurve(curves[axis], t, keys, values, first, count);
                curves[axis]->setProperty("rundata", QVariant::fromValue<QObject*>(run));
                curves[axis]->setProperty("channelKey", plot->axes[axis]->getChannelKey());
            }
            dataRanges[axis] = AMdiCurveData::finiteRange(values, first, last);
        }
    }
    updateMarkers();
    plot->updateMarkerLabelPositions();
}

void AMdiUserGraphItem::updateCurveColors(LoadedRunListModel* model, int row)
{
    for (int axis : kValueAxes) {
        const LoadedRunListField column = LoadedRunListModel::loadedRunListFieldFromPlotAxis(axis);
        QPen pen = curves[axis]->pen();
        pen.setColor(model->getColor(row, column));
        pen.setStyle(model->getLineStyle(row, column));
        curves[axis]->setPen(pen);
        for (const auto& marker : markers[axis]) {
            if (marker.second)
                marker.second->setColor(pen.color());
        }
    }
}

void AMdiUserGraphItem::updateCurveVisibility(LoadedRunListModel* model, int row)
{
    for (int axis : kValueAxes) {
        const bool visible = model->isFieldVisible(row, LoadedRunListModel::loadedRunListFieldFromPlotAxis(axis));
        curves[axis]->setVisible(visible);
        for (const auto& marker : markers[axis]) {
            if (marker.first)
                marker.first->setVisible(visible);
            if (marker.second)
                marker.second->setVisible(visible);
        }
    }
}

void AMdiUserGraphItem::setCurveSelected(LoadedRunListField column, bool selected)
{
    int axis = -1;
    switch (column) {
    case LoadedRunListField::LeftInnerAxis: axis = PlotAxis_left; break;
    case LoadedRunListField::LeftOuterAxis: axis = PlotAxis_leftOuter; break;
    case LoadedRunListField::RightInnerAxis: axis = PlotAxis_right; break;
    case LoadedRunListField::RightOuterAxis: axis = PlotAxis_rightOuter; break;
    default: return;
    }
    QPen pen = curves[axis]->pen();
    pen.setWidth(selected ? graph->boldCurveThickness : graph->normalCurveThickness);
    curves[axis]->setPen(pen);
}

void AMdiUserGraphItem::updateMarkers()
{
    clearMarkers();
    const QList<double>& times = run->markerTimes;
    const QList<QString>& keys = run->markerChannelKeys;
    for (int axis : kValueAxes) {
        markers[axis].resize(times.size());
        const QString curveKey = curves[axis]->property("channelKey").toString();
        for (qsizetype j = 0; j < times.size(); ++j) {
            const QString key = keys.value(j);
            if (!key.isEmpty() && key != curveKey)
                continue;
            markers[axis][j] = plot->createMarker(curves[axis], times.at(j));
        }
    }
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiUserGraphItem::slot_updateMarkers()
{
    updateMarkers();
    plot->updateMarkerLabelPositions();
}

void AMdiUserGraphItem::clearMarkers()
{
    for (auto& list : markers) {
        for (auto& marker : list) {
            if (marker.first)
                plot->removeItem(marker.first);
            if (marker.second)
                plot->removeItem(marker.second);
            marker = {nullptr, nullptr};
        }
    }
}

void AMdiUserGraphItem::removePlottables()
{
    clearMarkers();
    for (QCPCurve*& curve : curves) {
        if (curve)
            plot->removePlottable(curve);
        curve = nullptr;
    }
}

QStringList AMdiUserGraphItem::getYValuesForXValue(double x)
{
    VectorChannel* bottom = channels[PlotAxis_bottom];
    if (!bottom)
        return {};
    const auto [first, last] = run->getSelectionIndexes();
    const int i = AMdiCurveData::findCrossing(*bottom->getTranslatedData(), first, last, x);
    if (i < 0)
        return {};
    QStringList values;
    for (int axis : {PlotAxis_left, PlotAxis_leftOuter, PlotAxis_right, PlotAxis_rightOuter}) {
        VectorChannel* channel = channels[axis];
        if (!channel || !channel->setup) {
            values.append(QString());
            continue;
        }
        const QList<double>& filtered = *channel->getFilteredData();
        values.append(i < filtered.size() ? channel->setup->getStringFromValue(filtered.at(i)) : QString());
    }
    return values;
}
