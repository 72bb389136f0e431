#include "MainWindowFixture.h"

#include "BrakeControllerThread.h"
#include "CameraThread.h"
#include "ChannelSetupModel.h"
#include "Colors.h"
#include "Fonts.h"
#include "MainUI.h"
#include "McuThread.h"
#include "MySettings.h"
#include "ObdThread.h"
#include "ProgramFixture.h"
#include "TriggerThread.h"

#include <QApplication>
#include <QDir>

namespace MainWindowFixture {

void prepareProcess(const QString& simulatedController)
{
    const QString home = QDir::homePath();
    // The settled board of ProgramFixture, for a store that is already open.
    const QProcessEnvironment env = ProgramFixture::settledBoard(home, QStringLiteral("in-process"));
    qputenv("ZEMBO_SYSTEM_ROOT", env.value(QStringLiteral("ZEMBO_SYSTEM_ROOT")).toUtf8());
    if (simulatedController.isEmpty())
        qunsetenv("ZEMBO_SIM_CONTROLLER");
    else
        qputenv("ZEMBO_SIM_CONTROLLER", simulatedController.toUtf8());
    // The remote-control server of this process must not meet another's.
    qputenv("ZEMBO_REMOTE_PORT", "0");
    // As main does before any run file is opened.
    qputenv("HDF5_USE_FILE_LOCKING", "FALSE");
    theSettings.setValue(QStringLiteral("passwdChanged"), 1);

    theColors.init();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(10);
    QApplication::setFont(font);
    theFonts.init();
    ChannelSetupModel::registerStartupLoader();

    theTriggerThread = new TriggerThread;
    theBrakeControllerThread = new BrakeControllerThread;
    theCameraThread = new CameraThread(nullptr);
    theMCUThread = new McuThread;
    theObdThread = new ObdThread;
}

MainUI* createWindow()
{
    auto* window = new MainUI;
    window->show();
    return window;
}

void destroyWindow(MainUI* window)
{
    delete window;
}

} // namespace MainWindowFixture
