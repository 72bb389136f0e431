#include "OutputWidget.h"

#include "Argument.h"
#include "ArgumentWidget.h"
#include "ChannelId.h"
#include "Channels.h"
#include "ColorButton.h"
#include "HwInfo.h"
#include "IconButton.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "ArgumentLineEdit.h"
#include "QuantityComboBox.h"
#include "UnitComboBox.h"
#include "RunChannel.h"
#include "lib/Tools.h"
#include "rpiGPIO.h"

#include <QCheckBox>
#include <QDialog>
#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>

#include <cmath>

OutputWidget::OutputWidget(QWidget* parent, OutputWidgetType outputType, int n, const QString& defaultUserLabel)
    : AbstractOutputWidget(parent)
    , type(outputType)
    , index(n)
{
    const bool relay = type == OutputWidgetType_relay;
    prefix = QStringLiteral("outputSetup-%1-%2-").arg(relay ? QStringLiteral("relay") : QStringLiteral("lowSide")).arg(n);
    outputName = (relay ? QStringLiteral("F%1 Rel.").arg(n + 5) : QStringLiteral("F%1 LS").arg(n + 1))
                 + QStringLiteral(" %1").arg(n + 1);
    label_setup->setText(outputName);
    dialog->setWindowTitle(outputName);

    iconButton = new IconButton(dialog);
    iconButton->setObjectName(prefix + QStringLiteral("icon"));
    dialogForm->addRow(tr("Icon"), iconButton);
    lineEdit_userLabel = new QLineEdit(dialog);
    lineEdit_userLabel->setObjectName(prefix + QStringLiteral("userlabel"));
    lineEdit_userLabel->setText(defaultUserLabel);
    dialogForm->addRow(tr("User label"), lineEdit_userLabel);
    comboBox_controlSource = new QComboBox(dialog);
    comboBox_controlSource->setObjectName(prefix + QStringLiteral("controlSource"));
    comboBox_controlSource->addItems(
        {tr("Manual"), tr("Function"), tr("Manual OR Function"), tr("Manual AND Function")});
    dialogForm->addRow(tr("Control source"), comboBox_controlSource);
    checkBox_bistable = new QCheckBox(dialog);
    checkBox_bistable->setObjectName(prefix + QStringLiteral("bistable"));
    dialogForm->addRow(tr("Bistable"), checkBox_bistable);
    checkBox_requireDoubleClick = new QCheckBox(dialog);
    checkBox_requireDoubleClick->setObjectName(prefix + QStringLiteral("requireDoubleClick"));
    dialogForm->addRow(tr("Require double-click"), checkBox_requireDoubleClick);
    spinBox_autoOffTime = new QDoubleSpinBox(dialog);
    spinBox_autoOffTime->setObjectName(prefix + QStringLiteral("autoOffTime"));
    spinBox_autoOffTime->setRange(0, 4000);
    spinBox_autoOffTime->setDecimals(1);
    spinBox_autoOffTime->setSuffix(QStringLiteral("s"));
    spinBox_autoOffTime->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    spinBox_autoOffTime->setSpecialValueText(tr("Disabled"));
    spinBox_autoOffTime->setToolTip(tr("Manual part of the output will be automatically turned off after this time"));
    dialogForm->addRow(tr("Off timeout"), spinBox_autoOffTime);
    argumentWidget = addArgumentRow(tr("Control function arg."), QStringLiteral("argument"),
                                    tr("Main function that is used in output evaluation"));
    offArgumentWidget = addArgumentRow(tr("Off argument"), QStringLiteral("offArgument"),
                                       tr("This argument will turn off the manual part of the output"));
    gateArgumentWidget = addArgumentRow(tr("Gate argument"), QStringLiteral("gateArgument"),
                                        tr("Output state change will only happen if this argument is true"));
    checkBox_gateDeactivatesOutput = new QCheckBox(dialog);
    checkBox_gateDeactivatesOutput->setObjectName(prefix + QStringLiteral("gateDeactivatesOutput"));
    checkBox_gateDeactivatesOutput->setToolTip(tr("If checked, false state of gate argument will deactivate output"));
    dialogForm->addRow(tr("Gate turns off output"), checkBox_gateDeactivatesOutput);
    colorButton_inactive = new ColorButton(dialog);
    colorButton_inactive->setObjectName(prefix + QStringLiteral("backgroundColorInactive"));
    colorButton_inactive->setColor(palette().color(QPalette::Base));
    dialogForm->addRow(tr("Inactive bg."), colorButton_inactive);
    colorButton_active = new ColorButton(dialog);
    colorButton_active->setObjectName(prefix + QStringLiteral("backgroundColorActive"));
    colorButton_active->setColor(QColor(140, 255, 140));
    dialogForm->addRow(tr("Active bg."), colorButton_active);
    colorButton_partial = new ColorButton(dialog);
    colorButton_partial->setObjectName(prefix + QStringLiteral("backgroundColorPartialCondition"));
    colorButton_partial->setColor(QColor(220, 255, 255));
    colorButton_partial->setToolTip(
        tr("Background color when only manual part of (Manual AND Function) condition is active"));
    dialogForm->addRow(tr("Partial cond. bg."), colorButton_partial);

    connect(lineEdit_userLabel, &QLineEdit::textChanged, this, &OutputWidget::slot_labelChanged);
    connect(comboBox_controlSource, &QComboBox::currentIndexChanged, this, &OutputWidget::slot_controlSourceChanged);
    connect(checkBox_bistable, &QCheckBox::stateChanged, this, &OutputWidget::slot_bistableChanged);
    connect(iconButton, &IconButton::signal_iconChanged, this, &AbstractOutputWidget::slot_iconChanged);

    updateTimer = new QTimer(this);
    updateTimer->setInterval(50);
    connect(updateTimer, &QTimer::timeout, this, &OutputWidget::slot_updateOutput);
    autoOffTimer = new QTimer(this);
    autoOffTimer->setSingleShot(true);

    currentBackground = colorButton_inactive->color();
    Tools::setBackgroundColorWithPalette(this, currentBackground);
    slot_labelChanged();
    slot_controlSourceChanged();
}

