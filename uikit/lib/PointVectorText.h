#pragma once

#include <QList>
#include <QPointF>
#include <QString>

// The text form of a characteristic (CSV files, the clipboard, the XML
// attribute "vector"): one "x,y" line per point, SI values.
class PointVectorText
{
public:
    PointVectorText() = delete;

    // Every value with 17 significant digits, so that reading the text back
    // gives the same doubles.
    static QString toText(const QList<QPointF>& points);
    // Pairs of a number, any one separating character and a number, blanks and
    // line ends between items skipped; stops at the first pair that cannot be
    // read whole and returns the pairs before it. Also reads the six-digit text
    // earlier versions wrote.
    static QList<QPointF> fromText(const QString& text);
};
