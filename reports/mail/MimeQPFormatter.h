#pragma once

#include "MimeContentFormatter.h"

// Quoted-printable text in lines of at most 76 characters with soft breaks
// that never split an escape.
class MimeQPFormatter : public MimeContentFormatter
{
    Q_OBJECT
public:
    explicit MimeQPFormatter(QIODevice* device);

protected:
    qint64 writeData(const char* data, qint64 length) override;
};