ArgumentWidget* OutputWidget::addArgumentRow(const QString& label, const QString& name, const QString& toolTip)
{
    auto* widget = new ArgumentWidget(dialog, new Argument(this));
    widget->setObjectName(prefix + name);
    widget->setToolTip(toolTip);
    dialogForm->addRow(label, widget);
    return widget;
}

void OutputWidget::init()
{
    AbstractOutputWidget::init();
    theSettings.connectIconButton(iconButton);
    theSettings.connectLineEdit(lineEdit_userLabel);
    theSettings.connectComboBox(comboBox_controlSource);
    theSettings.connectCheckBox(checkBox_bistable);
    theSettings.connectCheckBox(checkBox_requireDoubleClick);
    theSettings.connectDoubleSpinBox(spinBox_autoOffTime);
    for (ArgumentWidget* widget : {argumentWidget, offArgumentWidget, gateArgumentWidget}) {
        theSettings.connectArgumentWidget(widget);
        widget->typeCombo->setCurrentIndex(ArgumentType_channel);
        widget->typeCombo->hide();
        widget->setLockedQuantity(Quantity::Logic);
    }
    theSettings.connectCheckBox(checkBox_gateDeactivatesOutput);
    theSettings.connectColorButton(colorButton_inactive);
    theSettings.connectColorButton(colorButton_active);
    theSettings.connectColorButton(colorButton_partial);
    validateArguments();

    const bool relay = type == OutputWidgetType_relay;
    const int count = relay ? theHwInfo.relayOutputs : theHwInfo.lowSideOutputs;
    if (index < count)
        stateChannel =
            theChannels.getChannel(relay ? ChannelId_relayOutputState : ChannelId_lowSideOutputState, index);
    if (stateChannel)
        stateChannel->setDataWithoutFilter(0.0, QDateTime::currentMSecsSinceEpoch());
    // The colours may have been restored from the settings.
    currentBackground = colorButton_inactive->color();
    Tools::setBackgroundColorWithPalette(this, currentBackground);
    updateTimer->start();
    connect(autoOffTimer, &QTimer::timeout, this, &OutputWidget::slot_autoOff, Qt::UniqueConnection);
}

void OutputWidget::validateArguments()
{
    // A function that names no channel cannot drive the output.
    if (argumentWidget->slot_validateAndUpdateArgument())
        comboBox_controlSource->setCurrentIndex(0);
    offArgumentWidget->slot_validateAndUpdateArgument();
    gateArgumentWidget->slot_validateAndUpdateArgument();
}

void OutputWidget::setFormat(int twoLines)
{
    twoLineText = twoLines != 0;
    slot_labelChanged();
}

QString OutputWidget::getLabelText() const
{
    QMutexLocker lock(&labelMutex);
    return labelCopy;
}

