#include "ActuatorController.h"

#include "Argument.h"
#include "ArgumentWidget.h"
#include "ChannelId.h"
#include "Channels.h"
#include "ColorButton.h"
#include "IconButton.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "ArgumentLineEdit.h"
#include "QuantityComboBox.h"
#include "UnitComboBox.h"
#include "RunChannel.h"
#include "ShortcutWidget.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QLabel>
#include <QDialog>
#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QShortcut>
#include <QTimer>

#include <cmath>
#include <limits>

namespace {

std::function<qint64()>& clockFunction()
{
    static std::function<qint64()> clock;
    return clock;
}

struct ColorRow {
    const char* key;
    const char* label;
};

// By state; 0 keeps its colour and has no button.
const ColorRow colorRows[7] = {
    {nullptr, nullptr},
    {"activatingColor", QT_TRANSLATE_NOOP("ActuatorController", "Activation in progress color")},
    {"activationTimeoutColor", QT_TRANSLATE_NOOP("ActuatorController", "Activation timeout color")},
    {"activeColor", QT_TRANSLATE_NOOP("ActuatorController", "Active color")},
    {"deactivatingColor", QT_TRANSLATE_NOOP("ActuatorController", "Deactivation in progress color")},
    {"deactivationTimeoutColor", QT_TRANSLATE_NOOP("ActuatorController", "Deactivation timeout color")},
    {"inactiveColor", QT_TRANSLATE_NOOP("ActuatorController", "Inactive color")},
};

} // namespace

void ActuatorController::setClock(std::function<qint64()> clock)
{
    clockFunction() = std::move(clock);
}

qint64 ActuatorController::now()
{
    return clockFunction() ? clockFunction()() : QDateTime::currentMSecsSinceEpoch();
}

QString ActuatorController::stateLabel(int state)
{
    switch (state) {
    case ActuatorState_initial:
        return tr("initial");
    case ActuatorState_activating:
        return tr("activating");
    case ActuatorState_activationTimeout:
        return tr("activation timeout");
    case ActuatorState_active:
        return tr("active");
    case ActuatorState_deactivating:
        return tr("deactivating");
    case ActuatorState_deactivationTimeout:
        return tr("deactivation timeout");
    case ActuatorState_inactive:
        return tr("inactive");
    default:
        return QString();
    }
}

ActuatorController::ActuatorController(QWidget* parent, int n)
    : AbstractOutputWidget(parent)
    , index(n)
    , lastRemoteValue(std::numeric_limits<double>::quiet_NaN())
{
    prefix = QStringLiteral("actuatorController%1/").arg(n);
    dialog->setWindowTitle(tr("Actuator setup ") + QString::number(n + 1));
    label_setup->setText(tr("Actuator ") + QString::number(n + 1));

    iconButton = new IconButton(dialog);
    iconButton->setObjectName(prefix + QStringLiteral("icon"));
    dialogForm->addRow(tr("Icon"), iconButton);
    lineEdit_label = new QLineEdit(dialog);
    lineEdit_label->setObjectName(prefix + QStringLiteral("label"));
    lineEdit_label->setText(tr("Actuator ") + QString::number(n + 1));
    dialogForm->addRow(tr("Label"), lineEdit_label);
    checkBox_requireDoubleClick = new QCheckBox(dialog);
    checkBox_requireDoubleClick->setObjectName(prefix + QStringLiteral("requireDoubleClick"));
    dialogForm->addRow(tr("Require double-click"), checkBox_requireDoubleClick);
    shortcutWidget = new ShortcutWidget(dialog);
    shortcutWidget->setObjectName(prefix + QStringLiteral("shortcut"));
    dialogForm->addRow(tr("Shortcut"), shortcutWidget);
    gateArgumentWidget = addArgumentRow(tr("Gate argument"), QStringLiteral("gateArgument"),
                                        tr("Output state change will only happen if this argument is true"));
    activationCompleteArgumentWidget =
        addArgumentRow(tr("Activation complete argument"), QStringLiteral("activationCompleteArgument"),
                       tr("Confirms that the actuator had completed the activation movement"));
    deactivationCompleteArgumentWidget =
        addArgumentRow(tr("Deactivation complete argument"), QStringLiteral("deactivationCompleteArgument"),
                       tr("Confirms that the actuator had completed the deactivation movement"));
    remoteControlArgumentWidget =
        addArgumentRow(tr("Remote control argument"), QStringLiteral("remoteControlArgument"),
                       tr("Channel that will trigger actuator activation and deactivation"));
    spinBox_activationTimeout = addTimeoutRow(tr("Activation timeout"), QStringLiteral("activationTimeout"));
    spinBox_deactivationTimeout = addTimeoutRow(tr("Deactivation timeout"), QStringLiteral("deactivationTimeout"));
    checkBox_gateDeactivates = new QCheckBox(dialog);
    checkBox_gateDeactivates->setObjectName(prefix + QStringLiteral("gateDeactivatesActuator"));
    checkBox_gateDeactivates->setToolTip(tr("If checked, false state of gate argument will deactivate actuator"));
    dialogForm->addRow(tr("Gate deactivates actuator"), checkBox_gateDeactivates);

    const QColor defaults[7] = {QColor(),           QColor(140, 255, 140), QColor(255, 224, 77),
                                QColor(77, 255, 77), QColor(220, 255, 255), QColor(255, 224, 77),
                                palette().color(QPalette::Base)};
    for (int s = 1; s < 7; ++s) {
        auto* button = new ColorButton(dialog);
        button->setObjectName(prefix + QString::fromLatin1(colorRows[s].key));
        button->setColor(defaults[s]);
        colorButtons[s] = button;
        dialogForm->addRow(tr(colorRows[s].label), button);
    }

    shortcut = new QShortcut(this);
    shortcut->setContext(Qt::ApplicationShortcut);
    connect(shortcut, &QShortcut::activated, this, &ActuatorController::slot_clicked);
    connect(shortcut, &QShortcut::activatedAmbiguously, this, &ActuatorController::slot_clicked);
    connect(lineEdit_label, &QLineEdit::textChanged, this, &ActuatorController::slot_updateLabel);
    connect(shortcutWidget, &ShortcutWidget::signal_sequenceChanged, this,
            &ActuatorController::slot_keySequenceChanged);
    connect(iconButton, &IconButton::signal_iconChanged, this, &AbstractOutputWidget::slot_iconChanged);

    tickTimer = new QTimer(this);
    tickTimer->setInterval(tickIntervalMs);
    connect(tickTimer, &QTimer::timeout, this, &ActuatorController::slot_tick);
    slot_updateLabel();
}

