#pragma once

#include "MimeFile.h"

class MimeAttachment : public MimeFile
{
public:
    explicit MimeAttachment(QFile* file);
};
