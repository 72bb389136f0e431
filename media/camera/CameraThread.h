#pragma once

#include "CameraPictureSource.h"

#include <QImage>
#include <QMutex>
#include <QPixmap>
#include <QString>
#include <QThread>

#include <atomic>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct SwsContext;

// The IP camera: decodes its RTSP stream (H.264 or H.265) and offers the
// newest picture to any reader. Decoding starts with the first request for a
// picture and ends by itself when nobody asked for longer than the idle
// limit, so an unwatched camera costs nothing. Colour conversion happens in
// the reader's thread, once per decoded picture and only when asked for.
//
// `run()` is the decoding loop (no event loop). Readers call from the GUI
// thread; the two decode frames alternate under the frame mutex so decoding
// never waits for a conversion.
class CameraThread : public QThread, public CameraPictureSource
{
    Q_OBJECT
public:
    explicit CameraThread(QObject* parent = nullptr);
    ~CameraThread() override;

    // Creates the shared (empty) picture; called by the camera settings page.
    void init();

    // RTSP address, empty: no camera. Changed only while the thread is
    // stopped (the owner requests interruption and waits first).
    QString streamAddress;

    // Time limits in ms; the defaults are the camera's, tests shorten them.
    // A read that blocks longer than `readLimitMs` is aborted and the stream
    // reopened; opening and reading the stream information get `openLimitMs`.
    qint64 idleLimitMs = 60000;
    qint64 readLimitMs = 5000;
    qint64 openLimitMs = 10000;

    qint64 getImageTimestampAndRecreatePixmap() override;
    const QPixmap& getPixmapAndLockMutex() override;
    void unlockPixmapMutex() override;

    static int AVInterruptCallback(void* opaque);
    static QString getAvErrorString(int code);

    // The decoded size of the stream in use (0 x 0 while none is open).
    QSize streamSize() const;

    // Tests: a picture that stands for a decoded one (a null image: none),
    // and how often readers asked.
    void setTestFrame(const QImage& image, qint64 timestampMs);
    std::atomic<int> frameRequests{0};

protected:
    void run() override;

private:
    // Sleeps up to `ms`, less when interruption is requested.
    void pause(int ms);
    void release(AVFormatContext** format);

    std::atomic<qint64> lastRequestTime{0};
    std::atomic<qint64> readStartTime{-1};
    std::atomic<qint64> openStartTime{-1};

    // Under the frame mutex.
    mutable QMutex frameMutex;
    int writeSlot = 0;
    int readySlot = -1;
    AVFrame* decodeFrames[2] = {nullptr, nullptr};
    qint64 frameTimestamps[2] = {0, 0};
    AVFrame* rgbFrame = nullptr;
    unsigned char* rgbBuffer = nullptr;
    AVCodecContext* decoder = nullptr;
    SwsContext* scaler = nullptr;
    int width = 0;
    int height = 0;
    bool newPicture = true;
    qint64 pictureTimestamp = -1;

    // Under the picture mutex.
    QMutex pixmapMutex;
    QPixmap pixmap;
    // Set by the decoding thread at an idle stop; the picture is emptied by
    // the next reader, in its own (GUI) thread.
    std::atomic<bool> dropPicture{false};

    QImage testFrame;
    qint64 testFrameTimestamp = 0;
};

extern CameraThread* theCameraThread;
