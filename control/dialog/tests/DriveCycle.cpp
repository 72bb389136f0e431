#include "DriveCycle.h"

#include "Resampler.h"
#include "lib/Units.h"
#include "lib/Unit.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

double number(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

double speedFactor(bool mph)
{
    const QString name = mph ? QStringLiteral("mph") : QStringLiteral("km/h");
    if (const Unit* unit = theUnits.getUnitByQuantityAndName(Quantity::Speed, name))
        return unit->factor;
    return mph ? 3.6 / 1.609344 : 3.6;
}

} // namespace

bool DriveCycle::parse(const QString& text, QString* error)
{
    // Read as Latin-1, whatever the source.
    const QString latin = QString::fromLatin1(text.toLatin1());
    QList<QStringView> lines;
    for (QStringView line : QStringView(latin).split(QLatin1Char('\n')))
        lines.append(line);
    if (!lines.isEmpty() && lines.last().trimmed().isEmpty() && latin.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    const QString newTitle = lines.value(0).toString().trimmed();
    const QString newDescription = lines.value(1).toString().trimmed();
    const double factor = speedFactor(newDescription.contains(QStringLiteral("mph")));
    QList<double> newTimes;
    QList<double> newSpeeds;
    for (int i = 2; i < lines.size(); ++i) {
        const QList<QStringView> parts = lines.at(i).trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QStringList fields;
        for (QStringView part : parts) {
            for (QStringView piece : part.split(QLatin1Char('\t'), Qt::SkipEmptyParts))
                fields.append(piece.toString());
        }
        newTimes.append(number(fields.value(0)));
        newSpeeds.append(number(fields.value(1)) / factor);
    }
    if (!newTimes.isEmpty() && *std::max_element(newTimes.cbegin(), newTimes.cend()) > maxDuration) {
        if (error)
            *error = QCoreApplication::translate("RoadSimulationDialog",
                                                 "The drive cycle is longer than 24 hours and was not loaded.");
        return false;
    }
    title = newTitle;
    description = newDescription;
    times = newTimes;
    speeds = newSpeeds;
    return true;
}

void DriveCycle::lowHigh(double x, double a, double r, double& low, double& high)
{
    low = std::max(0.0, std::min(x - a, (1.0 - r) * x));
    high = std::max(x + a, (1.0 + r) * x);
}

double DriveCycle::computeBand(double a, double r, double tau)
{
    gridTimes.clear();
    gridSpeeds.clear();
    gridLow.clear();
    gridHigh.clear();
    double maxHigh = 0;
    if (times.isEmpty())
        return maxHigh;
    const int n = std::max(0, int(times.last() * 10));
    if (n == 0)
        return maxHigh;
    Resampler::resampleToVector(&times, &speeds, &gridSpeeds, 10, n, SamplingMode::Interpolate);
    gridSpeeds.resize(n, std::numeric_limits<double>::quiet_NaN());
    QList<double> low(n);
    QList<double> high(n);
    for (int i = 0; i < n; ++i) {
        gridTimes.append(i / 10.0);
        lowHigh(gridSpeeds.at(i), a, r, low[i], high[i]);
        if (std::isfinite(high.at(i)))
            maxHigh = std::max(maxHigh, high.at(i));
    }
    const int w = int(tau * 10);
    if (w >= 1) {
        gridLow.resize(n);
        gridHigh.resize(n);
        for (int i = 0; i < n; ++i) {
            double lo = low.at(i);
            double hi = high.at(i);
            for (int j = std::max(0, i - w); j <= std::min(i + w, n - 1); ++j) {
                lo = std::min(lo, low.at(j));
                hi = std::max(hi, high.at(j));
            }
            gridLow[i] = lo;
            gridHigh[i] = hi;
        }
    } else {
        gridLow = low;
        gridHigh = high;
    }
    return maxHigh;
}
