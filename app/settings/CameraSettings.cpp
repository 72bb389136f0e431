#include "CameraSettings.h"

#include <QCheckBox>
#include <QDebug>

CameraSettings::CameraSettings(QWidget* parent)
    : QWidget(parent)
{
}

void CameraSettings::startRecording(const QString& runName)
{
    if (!recordRunVideo || !recordRunVideo->isChecked())
        return;
    recording = true;
    qDebug() << "Camera recording (not available in this version) for run" << runName;
}

void CameraSettings::stopRecording()
{
    if (!recording)
        return;
    recording = false;
    qDebug() << "Camera recording stopped";
}
