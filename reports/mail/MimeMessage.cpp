#include "MimeMessage.h"

#include "MimeMultiPart.h"
#include "QuotedPrintable.h"

#include <QBuffer>
#include <QDateTime>
#include <QLocale>
#include <QUuid>

namespace {

bool isAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 0x7E)
            return false;
    return true;
}

bool hasControl(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return true;
    return false;
}

// RFC 2047 words of at most 75 characters, cut between characters so that no
// UTF-8 sequence is split; folded onto continuation lines.
QString encodedWords(const QString& text)
{
    QStringList words;
    QByteArray chunk;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString one(text.at(i));
        if (text.at(i).isHighSurrogate() && i + 1 < text.size())
            one += text.at(++i);
        const QByteArray bytes = one.toUtf8();
        if (chunk.size() + bytes.size() > 45) {
            words.append(QStringLiteral("=?utf-8?B?") + QString::fromLatin1(chunk.toBase64()) + QStringLiteral("?="));
            chunk.clear();
        }
        chunk += bytes;
    }
    if (!chunk.isEmpty())
        words.append(QStringLiteral("=?utf-8?B?") + QString::fromLatin1(chunk.toBase64()) + QStringLiteral("?="));
    return QLatin1Char(' ') + words.join(QStringLiteral("\r\n "));
}

} // namespace

MimeMessage::MimeMessage(bool withMultipartContent)
{
    if (withMultipartContent) {
        content = new MimeMultiPart(MimeMultiPart::RelatedMultiPart);
        ownsContent = true;
    }
}

MimeMessage::~MimeMessage()
{
    if (ownsContent)
        delete content;
}

void MimeMessage::addRecipient(const EmailAddress& address, RecipientType type)
{
    switch (type) {
    case ToRecipient:
        to.append(address);
        break;
    case CcRecipient:
        cc.append(address);
        break;
    case BccRecipient:
        bcc.append(address);
        break;
    }
}

const QList<EmailAddress>& MimeMessage::getRecipients(RecipientType type) const
{
    if (type == CcRecipient)
        return cc;
    if (type == BccRecipient)
        return bcc;
    return to;
}

void MimeMessage::setContent(MimePart* part)
{
    if (ownsContent)
        delete content;
    ownsContent = false;
    content = part;
}

void MimeMessage::addPart(MimePart* part)
{
    if (auto* multi = dynamic_cast<MimeMultiPart*>(content))
        multi->addPart(part);
}

QList<MimePart*> MimeMessage::getParts() const
{
    if (auto* multi = dynamic_cast<MimeMultiPart*>(content))
        return multi->getParts();
    return {content};
}

QString MimeMessage::format(const QString& text, MimePart::Encoding encoding)
{
    if (text.isEmpty())
        return QString();
    switch (encoding) {
    case MimePart::Base64Encoding:
        return QStringLiteral(" =?utf-8?B?") + QString::fromLatin1(text.toUtf8().toBase64()) + QStringLiteral("?=");
    case MimePart::QuotedPrintableEncoding: {
        QString qp = QuotedPrintable::encode(text.toUtf8());
        qp.replace(QLatin1Char(' '), QLatin1Char('_'));
        qp.replace(QLatin1Char(':'), QStringLiteral("=3A"));
        return QStringLiteral(" =?utf-8?Q?") + qp + QStringLiteral("?=");
    }
    default:
        // Raw 8-bit header text is not allowed in mail headers: anything
        // beyond ASCII goes out as encoded words.
        if (!isAscii(text))
            return encodedWords(text);
        return QLatin1Char(' ') + text;
    }
}

QString MimeMessage::formatAddress(const EmailAddress& address, MimePart::Encoding encoding)
{
    return format(address.getName(), encoding) + QStringLiteral(" <") + address.getAddress() + QLatin1Char('>');
}

QString MimeMessage::validate() const
{
    auto badAddress = [](const QString& a) {
        if (a.isEmpty() || hasControl(a))
            return true;
        for (const QChar c : a)
            if (c.isSpace() || c == QLatin1Char('<') || c == QLatin1Char('>'))
                return true;
        return false;
    };
    if (badAddress(sender.getAddress()) || hasControl(sender.getName()))
        return QStringLiteral("Invalid sender address: ") + sender.getAddress();
    if (to.isEmpty() && cc.isEmpty() && bcc.isEmpty())
        return QStringLiteral("No recipient");
    for (const QList<EmailAddress>* list : {&to, &cc, &bcc})
        for (const EmailAddress& a : *list)
            if (badAddress(a.getAddress()) || hasControl(a.getName()))
                return QStringLiteral("Invalid recipient address: ") + a.getAddress();
    if (hasControl(subject))
        return QStringLiteral("Invalid characters in subject");
    for (const MimePart* part : getParts())
        if (part && hasControl(part->getContentName()))
            return QStringLiteral("Invalid characters in file name");
    return QString();
}

void MimeMessage::writeToDevice(QIODevice& device) const
{
    QByteArray head;
    head += "From:" + formatAddress(sender, headerEncoding).toUtf8() + "\r\n";
    auto joined = [this](const QList<EmailAddress>& list) {
        QStringList items;
        for (const EmailAddress& a : list)
            items.append(formatAddress(a, headerEncoding));
        // One address per line keeps long lists under the line limit.
        return items.join(QStringLiteral(",\r\n")).toUtf8();
    };
    head += "To:" + joined(to) + "\r\n";
    if (!cc.isEmpty())
        head += "Cc:" + joined(cc) + "\r\n";
    head += "Subject: " + format(subject, headerEncoding).toUtf8() + "\r\n";
    const QDateTime now = QDateTime::currentDateTime();
    head += "Date: " + QLocale::c().toString(now, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss ")).toLatin1();
    const int offset = now.offsetFromUtc() / 60;
    head += QStringLiteral("%1%2%3\r\n")
                .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
                .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'))
                .toLatin1();
    QString domain = sender.getAddress().section(QLatin1Char('@'), 1);
    if (domain.isEmpty())
        domain = QStringLiteral("localhost");
    head += "Message-ID: <" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + "@"
        + domain.toUtf8() + ">\r\n";
    for (const QString& line : customHeaders)
        head += line.toLocal8Bit() + "\r\n";
    head += "MIME-Version: 1.0\r\n";
    device.write(head);
    if (content)
        content->writeToDevice(device);
}

QString MimeMessage::toString() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeToDevice(buffer);
    return QString::fromUtf8(buffer.data());
}
