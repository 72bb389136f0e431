#pragma once

#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QTabWidget;

// The SETTINGS page "Camera": the IP camera's stream address, the switch that
// turns the camera on for the whole program, and whether the RUN desktop is
// recorded with every run. It also owns the recordings: "ffmpeg" copies the
// camera's stream into "<run>.mp4" and grabs the RUN desktop's screen area
// into "<run>_desktop.mp4", both in the "media" folder.
//
// Stopping a recording never blocks the GUI: "q" asks ffmpeg to finish its
// file, and a program that does not finish in time is terminated and then
// killed from timers. A program that fails is logged with its exit code and
// the end of its output.
class CameraSettings : public QWidget
{
    Q_OBJECT
public:
    explicit CameraSettings(QWidget* parent = nullptr);
    ~CameraSettings() override;

    // The RUN panel's "Record camera with run", shown only with a source.
    void setRecordRunVideoBox(QCheckBox* box);
    // The RUN desktops' tab set whose current page is grabbed (default: the RUN panel's).
    void setDesktopTabs(QTabWidget* tabs) { desktopTabs = tabs; }

    void startRecording(const QString& runName);
    void stopRecording();
    bool isRecording() const { return cameraProcess || desktopProcess; }

    // The arguments of the two recordings (the media folder's file as last one).
    QStringList cameraArguments(const QString& runName) const;
    // Empty when there is no RUN desktop page.
    QStringList desktopArguments(const QString& runName) const;

    // The X display the program runs on ("DISPLAY"; ":0.0" on the board).
    static QString grabDisplay();

    // Waits (ms) of a stop: for "q" to be written, for the program to finish,
    // and after the terminate signal before the kill.
    int writeLimitMs = 3000;
    int finishLimitMs = 30000;
    int killLimitMs = 3000;

    QPointer<QProcess> cameraProcess;
    QPointer<QProcess> desktopProcess;
    QLineEdit* lineEdit_settings_videoStreamSrcPath = nullptr;
    QCheckBox* checkBox_settings_enableVideoStream = nullptr;
    QCheckBox* checkBox_settings_recordDesktop = nullptr;

public Q_SLOTS:
    void slot_videoStreamSrcPathChanged();

Q_SIGNALS:
    // A recording program has ended (after a stop or by itself).
    void signal_recordingEnded(const QString& file, int exitCode);

private:
    QProcess* startFfmpeg(const QStringList& arguments, const QString& file);
    void finishProcess(QProcess* process);

    QPointer<QCheckBox> recordRunVideo;
    QPointer<QTabWidget> desktopTabs;
};
