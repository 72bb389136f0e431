#pragma once

#include "MimeContentFormatter.h"

// Base64 text in lines of 76 characters; every write ends its last line.
class MimeBase64Formatter : public MimeContentFormatter
{
    Q_OBJECT
public:
    explicit MimeBase64Formatter(QIODevice* device);

protected:
    qint64 writeData(const char* data, qint64 length) override;
};
