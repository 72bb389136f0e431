#pragma once

#include "ComparePlot.h"
#include "EnhancedPixmap.h"

#include <QPixmap>
#include <QString>

class QTimer;

// A sample analysis plot with the branding image behind it, faded towards
// white by the opacity. Every change of the image or of its drawing
// parameters prepares the image anew (once per pass of the event loop) and
// announces it, so the analysis graphs draw the same watermark.
class BrandingImagePreview : public ComparePlot
{
    Q_OBJECT
public:
    explicit BrandingImagePreview(QWidget* parent = nullptr);

    void setImage(const QString& path);
    const QString& imagePath() const { return path; }
    const EnhancedPixmap& preparedPixmap() const { return prepared; }

    QPixmap image;
    QString path;
    int opacity = 255;
    EnhancedPixmap prepared;
    QTimer* updateTimer = nullptr;

public Q_SLOTS:
    void slot_setOpacity(int value);
    void slot_setScaleMode(int mode);
    void slot_setScale(int percent);
    void slot_setHorizontalPosition(int percent);
    void slot_setVerticalPosition(int percent);
    void slot_brandingScopeChanged();
    void slot_updatePreview();
    void slot_contextMenu(const QPoint& position);

Q_SIGNALS:
    void signal_imageChanged(const QString& filename);
    void signal_pixmapChanged(const EnhancedPixmap& pixmap);
    void signal_requestDefaultImage();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
