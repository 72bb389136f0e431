#include "MainUI.h"

#include "Argument.h"
#include "ChannelSetupModel.h"
#include "Channels.h"
#include "DynoApplication.h"
#include "FirmwareUpdater.h"
#include "Icons.h"
#include "McuThread.h"
#include "MySettings.h"
#include "ProjectListFieldSource.h"
#include "ProjectListModel.h"
#include "RunListModel.h"
#include "Units.h"
#include "lib/Tools.h"

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QLabel>
#include <QSqlDatabase>
#include <QVBoxLayout>

MainUI* theMainUI = nullptr;

MainUI::MainUI(QWidget* parent)
    : QMainWindow(parent)
{
    theMainUI = this;

    appName = QStringLiteral("Zembo");
    QFile nameFile(theSettings.settingsDir.filePath(QStringLiteral("appName.txt")));
    if (nameFile.open(QIODevice::ReadOnly))
        appName = QString::fromUtf8(nameFile.readAll().trimmed());

    QApplication::setKeyboardInputInterval(2000);
    QApplication::setWheelScrollLines(2);

    QFile styleFile(theSettings.settingsDir.filePath(QStringLiteral("style.css")));
    if (styleFile.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(styleFile.readAll()));

    theSettings.initTranslator();
    theUnits.init();
    theSettings.initChannelsSetup();
    theSettings.initEnumLabels();
    theSettings.developerMode = g_devModeEnabled;
    theSettings.runNewVersionActions();
    theIcons.init();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    statusLabel = new QLabel(central);
    statusLabel->setAlignment(Qt::AlignCenter);
    statusLabel->setText(tr("%1 %2\nConfiguration folder: %3")
                             .arg(appName, theSettings.version.versionText, theSettings.settingsDir.absolutePath()));
    layout->addWidget(statusLabel);
    setCentralWidget(central);

    const QString userIcon = theSettings.settingsDir.filePath(QStringLiteral("icon.png"));
    setWindowIcon(QFile::exists(userIcon) ? QIcon(userIcon) : theIcons.iconApplication);
    setWindowTitle(QStringLiteral("%1 - %2").arg(appName, theSettings.version.versionText));
    resize(1024, 600);

    // The project database: both tables on one connection. A file that cannot
    // be opened leaves the program running with empty tables.
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("projects2.db"));
    database.setDatabaseName(theSettings.settingsDir.filePath(QStringLiteral("projects2.db")));
    if (!database.open())
        qDebug() << "Cannot open database";
    // The project model first: the run model's import reads its map of old project ids.
    theProjectListModel = new ProjectListModel(this, database);
    theRunListModel = new RunListModel(this, database);
    MySettings::setActiveProjectIdProvider(
        [] { return theProjectListModel ? theProjectListModel->activeProjectId : -1; });
    // Function arguments read project fields through the project model.
    static ProjectListFieldSource projectFields(theProjectListModel);
    Argument::setProjectFieldSource(&projectFields);

    theSettings.initUI(this);

    if (theMCUThread) {
        // The link never waits for these handlers: each notice is queued, and
        // the handler tells the link when its box is closed so the next may come.
        connect(theMCUThread, &McuThread::signal_fatalError, this, [this](const QString& message) {
            slot_showError(message);
            theMCUThread->noticeClosed(McuThread::Notice::FatalError);
        });
        connect(theMCUThread, &McuThread::signal_crcError, this, &MainUI::slot_mcuCrcErrorClientSide);
        connect(theMCUThread, &McuThread::signal_crcErrorMcu, this, &MainUI::slot_mcuCrcErrorMcuSide);
        // The channels exist once the board is known: the confirmation comes
        // after the link has read the board's counts. Alarm gates name their
        // channels by key and are bound as soon as the channels exist.
        connect(theMCUThread, &McuThread::signal_firmwareVersionConfirmed, this, [] {
            if (theChannels.isInitialized())
                return;
            theChannels.init();
            theRunChannelSetupModel.resolveAlarmGates();
            qDebug() << "Channels registered";
        });

        firmwareUpdater = new FirmwareUpdater(this);
        firmwareUpdater->setAutoUpdate(g_testModeEnabled);

        theMCUThread->start(QThread::TimeCriticalPriority);
        theMCUThread->polling = true;
    }
}

MainUI::~MainUI()
{
    if (theMCUThread && theMCUThread->isRunning()) {
        theMCUThread->quit();
        theMCUThread->wait();
        theMCUThread->printStatistic();
    }
    theSettings.closingProcedure(this);
    theMainUI = nullptr;
}

void MainUI::slot_unixSignal(int signal)
{
    qDebug() << "Unix signal" << signal << "received";
    close();
}

void MainUI::slot_showError(const QString& message)
{
    Tools::showError(message);
}

void MainUI::slot_mcuCrcErrorClientSide()
{
    Tools::showError(QStringLiteral(
        "MCU -> Client\nSPI frame CRC error.\nThis error is usually caused by external device electrical "
        "interference.\nPlease don't ignore it as it disrupts correct controller operation,\nand makes recorded "
        "run data corrupted!"));
    theMCUThread->noticeClosed(McuThread::Notice::CrcError);
}

void MainUI::slot_mcuCrcErrorMcuSide()
{
    Tools::showError(QStringLiteral(
        "Client -> MCU\nSPI frame CRC error.\nThis error is usually caused by external device electrical "
        "interference.\nPlease don't ignore it as it disrupts correct controller operation!"));
    theMCUThread->noticeClosed(McuThread::Notice::CrcErrorMcu);
}
