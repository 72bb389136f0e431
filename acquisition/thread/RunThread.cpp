#include "RunThread.h"

#include "AbstractLogWriter.h"
#include "Channels.h"

#include <QDateTime>
#include <QDebug>
#include <QMetaMethod>

RunThread* theRunThread = nullptr;

namespace {

std::function<void(const QString&)>& programEnder()
{
    static std::function<void(const QString&)> ender = [](const QString& message) {
        qFatal("%s", qUtf8Printable(message));
    };
    return ender;
}

} // namespace

RunThread::RunThread()
{
    theRunThread = this;
    runStartTime = QDateTime::currentMSecsSinceEpoch();
    moveToThread(this);
}

RunThread::~RunThread()
{
    if (isRunning()) {
        requestInterruption();
        quit();
        wait();
    }
    if (theRunThread == this)
        theRunThread = nullptr;
}

void RunThread::setProgramEnder(std::function<void(const QString&)> ender)
{
    programEnder() = std::move(ender);
}

void RunThread::setLogWriter(AbstractLogWriter* writer)
{
    logWriter = writer;
    if (!writer)
        return;
    writer->moveToThread(this);
    writer->setParent(this);
}

QString RunThread::lastRunFilePath() const
{
    QMutexLocker locker(&pathMutex);
    return lastPath;
}

void RunThread::connectDataSources()
{
    // The data sources arrive with the acquisition engine.
}

void RunThread::stopPaThread()
{
    // No audio capture threads yet.
}

void RunThread::slot_settingsReady()
{
    qDebug() << "Run thread: settings ready";
}

void RunThread::slot_startRun()
{
    if (fatalPending)
        return;
    runStartTime = QDateTime::currentMSecsSinceEpoch();
    markers.clear();
    if (theChannels.isInitialized())
        theChannels.zeroOnLogStart();
    runActive = true;
    emit signal_newRunStarted();
    qDebug() << "Run thread: run active";
}

void RunThread::slot_stopRun()
{
    const bool wasActive = runActive.exchange(false);
    if (logWriter && logWriter->initialized) {
        logWriter->runStopProcedure(markers);
        QMutexLocker locker(&pathMutex);
        lastPath = logWriter->filePath;
    }
    if (wasActive)
        qDebug() << "Run thread: run stopped";
}

void RunThread::slot_insertMarker()
{
    if (!runActive)
        return;
    markers.append(double(QDateTime::currentMSecsSinceEpoch() - runStartTime) / 1000.0);
}

void RunThread::raiseFatalError(const QString& message)
{
    if (fatalPending.exchange(true))
        return;
    fatalMessage = message;
    if (!isSignalConnected(QMetaMethod::fromSignal(&RunThread::signal_fatalError))) {
        programEnder()(message);
        return;
    }
    emit signal_fatalError(message);
}

void RunThread::fatalErrorClosed()
{
    if (!fatalPending)
        return;
    programEnder()(fatalMessage);
}
