#include "DynoApplication.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QSharedMemory>
#include <QTextStream>

#include <cstdio>

bool g_devModeEnabled = false;
bool g_testModeEnabled = false;
bool g_nofanModeEnabled = false;
bool g_midiEnabled = false;

QNetworkAccessManager* theNAM = nullptr;

QFile g_logFile;
QTextStream g_logTS;

namespace {
// One line at a time from any thread: lines never interleave.
QMutex g_logMutex;
// Set when the day's log file could not be opened and the lines go to the
// standard error stream instead.
bool g_logToStandardError = false;

QFile& standardErrorFile()
{
    static QFile file;
    return file;
}
} // namespace

DynoApplication::DynoApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    theNAM = new QNetworkAccessManager(this);
    g_muteDebug = false;

    g_logFile.setFileName(QDir::homePath() + QStringLiteral("/.zembo/log/")
                          + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".txt"));
    if (g_logFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
        g_logTS.setDevice(&g_logFile);
    } else {
        // Without its file the log would lose every line; standard error keeps them.
        g_logToStandardError = standardErrorFile().open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
        g_logTS.setDevice(&standardErrorFile());
    }
    qInstallMessageHandler(&DynoApplication::debugHandler);
    qDebug() << "Debug log start"
             << QDateTime::currentDateTime().toString(QStringLiteral("yy-MM-dd hh:mm:ss"));
    if (g_logToStandardError)
        qDebug().noquote() << "Log file" << g_logFile.fileName() << "cannot be opened:" << g_logFile.errorString()
                           << "- logging to standard error";

    sharedMemory = new QSharedMemory(instanceKey(), this);

    QCommandLineParser parser;
    const QCommandLineOption dev(QStringLiteral("dev"), QStringLiteral("developer mode"));
    const QCommandLineOption test(QStringLiteral("test"), QStringLiteral("test mode"));
    const QCommandLineOption nofan(QStringLiteral("nofan"), QStringLiteral("fan disabled"));
    const QCommandLineOption midi(QStringLiteral("midi"), QStringLiteral("midi player enabled"));
    parser.addOption(dev);
    parser.addOption(test);
    parser.addOption(nofan);
    parser.addOption(midi);
    parser.process(*this);
    g_testModeEnabled = parser.isSet(test);
    g_devModeEnabled = parser.isSet(dev);
    g_nofanModeEnabled = parser.isSet(nofan);
    g_midiEnabled = parser.isSet(midi);

    if (g_devModeEnabled)
        qDebug() << "Developer mode enabled. Debug printed to out in release build";
    if (g_testModeEnabled)
        qDebug() << "Test mode enabled. Auto firmware update + auto test";
    if (g_nofanModeEnabled)
        qDebug() << "Fan control disabled";
}

DynoApplication::~DynoApplication()
{
    if (sharedMemory && sharedMemory->isAttached())
        sharedMemory->detach();
}

QString DynoApplication::instanceKey()
{
    const QString overridden = qEnvironmentVariable("ZEMBO_INSTANCE_KEY");
    return overridden.isEmpty() ? QStringLiteral("PNSVD-RshipmSprsyrAvpRxktMfrZaakekuz") : overridden;
}

bool DynoApplication::lock()
{
    if (sharedMemory->attach(QSharedMemory::ReadOnly))
        sharedMemory->detach();
    if (sharedMemory->attach(QSharedMemory::ReadOnly)) {
        sharedMemory->detach();
        qDebug() << "Other instance of app is running";
        return false;
    }
    if (!sharedMemory->create(1, QSharedMemory::ReadWrite)) {
        qDebug() << "Failed to create shared memory for only one instance.";
        return false;
    }
    return true;
}

void DynoApplication::debugHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (g_muteDebug)
        return;
    QString text;
    switch (type) {
    case QtDebugMsg: text = QStringLiteral("Debug: %1").arg(message); break;
    case QtWarningMsg: text = QStringLiteral("Warning: %1").arg(message); break;
    case QtCriticalMsg: text = QStringLiteral("Critical: %1").arg(message); break;
    case QtFatalMsg: text = QStringLiteral("Fatal: %1").arg(message); break;
    case QtInfoMsg: text = QStringLiteral("Info: %1").arg(message); break;
    }
    const QString line = QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")) + QLatin1Char(' ') + text
                         + QLatin1Char('\n');
    QMutexLocker locker(&g_logMutex);
    g_logTS << line;
    g_logTS.flush();
    if ((g_devModeEnabled || type == QtFatalMsg) && !g_logToStandardError) {
        const QByteArray utf8 = line.toUtf8();
        std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stderr);
        std::fflush(stderr);
    }
}

void DynoApplication::timestampedDebugHandler(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (g_muteDebug)
        return;
    const QByteArray line =
        (QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")) + QLatin1Char(' ') + message + QLatin1Char('\n'))
            .toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}
