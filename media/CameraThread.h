#pragma once

#include <QMutex>
#include <QPixmap>
#include <QString>
#include <QThread>

// STAND-IN until the camera is built: the IP-camera decoding thread. It is
// created by main and never started: there is no decoder yet.
class CameraThread : public QThread
{
    Q_OBJECT
public:
    explicit CameraThread(QObject* parent = nullptr);
    ~CameraThread() override;

    void init();
    // Set only while the thread is stopped.
    QString source;

    // The time stamp (ms) of the newest frame, 0 when there is none; the
    // picture is then made from it. Would start the decoder when idle; the
    // stand-in has none, so only a frame a test gave counts.
    qint64 getImageTimestampAndRecreatePixmap();
    // The picture, read only between these two calls.
    const QPixmap& getPixmapAndLockMutex();
    void unlockPixmapMutex();
    // Tests: the frame the stand-in hands out (a null image: none).
    void setTestFrame(const QImage& image, qint64 timestampMs);
    // How often a fresh frame was asked for.
    int frameRequests = 0;

private:
    QMutex pixmapMutex;
    QPixmap pixmap;
    QImage testFrame;
    qint64 testFrameTimestamp = 0;
};

extern CameraThread* theCameraThread;
