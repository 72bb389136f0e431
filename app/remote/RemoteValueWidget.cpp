#include "RemoteValueWidget.h"

#include "Argument.h"
#include "ArgumentWidget.h"
#include "ArgumentLineEdit.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "QuantityComboBox.h"
#include "UnitComboBox.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QTimer>

#include <cmath>

RemoteValueWidget::RemoteValueWidget(QWidget* parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    auto* layout = new QFormLayout(this);
    layout->setLabelAlignment(Qt::AlignRight);
    layout->setSpacing(2);
    checkBox_enable = new QCheckBox(this);
    argumentWidget = new ArgumentWidget(this, nullptr);
    layout->addRow(tr("Override enable"), checkBox_enable);
    layout->addRow(tr("Override value"), argumentWidget);
    timer = new QTimer(this);
    timer->setInterval(40);
    connect(timer, &QTimer::timeout, this, &RemoteValueWidget::slot_tick);
    connect(checkBox_enable, &QCheckBox::stateChanged, this, &RemoteValueWidget::slot_checkboxChange);
}

void RemoteValueWidget::setQuantity(Quantity quantity)
{
    argumentWidget->setLockedQuantity(quantity);
}

void RemoteValueWidget::connectToSettings()
{
    checkBox_enable->setObjectName(objectName() + QStringLiteral("-enable"));
    argumentWidget->setObjectName(objectName() + QStringLiteral("-argument"));
    theSettings.connectArgumentWidget(argumentWidget);
    theSettings.connectCheckBox(checkBox_enable);
}

void RemoteValueWidget::slot_tick()
{
    const double value = argumentWidget->argument->getValue();
    if (std::isfinite(value))
        emit signal_updateSignal(value);
}

void RemoteValueWidget::slot_checkboxChange(int state)
{
    if (state != 0)
        timer->start();
    else
        timer->stop();
}
