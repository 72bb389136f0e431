#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;

// STAND-IN until camera and desktop recording are built: the SETTINGS page
// "Camera". It records nothing yet, but keeps the recording state the RUN
// panel's run bracket sets, so a start that fails can be seen to stop it.
class CameraSettings : public QWidget
{
    Q_OBJECT
public:
    explicit CameraSettings(QWidget* parent = nullptr);

    // Records only when "Record camera with run" of the RUN panel is checked.
    void startRecording(const QString& runName);
    void stopRecording();

    // The RUN panel's check box "Record camera with run".
    QCheckBox* recordRunVideo = nullptr;
    bool recording = false;
};
