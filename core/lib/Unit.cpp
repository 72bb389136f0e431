#include "Unit.h"

#include "Tools.h"

Unit::Unit(Quantity quantity, const QString& name, const QStringList& aliases, double factor, double offset)
    : quantity(quantity)
    , name(name)
    , aliases(aliases)
    , factor(factor)
    , offset(offset)
{
}

void Unit::translateVector(const QList<double>* in, QList<double>* out) const
{
    const qsizetype n = in->size();
    out->resize(n);
    const double* src = in->constData();
    double* dst = out->data();
    if (offset == 0.0) {
        for (qsizetype i = 0; i < n; ++i)
            dst[i] = src[i] * factor;
    } else {
        for (qsizetype i = 0; i < n; ++i)
            dst[i] = src[i] * factor + offset;
    }
}

QString Unit::getUnitValueStringWithNameSpaced(double si, int decimals) const
{
    return Tools::stringFromDouble(getUnitValue(si), decimals) + QLatin1Char(' ') + name;
}
