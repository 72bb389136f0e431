#include "LogCapture.h"

namespace {
LogCapture* g_capture = nullptr;
}

LogCapture::LogCapture()
{
    g_capture = this;
    previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous);
    g_capture = nullptr;
}

void LogCapture::handler(QtMsgType, const QMessageLogContext&, const QString& message)
{
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
