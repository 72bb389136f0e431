#include "CameraThread.h"

#include <QDateTime>
#include <QDebug>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

CameraThread* theCameraThread = nullptr;

namespace {
qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}
} // namespace

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
    const QMutexLocker locker(&pixmapMutex);
    pixmap = QPixmap();
}

QSize CameraThread::streamSize() const
{
    const QMutexLocker locker(&frameMutex);
    return QSize(width, height);
}

int CameraThread::AVInterruptCallback(void* opaque)
{
    auto* self = static_cast<CameraThread*>(opaque);
    // The owner waits for the thread to end: no blocking call may hold it up.
    if (self->isInterruptionRequested())
        return 1;
    const qint64 readStart = self->readStartTime.load();
    if (readStart > 0) {
        if (nowMs() - readStart > self->readLimitMs) {
            qDebug() << "static int CameraThread::AVInterruptCallback(void*)"
                     << "timeout";
            return 1;
        }
        return 0;
    }
    // Connecting: an address that never answers must not hang here forever.
    const qint64 openStart = self->openStartTime.load();
    if (openStart > 0 && nowMs() - openStart > self->openLimitMs) {
        qDebug() << "static int CameraThread::AVInterruptCallback(void*)"
                 << "open timeout";
        return 1;
    }
    return 0;
}

QString CameraThread::getAvErrorString(int code)
{
    char text[100] = {};
    av_strerror(code, text, sizeof(text));
    return QString::fromUtf8(text);
}

qint64 CameraThread::getImageTimestampAndRecreatePixmap()
{
    ++frameRequests;
    lastRequestTime.store(nowMs());
    if (!testFrame.isNull()) {
        const QMutexLocker locker(&pixmapMutex);
        pixmap = QPixmap::fromImage(testFrame);
        return testFrameTimestamp;
    }
    if (!isRunning() && !streamAddress.isEmpty())
        start(QThread::InheritPriority);

    const QMutexLocker frameLocker(&frameMutex);
    if (readySlot < 0)
        return -1;
    if (!newPicture || !scaler)
        return pictureTimestamp;
    AVFrame* frame = decodeFrames[readySlot];
    sws_scale(scaler, frame->data, frame->linesize, 0, height, rgbFrame->data, rgbFrame->linesize);
    pictureTimestamp = frameTimestamps[readySlot];
    const QImage image(rgbFrame->data[0], width, height, rgbFrame->linesize[0], QImage::Format_RGB888);
    {
        const QMutexLocker pictureLocker(&pixmapMutex);
        dropPicture.store(false);
        pixmap.convertFromImage(image);
    }
    newPicture = false;
    return pictureTimestamp;
}

const QPixmap& CameraThread::getPixmapAndLockMutex()
{
    pixmapMutex.lock();
    if (dropPicture.exchange(false))
        pixmap = QPixmap();
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
    if (image.isNull())
        pixmap = QPixmap();
}

void CameraThread::pause(int ms)
{
    const qint64 end = nowMs() + ms;
    while (!isInterruptionRequested()) {
        const qint64 left = end - nowMs();
        if (left <= 0)
            break;
        msleep(static_cast<unsigned long>(std::min<qint64>(left, 50)));
    }
}

void CameraThread::release(AVFormatContext** format)
{
    {
        const QMutexLocker locker(&frameMutex);
        av_frame_free(&decodeFrames[0]);
        av_frame_free(&decodeFrames[1]);
        av_frame_free(&rgbFrame);
        av_freep(&rgbBuffer);
        avcodec_free_context(&decoder);
        sws_freeContext(scaler);
        scaler = nullptr;
        newPicture = false;
        width = 0;
        height = 0;
    }
    if (*format)
        avformat_close_input(format);
    avformat_free_context(*format);
    *format = nullptr;
}

