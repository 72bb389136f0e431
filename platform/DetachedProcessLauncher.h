#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Starts a program that outlives the call (the video player of a run), as a
// program and an argument list: a path with blanks stays one argument. Under
// ZEMBO_SIMULATE=1 or tests the stand-in only records the call.
class DetachedProcessLauncher
{
public:
    struct Call {
        QString program;
        QStringList arguments;
    };

    virtual ~DetachedProcessLauncher() = default;
    // False when the program could not be started (told to the debug log).
    virtual bool start(const QString& program, const QStringList& arguments) = 0;

    // The launcher of this process: the recording stand-in when the platform
    // mode asks for it, otherwise the real one.
    static DetachedProcessLauncher* instance();
    // Replaces the launcher (not owned); nullptr restores the default. For tests.
    static void setInstance(DetachedProcessLauncher* launcher);
};

// The stand-in: remembers every call and reports it started.
class RecordingProcessLauncher : public DetachedProcessLauncher
{
public:
    bool start(const QString& program, const QStringList& arguments) override;
    QList<Call> calls;
};
