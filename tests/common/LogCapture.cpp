#include "LogCapture.h"

namespace {
// Messages arrive from every thread: the capture is reached (and let go by
// its destructor) only under this lock, so none is used while it goes away.
QMutex g_captureMutex;
LogCapture* g_capture = nullptr;
}

LogCapture::LogCapture()
{
    {
        QMutexLocker lock(&g_captureMutex);
        g_capture = this;
    }
    previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous);
    QMutexLocker lock(&g_captureMutex);
    g_capture = nullptr;
}

void LogCapture::handler(QtMsgType, const QMessageLogContext&, const QString& message)
{
    QMutexLocker global(&g_captureMutex);
    if (LogCapture* capture = g_capture) {
        QMutexLocker lock(&capture->mutex);
        capture->collected.append(message);
    }
}

QStringList LogCapture::messages() const
{
    QMutexLocker lock(&mutex);
    return collected;
}

int LogCapture::count(const QString& text) const
{
    QMutexLocker lock(&mutex);
    int n = 0;
    for (const QString& m : collected)
        n += m.contains(text) ? 1 : 0;
    return n;
}

void LogCapture::clear()
{
    QMutexLocker lock(&mutex);
    collected.clear();
}
