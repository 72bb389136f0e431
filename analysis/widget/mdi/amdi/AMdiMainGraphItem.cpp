#include "AMdiMainGraphItem.h"

#include "AMdiCurveData.h"
#include "AMdiMainGraph.h"
#include "AnalyzeWidget.h"
#include "ChannelSetup.h"
#include "ComparePlot.h"
#include "ComparePlotAxis.h"
#include "LoadedRunListModel.h"
#include "RunData.h"
#include "VectorChannel.h"
#include "lib/Unit.h"

#include <QDebug>

const QMap<int, LoadedRunListField> g_mainCurveToLoadedRunListFieldMap = {
    {AMdiMainGraphItem::Curve_loss, LoadedRunListField::PeakLossPower},
    {AMdiMainGraphItem::Curve_wheel, LoadedRunListField::PeakWheelPower},
    {AMdiMainGraphItem::Curve_engine, LoadedRunListField::PeakEnginePower},
    {AMdiMainGraphItem::Curve_torque, LoadedRunListField::PeakEngineTorque},
    {AMdiMainGraphItem::Curve_leftOuter, LoadedRunListField::LeftOuterAxis},
    {AMdiMainGraphItem::Curve_rightOuter, LoadedRunListField::RightOuterAxis},
};

namespace {

using AMdiCurveData::notANumber;

// The curve each peak belongs to.
constexpr int kPeakCurve[AMdiMainGraphItem::PeakCount] = {AMdiMainGraphItem::Curve_engine,
                                                          AMdiMainGraphItem::Curve_wheel,
                                                          AMdiMainGraphItem::Curve_torque};

double unitFactor(const VectorChannel* vector)
{
    return vector && vector->setup && vector->setup->unit ? vector->setup->unit->factor : 1.0;
}

} // namespace

AMdiMainGraphItem::AMdiMainGraphItem(RunData* runData, ComparePlot* comparePlot, AMdiMainGraph* owner)
    : QObject(runData)
    , graph(owner)
    , plot(comparePlot)
    , run(runData)
{
    for (auto& range : curveValueRanges)
        range = {notANumber, notANumber};
    connect(run, &RunData::signal_updateMarkers, this, &AMdiMainGraphItem::slot_updateMarkers);
    QCPAxis* bottom = plot->xAxis;
    QCPAxis* valueAxes[CurveCount] = {plot->yAxis2, plot->yAxis2, plot->yAxis2, plot->yAxis,
                                      plot->leftOuterAxis, plot->rightOuterAxis};
    for (int i = 0; i < CurveCount; ++i)
        curves[i] = new QCPCurve(bottom, valueAxes[i]);
    for (int p = 0; p < PeakCount; ++p) {
        QCPAxis* axis = p == Peak_torque ? plot->yAxis : plot->yAxis2;
        auto* label = new QCPItemText(plot);
        label->setPositionAlignment(Qt::AlignTop | Qt::AlignHCenter);
        label->setPadding(QMargins(0, 5, 0, 0));
        label->position->setType(QCPItemPosition::ptPlotCoords);
        label->position->setAxes(bottom, axis);
        peakLabels[p] = label;
        auto* point = new QCPItemTracer(plot);
        point->setStyle(QCPItemTracer::tsCircle);
        point->position->setType(QCPItemPosition::ptPlotCoords);
        point->position->setAxes(bottom, axis);
        peakPoints[p] = point;
    }
}

AMdiMainGraphItem::~AMdiMainGraphItem()
{
    clearMarkers();
}

VectorChannel* AMdiMainGraphItem::masterVector() const
{
    const QString key = AnalyzeWidget::getChannelKeyFromMainGraphMasterChannelKey(
        plot->axes[PlotAxis_bottom]->getChannelKey());
    return run->getChannelByAnalyzeKey(key);
}

