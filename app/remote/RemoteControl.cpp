#include "RemoteControl.h"

#include "AnalyzeWidget.h"
#include "BrakeController.h"
#include "MainTab.h"
#include "MySettings.h"
#include "OutputWidgetContainer.h"
#include "RemoteChannelDirectory.h"
#include "RunWidget.h"
#include "ServerThread.h"
#include "UI.h"

#include <QDebug>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QTabWidget>

RemoteControl::RemoteControl(QWidget* parent)
    : QScrollArea(parent)
{
    setWidgetResizable(true);
    auto* inner = new QWidget(this);
    form = new QFormLayout(inner);
    form->setLabelAlignment(Qt::AlignRight);
    form->setContentsMargins(1, 1, 1, 1);
    form->setSpacing(1);
    setWidget(inner);

    QStringList addresses;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && address != QHostAddress(QHostAddress::LocalHost))
            addresses.append(address.toString());
    }
    lineEdit_address = new QLineEdit(addresses.join(QStringLiteral(" ; ")), inner);
    lineEdit_address->setReadOnly(true);
    form->addRow(tr("Server address"), lineEdit_address);

    androidAppPassword = new QLineEdit(inner);
    androidAppPassword->setObjectName(QStringLiteral("androidAppPassword"));
    form->addRow(tr("Server / Android app password"), androidAppPassword);
    label_passwordWarning = new QLabel(tr("No password: every remote client may start runs and control the brake."),
                                       inner);
    label_passwordWarning->setStyleSheet(QStringLiteral("color: rgb(206, 0, 0);"));
    form->addRow(QString(), label_passwordWarning);
    connect(androidAppPassword, &QLineEdit::textChanged, this, &RemoteControl::passwordChanged);
    theSettings.connectLineEdit(androidAppPassword);
    passwordChanged(androidAppPassword->text());
    if (androidAppPassword->text().isEmpty())
        qWarning() << "Remote control password is empty: every remote client has admin rights";

    channelDirectory = new RemoteChannelDirectory(&state, this);

    // Function keys go to the central widget, from where the main window's
    // key handling takes every key nobody else consumed.
    serverThread = new ServerThread(&state, theUI ? theUI->centralWidget : nullptr);
    connect(serverThread, &ServerThread::signal_startStop, this, &RemoteControl::slot_trigStartStop);
    connect(serverThread, &ServerThread::signal_setBrakeMode, this, [this](int mode) {
        switch (mode) {
        case 0: slot_trigBrakeOff(); break;
        case 2: slot_trigBrakeManualJoined(); break;
        case 3: slot_trigBrakeConstSpeed(); break;
        case 4: slot_trigBrakeAcceleration(); break;
        default: break;
        }
    });
    if (theUI && theUI->runWidget) {
        RunWidget* run = theUI->runWidget;
        connect(serverThread, &ServerThread::signal_analyzeLastRun, run, &RunWidget::slot_clickAnalyzeLastRun);
        connect(serverThread, &ServerThread::signal_setTarget, run, [run](int target, double value) {
            switch (target) {
            case ServerThread::TargetBrakePower: run->brakeController->slot_remote_setBrakePower(value); break;
            case ServerThread::TargetRoadSpeed: run->brakeController->slot_remote_setRoadSpeed(value); break;
            case ServerThread::TargetEngineSpeed: run->brakeController->slot_remote_setEngineSpeed(value); break;
            default: break;
            }
        });
        connect(serverThread, &ServerThread::signal_step, run, [run](int step) {
            switch (step) {
            case ServerThread::RoughStepUp: run->brakeController->slot_remote_roughStepUp(); break;
            case ServerThread::FineStepUp: run->brakeController->slot_remote_fineStepUp(); break;
            case ServerThread::FineStepDown: run->brakeController->slot_remote_fineStepDown(); break;
            case ServerThread::RoughStepDown: run->brakeController->slot_remote_roughStepDown(); break;
            default: break;
            }
        });
    }
    if (theUI && theUI->tabWidget_main)
        connect(serverThread, &ServerThread::signal_setMainTab, theUI->tabWidget_main, &QTabWidget::setCurrentIndex);
    // The ANALYZE page is disabled during a run; the server reads a copy.
    if (theUI && theUI->analyzeWidget) {
        theUI->analyzeWidget->installEventFilter(this);
        state.setAnalyzePageEnabled(theUI->analyzeWidget->isEnabled());
    }
    serverThread->start(QThread::TimeCriticalPriority);
}

RemoteControl::~RemoteControl()
{
    serverThread->quit();
    serverThread->wait();
    delete serverThread;
}

void RemoteControl::init()
{
    channelDirectory->refresh();
    if (theUI && theUI->runWidget) {
        OutputWidgetContainer* outputs = theUI->runWidget->outputWidgetContainer;
        state.setOutputLabels(outputs->outputLabels());
        // The server reads a copy: every edited label refreshes it.
        connect(outputs, &OutputWidgetContainer::signal_outputLabelsChanged, this,
                [this, outputs] { state.setOutputLabels(outputs->outputLabels()); });
    }
}

void RemoteControl::passwordChanged(const QString& password)
{
    state.setPassword(password);
    label_passwordWarning->setVisible(password.isEmpty());
}

bool RemoteControl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && theUI && watched == theUI->analyzeWidget)
        state.setAnalyzePageEnabled(theUI->analyzeWidget->isEnabled());
    return QScrollArea::eventFilter(watched, event);
}

void RemoteControl::slot_trigStartStop()
{
    QPushButton* button = theUI->runWidget->pushButton_run_startStop;
    if (theUI->tabWidget_main->currentIndex() == MainTab_run && button->isEnabled())
        button->click();
}

void RemoteControl::slot_trigStart()
{
    if (!theUI->runWidget->running)
        slot_trigStartStop();
}

void RemoteControl::slot_trigStop()
{
    if (theUI->runWidget->running)
        slot_trigStartStop();
}

void RemoteControl::slot_trigBrakeOff()
{
    theUI->runWidget->brakeController->slot_remote_changeBrakeMode(0);
}

void RemoteControl::slot_trigBrakeManualJoined()
{
    theUI->runWidget->brakeController->slot_remote_changeBrakeMode(2);
}

void RemoteControl::slot_trigBrakeConstSpeed()
{
    theUI->runWidget->brakeController->slot_remote_changeBrakeMode(3);
}

void RemoteControl::slot_trigBrakeAcceleration()
{
    theUI->runWidget->brakeController->slot_remote_changeBrakeMode(4);
}
