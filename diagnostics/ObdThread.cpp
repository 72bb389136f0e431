#include "ObdThread.h"

ObdThread* theObdThread = nullptr;

ObdThread::ObdThread()
{
    moveToThread(this);
}

ObdThread::~ObdThread()
{
    if (isRunning()) {
        quit();
        requestInterruption();
        wait();
    }
}

void ObdThread::run()
{
    emit signal_setStatusText(QStringLiteral("OBD"));
    emit signal_setStatusColor(QColor());
    exec();
}
