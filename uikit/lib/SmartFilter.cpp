#include "SmartFilter.h"

namespace {

// Case folding one UTF-16 unit at a time, as the case-insensitive search of
// QString compares them; a text with surrogate pairs is not folded here (the
// search folds those as whole code points), and the caller falls back to it.
bool foldUnits(const QString& text, QString* folded)
{
    folded->resize(text.size());
    const QChar* in = text.constData();
    QChar* out = folded->data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = in[i].unicode();
        if (QChar::isSurrogate(unit)) {
            folded->clear();
            return false;
        }
        out[i] = QChar(char16_t(QChar::toCaseFolded(char32_t(unit))));
    }
    return true;
}

} // namespace

void SmartFilter::setupFilter(const QString& s)
{
    text = s;
    mode = Text;
    threshold = 0;
    words = s.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    foldable = foldUnits(s, &foldedText);
    foldedWords.clear();
    for (const QString& word : std::as_const(words)) {
        QString folded;
        foldable = foldable && foldUnits(word, &folded);
        foldedWords.append(folded);
    }
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

SmartFilter::Cell SmartFilter::prepare(const QString& cellText)
{
    Cell cell;
    cell.text = cellText;
    cell.number = cellText.toDouble(&cell.isNumber);
    cell.foldable = foldUnits(cellText, &cell.folded);
    return cell;
}

bool SmartFilter::filter(const Cell& cell) const
{
    if (!foldable || !cell.foldable)
        return filter(cell.text);
    if (mode != Text) {
        if (!cell.isNumber)
            return cell.folded.contains(foldedText);
        switch (mode) {
        case Less:
            return cell.number < threshold;
        case LessOrEqual:
            return cell.number <= threshold;
        case Greater:
            return cell.number > threshold;
        default:
            return cell.number >= threshold;
        }
    }
    for (const QString& word : foldedWords) {
        if (!cell.folded.contains(word))
            return false;
    }
    return true;
}
