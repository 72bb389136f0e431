#include "BrandingImagePreview.h"

#include "PathSaver.h"
#include "lib/Tools.h"
#include "lib/DialogAnswerer.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QTimer>

BrandingImagePreview::BrandingImagePreview(QWidget* parent)
    : ComparePlot(parent)
{
    setAcceptDrops(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &BrandingImagePreview::slot_contextMenu);
    updateTimer = new QTimer(this);
    updateTimer->setSingleShot(true);
    updateTimer->setInterval(0);
    connect(updateTimer, &QTimer::timeout, this, &BrandingImagePreview::slot_updatePreview);
}

void BrandingImagePreview::setImage(const QString& newPath)
{
    if (newPath != path)
        Q_EMIT signal_imageChanged(newPath);
    path = newPath;
    image = QPixmap();
    if (!path.isEmpty()) {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QImage read = reader.read();
        if (read.isNull()) {
            Tools::showError(tr("%1: cannot load %2: %3")
                                 .arg(objectName(), QDir::toNativeSeparators(path), reader.errorString()));
            // An empty stored path brings the default image back at the next start.
            path.clear();
            Q_EMIT signal_imageChanged(path);
        } else {
            image = QPixmap::fromImage(read);
        }
    }
    updateTimer->start();
}

void BrandingImagePreview::slot_setOpacity(int value)
{
    opacity = value;
    updateTimer->start();
}

void BrandingImagePreview::slot_setScaleMode(int mode)
{
    prepared.aspectRatioMode = mode;
    updateTimer->start();
}

void BrandingImagePreview::slot_setScale(int percent)
{
    prepared.scale = percent;
    updateTimer->start();
}

void BrandingImagePreview::slot_setHorizontalPosition(int percent)
{
    prepared.xPosition = percent;
    updateTimer->start();
}

void BrandingImagePreview::slot_setVerticalPosition(int percent)
{
    prepared.yPosition = percent;
    updateTimer->start();
}

void BrandingImagePreview::slot_brandingScopeChanged()
{
    updateTimer->start();
}

void BrandingImagePreview::slot_updatePreview()
{
    QPixmap copy = image;
    prepared.fromQPixmap(copy);
    if (!prepared.isNull()) {
        QPainter painter(&prepared);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        QColor white;
        white.setRgba64(QRgba64::fromRgba64(65535, 65535, 65535, quint16((255 - opacity) * 257)));
        painter.fillRect(prepared.rect(), white);
    }
    slot_setEnhancedBackground(prepared);
    Q_EMIT signal_pixmapChanged(prepared);
}

void BrandingImagePreview::slot_contextMenu(const QPoint& position)
{
    QMenu menu(this);
    QAction* remove = menu.addAction(tr("Delete"));
    QAction* restore = menu.addAction(tr("Restore default"));
    QAction* load = menu.addAction(tr("Load image"));
    QAction* chosen = DialogAnswerer::execMenu(&menu, mapToGlobal(position));
    if (chosen == remove) {
        setImage(QString());
    } else if (chosen == restore) {
        setImage(QString());
        Q_EMIT signal_requestDefaultImage();
    } else if (chosen == load) {
        const QString file = thePathSaver.getOpenFileName(Path::openBranding, tr("Select branding image"));
        if (!file.isEmpty())
            setImage(file);
    }
}

void BrandingImagePreview::dragEnterEvent(QDragEnterEvent* event)
{
    event->acceptProposedAction();
}

void BrandingImagePreview::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void BrandingImagePreview::dropEvent(QDropEvent* event)
{
    // A drop that carries no file is ignored.
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    setImage(urls.first().toLocalFile());
}
