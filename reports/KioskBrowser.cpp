#include "KioskBrowser.h"

#include "PlatformMode.h"
#include "PrivateTempDir.h"

#include <QDebug>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

KioskBrowser::KioskBrowser(QObject* parent)
    : QObject(parent)
    , durationTimer(new QTimer(this))
{
    durationTimer->setSingleShot(true);
    connect(durationTimer, &QTimer::timeout, this, &KioskBrowser::close);
}

KioskBrowser::~KioskBrowser()
{
    // The process object waits for its child when destroyed; a killed group
    // ends at once.
    signalGroup(SIGKILL);
}

QString KioskBrowser::program()
{
    if (PlatformMode::underTest()) {
        const QString standIn = qEnvironmentVariable("ZEMBO_TEST_RESULT_SCREEN_BROWSER");
        if (!standIn.isEmpty())
            return standIn;
    }
    for (const char* name : {"chromium-browser", "chromium"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

QStringList KioskBrowser::arguments(const QString& pagePath, const QString& profileDir)
{
    QStringList args{QStringLiteral("--kiosk"), QStringLiteral("--user-data-dir=") + profileDir,
                     QStringLiteral("--no-first-run")};
    // The browser refuses to start as root unless its sandbox is off.
    if (::geteuid() == 0)
        args << QStringLiteral("--no-sandbox");
    args << pagePath;
    return args;
}

qint64 KioskBrowser::processId() const
{
    return process && process->state() != QProcess::NotRunning ? process->processId() : 0;
}

bool KioskBrowser::show(const QString& pagePath, int durationMs)
{
    close();
    const QString browser = program();
    if (browser.isEmpty()) {
        qDebug() << "Result screen: no browser installed (chromium-browser or chromium)";
        return false;
    }
    const QString profile = PrivateTempDir::filePath(QStringLiteral("browser-profile"));
    QDir().mkpath(profile);

    auto* started = new QProcess(this);
    started->setProgram(browser);
    started->setArguments(arguments(pagePath, profile));
    started->setStandardOutputFile(QProcess::nullDevice());
    started->setStandardErrorFile(QProcess::nullDevice());
    // A session and process group of its own: closing signals the group.
    started->setChildProcessModifier([] { ::setsid(); });
    connect(started, &QProcess::errorOccurred, this, [started](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            qDebug() << "Result screen browser could not be started:" << started->program() << started->errorString();
    });
    connect(started, &QProcess::finished, this, [this, started] {
        if (process == started) {
            process = nullptr;
            emit signal_closed();
        }
        started->deleteLater();
    });
    started->start();
    if (!started->waitForStarted(5000)) {
        started->deleteLater();
        return false;
    }
    process = started;
    durationTimer->start(durationMs);
    return true;
}

void KioskBrowser::close()
{
    durationTimer->stop();
    if (!process)
        return;
    QProcess* closing = process;
    signalGroup(SIGTERM);
    // The next showing has a browser of its own; this one is no longer
    // tracked, but gets its SIGKILL if it ignores the SIGTERM.
    process = nullptr;
    const qint64 group = closing->processId();
    QTimer::singleShot(killDelayMs, closing, [closing, group] {
        if (closing->state() != QProcess::NotRunning && group > 0)
            ::kill(static_cast<pid_t>(-group), SIGKILL);
    });
    emit signal_closed();
}

void KioskBrowser::signalGroup(int signal)
{
    const qint64 group = processId();
    // Only while our child has not been reaped, so the group id is still ours.
    if (group > 0)
        ::kill(static_cast<pid_t>(-group), signal);
}