void CameraThread::run()
{
    while (!isInterruptionRequested()) {
        // 1. The stream, with our callback watching every blocking call.
        AVFormatContext* format = avformat_alloc_context();
        readStartTime.store(-1);
        openStartTime.store(nowMs());
        format->interrupt_callback.callback = &CameraThread::AVInterruptCallback;
        format->interrupt_callback.opaque = this;

        AVDictionary* options = nullptr;
        av_dict_set(&options, "rtsp_transport", "tcp", 0);
        av_dict_set(&options, "npt", "now-", 0);
        av_dict_set(&options, "tcp_nodelay", "1", 0);
        const QByteArray address = streamAddress.toUtf8();
        int result = avformat_open_input(&format, address.constData(), nullptr, &options);
        av_dict_free(&options);
        if (result < 0) {
            // A failed open frees the context itself.
            format = nullptr;
            qDebug() << "Unable to open camera web address:" << streamAddress << getAvErrorString(result);
            pause(5000);
            release(&format);
            continue;
        }

        // 2. Its information.
        result = avformat_find_stream_info(format, nullptr);
        if (result < 0) {
            qDebug() << "Unable to get stream information:" << getAvErrorString(result);
            pause(1000);
            release(&format);
            continue;
        }
        openStartTime.store(-1);

        // 3. The first video stream we can decode.
        int streamIndex = -1;
        AVCodecContext* context = nullptr;
        for (unsigned i = 0; i < format->nb_streams; ++i) {
            const AVCodecParameters* parameters = format->streams[i]->codecpar;
            if (parameters->codec_type != AVMEDIA_TYPE_VIDEO)
                continue;
            if (parameters->format != AV_PIX_FMT_YUV420P) {
                qDebug() << "pixel format is not YUV420P";
                qDebug() << "stream format" << parameters->format;
            }
            if (parameters->codec_id != AV_CODEC_ID_H264 && parameters->codec_id != AV_CODEC_ID_HEVC) {
                qDebug() << "The current video encoding format is temporarily not supported. Currently only "
                            "supported: H264 and H265 (HEVC)";
                qDebug() << "Type of encoded data:" << parameters->codec_id;
                continue;
            }
            const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
            if (!codec)
                continue;
            context = avcodec_alloc_context3(codec);
            if (!context)
                continue;
            if (avcodec_parameters_to_context(context, parameters) < 0) {
                avcodec_free_context(&context);
                continue;
            }
            if (avcodec_open2(context, codec, nullptr) < 0) {
                qDebug() << parameters->codec_id << "Decoder open failed.\n";
                avcodec_free_context(&context);
                continue;
            }
            streamIndex = int(i);
            break;
        }
        if (streamIndex < 0) {
            qDebug() << "No suitable video stream detected.";
            qDebug() << "Number of streams in video:" << format->nb_streams;
            pause(1000);
            release(&format);
            continue;
        }

        // 4. Conversion to RGB and the frames.
        {
            const QMutexLocker locker(&frameMutex);
            decoder = context;
            width = context->width;
            height = context->height;
            scaler = sws_getContext(width, height, context->pix_fmt, width, height, AV_PIX_FMT_RGB24, SWS_BICUBIC,
                                    nullptr, nullptr, nullptr);
            decodeFrames[0] = av_frame_alloc();
            decodeFrames[1] = av_frame_alloc();
            rgbFrame = av_frame_alloc();
            const int bytes = av_image_get_buffer_size(AV_PIX_FMT_RGB24, width, height, 1);
            if (bytes > 0)
                rgbBuffer = static_cast<unsigned char*>(av_malloc(size_t(bytes)));
            if (!scaler || !decodeFrames[0] || !decodeFrames[1] || !rgbFrame || !rgbBuffer) {
                sws_freeContext(scaler);
                scaler = nullptr;
            } else {
                av_image_fill_arrays(rgbFrame->data, rgbFrame->linesize, rgbBuffer, AV_PIX_FMT_RGB24, width, height,
                                     1);
            }
            newPicture = false;
        }
        if (!scaler) {
            qDebug() << "No suitable video stream detected.";
            pause(1000);
            release(&format);
            continue;
        }

        // 5. Packets until the stream breaks, nobody watches, or we are told to stop.
        AVPacket* packet = av_packet_alloc();
        while (!isInterruptionRequested()) {
            readStartTime.store(nowMs());
            result = av_read_frame(format, packet);
            if (result < 0) {
                qDebug() << "Can't read camera frame. Trying to reconnect.";
                qDebug() << getAvErrorString(result);
                break;
            }
            if (packet->stream_index == streamIndex) {
                result = avcodec_send_packet(decoder, packet);
                if (result < 0) {
                    av_packet_unref(packet);
                    qDebug() << "Error sending camera packet to decoder" << getAvErrorString(result);
                    continue;
                }
                result = avcodec_receive_frame(decoder, decodeFrames[writeSlot]);
                if (result < 0) {
                    av_packet_unref(packet);
                    qDebug() << "Error getting decoded video data from codec" << getAvErrorString(result);
                    continue;
                }
                frameTimestamps[writeSlot] = nowMs();
                const QMutexLocker locker(&frameMutex);
                readySlot = writeSlot;
                newPicture = true;
                writeSlot = 1 - writeSlot;
            }
            av_packet_unref(packet);
            if (nowMs() - lastRequestTime.load() > idleLimitMs) {
                requestInterruption();
                const QMutexLocker locker(&pixmapMutex);
                dropPicture.store(true);
            }
        }
        readStartTime.store(-1);
        av_packet_free(&packet);
        release(&format);
    }
}
