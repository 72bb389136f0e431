#include "HexNumberValidator.h"

#include <cmath>

HexNumberValidator::HexNumberValidator(QObject* parent)
    : QValidator(parent)
{
}

QValidator::State HexNumberValidator::validate(QString& text, int& /*pos*/) const
{
    if (text.isEmpty())
        return Intermediate;
    // Digits of the largest value; in double precision the 64-bit maximum
    // rounds up to 2^64 and so allows one leading zero.
    const int longest =
        maxValue == 0 ? 1 : static_cast<int>(std::floor(std::log(static_cast<double>(maxValue)) / std::log(16.0) + 1));
    if (text.size() > longest)
        return Invalid;
    bool ok = false;
    const qulonglong number = text.toULongLong(&ok, 16);
    if (!ok || number > maxValue)
        return Invalid;
    return number != 0 ? Acceptable : Intermediate;
}
