#include "TriggerWidget.h"

#include "Argument.h"
#include "ArgumentLineEdit.h"
#include "ArgumentWidget.h"
#include "Colors.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "QuantityComboBox.h"
#include "ShortcutWidget.h"
#include "Trigger.h"
#include "UnitComboBox.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>

namespace {

Trigger* triggerOrOwn(Trigger* trigger)
{
    return trigger ? trigger : new Trigger;
}

} // namespace

TriggerWidget::TriggerWidget(QWidget* parent, Trigger* edited)
    : QFrame(parent)
    , trigger(triggerOrOwn(edited))
    , setup(trigger->setup)
    , ownsTrigger(edited == nullptr)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    connect(trigger, &Trigger::signal_shoot, this, &TriggerWidget::slot_indicateActivation);
    flashTimer = new QTimer(this);
    flashTimer->setSingleShot(true);
    connect(flashTimer, &QTimer::timeout, this, &TriggerWidget::slot_indicateActivationTimeout);

    layout = new QFormLayout(this);
    layout->setLabelAlignment(Qt::AlignRight);
    layout->setSpacing(2);

    modeCombo = new QComboBox(this);
    modeCombo->addItems({tr("Single"), tr("Repeat")});
    modeCombo->setToolTip(tr("single - send message once\nrepeat - resend message every interval"));
    modeCombo->setCurrentIndex(setup.mode == 0 ? 0 : 1);
    connect(modeCombo, &QComboBox::currentIndexChanged, this, &TriggerWidget::slot_triggerModeChanged);
    layout->addRow(tr("Mode"), modeCombo);

    intervalSpinBox = new QSpinBox(this);
    intervalSpinBox->setRange(10, 10000);
    intervalSpinBox->setSingleStep(10);
    intervalSpinBox->setSuffix(QStringLiteral("ms"));
    intervalSpinBox->setValue(int(setup.interval));
    intervalSpinBox->setToolTip(
        tr("Repeat interval for input channel and checkbox.\nInterval for shortcut is system defined."));
    connect(intervalSpinBox, &QSpinBox::valueChanged, this, &TriggerWidget::slot_intervalChanged);
    layout->addRow(tr("Interval"), intervalSpinBox);

    shortcutWidget = new ShortcutWidget(this);
    shortcutWidget->setKeySequence(trigger->getShortcut() ? trigger->getShortcut()->key() : setup.shortcut);
    connect(shortcutWidget, &ShortcutWidget::signal_sequenceChanged, this, &TriggerWidget::slot_keySequenceChanged);
    layout->addRow(tr("Shortcut"), shortcutWidget);

    argumentWidget = new ArgumentWidget(this, setup.argument);
    argumentWidget->setToolTip(tr("Channel that activates sending of the message"));
    connect(setup.argument, &Argument::signal_updateWidget, this, &TriggerWidget::signal_setupChanged);
    layout->addRow(tr("Channel"), argumentWidget);

    activationCheckBox = new QCheckBox(this);
    activationCheckBox->setChecked(setup.active);
    activationCheckBox->setToolTip(
        tr("Manual activation - check to always send the message without any extra conditions"));
    connect(activationCheckBox, &QCheckBox::toggled, this, &TriggerWidget::slot_manualActivationChanged);
    layout->addRow(tr("Activate"), activationCheckBox);

    // Showing the current mode stores and announces nothing.
    layout->setRowVisible(intervalSpinBox, setup.mode != 0);
    setUpArgumentWidget();
}

TriggerWidget::~TriggerWidget()
{
    if (ownsTrigger) {
        trigger->neutralizeShortcut();
        delete trigger;
    }
}

void TriggerWidget::setUpArgumentWidget()
{
    argumentWidget->typeCombo->setCurrentIndex(ArgumentType_channel);
    argumentWidget->typeCombo->hide();
    argumentWidget->setLockedQuantity(Quantity::Logic);
}

void TriggerWidget::connectToSettings()
{
    const QString name = objectName();
    modeCombo->setObjectName(name + QStringLiteral("-mode"));
    intervalSpinBox->setObjectName(name + QStringLiteral("-interval"));
    shortcutWidget->setObjectName(name + QStringLiteral("-shortcut"));
    argumentWidget->setObjectName(name + QStringLiteral("-argument"));
    activationCheckBox->setObjectName(name + QStringLiteral("-active"));
    theSettings.connectComboBox(modeCombo);
    theSettings.connectSpinBox(intervalSpinBox);
    theSettings.connectShortcutWidget(shortcutWidget);
    theSettings.connectArgumentWidget(argumentWidget);
    setUpArgumentWidget();
    theSettings.connectCheckBox(activationCheckBox);
}

void TriggerWidget::slot_triggerModeChanged(int mode)
{
    trigger->setMode(mode);
    const bool repeat = mode != 0;
    if (!repeat)
        activationCheckBox->setChecked(false);
    layout->setRowVisible(intervalSpinBox, repeat);
    emit signal_setupChanged();
}

void TriggerWidget::slot_intervalChanged(int interval)
{
    if (interval % 10 != 0)
        intervalSpinBox->setValue(interval - interval % 10);
    else
        trigger->setInterval(interval);
    emit signal_setupChanged();
}

void TriggerWidget::slot_keySequenceChanged(const QKeySequence& sequence)
{
    trigger->setKeySequence(sequence);
    emit signal_setupChanged();
}

void TriggerWidget::slot_manualActivationChanged(bool checked)
{
    if (setup.mode == 0) {
        if (checked) {
            // A push button in single mode: one shot, then the box clears itself.
            emit trigger->signal_shoot();
            QTimer::singleShot(1, Qt::PreciseTimer, activationCheckBox,
                               [this] { activationCheckBox->setChecked(false); });
            return;
        }
    }
    trigger->setActive(checked);
    emit signal_setupChanged();
}

void TriggerWidget::slot_indicateActivation()
{
    Tools::setBackgroundColorWithPalette(this, theColors.colorActive);
    flashTimer->start(50);
}

void TriggerWidget::slot_indicateActivationTimeout()
{
    setAutoFillBackground(false);
    setPalette(QPalette());
}
