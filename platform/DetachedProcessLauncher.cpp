#include "DetachedProcessLauncher.h"

#include "PlatformMode.h"

#include <QDebug>
#include <QProcess>
#include <QStandardPaths>

namespace {

class RealLauncher : public DetachedProcessLauncher
{
public:
    bool start(const QString& program, const QStringList& arguments) override
    {
        if (QStandardPaths::findExecutable(program).isEmpty()) {
            qDebug() << "Program not installed, not started:" << program;
            return false;
        }
        if (!QProcess::startDetached(program, arguments)) {
            qDebug() << "Program could not be started:" << program << arguments;
            return false;
        }
        return true;
    }
};

DetachedProcessLauncher* g_launcher = nullptr;

} // namespace

bool RecordingProcessLauncher::start(const QString& program, const QStringList& arguments)
{
    calls.append(Call{program, arguments});
    qDebug() << "Detached start recorded:" << program << arguments;
    return true;
}

DetachedProcessLauncher* DetachedProcessLauncher::instance()
{
    if (g_launcher)
        return g_launcher;
    static RealLauncher real;
    static RecordingProcessLauncher recording;
    if (PlatformMode::systemCommandsRecorded())
        return &recording;
    return &real;
}

void DetachedProcessLauncher::setInstance(DetachedProcessLauncher* launcher)
{
    g_launcher = launcher;
}
