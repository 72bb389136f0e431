#include "MainUI.h"

#include "Icons.h"
#include "MySettings.h"
#include "Units.h"

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QLabel>
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
    theSettings.initUI(this);
}

MainUI::~MainUI()
{
    theSettings.closingProcedure(this);
    theMainUI = nullptr;
}

void MainUI::slot_unixSignal(int signal)
{
    qDebug() << "Unix signal" << signal << "received";
    close();
}
