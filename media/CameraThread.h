#pragma once

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
};

extern CameraThread* theCameraThread;
