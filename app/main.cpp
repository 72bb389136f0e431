#include "Argument.h"
#include "AutoDialogAnswerer.h"
#include "lib/AllocatorTuning.h"
#include "BrakeControllerThread.h"
#include "AudioInputs.h"
#include "CameraThread.h"
#include "ChannelSetupModel.h"
#include "Colors.h"
#include "DynoApplication.h"
#include "FirmwareUpdaterWorker.h"
#include "Gamepad.h"
#include "Fonts.h"
#include "MainUI.h"
#include "McuThread.h"
#include "MediaTools.h"
#include "NetworkFileBrowser.h"
#include "ObdThread.h"
#include "PlatformMode.h"
#include "RunThread.h"
#include "TriggerThread.h"
#include "UnixSignalNotifier.h"
#include "lib/DialogAnswerer.h"

#include <QLocale>
#include <QMessageBox>
#include <QTimer>

#include <csignal>

int main(int argc, char** argv)
{
    // Before anything else: the restart must not cost a second start-up.
    AllocatorTuning::restartTunedIfNeeded(argv);

    // Qt 6 converts locale-dependent text as UTF-8 already.
    QLocale::setDefault(QLocale::c());

    DynoApplication app(argc, argv);
    theColors.init();
    qputenv("HDF5_USE_FILE_LOCKING", "FALSE");
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(10);
    QApplication::setFont(font);
    theFonts.init();

    // The settings store loads the channel setups when the main window starts it up.
    ChannelSetupModel::registerStartupLoader();
    // The library browser sits below the application and fetches through its manager.
    NetworkFileBrowser::setNetworkAccessManager(theNAM);
    Argument::setDeveloperMode(g_devModeEnabled);

    // The game pad scans and reads from now on, so operator input channels
    // made later find it.
    theGamepad = new Gamepad(&app);
    theGamepad->developerMode = g_devModeEnabled;

    // Created here, started later: the trigger and MCU threads by the main
    // window, the OBD thread by its second stage, the brake-controller thread
    // by its panel, the camera thread by its first reader.
    theTriggerThread = new TriggerThread;
    theBrakeControllerThread = new BrakeControllerThread;
    theCameraThread = new CameraThread(nullptr);
    // The audio inputs are made by the run thread once the settings are ready.
    AudioInputs::install();
    // The camera widget, the knock player and the engine-noise wizard.
    MediaTools::install();
    theMCUThread = new McuThread;
    theMCUThread->firmwareUpdater->developerMode = g_devModeEnabled;
    theObdThread = new ObdThread;
    // The polled UDS values go into every run file.
    RunThread::hooks.connectSources.append(ObdThread::logWriterConnector());

    static AutoDialogAnswerer autoAnswerer;
    if (PlatformMode::underTest() && qEnvironmentVariable("ZEMBO_ANSWER_DIALOGS") == QLatin1String("1"))
        DialogAnswerer::install(&autoAnswerer);

    UnixSignalNotifier::instance()->installSignalHandler(SIGINT);
    UnixSignalNotifier::instance()->installSignalHandler(SIGTERM);

    if (!app.lock()) {
        const QString text = QStringLiteral("Only one instance of application can run!");
        qDebug() << text;
        QMessageBox box;
        box.setText(text);
        QTimer::singleShot(5000, &box, &QMessageBox::close);
        DialogAnswerer::exec(&box);
        return 0;
    }

    MainUI window;
    QObject::connect(UnixSignalNotifier::instance(), &UnixSignalNotifier::unixSignal, &window,
                     &MainUI::slot_unixSignal);
    window.show();
    qDebug() << "Main window shown";
    return app.exec();
}
