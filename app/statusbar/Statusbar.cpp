#include "Statusbar.h"

#include "AlarmWidget.h"
#include "OutputStatusWidget.h"
#include "ProgressWidget.h"
#include "SelfTest.h"
#include "SystemLoadWidget.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Statusbar::Statusbar(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);

    outputStatusWidget = new OutputStatusWidget(this);
    layout->addWidget(outputStatusWidget);

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
    pushButton_obd->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    obdLayout->addWidget(pushButton_obd);
    layout->addWidget(obdFrame);

    systemLoadWidget = new SystemLoadWidget(this);
    layout->addWidget(systemLoadWidget);

    alarmWidget = new AlarmWidget(this);
    layout->addWidget(alarmWidget);

    progressWidget = new ProgressWidget(this);
    layout->addWidget(progressWidget);

    checkBox_testMode = new QCheckBox(this);
    checkBox_testMode->setMaximumWidth(20);
    checkBox_testMode->hide();
    layout->addWidget(checkBox_testMode);

    selfTest = new SelfTest(this);
    connect(checkBox_testMode, &QCheckBox::toggled, selfTest, [this](bool on) { selfTest->slot_enable(on ? 1 : 0); });
}

void Statusbar::init()
{
    systemLoadWidget->initAfterChannels();
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
