#pragma once

#include <QByteArray>
#include <QString>

// Quoted-printable escaping of bytes. encode() escapes every byte outside the
// printable range (line ends included), so its output holds no line end.
class QuotedPrintable
{
public:
    static QString encode(const QByteArray& input);
    static QByteArray decode(const QString& input);
};
