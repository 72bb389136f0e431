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
