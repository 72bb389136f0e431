#include "BrakeController.h"

#include "BrakeControllerThread.h"

#include <QComboBox>
#include <QFormLayout>

BrakeController::BrakeController(QWidget* parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    auto* form = new QFormLayout(this);
    form->setContentsMargins(1, 1, 1, 1);
    form->setLabelAlignment(Qt::AlignRight);
    comboBox_mode = new QComboBox(this);
    comboBox_mode->setObjectName(QStringLiteral("brakeController_mode"));
    comboBox_mode->addItems({tr("Absorber OFF"), tr("Torque control"), tr("Torque c. joined"), tr("Speed control"),
                             tr("Accel. control")});
    comboBox_channel = new QComboBox(this);
    comboBox_channel->setObjectName(QStringLiteral("brakeController_channel"));
    comboBox_channel->addItems({tr("Dyno road speed"), tr("Eng. rot. speed")});
    comboBox_channel->setCurrentIndex(1);
    form->addRow(tr("Mode"), comboBox_mode);
    form->addRow(tr("Variable"), comboBox_channel);
}

void BrakeController::init()
{
    if (theBrakeControllerThread)
        theBrakeControllerThread->slot_start();
}

void BrakeController::startRun()
{
}

void BrakeController::stopRun()
{
}

unsigned BrakeController::getRunType() const
{
    switch (comboBox_mode->currentIndex()) {
    case 0: return 1;
    case 1:
    case 2: return 2;
    case 3: return 3;
    case 4: return 5;
    default: return 0;
    }
}

void BrakeController::setChannel(int channel)
{
    comboBox_channel->setCurrentIndex(channel);
}

void BrakeController::updateWidgetVisibility()
{
}

void BrakeController::slot_remote_changeBrakeMode(int mode)
{
    if (comboBox_mode->isEnabled())
        comboBox_mode->setCurrentIndex(mode);
}

void BrakeController::slot_remote_setBrakePower(double value)
{
    remoteBrakePower = value;
}

void BrakeController::slot_remote_setRoadSpeed(double value)
{
    remoteRoadSpeed = value;
}

void BrakeController::slot_remote_setEngineSpeed(double value)
{
    remoteEngineSpeed = value;
}

void BrakeController::slot_remote_roughStepUp()
{
}

void BrakeController::slot_remote_roughStepDown()
{
}

void BrakeController::slot_remote_fineStepUp()
{
}

void BrakeController::slot_remote_fineStepDown()
{
}
