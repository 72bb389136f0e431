#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// One part of a mail message: a header and a body in one transfer encoding.
// Parts write themselves straight into a device, so a large body never has to
// be held whole in memory.
class MimePart
{
public:
    enum Encoding {
        SevenBitEncoding = 0,
        EightBitEncoding = 1,
        Base64Encoding = 2,
        QuotedPrintableEncoding = 3
    };

    MimePart() = default;
    virtual ~MimePart() = default;
    MimePart(const MimePart&) = delete;
    MimePart& operator=(const MimePart&) = delete;

    void setHeader(const QString& text) { header = text; }
    const QString& getHeader() const { return header; }
    void addHeaderLine(const QString& line);
    void setContent(const QByteArray& bytes) { content = bytes; }
    const QByteArray& getContent() const { return content; }
    void setContentId(const QString& id) { contentId = id; }
    const QString& getContentId() const { return contentId; }
    void setContentName(const QString& name) { contentName = name; }
    const QString& getContentName() const { return contentName; }
    void setContentType(const QString& type) { contentType = type; }
    const QString& getContentType() const { return contentType; }
    void setCharset(const QString& name) { charset = name; }
    const QString& getCharset() const { return charset; }
    void setEncoding(Encoding e) { encoding = e; }
    Encoding getEncoding() const { return encoding; }
    void setMaxLineLength(int length) { maxLineLength = length; }
    int getMaxLineLength() const { return maxLineLength; }

    void writeToDevice(QIODevice& device) const;
    virtual QString toString() const;
    virtual void writeContent(QIODevice& device) const;
    void writeContent(QIODevice& device, const QByteArray& data) const;

    // A header parameter: quoted with escapes when it is ASCII, in the
    // extended UTF-8 form otherwise (so file names survive any language).
    static QString formatParameter(const QString& key, const QString& value);
    static const char* encodingName(Encoding e);

protected:
    // The encoding the body is really written in; a part may need a safer
    // one than asked for (a text with overlong lines).
    virtual Encoding transferEncoding() const { return encoding; }

    QString header;
    QByteArray content;
    QString contentId;
    QString contentName;
    QString contentType;
    QString charset;
    QString boundary;
    Encoding encoding = SevenBitEncoding;
    int maxLineLength = 76;
};