void AMdiMainGraphItem::updateCurveData()
{
    channels[Curve_loss] = run->getVectorChannel(ChannelId_dynoLossPower, 0);
    channels[Curve_wheel] = run->getVectorChannel(ChannelId_dynoOnWheelsPower, 0);
    channels[Curve_engine] = run->getVectorChannel(ChannelId_engineCorrectedPower, 0);
    channels[Curve_torque] = run->getVectorChannel(ChannelId_engineCorrectedTorque, 0);
    const ChannelSetup* leftOuter = plot->axes[PlotAxis_leftOuter]->channelSetup;
    const ChannelSetup* rightOuter = plot->axes[PlotAxis_rightOuter]->channelSetup;
    channels[Curve_leftOuter] = leftOuter ? run->getChannelByAnalyzeKey(leftOuter->key) : nullptr;
    channels[Curve_rightOuter] = rightOuter ? run->getChannelByAnalyzeKey(rightOuter->key) : nullptr;

    VectorChannel* master = masterVector();
    if (!master) {
        qDebug() << "void AMdiMainGraphItem::updateCurveData()" << "invalid master channel";
        return;
    }
    const QList<double>& x = *master->getTranslatedData();
    const auto [first, last] = run->getSelectionIndexes();
    const auto range = AMdiCurveData::finiteRange(x, first, last);
    masterMin = range.first;
    masterMax = range.second;
    run->updatePreviewData();

    const int count = AMdiCurveData::curveCount(first, last);
    static const QList<double> noTime;
    const QList<double>& t = run->getMainTimeVector() ? run->getMainTimeVector()->rawSamples() : noTime;
    for (int i = 0; i < CurveCount; ++i) {
        VectorChannel* channel = channels[i];
        curves[i]->data()->clear();
        if (!channel)
            continue;
        const QList<double>& values = *channel->getTranslatedData();
        AMdiCurveData::fillCurve(curves[i], t, x, values, first, count);
        curves[i]->setProperty("rundata", QVariant::fromValue<QObject*>(run));
        curves[i]->setProperty("channelKey", channel->setup ? channel->setup->key : QString());
        curveValueRanges[i] = {notANumber, notANumber};
        if (i == Curve_leftOuter || i == Curve_rightOuter)
            curveValueRanges[i] = AMdiCurveData::finiteRange(values, first, last);
    }

    const double P = run->getRunInfoValue(RunListFields::measuredEnginePower, 0).toDouble();
    const double T = run->getRunInfoValue(RunListFields::measuredEngineTorque, 0).toDouble();
    const double W = run->getRunInfoValue(RunListFields::measuredWheelPower, 0).toDouble();
    const double L = run->getRunInfoValue(RunListFields::peakLossPower, 0).toDouble();
    const double uP = unitFactor(channels[Curve_engine]);
    const double uT = unitFactor(channels[Curve_torque]);
    peakRanges[0] = {0.0, T * uT};
    peakRanges[1] = {0.0, P * uP};
    peakRanges[2] = {0.0, W * uP};
    peakRanges[3] = {0.0, L * uP};

    const double peakValues[PeakCount] = {P * uP, W * uP, T * uT};
    const double peakSi[PeakCount] = {P, W, T};
    for (int p = 0; p < PeakCount; ++p) {
        VectorChannel* channel = channels[kPeakCurve[p]];
        int index = -1;
        if (channel)
            index = AMdiCurveData::peakIndex(*channel->getFilteredData(), first, last);
        const double key = index >= 0 && index < x.size() ? x.at(index) : 0.0;
        if (peakLabels[p]) {
            peakLabels[p]->setText(channel && channel->setup ? channel->setup->getStringWithUnitFromValue(peakSi[p])
                                                             : QString());
            peakLabels[p]->position->setCoords(key, peakValues[p]);
        }
        if (peakPoints[p])
            peakPoints[p]->position->setCoords(key, peakValues[p]);
    }
    for (PlotAxis axis : {PlotAxis_left, PlotAxis_right, PlotAxis_bottom})
        plot->axes[axis]->setColor_found();
    updatePeakLabelFont();
    slot_updateMarkers();
}

void AMdiMainGraphItem::updatePeakLabelFont()
{
    for (int p = 0; p < PeakCount; ++p) {
        if (peakLabels[p])
            peakLabels[p]->setFont(QFont(curves[kPeakCurve[p]]->valueAxis()->tickLabelFont()));
    }
}

