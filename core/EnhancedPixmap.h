#pragma once

#include <QMetaType>
#include <QPixmap>

#include <cstdint>

// A picture that carries its own placement: drawn behind a plot at `scale` % of
// the axis rectangle, with `xPosition`/`yPosition` % of the free space to its
// left/above (50 % centres it).
class EnhancedPixmap : public QPixmap
{
public:
    EnhancedPixmap();
    EnhancedPixmap& fromQPixmap(QPixmap& pixmap);

    int32_t aspectRatioMode = Qt::KeepAspectRatio;
    int32_t scale = 100;
    int32_t xPosition = 50;
    int32_t yPosition = 50;
};

Q_DECLARE_METATYPE(EnhancedPixmap)
