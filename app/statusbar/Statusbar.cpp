#include "Statusbar.h"

#include "AlarmWidget.h"
#include "CanStatusWidget.h"
#include "ClockWidget.h"
#include "DesktopHooks.h"
#include "HwInfo.h"
#include "McuThread.h"
#include "MemoryWidget.h"
#include "MyMenu.h"
#include "OutputStatusWidget.h"
#include "ProgressWidget.h"
#include "SelfTest.h"
#include "SystemLoadWidget.h"
#include "lib/Tools.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

extern bool g_devModeEnabled;

Statusbar::Statusbar(QWidget* parent)
    : QWidget(parent)
{
    spiTimer = new QTimer(this);
    selfTest = new SelfTest(this);

    layout = new QHBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);

    outputStatusWidget = new OutputStatusWidget(this);
    layout->addWidget(outputStatusWidget);

    if (g_devModeEnabled) {
        label_spi = new QLabel(tr("Status"), this);
        label_spi->setTextFormat(Qt::PlainText);
        label_spi->setFrameShape(QFrame::Box);
        label_spi->setAlignment(Qt::AlignCenter);
        label_spi->setToolTip(tr("SPI communication status"));
        layout->addWidget(label_spi);
        connect(spiTimer, &QTimer::timeout, this, &Statusbar::slot_updateMCUFPS);
        spiTimer->start(1000);
    }

    label_ambient = new QLabel(this);
    label_ambient->setObjectName(QStringLiteral("label_ambient"));
    label_ambient->setTextFormat(Qt::PlainText);
    label_ambient->setFrameShape(QFrame::Box);
    label_ambient->setAlignment(Qt::AlignCenter);
    label_ambient->setToolTip(tr("Ambient conditions sensor status"));
    label_ambient->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(label_ambient, 1);

    auto* obdFrame = new QFrame(this);
    obdFrame->setFrameShape(QFrame::Box);
    auto* obdLayout = new QVBoxLayout(obdFrame);
    obdLayout->setContentsMargins(0, 0, 0, 0);
    pushButton_obd = new QPushButton(obdFrame);
    pushButton_obd->setCheckable(true);
    pushButton_obd->setContextMenuPolicy(Qt::CustomContextMenu);
    pushButton_obd->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    connect(pushButton_obd, &QWidget::customContextMenuRequested, this, &Statusbar::slot_obdCustomContextMenu);
    obdLayout->addWidget(pushButton_obd);
    layout->addWidget(obdFrame);

    systemLoadWidget = new SystemLoadWidget(this);
    layout->addWidget(systemLoadWidget);

    memoryWidget = new MemoryWidget(this);
    memoryWidget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    layout->addWidget(memoryWidget);

    alarmWidget = new AlarmWidget(this);
    layout->addWidget(alarmWidget);
    // The RUN desktops' full-screen alarm follows this field (option "Full
    // screen alarms"); once the field is gone they see no alarm.
    const QPointer<AlarmWidget> alarm = alarmWidget;
    DesktopHooks::instance()->alarmActive = [alarm] { return alarm && alarm->isAlarmActive(); };
    DesktopHooks::instance()->alarmText = [alarm] { return alarm ? alarm->toolTip() : QString(); };

    clockWidget = new ClockWidget(this);
    layout->addWidget(clockWidget);

    progressWidget = new ProgressWidget(this);
    layout->addWidget(progressWidget);

    checkBox_testMode = new QCheckBox(this);
    checkBox_testMode->setMaximumWidth(20);
    checkBox_testMode->hide();
    layout->addWidget(checkBox_testMode);
    // The main window checks the box in test mode; the box runs the self test.
    connect(checkBox_testMode, &QCheckBox::stateChanged, selfTest, &SelfTest::slot_enable);
}

void Statusbar::init()
{
    for (int bus = 0; bus < theHwInfo.canBuses; ++bus) {
        auto* widget = new CanStatusWidget(bus, this);
        canStatusWidgets.append(widget);
        layout->addWidget(widget);
    }
    systemLoadWidget->initAfterChannels();
    // The run thread exists by now; a status bar built before it missed it.
    alarmWidget->connectRunThread();
}

void Statusbar::slot_updateMCUFPS()
{
    if (!label_spi)
        return;
    const float rate = theMCUThread ? theMCUThread->spiLoad.load() : 0.0f;
    label_spi->setText(QStringLiteral("SPI %1").arg(double(rate), 0, 'f', 0));
}

void Statusbar::slot_setOBDLabelText(const QString& text)
{
    pushButton_obd->setText(text);
}

void Statusbar::slot_setOBDLabelColor(const QColor& color)
{
    if (color.isValid())
        Tools::setButtonBackgroundColorWithPalette(pushButton_obd, color);
    else
        pushButton_obd->setPalette(QPalette());
}

void Statusbar::slot_obdCustomContextMenu(const QPoint& pos)
{
    if (!obdInterfaceCombo)
        return;
    MyMenu* menu = MyMenu::generateMenuFromComboBox(tr("OBD interface type"), obdInterfaceCombo);
    menu->exec(pushButton_obd->mapToGlobal(pos));
    menu->deleteLater();
}
