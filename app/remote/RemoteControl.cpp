#include "RemoteControl.h"

#include "AnalyzeWidget.h"
#include "BrakeController.h"
#include "MainTab.h"
#include "MySettings.h"
#include "OutputWidgetContainer.h"
#include "RemoteChannelDirectory.h"
#include "RunWidget.h"
#include "ServerThread.h"
#include "EngineSpeedWidget.h"
#include "RunThread.h"
#include "Trigger.h"
#include "RemoteValueWidget.h"
#include "SafeSpinBox.h"
#include "lib/Unit.h"
#include "TriggerWidget.h"
#include "lib/Tools.h"
#include "UI.h"

#include <QDebug>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QTabWidget>

namespace {

struct TriggerRow {
    const char* name;
    const char* label;
};

// In page order; connectTriggerAction knows the actions by this index.
const TriggerRow triggerRows[] = {
    {"triggerStartStop", QT_TRANSLATE_NOOP("RemoteControl", "Run START / STOP")},
    {"triggerStart", QT_TRANSLATE_NOOP("RemoteControl", "Run START")},
    {"triggerStop", QT_TRANSLATE_NOOP("RemoteControl", "Run STOP")},
    {"triggerBrakeOff", QT_TRANSLATE_NOOP("RemoteControl", "Set brake mode OFF")},
    {"triggerBrakeManual", QT_TRANSLATE_NOOP("RemoteControl", "Set brake mode Torque Joined")},
    {"triggerBrakeConstantSpeed", QT_TRANSLATE_NOOP("RemoteControl", "Set brake mode Speed control")},
    {"triggerBrakeAcceleration", QT_TRANSLATE_NOOP("RemoteControl", "Set brake mode Accel. control")},
    {"triggerRoughStepUp", QT_TRANSLATE_NOOP("RemoteControl", "Target rough step up")},
    {"triggerRoughStepDown", QT_TRANSLATE_NOOP("RemoteControl", "Target rough step down")},
    {"triggerFineStepUp", QT_TRANSLATE_NOOP("RemoteControl", "Target fine step up")},
    {"triggerFineStepDown", QT_TRANSLATE_NOOP("RemoteControl", "Target fine step down")},
    {"triggerSpeedRatio", QT_TRANSLATE_NOOP("RemoteControl", "Engine speed calibration")},
    {"triggerVPSpeedRatio", QT_TRANSLATE_NOOP("RemoteControl", "Set engine speed ratio from VP")},
    {"triggerInsertMarker", QT_TRANSLATE_NOOP("RemoteControl", "Insert marker")},
    {"triggerAnalyzeLastRun", QT_TRANSLATE_NOOP("RemoteControl", "Analyze last run")},
    {"triggerTabRun", QT_TRANSLATE_NOOP("RemoteControl", "Switch to RUN tab")},
    {"triggerTabAnalyze", QT_TRANSLATE_NOOP("RemoteControl", "Switch to ANALYZE tab")},
};

struct RemoteValueRow {
    const char* name;
    const char* label;
    Quantity quantity;
};

const RemoteValueRow remoteValueRows[] = {
    {"remoteBrakePower", QT_TRANSLATE_NOOP("RemoteControl", "Remote brake power"), Quantity::Fraction},
    {"remoteRoadSpeed", QT_TRANSLATE_NOOP("RemoteControl", "Remote road speed target"), Quantity::Speed},
    {"remoteEngineSpeed", QT_TRANSLATE_NOOP("RemoteControl", "Remote engine speed target"),
     Quantity::RotationalSpeed},
    {"remoteThrottle", QT_TRANSLATE_NOOP("RemoteControl", "Remote throttle target"), Quantity::Fraction},
};

} // namespace

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

    for (const TriggerRow& row : triggerRows) {
        auto* widget = new TriggerWidget(inner);
        widget->setObjectName(QLatin1String(row.name));
        triggerWidgets.append(widget);
        form->addRow(tr(row.label), widget);
    }
    for (const RemoteValueRow& row : remoteValueRows) {
        auto* widget = new RemoteValueWidget(inner);
        widget->setObjectName(QLatin1String(row.name));
        remoteValueWidgets.append(widget);
        form->addRow(tr(row.label), widget);
    }
}

RemoteControl::~RemoteControl()
{
    serverThread->quit();
    serverThread->wait();
    delete serverThread;
}

