#include "LogWriter.h"

#include "MySettings.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QThread>

namespace {

std::function<bool(const QString&)>& fileMaker()
{
    static std::function<bool(const QString&)> maker;
    return maker;
}

} // namespace

LogWriter::LogWriter(QObject* parent)
    : AbstractLogWriter(parent)
{
}

void LogWriter::setFileMakerForTests(std::function<bool(const QString&)> maker)
{
    fileMaker() = std::move(maker);
}

void LogWriter::init()
{
    initialized = false;
    fileOpen = false;
    do {
        timestampName = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss"));
        filePath = theSettings.runsDir.filePath(timestampName + QStringLiteral(".h5"));
        if (QFile::exists(filePath))
            QThread::msleep(50);
    } while (QFile::exists(filePath));

    if (!fileMaker()) {
        qDebug() << "Run file writer not available; no run file for" << timestampName;
        emit signal_error(tr("Runs cannot be recorded yet: the run-file writer is not part of this version."));
        return;
    }
    if (!fileMaker()(filePath)) {
        emit signal_error(tr("Can't create log file") + filePath);
        return;
    }
    fileOpen = true;
    initialized = true;
}

void LogWriter::runStopProcedure()
{
    fileOpen = false;
}

void LogWriter::slot_newAmbientFrame(const ambientFrame_t&)
{
    if (fileOpen)
        ++ambientFramesWritten;
}
