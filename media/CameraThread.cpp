#include "CameraThread.h"

CameraThread* theCameraThread = nullptr;

CameraThread::CameraThread(QObject* parent)
    : QThread(parent)
{
}

CameraThread::~CameraThread()
{
    if (isRunning()) {
        requestInterruption();
        wait();
    }
}

void CameraThread::init()
{
}

qint64 CameraThread::getImageTimestampAndRecreatePixmap()
{
    ++frameRequests;
    const QMutexLocker locker(&pixmapMutex);
    if (testFrame.isNull())
        return 0;
    pixmap = QPixmap::fromImage(testFrame);
    return testFrameTimestamp;
}

const QPixmap& CameraThread::getPixmapAndLockMutex()
{
    pixmapMutex.lock();
    return pixmap;
}

void CameraThread::unlockPixmapMutex()
{
    pixmapMutex.unlock();
}

void CameraThread::setTestFrame(const QImage& image, qint64 timestampMs)
{
    const QMutexLocker locker(&pixmapMutex);
    testFrame = image;
    testFrameTimestamp = timestampMs;
}
