#include "ProjectPictureWidget.h"

#include "CameraThread.h"
#include "ImageLabel.h"
#include "MySettings.h"
#include "PathSaver.h"
#include "lib/Tools.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

ProjectPictureWidget::ProjectPictureWidget(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    pushButton_clear = new QPushButton(tr("Clear"), this);
    pushButton_load = new QPushButton(tr("Load from file"), this);
    pushButton_webcam = new QPushButton(tr("Get from webcam"), this);
    pushButton_undo = new QPushButton(tr("Undo"), this);
    for (QPushButton* button : {pushButton_clear, pushButton_load, pushButton_webcam, pushButton_undo})
        buttons->addWidget(button);
    label = new ImageLabel(this);
    label->setText(tr("Picture"));
    layout->addWidget(label, 1);
    retryTimer = new QTimer(this);
    retryTimer->setSingleShot(true);

    connect(pushButton_clear, &QPushButton::clicked, this, &ProjectPictureWidget::slot_clear);
    connect(pushButton_load, &QPushButton::clicked, this, &ProjectPictureWidget::slot_loadFromFile);
    connect(pushButton_webcam, &QPushButton::clicked, this, &ProjectPictureWidget::slot_takeFromWebcam);
    connect(pushButton_undo, &QPushButton::clicked, this, &ProjectPictureWidget::slot_undo);
    connect(label, &ImageLabel::signal_fileDropped, this, &ProjectPictureWidget::slot_pictureDropped);
    connect(retryTimer, &QTimer::timeout, this, &ProjectPictureWidget::slot_tryGrabbingPictureFromWebcam);
    setProjectId(-1);
}

QString ProjectPictureWidget::getImageFilepath() const
{
    return theSettings.mediaDir.filePath(QStringLiteral("%1.jpg").arg(projectId));
}

void ProjectPictureWidget::setProjectId(int id)
{
    projectId = id;
    for (QPushButton* button : {pushButton_clear, pushButton_load, pushButton_webcam})
        button->setEnabled(id >= 0);
    undoImage = id >= 0 ? QImage(getImageFilepath()) : QImage();
    updatePicturePreview();
    pushButton_undo->setEnabled(false);
}

void ProjectPictureWidget::updatePicturePreview()
{
    if (projectId < 0) {
        label->setText(tr("No project selected"));
    } else if (QFile::exists(getImageFilepath())) {
        const QImage image(getImageFilepath());
        if (!image.isNull())
            label->setImage(image);
    } else {
        label->setText(tr("Project picture not set"));
    }
    pushButton_undo->setEnabled(true);
}

void ProjectPictureWidget::setImageFromPath(const QString& path)
{
    if (projectId < 0 || !QFile::exists(path))
        return;
    const QImage image(path);
    if (image.isNull())
        return;
    image.save(getImageFilepath());
    updatePicturePreview();
}

void ProjectPictureWidget::requestFreshFrame()
{
    if (theCameraThread)
        theCameraThread->getImageTimestampAndRecreatePixmap();
}

void ProjectPictureWidget::slot_clear()
{
    QFile::remove(getImageFilepath());
    updatePicturePreview();
}

void ProjectPictureWidget::slot_loadFromFile()
{
    const QString file = thePathSaver.getOpenFileName(Path::openImage, tr("Select project picture"));
    if (!file.isEmpty())
        setImageFromPath(file);
}

void ProjectPictureWidget::slot_pictureDropped(const QString& filepath)
{
    setImageFromPath(filepath);
}

void ProjectPictureWidget::slot_undo()
{
    if (undoImage.isNull())
        QFile::remove(getImageFilepath());
    else
        undoImage.save(getImageFilepath());
    updatePicturePreview();
}

void ProjectPictureWidget::slot_takeFromWebcam()
{
    setEnabled(false);
    webcamTriesLeft = 15;
    slot_tryGrabbingPictureFromWebcam();
}

void ProjectPictureWidget::slot_tryGrabbingPictureFromWebcam()
{
    if (theCameraThread && theCameraThread->getImageTimestampAndRecreatePixmap() != 0) {
        const QPixmap& pixmap = theCameraThread->getPixmapAndLockMutex();
        if (!pixmap.isNull()) {
            const QImage image = pixmap.toImage();
            theCameraThread->unlockPixmapMutex();
            image.save(getImageFilepath());
            setEnabled(true);
            updatePicturePreview();
            return;
        }
        theCameraThread->unlockPixmapMutex();
    }
    if (webcamTriesLeft > 0) {
        label->setText(tr("Waiting for camera stream ") + QString::number(webcamTriesLeft));
        retryTimer->start(1000);
    } else {
        Tools::showError(tr("Camera stream not available"));
        setEnabled(true);
        updatePicturePreview();
    }
    --webcamTriesLeft;
}