void AMdiMainGraphItem::updateCurveColors(LoadedRunListModel* model, int row)
{
    for (int i = 0; i < CurveCount; ++i) {
        const LoadedRunListField column = g_mainCurveToLoadedRunListFieldMap.value(i);
        QPen pen = curves[i]->pen();
        pen.setColor(model->getColor(row, column));
        pen.setStyle(model->getLineStyle(row, column));
        curves[i]->setPen(pen);
        for (int p = 0; p < PeakCount; ++p) {
            if (kPeakCurve[p] == i && peakLabels[p])
                peakLabels[p]->setColor(pen.color());
        }
        for (const auto& marker : markers[i]) {
            if (marker.second)
                marker.second->setColor(pen.color());
        }
    }
}

void AMdiMainGraphItem::updateCurveVisibility(LoadedRunListModel* model, int row, bool showPeaks)
{
    for (int i = 0; i < CurveCount; ++i) {
        const bool visible = model->isFieldVisible(row, g_mainCurveToLoadedRunListFieldMap.value(i));
        curves[i]->setVisible(visible);
        for (int p = 0; p < PeakCount; ++p) {
            if (kPeakCurve[p] != i)
                continue;
            if (peakLabels[p])
                peakLabels[p]->setVisible(showPeaks && visible);
            if (peakPoints[p])
                peakPoints[p]->setVisible(showPeaks && visible);
        }
        for (const auto& marker : markers[i]) {
            if (marker.first)
                marker.first->setVisible(visible);
            if (marker.second)
                marker.second->setVisible(visible);
        }
    }
}

void AMdiMainGraphItem::setCurveSelected(LoadedRunListField column, bool emphasised)
{
    const int curve = g_mainCurveToLoadedRunListFieldMap.key(column, -1);
    if (curve < 0)
        return;
    QPen pen = curves[curve]->pen();
    pen.setWidth(emphasised ? graph->boldCurveThickness : graph->normalCurveThickness);
    curves[curve]->setPen(pen);
}

void AMdiMainGraphItem::slot_updateMarkers()
{
    clearMarkers();
    const QList<double>& times = run->markerTimes;
    const QList<QString>& labels = run->markerChannelKeys;
    for (int i = 0; i < CurveCount; ++i) {
        markers[i].resize(times.size());
        const QString curveKey = curves[i]->property("channelKey").toString();
        for (qsizetype j = 0; j < times.size(); ++j) {
            const QString label = labels.value(j);
            if (!label.isEmpty() && label != curveKey) {
                markers[i][j] = {nullptr, nullptr};
                continue;
            }
            markers[i][j] = plot->createMarker(curves[i], times.at(j));
        }
    }
    plot->updateMarkerLabelPositions();
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiMainGraphItem::clearMarkers()
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

void AMdiMainGraphItem::removePlottables()
{
    for (int p = 0; p < PeakCount; ++p) {
        if (peakLabels[p])
            plot->removeItem(peakLabels[p]);
        if (peakPoints[p])
            plot->removeItem(peakPoints[p]);
    }
    clearMarkers();
    for (QCPCurve*& curve : curves) {
        if (curve)
            plot->removePlottable(curve);
        curve = nullptr;
    }
}

QStringList AMdiMainGraphItem::getYValuesForXValue(double x)
{
    VectorChannel* master = masterVector();
    if (!master) {
        qDebug() << "QStringList AMdiMainGraphItem::getYValuesForXValue(double)" << "invalid master channel";
        return {};
    }
    const auto [first, last] = run->getSelectionIndexes();
    const int i = AMdiCurveData::findCrossing(*master->getTranslatedData(), first, last, x);
    if (i < 0)
        return {};
    QStringList values;
    for (int curve : {Curve_torque, Curve_leftOuter, Curve_engine, Curve_rightOuter}) {
        VectorChannel* channel = channels[curve];
        if (!channel || !channel->setup) {
            values.append(QString());
            continue;
        }
        const QList<double>& filtered = *channel->getFilteredData();
        values.append(i < filtered.size() ? channel->setup->getStringFromValue(filtered.at(i)) : QString());
    }
    return values;
}