ArgumentWidget* ActuatorController::addArgumentRow(const QString& label, const QString& name, const QString& toolTip)
{
    auto* widget = new ArgumentWidget(dialog, new Argument(this));
    widget->setObjectName(prefix + name);
    widget->setToolTip(toolTip);
    dialogForm->addRow(label, widget);
    return widget;
}

QDoubleSpinBox* ActuatorController::addTimeoutRow(const QString& label, const QString& name)
{
    auto* box = new QDoubleSpinBox(dialog);
    box->setObjectName(prefix + name);
    box->setDecimals(1);
    box->setSingleStep(0.1);
    box->setRange(0.1, 1e9);
    box->setSuffix(QStringLiteral(" s"));
    box->setValue(3.0);
    dialogForm->addRow(label, box);
    return box;
}

void ActuatorController::init()
{
    AbstractOutputWidget::init();
    stateChannel = theChannels.getChannel(ChannelId_actuatorControllerState, index);
    activateChannel = theChannels.getChannel(ChannelId_actuatorControllerActivate, index);
    deactivateChannel = theChannels.getChannel(ChannelId_actuatorControllerDeactivate, index);

    theSettings.connectIconButton(iconButton);
    theSettings.connectLineEdit(lineEdit_label);
    theSettings.connectCheckBox(checkBox_requireDoubleClick);
    theSettings.connectShortcutWidget(shortcutWidget);
    for (ArgumentWidget* widget : {gateArgumentWidget, activationCompleteArgumentWidget,
                                   deactivationCompleteArgumentWidget, remoteControlArgumentWidget}) {
        theSettings.connectArgumentWidget(widget);
        widget->typeCombo->setCurrentIndex(ArgumentType_channel);
        widget->typeCombo->hide();
        widget->setLockedQuantity(Quantity::Logic);
    }
    theSettings.connectDoubleSpinBox(spinBox_activationTimeout);
    theSettings.connectDoubleSpinBox(spinBox_deactivationTimeout);
    theSettings.connectCheckBox(checkBox_gateDeactivates);
    for (int s = 1; s < 7; ++s)
        theSettings.connectColorButton(colorButtons[s]);
    validateArguments();

    const QString key = theSettings.keyPrefix + prefix + QStringLiteral("savedState");
    const int saved = theSettings.value(key, 0).toInt();
    setState(saved >= 0 && saved <= 6 ? ActuatorState(saved) : ActuatorState_initial);
    tickTimer->start();
}

void ActuatorController::validateArguments()
{
    for (ArgumentWidget* widget : {gateArgumentWidget, activationCompleteArgumentWidget,
                                   deactivationCompleteArgumentWidget, remoteControlArgumentWidget})
        widget->slot_validateAndUpdateArgument();
}

void ActuatorController::writeChannel(RunChannel* channel, double value)
{
    if (channel)
        channel->setDataWithoutFilter(value, QDateTime::currentMSecsSinceEpoch());
}

void ActuatorController::setBgColor(ColorButton* button)
{
    if (button)
        Tools::setBackgroundColorWithPalette(this, button->color());
}

