#include "Argument.h"
#include "AutoDialogAnswerer.h"
#include "ChannelSetupModel.h"
#include "Colors.h"
#include "DynoApplication.h"
#include "FirmwareUpdaterWorker.h"
#include "Fonts.h"
#include "MainUI.h"
#include "McuThread.h"
#include "PlatformMode.h"
#include "UnixSignalNotifier.h"

#include <QLocale>
#include <QMessageBox>
#include <QTimer>

#include <csignal>

int main(int argc, char** argv)
{
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
    Argument::setDeveloperMode(g_devModeEnabled);

    // Created here, started by the main window.
    theMCUThread = new McuThread;
    theMCUThread->firmwareUpdater->developerMode = g_devModeEnabled;

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
        box.exec();
        return 0;
    }

    MainUI window;
    QObject::connect(UnixSignalNotifier::instance(), &UnixSignalNotifier::unixSignal, &window,
                     &MainUI::slot_unixSignal);
    window.show();
    qDebug() << "Main window shown";
    return app.exec();
}
