#include "EnhancedPixmap.h"

EnhancedPixmap::EnhancedPixmap() = default;

EnhancedPixmap& EnhancedPixmap::fromQPixmap(QPixmap& pixmap)
{
    QPixmap::operator=(pixmap);
    return *this;
}
