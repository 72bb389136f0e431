#pragma once

#include "MimePart.h"

class QFile;

// A file body, Base64 encoded, read in pieces while it is written so that a
// run file of hundreds of megabytes never sits in memory. The QFile is not
// owned and must outlive the writing.
class MimeFile : public MimePart
{
public:
    explicit MimeFile(QFile* file);

    void writeContent(QIODevice& device) const override;

protected:
    QFile* file;
};
