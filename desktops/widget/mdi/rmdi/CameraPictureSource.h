#pragma once

#include <QPixmap>
#include <QtGlobal>

// The camera as the RUN screen meets it. The decoder lives in a layer above
// this one and registers itself at start-up (RMdiCamera::setCameraSource).
class CameraPictureSource
{
public:
    virtual ~CameraPictureSource() = default;

    // Marks the camera as in use (starting its decoder when needed), turns
    // the newest decoded frame into the shared picture and returns the
    // frame's time stamp in ms; -1 before the first frame.
    virtual qint64 getImageTimestampAndRecreatePixmap() = 0;
    // The shared picture, read only between these two calls.
    virtual const QPixmap& getPixmapAndLockMutex() = 0;
    virtual void unlockPixmapMutex() = 0;
};
