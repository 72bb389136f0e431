#include "AMdiCurveData.h"

#include <qcustomplot.h>

namespace AMdiCurveData {

void fillCurve(QCPCurve* curve, const QList<double>& t, const QList<double>& keys, const QList<double>& values,
               int first, int count)
{
    curve->data()->clear();
    const qsizetype available = std::min({t.size(), keys.size(), values.size()}) - first;
    const qsizetype n = std::min<qsizetype>(count, available);
    if (first < 0 || n <= 0)
        return;
    QVector<double> tt(t.constBegin() + first, t.constBegin() + first + n);
    QVector<double> kk(keys.constBegin() + first, keys.constBegin() + first + n);
    QVector<double> vv(values.constBegin() + first, values.constBegin() + first + n);
    curve->addData(tt, kk, vv, true);
}

} // namespace AMdiCurveData
