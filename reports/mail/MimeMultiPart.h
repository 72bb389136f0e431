#pragma once

#include "MimePart.h"

#include <QList>

// A multipart body; owns its parts.
class MimeMultiPart : public MimePart
{
public:
    enum MultiPartType {
        MixedMultiPart = 0,
        DigestMultiPart = 1,
        AlternativeMultiPart = 2,
        RelatedMultiPart = 3,
        ReportMultiPart = 4,
        SignedMultiPart = 5,
        EncryptedMultiPart = 6
    };

    explicit MimeMultiPart(MultiPartType type = RelatedMultiPart);
    ~MimeMultiPart() override;

    void addPart(MimePart* part) { parts.append(part); }
    const QList<MimePart*>& getParts() const { return parts; }
    void setMimeType(MultiPartType type);
    MultiPartType getMimeType() const { return type; }
    const QString& getBoundary() const { return boundary; }

    void writeContent(QIODevice& device) const override;

private:
    MultiPartType type;
    QList<MimePart*> parts;
};
