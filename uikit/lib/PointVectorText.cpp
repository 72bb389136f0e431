#include "PointVectorText.h"

#include <QLocale>

namespace {

// Reads a number as the C library does: optional sign, digits with one point,
// an optional exponent, or inf/nan. Returns false, leaving pos, when none starts
// at pos.
bool readNumber(const QString& text, int& pos, double& value)
{
    const int n = text.size();
    int i = pos;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    const int digitsStart = i;
    bool digits = false;
    while (i < n && text.at(i).isDigit()) {
        ++i;
        digits = true;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < n && text.at(i).isDigit()) {
            ++i;
            digits = true;
        }
    }
    if (!digits) {
        // inf and nan, as a stream writes them.
        for (const char* word : {"inf", "nan"}) {
            if (text.mid(digitsStart, 3).compare(QLatin1String(word), Qt::CaseInsensitive) == 0) {
                i = digitsStart + 3;
                digits = true;
                break;
            }
        }
        if (!digits)
            return false;
    } else if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        int j = i + 1;
        if (j < n && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-')))
            ++j;
        if (j < n && text.at(j).isDigit()) {
            while (j < n && text.at(j).isDigit())
                ++j;
            i = j;
        }
    }
    bool ok = false;
    value = QLocale::c().toDouble(QStringView(text).mid(pos, i - pos), &ok);
    if (!ok)
        return false;
    pos = i;
    return true;
}

void skipBlanks(const QString& text, int& pos)
{
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
}

} // namespace

QString PointVectorText::toText(const QList<QPointF>& points)
{
    QString text;
    for (const QPointF& point : points) {
        text += QString::number(point.x(), 'g', 17);
        text += QLatin1Char(',');
        text += QString::number(point.y(), 'g', 17);
        text += QLatin1Char('\n');
    }
    return text;
}

QList<QPointF> PointVectorText::fromText(const QString& text)
{
    QList<QPointF> points;
    int pos = 0;
    for (;;) {
        double x = 0;
        double y = 0;
        skipBlanks(text, pos);
        if (!readNumber(text, pos, x))
            break;
        skipBlanks(text, pos);
        if (pos >= text.size())
            break;
        ++pos; // the separator, whatever it is
        skipBlanks(text, pos);
        if (!readNumber(text, pos, y))
            break;
        points.append(QPointF(x, y));
    }
    return points;
}
