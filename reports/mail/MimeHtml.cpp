#include "MimeHtml.h"

MimeHtml::MimeHtml(const QString& html)
    : MimeText(html)
{
    contentType = QStringLiteral("text/html");
}
