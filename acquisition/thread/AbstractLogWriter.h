#pragma once

#include <QObject>
#include <QString>

// The run thread's view of its run-file writer. The writer belongs to the runs
// layer above this one; it is handed to the run thread when the RUN panel
// creates it, and lives in the run thread from then on.
class AbstractLogWriter : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Creates the file of a new run; afterwards `initialized` tells whether it exists.
    Q_INVOKABLE virtual void init() = 0;
    // Finishes and closes the run file.
    virtual void runStopProcedure() = 0;

    // Written by init in the run thread; read by the GUI after its blocking call returns.
    QString filePath;
    QString timestampName;
    bool initialized = false;

Q_SIGNALS:
    void signal_error(const QString& message);
};
