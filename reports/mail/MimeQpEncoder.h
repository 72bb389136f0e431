#pragma once

#include "MimeContentEncoder.h"
#include "QuotedPrintable.h"

class MimeQpEncoder : public MimeContentEncoder
{
public:
    QByteArray encode(const QByteArray& data) override { return QuotedPrintable::encode(data).toLatin1(); }
};
