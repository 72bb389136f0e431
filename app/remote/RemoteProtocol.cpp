#include "RemoteProtocol.h"

#include <QLocale>

#include <cmath>

namespace RemoteProtocol {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

QByteArray percentEncode(const QByteArray& bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const bool unreserved = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9')
                                || b == '-' || b == '.' || b == '_' || b == '~';
        if (unreserved) {
            out.append(c);
        } else {
            out.append('%');
            out.append(hex[b >> 4]);
            out.append(hex[b & 0x0F]);
        }
    }
    return out;
}

QByteArray percentDecode(const QByteArray& word)
{
    QByteArray out;
    out.reserve(word.size());
    for (int i = 0; i < word.size(); ++i) {
        if (word.at(i) == '%' && i + 2 < word.size() && hexValue(word.at(i + 1)) >= 0
            && hexValue(word.at(i + 2)) >= 0) {
            out.append(char(hexValue(word.at(i + 1)) * 16 + hexValue(word.at(i + 2))));
            i += 2;
        } else {
            out.append(word.at(i));
        }
    }
    return out;
}

QByteArray formatValue(double value)
{
    if (std::isnan(value))
        return QByteArrayLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QByteArrayLiteral("inf") : QByteArrayLiteral("-inf");
    // Qt formats in the C locale whatever the process locale says, which
    // printf would not; 'g' with six significant digits is printf's %g,
    // except that Qt drops the sign of a negative zero.
    if (value == 0.0)
        return std::signbit(value) ? QByteArrayLiteral("-0") : QByteArrayLiteral("0");
    return QByteArray::number(value, 'g', 6);
}

bool parseNumber(const QByteArray& word, double* value)
{
    bool ok = false;
    const double parsed = word.trimmed().toDouble(&ok);
    if (ok)
        *value = parsed;
    return ok;
}

bool parseIndex(const QByteArray& word, int* index)
{
    bool ok = false;
    const int parsed = word.toInt(&ok, 10);
    if (ok)
        *index = parsed;
    return ok;
}

bool digestMatches(const QByteArray& word, const QByteArray& digest)
{
    if (digest.size() != 32)
        return false;
    if (word.size() == 32)
        return word == digest;
    if (word.size() == 64) {
        for (const char c : word) {
            if (hexValue(c) < 0)
                return false;
        }
        return QByteArray::fromHex(word) == digest;
    }
    return false;
}

} // namespace RemoteProtocol
