#include "ImageLabel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

namespace {
// Resizes come in series while a window is dragged; rescale once after them.
constexpr int kRescaleDelayMs = 50;
}

ImageLabel::ImageLabel(QWidget* parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    rescaleTimer = new QTimer(this);
    rescaleTimer->setSingleShot(true);
    connect(rescaleTimer, &QTimer::timeout, this, &ImageLabel::slot_updatePreview);
    setScaledContents(false);
    setMinimumSize(1, 1);
    setAcceptDrops(true);
}

void ImageLabel::setImage(const QImage& image)
{
    fullImage = QPixmap::fromImage(image, Qt::AutoColor);
    slot_updatePreview();
}

void ImageLabel::setText(const QString& text)
{
    fullImage = QPixmap();
    QLabel::setText(text);
}

void ImageLabel::slot_updatePreview()
{
    if (fullImage.isNull())
        return;
    setPixmap(fullImage.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void ImageLabel::resizeEvent(QResizeEvent* event)
{
    rescaleTimer->start(kRescaleDelayMs);
    QLabel::resizeEvent(event);
}

void ImageLabel::dragEnterEvent(QDragEnterEvent* event)
{
    event->acceptProposedAction();
}

void ImageLabel::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty()) {
        event->ignore();
        return;
    }
    Q_EMIT signal_fileDropped(urls.first().toLocalFile());
}
