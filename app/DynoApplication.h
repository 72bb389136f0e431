#pragma once

#include "lib/MuteDebug.h"

#include <QApplication>

#include <atomic>

class QNetworkAccessManager;
class QSharedMemory;

// Start-up mode flags, set from the command line.
extern bool g_devModeEnabled;
extern bool g_testModeEnabled;
extern bool g_nofanModeEnabled;
extern bool g_midiEnabled;

extern QNetworkAccessManager* theNAM;

// The application object: owns the daily debug log and the message handler,
// the network access manager, the single-instance lock and the mode flags.
class DynoApplication : public QApplication
{
    Q_OBJECT
public:
    DynoApplication(int& argc, char** argv);
    ~DynoApplication() override;

    bool lock();

    static void debugHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);
    static void timestampedDebugHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);
    // The shared-memory key of the single-instance guard; ZEMBO_INSTANCE_KEY
    // overrides it so tests can run beside a running program.
    static QString instanceKey();

private:
    QSharedMemory* sharedMemory = nullptr;
};