void ActuatorController::setState(ActuatorState state)
{
    if (currentState == ActuatorState_activating)
        writeChannel(activateChannel, 0.0);
    else if (currentState == ActuatorState_deactivating)
        writeChannel(deactivateChannel, 0.0);

    if (state >= 1 && state <= 6)
        setBgColor(colorButtons[state]);
    if (state == ActuatorState_activating)
        writeChannel(activateChannel, 1.0);
    else if (state == ActuatorState_deactivating)
        writeChannel(deactivateChannel, 1.0);
    else if (state == ActuatorState_inactive) {
        writeChannel(activateChannel, 0.0);
        writeChannel(deactivateChannel, 0.0);
    }

    currentState = state;
    writeChannel(stateChannel, double(state));
    theSettings.setValue(theSettings.keyPrefix + prefix + QStringLiteral("savedState"), int(state));
    stateSince = now();
}

void ActuatorController::slot_tick()
{
    // 1. Gate.
    const double gate = gateArgumentWidget->argument->getValue();
    ready = (std::isnan(gate) || gate == 1.0) && currentState != ActuatorState_activating
            && currentState != ActuatorState_deactivating;
    if (ready) {
        Tools::setTextColorWithPalette(label_text, Qt::black);
    } else {
        Tools::setTextColorWithPalette(label_text, Qt::gray);
        if (checkBox_gateDeactivates->isChecked()
            && (currentState == ActuatorState_activationTimeout || currentState == ActuatorState_active))
            setState(ActuatorState_deactivating);
    }

    // 2. Progress.
    const qint64 t = now() - stateSince;
    const double activationComplete = activationCompleteArgumentWidget->argument->getValue();
    const double deactivationComplete = deactivationCompleteArgumentWidget->argument->getValue();
    switch (currentState) {
    case ActuatorState_initial:
        setState(ActuatorState_inactive);
        break;
    case ActuatorState_activating:
        if (activationComplete == 1.0)
            setState(ActuatorState_active);
        else if (double(t) > spinBox_activationTimeout->value() * 1000.0)
            setState(activationCompleteArgumentWidget->argument->getSourceString().isEmpty()
                         ? ActuatorState_active
                         : ActuatorState_activationTimeout);
        break;
    case ActuatorState_activationTimeout:
        if (activationComplete == 1.0)
            setState(ActuatorState_active);
        break;
    case ActuatorState_deactivating:
        if (deactivationComplete == 1.0)
            setState(ActuatorState_inactive);
        else if (double(t) > spinBox_deactivationTimeout->value() * 1000.0)
            setState(deactivationCompleteArgumentWidget->argument->getSourceString().isEmpty()
                         ? ActuatorState_inactive
                         : ActuatorState_deactivationTimeout);
        break;
    case ActuatorState_deactivationTimeout:
        if (deactivationComplete == 1.0)
            setState(ActuatorState_inactive);
        break;
    default:
        break;
    }

    // 3. Remote argument edges, acted on only while ready.
    const double r = remoteControlArgumentWidget->argument->getValue();
    if (std::isnan(r)) {
        lastRemoteValue = r;
        return;
    }
    const double p = lastRemoteValue;
    lastRemoteValue = r;
    if (!ready)
        return;
    if (r == 0.0 && (p != 0.0 || std::isnan(p))) {
        if (currentState == ActuatorState_activationTimeout || currentState == ActuatorState_active)
            setState(ActuatorState_deactivating);
    } else if (r != 0.0 && (p == 0.0 || std::isnan(p))) {
        if (currentState == ActuatorState_deactivationTimeout || currentState == ActuatorState_inactive)
            setState(ActuatorState_activating);
    }
}

void ActuatorController::slot_clicked()
{
    if (!ready)
        return;
    if (currentState == ActuatorState_activationTimeout || currentState == ActuatorState_active)
        setState(ActuatorState_deactivating);
    else if (currentState == ActuatorState_deactivationTimeout || currentState == ActuatorState_inactive)
        setState(ActuatorState_activating);
}

void ActuatorController::slot_updateLabel()
{
    const QKeySequence sequence = shortcutWidget->keySequence;
    const QString text = sequence.isEmpty()
                             ? lineEdit_label->text()
                             : sequence.toString(QKeySequence::NativeText) + QStringLiteral(" : ") + lineEdit_label->text();
    label_text->setText(text);
}

void ActuatorController::slot_keySequenceChanged(const QKeySequence& sequence)
{
    shortcut->setKey(sequence);
    slot_updateLabel();
}

void ActuatorController::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (!checkBox_requireDoubleClick->isChecked())
            slot_clicked();
    } else if (event->button() == Qt::RightButton) {
        showConfigurationDialog(event->position().toPoint());
    }
    event->accept();
}

void ActuatorController::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && checkBox_requireDoubleClick->isChecked())
        slot_clicked();
    event->accept();
}
