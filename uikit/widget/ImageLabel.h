#pragma once

#include <QLabel>
#include <QPixmap>

class QTimer;

// Shows an image scaled to the label (aspect kept), or a text; a dropped file is
// announced for the owner to load.
class ImageLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ImageLabel(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    // Replaces the picture by the text.
    void setText(const QString& text);

public Q_SLOTS:
    void slot_updatePreview();

Q_SIGNALS:
    void signal_fileDropped(const QString& filepath);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QPixmap fullImage;
    QTimer* rescaleTimer = nullptr;
};
