#pragma once

#include "MimeText.h"

class MimeHtml : public MimeText
{
public:
    explicit MimeHtml(const QString& html = QString());

    void setHtml(const QString& html) { text = html; }
    const QString& getHtml() const { return text; }
};
