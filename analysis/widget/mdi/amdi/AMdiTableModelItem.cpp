#include "AMdiTableModelItem.h"

#include "AnalyzeWidget.h"
#include "ChannelSetup.h"
#include "RunData.h"
#include "VectorChannel.h"

#include <QDebug>

#include <climits>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

AMdiTableModelItem::AMdiTableModelItem(RunData* runData)
    : run(runData)
{
}

bool AMdiTableModelItem::searchSteps(const QList<double>& m, int first, int last, double step, int* firstStep,
                                     QList<int>* indexes)
{
    indexes->clear();
    *firstStep = 0;
    // A vector shorter than the selection is missing beyond its end.
    last = std::min<int>(last, int(m.size()) - 1);
    if (!(step > 0) || first < 0 || last < first)
        return false;
    double minimum = kNaN, maximum = kNaN;
    int imin = -1, imax = -1;
    for (int i = first; i <= last; ++i) {
        const double v = m.at(i);
        if (std::isnan(v))
            continue;
        if (imin < 0 || v < minimum) {
            minimum = v;
            imin = i;
        }
        if (imax < 0 || v > maximum) {
            maximum = v;
            imax = i;
        }
    }
    if (!std::isfinite(minimum) || !std::isfinite(maximum))
        return false;
    // The window leaves out the selection's last two samples; a one- or
    // two-sample selection has nothing to search.
    const int n = std::max(0, last - first - 1);
    const double lowest = std::ceil(minimum / step);
    if (!(std::fabs(lowest) < double(INT_MAX) - double(kMaxEntries))) {
        qDebug() << "Result table: master value" << minimum << "out of the step range of step" << step;
        return false;
    }
    *firstStep = int(lowest);
    double target = *firstStep * step;
    int number = *firstStep;
    const auto next = [&]() {
        ++number;
        target = number * step;
    };
    bool capped = false;
    if (imin < imax) {
        for (int j = 0; j < n - 1 && target <= maximum;) {
            const double a = m.at(first + j);
            const double b = m.at(first + j + 1);
            if (a <= target && target < b) {
                if (indexes->size() >= kMaxEntries) {
                    capped = true;
                    break;
                }
                indexes->append(first + j);
                next();
            } else {
                ++j;
            }
        }
    } else {
        for (int index = n - 1; index >= 1 && target <= maximum && !capped; --index) {
            while (m.at(first + index) <= target && target < m.at(first + index - 1) && target <= maximum) {
                if (indexes->size() >= kMaxEntries) {
                    capped = true;
                    break;
                }
                indexes->append(first + index);
                next();
            }
        }
    }
    if (capped)
        qDebug() << "Result table: more than" << kMaxEntries << "steps in a run, the rest left out (step" << step
                 << "from" << minimum << "to" << maximum << ")";
    return true;
}

void AMdiTableModelItem::update(double step, const ChannelSetup* master)
{
    if (step <= 0) {
        qDebug() << "step<=0";
        return;
    }
    if (!master) {
        qDebug() << "no master channel setup";
        return;
    }
    VectorChannel* masterVector =
        run->getChannelByAnalyzeKey(AnalyzeWidget::getChannelKeyFromMainGraphMasterChannelKey(master->key));
    if (masterVector) {
        const auto [first, last] = run->getSelectionIndexes();
        searchSteps(*masterVector->getTranslatedData(), first, last, step, &firstStep, &sampleIndexes);
    }
    for (int k = 0; k < channelKeys.size(); ++k) {
        channelVectors[k] = run->getChannelByAnalyzeKey(channelKeys.at(k));
        updateChannelMinMax(k);
    }
}

void AMdiTableModelItem::addChannel(const QString& key)
{
    channelKeys.append(key);
    channelVectors.append(run->getChannelByAnalyzeKey(key));
    maxPositions.append(-1);
    minPositions.append(-1);
    updateChannelMinMax(int(channelKeys.size()) - 1);
}

void AMdiTableModelItem::removeChannel(int channel)
{
    if (channel < 0 || channel >= channelKeys.size())
        return;
    channelKeys.removeAt(channel);
    channelVectors.removeAt(channel);
    maxPositions.removeAt(channel);
    minPositions.removeAt(channel);
}

void AMdiTableModelItem::updateChannelMinMax(int channel)
{
    if (channel < 0 || channel >= channelKeys.size())
        return;
    maxPositions[channel] = -1;
    minPositions[channel] = -1;
    VectorChannel* vector = channelVectors.at(channel);
    if (!vector)
        return;
    const QList<double>& filtered = *vector->getFilteredData();
    double maximum = kNaN, minimum = kNaN;
    for (int p = 0; p < sampleIndexes.size(); ++p) {
        const double v = filtered.value(sampleIndexes.at(p), kNaN);
        if (std::isnan(v))
            continue;
        if (maxPositions[channel] < 0 || v > maximum) {
            maximum = v;
            maxPositions[channel] = p;
        }
        if (minPositions[channel] < 0 || v < minimum) {
            minimum = v;
            minPositions[channel] = p;
        }
    }
}

double AMdiTableModelItem::data(int channel, int stepNumber) const
{
    const int p = stepNumber - firstStep;
    if (p < 0 || p >= sampleIndexes.size() || channel < 0 || channel >= channelVectors.size())
        return kNaN;
    VectorChannel* vector = channelVectors.at(channel);
    if (!vector)
        return kNaN;
    return vector->getFilteredData()->value(sampleIndexes.at(p), kNaN);
}

QString AMdiTableModelItem::stringData(int channel, int stepNumber, const AMdiTableModelItem* reference) const
{
    double value = data(channel, stepNumber);
    if (reference)
        value -= reference->data(channel, stepNumber);
    if (std::isnan(value))
        return QString();
    VectorChannel* vector = channelVectors.value(channel);
    if (!vector || !vector->setup)
        return QString();
    const QString text = vector->setup->getStringFromValue(value);
    return reference && value > 0 ? QStringLiteral("+") + text : text;
}

int AMdiTableModelItem::getMinMaxFlag(int channel, int stepNumber) const
{
    const int p = stepNumber - firstStep;
    if (p < 0 || p >= sampleIndexes.size() || channel < 0 || channel >= maxPositions.size())
        return 0;
    if (p == maxPositions.at(channel))
        return 2;
    if (p == minPositions.at(channel))
        return 1;
    return 0;
}

QColor AMdiTableModelItem::getAlarmWarningColor(int channel, int stepNumber) const
{
    const double v = data(channel, stepNumber);
    VectorChannel* vector = channelVectors.value(channel);
    if (std::isnan(v) || !vector || !vector->setup)
        return Qt::black;
    const ChannelSetup* setup = vector->setup;
    if (v > setup->alarmHigh)
        return QColor(255, 0, 0);
    if (v > setup->warningHigh)
        return QColor(255, 150, 0);
    if (v < setup->alarmLow)
        return QColor(0, 0, 255);
    if (v < setup->warningLow)
        return QColor(0, 150, 255);
    return Qt::black;
}
