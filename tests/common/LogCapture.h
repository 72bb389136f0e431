#pragma once

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

// Collects every Qt log message while it exists (from any thread).
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();

    QStringList messages() const;
    // Number of messages that contain `text`.
    int count(const QString& text) const;
    void clear();

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);
    QtMessageHandler previous = nullptr;
    mutable QMutex mutex;
    QStringList collected;
};
