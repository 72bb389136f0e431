#include "MimePart.h"

#include "MimeBase64Formatter.h"
#include "MimeQPFormatter.h"
#include "QuotedPrintable.h"

#include <QBuffer>

void MimePart::addHeaderLine(const QString& line)
{
    header += line + QStringLiteral("\r\n");
}

const char* MimePart::encodingName(Encoding e)
{
    switch (e) {
    case SevenBitEncoding:
        return "7bit";
    case EightBitEncoding:
        return "8bit";
    case Base64Encoding:
        return "base64";
    case QuotedPrintableEncoding:
        return "quoted-printable";
    }
    return "8bit";
}

QString MimePart::formatParameter(const QString& key, const QString& value)
{
    bool ascii = true;
    for (const QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        QString quoted = value;
        quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        quoted.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        return key + QStringLiteral("=\"") + quoted + QLatin1Char('"');
    }
    return key + QStringLiteral("*=utf-8''") + QString::fromLatin1(value.toUtf8().toPercentEncoding());
}

void MimePart::writeToDevice(QIODevice& device) const
{
    QString text = QStringLiteral("Content-Type: ") + contentType;
    if (!contentName.isEmpty())
        text += QStringLiteral("; ") + formatParameter(QStringLiteral("name"), contentName);
    if (!charset.isEmpty())
        text += QStringLiteral("; charset=") + charset;
    if (!boundary.isEmpty())
        text += QStringLiteral("; boundary=\"") + boundary + QLatin1Char('"');
    text += QStringLiteral("\r\nContent-Transfer-Encoding: ") + QLatin1String(encodingName(transferEncoding()))
        + QStringLiteral("\r\n");
    if (!contentId.isEmpty())
        text += QStringLiteral("Content-ID: <") + contentId + QStringLiteral(">\r\n");
    text += header + QStringLiteral("\r\n");
    device.write(text.toUtf8());
    writeContent(device);
}

void MimePart::writeContent(QIODevice& device) const
{
    writeContent(device, content);
}

void MimePart::writeContent(QIODevice& device, const QByteArray& data) const
{
    switch (transferEncoding()) {
    case SevenBitEncoding:
    case EightBitEncoding:
        device.write(data);
        break;
    case Base64Encoding: {
        MimeBase64Formatter formatter(&device);
        formatter.write(data.toBase64());
        break;
    }
    case QuotedPrintableEncoding: {
        MimeQPFormatter formatter(&device);
        formatter.write(QuotedPrintable::encode(data).toLatin1());
        break;
    }
    }
    device.write("\r\n", 2);
}

QString MimePart::toString() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeToDevice(buffer);
    return QString::fromUtf8(buffer.data());
}
