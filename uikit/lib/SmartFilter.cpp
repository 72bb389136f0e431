#include "SmartFilter.h"

void SmartFilter::setupFilter(const QString& s)
{
    text = s;
    mode = Text;
    threshold = 0;
    words = s.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (s.isEmpty())
        return;
    const QChar first = s.at(0);
    if (first != QLatin1Char('<') && first != QLatin1Char('>'))
        return;
    QString rest = s.mid(1);
    if (rest.isEmpty())
        return;
    const bool less = first == QLatin1Char('<');
    int comparison = less ? Less : Greater;
    if (rest.startsWith(QLatin1Char('='))) {
        rest.remove(0, 1);
        comparison = less ? LessOrEqual : GreaterOrEqual;
    }
    bool ok = false;
    const double number = rest.toDouble(&ok);
    if (!ok)
        return;
    mode = comparison;
    threshold = number;
}

bool SmartFilter::filter(const QString& cellText) const
{
    if (mode != Text) {
        bool ok = false;
        const double value = cellText.toDouble(&ok);
        if (!ok)
            return cellText.contains(text, Qt::CaseInsensitive);
        switch (mode) {
        case Less:
            return value < threshold;
        case LessOrEqual:
            return value <= threshold;
        case Greater:
            return value > threshold;
        default:
            return value >= threshold;
        }
    }
    for (const QString& word : words) {
        if (!cellText.contains(word, Qt::CaseInsensitive))
            return false;
    }
    return true;
}
