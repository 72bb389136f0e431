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

    // A cell's text as a re-filter needs it, worked out once per cell rather
    // than once per cell and pass: its case-folded text and its number.
    struct Cell {
        QString text;
        QString folded;   // empty unless foldable
        double number = 0;
        bool isNumber = false;
        bool foldable = false; // no surrogate pairs: folding unit by unit is exact
    };
    static Cell prepare(const QString& cellText);
    // The same result as filter(cell.text).
    bool filter(const Cell& cell) const;

    // Exactly as set, operator characters included; empty means no filter.
    QString text;
    int mode = Text;
    double threshold = 0;

private:
    // The words of a text filter, split once here instead of once per cell,
    // and they and the text case-folded for prepared cells.
    QStringList words;
    QStringList foldedWords;
    QString foldedText;
    bool foldable = false;
};
