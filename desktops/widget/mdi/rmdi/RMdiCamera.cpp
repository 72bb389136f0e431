#include "RMdiCamera.h"

#include "CameraPictureSource.h"
#include "MyMenu.h"
#include "PathSaver.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QComboBox>
#include <QDialog>
#include <QDomElement>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
CameraPictureSource*& registeredSource()
{
    static CameraPictureSource* source = nullptr;
    return source;
}
} // namespace

void RMdiCamera::setCameraSource(CameraPictureSource* source)
{
    registeredSource() = source;
}

CameraPictureSource* RMdiCamera::cameraSource()
{
    return registeredSource();
}

RMdiCamera::RMdiCamera(AbstractMdi* desktop)
    : AbstractRMdiWidget(desktop)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    label = new QLabel(this);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setFrameShape(QFrame::Box);
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::gray);
    label->setPalette(pal);
    // The label follows the widget; the picture is scaled to the label, never the reverse.
    label->setMinimumSize(1, 1);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(label);

    configurationDialog = new QDialog(this);
    configurationDialog->setWindowTitle(tr("Widget Configuration"));
    auto* form = new QFormLayout(configurationDialog);
    form->setLabelAlignment(Qt::AlignRight);
    scalingMode = new QComboBox(configurationDialog);
    scalingMode->addItem(tr("Fast"));
    scalingMode->addItem(tr("Smooth (slow)"));
    form->addRow(tr("Picture scaling mode"), scalingMode);

    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAttribute(Qt::WA_TranslucentBackground, false);
    setMinimumSize(100, 40);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &RMdiCamera::slot_contextMenu);
}

Qt::TransformationMode RMdiCamera::transformationMode() const
{
    return scalingMode->currentIndex() == 1 ? Qt::SmoothTransformation : Qt::FastTransformation;
}

void RMdiCamera::configureWidget()
{
    // The choice is kept with the desktop's next save.
    DialogAnswerer::exec(configurationDialog);
}

void RMdiCamera::refreshTick(qint64)
{
    const int width = label->width();
    const int height = label->height();
    CameraPictureSource* camera = registeredSource();
    const qint64 t = camera ? camera->getImageTimestampAndRecreatePixmap() : -1;
    if (t > 0 && (t > lastFrameTime || width != lastWidth || height != lastHeight)) {
        const QPixmap& picture = camera->getPixmapAndLockMutex();
        if (!picture.isNull()) {
            label->setPixmap(picture.scaled(width, height, Qt::KeepAspectRatio, transformationMode()));
            ++scaleCount;
        }
        camera->unlockPixmapMutex();
        lastFrameTime = t;
    }
    lastWidth = width;
    lastHeight = height;
}

void RMdiCamera::slot_contextMenu(const QPoint& pos)
{
    if (selected) {
        selectedContextMenu(mapToGlobal(pos));
        return;
    }
    MyMenu menu(this);
    QAction* configure = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-system")), tr("Configure widget"));
    menu.addSeparator();
    QAction* save = menu.addAction(QIcon::fromTheme(QStringLiteral("image-x-generic")), tr("Save image"));
    menu.addSeparator();
    menu.addAction(copyAction);
    menu.addSeparator();
    menu.addAction(closeAction);
    QAction* chosen = menu.exec(mapToGlobal(pos));
    if (chosen == configure)
        configureWidget();
    else if (chosen == save)
        saveImage();
}

void RMdiCamera::saveImage()
{
    const QString file =
        thePathSaver.getSaveFileName(Paths::saveVideoFrame, QStringLiteral("Save as..."), QStringLiteral("image.jpg"));
    if (file.isEmpty())
        return;
    QImage image;
    if (CameraPictureSource* camera = registeredSource()) {
        const QPixmap& picture = camera->getPixmapAndLockMutex();
        if (!picture.isNull())
            image = picture.toImage();
        camera->unlockPixmapMutex();
    }
    if (image.isNull()) {
        Tools::showError(tr("Camera stream not available"));
        return;
    }
    image.save(file, QFileInfo(file).suffix().toLatin1().constData());
}

void RMdiCamera::parseDomElement(const QDomElement* element)
{
    bool ok = false;
    const int mode = element->attribute(QStringLiteral("transformationMode")).toInt(&ok);
    scalingMode->setCurrentIndex(ok && mode >= 0 && mode < scalingMode->count() ? mode : 0);
}

void RMdiCamera::writeToDomElement(QDomElement* element)
{
    element->setAttribute(QStringLiteral("transformationMode"), scalingMode->currentIndex());
}
