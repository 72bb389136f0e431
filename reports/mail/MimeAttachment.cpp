#include "MimeAttachment.h"

MimeAttachment::MimeAttachment(QFile* file)
    : MimeFile(file)
{
    addHeaderLine(QStringLiteral("Content-disposition: attachment; ") + formatParameter(QStringLiteral("filename"), contentName));
}
