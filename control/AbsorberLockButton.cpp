#include "AbsorberLockButton.h"

#include "Argument.h"
#include "ArgumentWidget.h"
#include "ChannelId.h"
#include "Channels.h"
#include "McuThread.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "ArgumentLineEdit.h"
#include "QuantityComboBox.h"
#include "UnitComboBox.h"
#include "RunChannel.h"
#include "RunWidgetSetupRows.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <cmath>
#include <limits>

namespace {

std::function<void(bool)>& lockSender()
{
    static std::function<void(bool)> sender;
    return sender;
}

} // namespace

void AbsorberLockButton::setLockSender(std::function<void(bool)> sender)
{
    lockSender() = std::move(sender);
}

AbsorberLockButton::AbsorberLockButton(QWidget* parent)
    : QPushButton(parent)
    , lastArgumentValue(std::numeric_limits<double>::quiet_NaN())
{
    setText(tr("ABSORBER LOCK"));
    setCheckable(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setToolTip(tr("This button applies locking power to the dyno absorber.\n"
                  "It can be used for emergency braking or to lock the rollers.\n"
                  "The power is applied only when a speed signal is present to avoid eddy brake overheating."));

    dialog = new QDialog(this);
    dialog->setWindowTitle(tr("Absorber lock configuration"));
    dialog->setMinimumWidth(600);
    auto* form = new QFormLayout(dialog);
    form->setLabelAlignment(Qt::AlignRight);
    remoteControlArgument = new Argument(this);
    argumentWidget = new ArgumentWidget(dialog, remoteControlArgument);
    argumentWidget->setObjectName(QStringLiteral("absorberLock_remoteControlArgument"));
    form->addRow(tr("Remote control argument"), argumentWidget);

    label_setup = new QLabel(tr("Absorber lock"), this);
    label_setup->hide();
    checkBox_visible = new QCheckBox(this);
    checkBox_visible->hide();
    checkBox_visible->setChecked(true);
    checkBox_protected = new QCheckBox(this);
    checkBox_protected->hide();

    followTimer = new QTimer(this);
    followTimer->setInterval(followIntervalMs);
    connect(followTimer, &QTimer::timeout, this, &AbsorberLockButton::slot_tick);
    connect(checkBox_visible, &QCheckBox::stateChanged, this,
            [this](int state) { setVisible(state != Qt::Unchecked); });
    connect(this, &QPushButton::toggled, this, &AbsorberLockButton::slot_toggled);
    connect(this, &QWidget::customContextMenuRequested, this, &AbsorberLockButton::slot_showConfigurationDialog);
}

void AbsorberLockButton::init()
{
    // The boxes live in the SETTINGS grid once registered; until then they
    // are hidden children here.
    RunWidgetSetupRows::add(label_setup, checkBox_visible, checkBox_protected, QStringLiteral("absorberLock_"));
    theSettings.connectArgumentWidget(argumentWidget);
    argumentWidget->typeCombo->setCurrentIndex(ArgumentType_channel);
    argumentWidget->typeCombo->hide();
    argumentWidget->setLockedQuantity(Quantity::Logic);
    argumentWidget->slot_validateAndUpdateArgument();
    followTimer->start();
}

void AbsorberLockButton::sendLock(bool on)
{
    lastSent = on;
    if (lockSender())
        lockSender()(on);
    else if (theMCUThread)
        theMCUThread->setAbsorberLock(on);
}

void AbsorberLockButton::slot_toggled(bool checked)
{
    if (!checked) {
        sendLock(false);
        setAutoFillBackground(false);
        setPalette(QPalette());
        return;
    }
    const RunChannel* speed = theChannels.getChannel(ChannelId_dynoSpeed, 0);
    const double v = speed ? speed->getValue() : std::numeric_limits<double>::quiet_NaN();
    if (v > 0.0 && !argumentOrigin) {
        QMessageBox box(QMessageBox::Question, tr("ABSORBER LOCK"), tr("Activate absorber lock?"),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::Yes);
        const int answer = DialogAnswerer::exec(&box);
        // The follower may have released the button while the question was
        // open; that release has already told the controller.
        if (!isChecked())
            return;
        if (answer != QMessageBox::Yes) {
            setChecked(false); // releases through this handler
            return;
        }
    }
    sendLock(true);
    Tools::setButtonBackgroundColorWithPalette(this, QColor(255, 77, 77));
}

void AbsorberLockButton::slot_tick()
{
    const double v = remoteControlArgument->getValue();
    const double p = lastArgumentValue;
    lastArgumentValue = v;
    if (std::isnan(v))
        return;
    if (v == 0.0) {
        if ((p != 0.0 || std::isnan(p)) && isChecked())
            toggle();
    } else if (p == 0.0 || std::isnan(p)) {
        if (!isChecked()) {
            argumentOrigin = true;
            toggle();
            argumentOrigin = false;
        }
    }
}

void AbsorberLockButton::slot_showConfigurationDialog(const QPoint& pos)
{
    if (checkBox_protected && checkBox_protected->isChecked()) {
        Tools::showInfo(tr("Configuration protected"));
        return;
    }
    dialog->move(mapToGlobal(pos));
    DialogAnswerer::exec(dialog);
    argumentWidget->slot_validateAndUpdateArgument();
}
