#include "MimeMultiPart.h"

#include <QIODevice>
#include <QRandomGenerator>

namespace {

const char* const typeNames[] = {"multipart/mixed",   "multipart/digest", "multipart/alternative",
                                 "multipart/related", "multipart/report", "multipart/signed",
                                 "multipart/encrypted"};

} // namespace

MimeMultiPart::MimeMultiPart(MultiPartType type)
    : type(type)
{
    contentType = QLatin1String(typeNames[type]);
    encoding = EightBitEncoding;
    // 128 random bits: a boundary that no body can guess or repeat.
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    boundary = QStringLiteral("=_");
    for (quint32 w : words)
        boundary += QStringLiteral("%1").arg(w, 8, 16, QLatin1Char('0'));
}

MimeMultiPart::~MimeMultiPart()
{
    qDeleteAll(parts);
}

void MimeMultiPart::setMimeType(MultiPartType t)
{
    type = t;
    contentType = QLatin1String(typeNames[t]);
}

void MimeMultiPart::writeContent(QIODevice& device) const
{
    const QByteArray delimiter = "--" + boundary.toLatin1();
    for (const MimePart* part : parts) {
        device.write(delimiter + "\r\n");
        part->writeToDevice(device);
    }
    device.write(delimiter + "--\r\n");
}