void RemoteControl::init()
{
    for (int i = 0; i < triggerWidgets.size(); ++i) {
        TriggerWidget* row = triggerWidgets.at(i);
        // A remote trigger shows only its shortcut and its channel.
        row->modeCombo->setCurrentIndex(0);
        row->modeCombo->hide();
        if (QWidget* label = row->layout->labelForField(row->modeCombo))
            label->hide();
        row->activationCheckBox->hide();
        if (QWidget* label = row->layout->labelForField(row->activationCheckBox))
            label->hide();
        row->connectToSettings();
        connect(row->trigger, &Trigger::signal_shortcutAmbiguous, this, &RemoteControl::slot_ambiguousShortcut,
                Qt::UniqueConnection);
        connectTriggerAction(i, row->trigger);
    }
    for (int i = 0; i < remoteValueWidgets.size(); ++i) {
        RemoteValueWidget* row = remoteValueWidgets.at(i);
        row->connectToSettings();
        row->setQuantity(remoteValueRows[i].quantity);
    }
    if (theUI && theUI->runWidget) {
        BrakeController* brake = theUI->runWidget->brakeController;
        connect(remoteValueWidgets.at(0), &RemoteValueWidget::signal_updateSignal, brake,
                &BrakeController::slot_remote_setBrakePower, Qt::UniqueConnection);
        connect(remoteValueWidgets.at(1), &RemoteValueWidget::signal_updateSignal, brake,
                &BrakeController::slot_remote_setRoadSpeed, Qt::UniqueConnection);
        connect(remoteValueWidgets.at(2), &RemoteValueWidget::signal_updateSignal, brake,
                &BrakeController::slot_remote_setEngineSpeed, Qt::UniqueConnection);
    }
    connect(remoteValueWidgets.at(3), &RemoteValueWidget::signal_updateSignal, this,
            &RemoteControl::slot_remote_throttle, Qt::UniqueConnection);
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

void RemoteControl::slot_ambiguousShortcut()
{
    auto* trigger = qobject_cast<Trigger*>(sender());
    QString name;
    for (const TriggerWidget* row : std::as_const(triggerWidgets)) {
        if (row->trigger == trigger)
            name = row->objectName();
    }
    Tools::showError(tr("Ambiguous shortcut in remote control setup: ") + name);
}

void RemoteControl::connectTriggerAction(int row, Trigger* trigger)
{
    // Automatic connections: a shot from the trigger thread is a queued call.
    switch (row) {
    case 0: connect(trigger, &Trigger::signal_shoot, this, &RemoteControl::slot_trigStartStop); return;
    case 1: connect(trigger, &Trigger::signal_shoot, this, &RemoteControl::slot_trigStart); return;
    case 2: connect(trigger, &Trigger::signal_shoot, this, &RemoteControl::slot_trigStop); return;
    case 3: connect(trigger, &Trigger::signal_shoot, this, &RemoteControl::slot_trigBrakeOff); return;
    case 4: connect(trigger, &Trigger::signal_shoot, this, &RemoteControl::slot_trigBrakeManualJoined); return;
    case 5: connect(trigger, &Trigger::signal_shoot, this, &RemoteControl::slot_trigBrakeConstSpeed); return;
    case 6: connect(trigger, &Trigger::signal_shoot, this, &RemoteControl::slot_trigBrakeAcceleration); return;
    default: break;
    }
    if (!theUI || !theUI->runWidget)
        return;
    RunWidget* run = theUI->runWidget;
    BrakeController* brake = run->brakeController;
    switch (row) {
    case 7: connect(trigger, &Trigger::signal_shoot, brake, &BrakeController::slot_remote_roughStepUp); break;
    case 8: connect(trigger, &Trigger::signal_shoot, brake, &BrakeController::slot_remote_roughStepDown); break;
    case 9: connect(trigger, &Trigger::signal_shoot, brake, &BrakeController::slot_remote_fineStepUp); break;
    case 10: connect(trigger, &Trigger::signal_shoot, brake, &BrakeController::slot_remote_fineStepDown); break;
    case 11:
        connect(trigger, &Trigger::signal_shoot, run->engineSpeedWidget,
                &EngineSpeedWidget::slot_calculateSpeedRatioShortcutTriggered);
        break;
    case 12:
        connect(trigger, &Trigger::signal_shoot, run->engineSpeedWidget,
                &EngineSpeedWidget::slot_calculateVPSpeedRatioShortcutTriggered);
        break;
    case 13:
        if (run->runThread)
            connect(trigger, &Trigger::signal_shoot, run->runThread, &RunThread::slot_insertMarker);
        break;
    case 14:
        connect(trigger, &Trigger::signal_shoot, run, [run] {
            if (run->pushButton_analyzeLastRun->isEnabled())
                run->pushButton_analyzeLastRun->click();
        });
        break;
    case 15:
    case 16: {
        const int tab = row == 15 ? MainTab_run : MainTab_analyze;
        connect(trigger, &Trigger::signal_shoot, this, [tab] {
            QTabWidget* tabs = theUI->tabWidget_main;
            if (tabs && tabs->isTabEnabled(tab))
                tabs->setCurrentIndex(tab);
        });
        break;
    }
    default: break;
    }
}

void RemoteControl::slot_remote_throttle(double value)
{
    if (!theUI || !theUI->runWidget)
        return;
    SafeSpinBox* throttle = theUI->runWidget->safeSpinBox_throttlePosition;
    // The box's range (0 to 100 %) clamps what the remote sends.
    if (throttle->isEnabled())
        throttle->setValueSI(value * 100.0);
}
