#pragma once

#include <QString>
#include <QStringList>

// The filter of one table column, set up from the text the user typed: a
// numeric comparison ("<5", ">= 1e3") or words that must all occur in the cell.
class SmartFilter
{
public:
    enum Mode { Text = 0, Less = 1, LessOrEqual = 2, Greater = 3, GreaterOrEqual = 4 };

    void setupFilter(const QString& s);
    bool filter(const QString& cellText) const;

    // Exactly as set, operator characters included; empty means no filter.
    QString text;
    int mode = Text;
    double threshold = 0;

private:
    // The words of a text filter, split once here instead of once per cell.
    QStringList words;
};
