#include "MimeText.h"

#include "MimeQPFormatter.h"
#include "QuotedPrintable.h"

#include <QIODevice>
#include <QStringEncoder>

namespace {

// Longest line SMTP carries, CR LF not counted.
constexpr int maxSmtpLine = 998;

QList<QByteArray> splitLines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    QByteArray line;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c == '\r' || c == '\n') {
            lines.append(line);
            line.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
                ++i;
        } else {
            line.append(c);
        }
    }
    lines.append(line);
    return lines;
}

} // namespace

MimeText::MimeText(const QString& text)
    : text(text)
{
    contentType = QStringLiteral("text/plain");
    charset = QStringLiteral("utf-8");
    encoding = EightBitEncoding;
}

QByteArray MimeText::encodedLines() const
{
    QStringEncoder encoder(charset.toLatin1().constData());
    if (!encoder.isValid())
        return QByteArray();
    const QByteArray bytes = encoder.encode(text);
    return splitLines(bytes).join("\r\n");
}

MimePart::Encoding MimeText::transferEncoding() const
{
    if (encoding != SevenBitEncoding && encoding != EightBitEncoding)
        return encoding;
    const QByteArray bytes = encodedLines();
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = bytes.indexOf("\r\n", start);
        if (end < 0)
            end = bytes.size();
        if (end - start > maxSmtpLine)
            return QuotedPrintableEncoding;
        start = end + 2;
    }
    return encoding;
}

void MimeText::writeContent(QIODevice& device) const
{
    const Encoding used = transferEncoding();
    if (used != QuotedPrintableEncoding) {
        MimePart::writeContent(device, encodedLines());
        return;
    }
    // Hard line breaks stay line breaks; only the text between them is escaped.
    MimeQPFormatter formatter(&device);
    const QList<QByteArray> lines = splitLines(encodedLines());
    for (int i = 0; i < lines.size(); ++i) {
        QString encoded = QuotedPrintable::encode(lines.at(i));
        if (encoded.endsWith(QLatin1Char(' ')))
            encoded.replace(encoded.size() - 1, 1, QStringLiteral("=20"));
        formatter.write(encoded.toLatin1());
        if (i + 1 < lines.size())
            formatter.write("\r\n");
    }
    device.write("\r\n", 2);
}
