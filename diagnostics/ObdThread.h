#pragma once

#include <QColor>
#include <QString>
#include <QThread>

// STAND-IN until vehicle diagnostics are built: the OBD thread. It runs its
// event loop from the second start-up stage on and reports "OBD" as its state.
class ObdThread : public QThread
{
    Q_OBJECT
public:
    ObdThread();
    ~ObdThread() override;

Q_SIGNALS:
    void signal_setStatusText(const QString& text);
    void signal_setStatusColor(const QColor& color);

protected:
    void run() override;
};

extern ObdThread* theObdThread;
