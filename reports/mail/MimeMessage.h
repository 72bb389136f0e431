#pragma once

#include "EmailAddress.h"
#include "MimePart.h"

#include <QList>
#include <QObject>
#include <QStringList>

class QIODevice;

// A whole mail message: header lines and one content part (by default a
// multipart/related body that the message owns). Writes itself into any
// device. Bcc recipients appear in no header line.
class MimeMessage : public QObject
{
public:
    enum RecipientType { ToRecipient = 0, CcRecipient = 1, BccRecipient = 2 };

    explicit MimeMessage(bool withMultipartContent = true);
    ~MimeMessage() override;

    void setSender(const EmailAddress& address) { sender = address; }
    const EmailAddress& getSender() const { return sender; }
    void addRecipient(const EmailAddress& address, RecipientType type = ToRecipient);
    void addTo(const EmailAddress& address) { to.append(address); }
    void addCc(const EmailAddress& address) { cc.append(address); }
    void addBcc(const EmailAddress& address) { bcc.append(address); }
    const QList<EmailAddress>& getRecipients(RecipientType type = ToRecipient) const;
    void setSubject(const QString& text) { subject = text; }
    const QString& getSubject() const { return subject; }
    void setHeaderEncoding(MimePart::Encoding encoding) { headerEncoding = encoding; }
    void addCustomHeader(const QString& line) { customHeaders.append(line); }

    void setContent(MimePart* part);
    MimePart* getContent() const { return content; }
    void addPart(MimePart* part);
    QList<MimePart*> getParts() const;

    void writeToDevice(QIODevice& device) const;
    virtual QString toString() const;

    // What makes the message unsafe to send, or empty: a line break or other
    // control character in the sender, a recipient, the subject or a file
    // name (header injection), an address with blanks or angle brackets, or
    // no recipient at all.
    QString validate() const;

    static QString format(const QString& text, MimePart::Encoding encoding);
    static QString formatAddress(const EmailAddress& address, MimePart::Encoding encoding);

private:
    EmailAddress sender;
    QList<EmailAddress> to;
    QList<EmailAddress> cc;
    QList<EmailAddress> bcc;
    QString subject;
    QStringList customHeaders;
    MimePart* content = nullptr;
    bool ownsContent = false;
    MimePart::Encoding headerEncoding = MimePart::EightBitEncoding;
};
