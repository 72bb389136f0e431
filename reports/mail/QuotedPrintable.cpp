#include "QuotedPrintable.h"

QString QuotedPrintable::encode(const QByteArray& input)
{
    static const char hex[] = "0123456789ABCDEF";
    QString output;
    output.reserve(input.size() * 3);
    for (const char c : input) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == ' ' || (byte >= 0x21 && byte <= 0x7E && byte != '=')) {
            output.append(QLatin1Char(static_cast<char>(byte)));
        } else {
            output.append(QLatin1Char('='));
            output.append(QLatin1Char(hex[byte >> 4]));
            output.append(QLatin1Char(hex[byte & 0x0F]));
        }
    }
    return output;
}

namespace {

int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return 0;
}

bool isHexRange(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= 'F';
}

char byteOf(QChar c)
{
    return c.unicode() > 255 ? '\0' : static_cast<char>(c.unicode());
}

} // namespace

QByteArray QuotedPrintable::decode(const QString& input)
{
    QByteArray output;
    output.reserve(input.size());
    int i = 0;
    for (; i + 2 < input.size(); ++i) {
        const QChar c = input.at(i);
        if (c != QLatin1Char('=')) {
            output.append(byteOf(c));
            continue;
        }
        const QChar a = input.at(i + 1);
        const QChar b = input.at(i + 2);
        if (isHexRange(a) && isHexRange(b)) {
            output.append(static_cast<char>(16 * hexValue(a) + hexValue(b)));
        } else {
            output.append('=');
            output.append(byteOf(a));
            output.append(byteOf(b));
        }
        i += 2;
    }
    for (; i < input.size(); ++i)
        output.append(byteOf(input.at(i)));
    return output;
}
