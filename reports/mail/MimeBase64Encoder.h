#pragma once

#include "MimeContentEncoder.h"

class MimeBase64Encoder : public MimeContentEncoder
{
public:
    QByteArray encode(const QByteArray& data) override { return data.toBase64(); }
};
