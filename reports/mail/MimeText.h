#pragma once

#include "MimePart.h"

// A text body. Line ends go out as CR LF whatever the text holds; a text with a
// line longer than SMTP allows goes out quoted-printable instead of 8bit.
class MimeText : public MimePart
{
public:
    explicit MimeText(const QString& text = QString());

    void setText(const QString& value) { text = value; }
    const QString& getText() const { return text; }

    void writeContent(QIODevice& device) const override;
    // The text in the part's charset with every line ended by CR LF.
    QByteArray encodedLines() const;

protected:
    Encoding transferEncoding() const override;

    QString text;
};