void OutputWidget::slot_labelChanged()
{
    const QString userLabel = lineEdit_userLabel->text();
    label_text->setText(outputName + (twoLineText ? QStringLiteral("\n") : QStringLiteral(" - ")) + userLabel);
    bool changed;
    {
        QMutexLocker lock(&labelMutex);
        changed = labelCopy != userLabel;
        labelCopy = userLabel;
    }
    if (changed)
        emit signal_userLabelChanged();
}

bool OutputWidget::isBistable() const
{
    return checkBox_bistable->isChecked();
}

void OutputWidget::manualActivate(bool pressed)
{
    if (!isBistable()) {
        manual = pressed;
        return;
    }
    if (!pressed)
        return;
    manual = !manual;
    if (!manual) {
        autoOffTimer->stop();
    } else if (spinBox_autoOffTime->value() > 0.0) {
        autoOffTimer->start(int(std::lround(spinBox_autoOffTime->value() * 1000.0)));
    }
}

void OutputWidget::releaseHeld()
{
    if (!isBistable())
        manual = false;
}

void OutputWidget::slot_autoOff()
{
    manual = false;
}

void OutputWidget::slot_bistableChanged()
{
    manual = false;
    autoOffTimer->stop();
}

void OutputWidget::slot_controlSourceChanged()
{
    const int source = comboBox_controlSource->currentIndex();
    const bool manualPart = source == 0 || source == 2 || source == 3;
    const bool functionPart = source == 1 || source == 2 || source == 3;
    for (QWidget* widget : {static_cast<QWidget*>(checkBox_bistable), static_cast<QWidget*>(checkBox_requireDoubleClick),
                            static_cast<QWidget*>(offArgumentWidget), static_cast<QWidget*>(spinBox_autoOffTime)}) {
        widget->setEnabled(manualPart);
        if (QWidget* label = dialogForm->labelForField(widget))
            label->setEnabled(manualPart);
    }
    argumentWidget->setEnabled(functionPart);
    if (QWidget* label = dialogForm->labelForField(argumentWidget))
        label->setEnabled(functionPart);
}

void OutputWidget::slot_updateOutput()
{
    const double f = argumentWidget->argument->getValue();
    if (std::isfinite(f))
        function = f != 0.0;
    const double off = offArgumentWidget->argument->getValue();
    if (!std::isnan(off) && off != 0.0)
        manual = false;
    const double g = gateArgumentWidget->argument->getValue();
    if (std::isnan(g) || g == 1.0) {
        Tools::setTextColorWithPalette(label_text, Qt::black);
        bool on = false;
        switch (comboBox_controlSource->currentIndex()) {
        case 0:
            on = manual;
            break;
        case 1:
            on = function;
            break;
        case 2:
            on = function || manual;
            break;
        case 3:
            on = function && manual;
            break;
        default:
            break;
        }
        setOutput(on);
    } else {
        if (checkBox_gateDeactivatesOutput->isChecked()) {
            manual = false;
            setOutput(false);
        }
        Tools::setTextColorWithPalette(label_text, Qt::gray);
    }
}

void OutputWidget::setOutput(bool on)
{
    const QColor color =
        on ? colorButton_active->color() : (manual ? colorButton_partial->color() : colorButton_inactive->color());
    if (color != currentBackground) {
        currentBackground = color;
        Tools::setBackgroundColorWithPalette(this, color);
    }
    if (on == lastOutput)
        return;
    lastOutput = on;
    if (type == OutputWidgetType_relay)
        theRPIGPIO.setRelayOutput(uint8_t(index), on);
    else
        theRPIGPIO.setLSOutput(uint8_t(index), on);
    if (stateChannel)
        stateChannel->setDataWithoutFilter(on ? 1.0 : 0.0, QDateTime::currentMSecsSinceEpoch());
}

QColor OutputWidget::backgroundColor() const
{
    return currentBackground;
}

void OutputWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !checkBox_requireDoubleClick->isChecked())
        manualActivate(true);
    event->accept();
}

void OutputWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && checkBox_requireDoubleClick->isChecked())
        manualActivate(true);
    event->accept();
}

void OutputWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (!isBistable())
            manual = false;
    } else if (event->button() == Qt::RightButton) {
        showConfigurationDialog(event->position().toPoint());
    }
    event->accept();
}

void OutputWidget::hideEvent(QHideEvent* event)
{
    // A hidden button can no longer be released by its finger or key.
    releaseHeld();
    AbstractOutputWidget::hideEvent(event);
}
