// The camera page: the RUN panel's box follows the source, the camera stream
// is stopped on a change, and the recordings start ffmpeg with exactly its
// arguments and stop it without blocking (a wrapper first on PATH stands for
// ffmpeg and records what it was given).

#include "CameraSettings.h"
#include "CameraThread.h"
#include "LogCapture.h"
#include "MySettings.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

class TestCameraRecording : public QObject
{
    Q_OBJECT
    QTemporaryDir bin;
    QString argsFile;

    // A stand-in "ffmpeg": writes its arguments one per line, then waits for
    // "q" (or exits at once with `code` when told to fail).
    void writeWrapper(int failCode)
    {
        const QString path = bin.filePath(QStringLiteral("ffmpeg"));
        QFile script(path);
        QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        // One printf, one write: the camera's and the desktop's recorders
        // run at once, and line by line their arguments could interleave.
        QByteArray text = "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + argsFile.toUtf8() + "'\n";
        if (failCode)
            text += "echo 'Connection refused' >&2\nexit " + QByteArray::number(failCode) + "\n";
        else
            text += "while read line; do [ \"$line\" = q ] && exit 0; done\nexit 0\n";
        script.write(text);
        script.close();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QStringList recordedArguments()
    {
        QFile file(argsFile);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private Q_SLOTS:
    void initTestCase()
    {
        argsFile = bin.filePath(QStringLiteral("args.txt"));
        qputenv("PATH", bin.path().toUtf8() + ":" + qgetenv("PATH"));
        qputenv("DISPLAY", ":42");
        theCameraThread = new CameraThread(this);
    }

    void runBoxFollowsTheSource()
    {
        CameraSettings page;
        QCheckBox box;
        page.setRecordRunVideoBox(&box);
        page.checkBox_settings_enableVideoStream->setChecked(true);
        page.lineEdit_settings_videoStreamSrcPath->setText(QString());
        page.slot_videoStreamSrcPathChanged();
        QVERIFY(box.isHidden());
        page.lineEdit_settings_videoStreamSrcPath->setText(QStringLiteral("rtsp://127.0.0.1:1/cam"));
        page.slot_videoStreamSrcPathChanged();
        QVERIFY(!box.isHidden());
        QCOMPARE(theCameraThread->streamAddress, QStringLiteral("rtsp://127.0.0.1:1/cam"));
        // Switched off: hidden, the camera has no address, the typed one stays.
        page.checkBox_settings_enableVideoStream->setChecked(false);
        QVERIFY(box.isHidden());
        QVERIFY(theCameraThread->streamAddress.isEmpty());
        QCOMPARE(page.lineEdit_settings_videoStreamSrcPath->text(), QStringLiteral("rtsp://127.0.0.1:1/cam"));
        QCOMPARE(theSettings.value(QStringLiteral("UserSetting/lineEdit_settings_videoStreamSrcPath")).toString(),
                 QStringLiteral("rtsp://127.0.0.1:1/cam"));
        // Even a checked box records nothing without a source.
        box.setChecked(true);
        page.startRecording(QStringLiteral("2026-01-01_00-00-00"));
        QVERIFY(!page.isRecording());
        page.checkBox_settings_enableVideoStream->setChecked(true);
    }

    void recordingArgumentsAndAsynchronousStop()
    {
        writeWrapper(0);
        QFile::remove(argsFile);
        CameraSettings page;
        QCheckBox box;
        box.setChecked(true);
        page.setRecordRunVideoBox(&box);
        page.lineEdit_settings_videoStreamSrcPath->setText(QStringLiteral("rtsp://127.0.0.1:8554/cam"));
        page.checkBox_settings_enableVideoStream->setChecked(true);
        page.checkBox_settings_recordDesktop->setChecked(true);
        QTabWidget tabs;
        auto* desktop = new QWidget;
        tabs.addTab(desktop, QStringLiteral("RUN"));
        tabs.resize(640, 480);
        tabs.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tabs));
        page.setDesktopTabs(&tabs);

        const QString run = QStringLiteral("2026-12-11_10-00-00");
        QSignalSpy ended(&page, &CameraSettings::signal_recordingEnded);
        page.startRecording(run);
        QVERIFY(page.isRecording());
        QTRY_COMPARE(recordedArguments().size(), 11 + 17);
        const QStringList camera{QStringLiteral("-rtsp_transport"), QStringLiteral("tcp"), QStringLiteral("-i"),
                                 QStringLiteral("rtsp://127.0.0.1:8554/cam"), QStringLiteral("-c:a"),
                                 QStringLiteral("aac"), QStringLiteral("-vcodec"), QStringLiteral("copy"),
                                 QStringLiteral("-metadata"), QStringLiteral("title=''"),
                                 theSettings.mediaDir.filePath(run + QStringLiteral(".mp4"))};
        const QPoint corner = desktop->mapToGlobal(QPoint(0, 0));
        const QStringList screen{QStringLiteral("-video_size"),
                                 QStringLiteral("%1x%2").arg(desktop->width()).arg(desktop->height()),
                                 QStringLiteral("-framerate"), QStringLiteral("25"), QStringLiteral("-f"),
                                 QStringLiteral("x11grab"), QStringLiteral("-i"),
                                 QStringLiteral(":42+%1,%2").arg(corner.x()).arg(corner.y()),
                                 QStringLiteral("-c:v"), QStringLiteral("libx264rgb"), QStringLiteral("-crf"),
                                 QStringLiteral("0"), QStringLiteral("-preset"), QStringLiteral("ultrafast"),
                                 QStringLiteral("-color_range"), QStringLiteral("2"),
                                 theSettings.mediaDir.filePath(run + QStringLiteral("_desktop.mp4"))};
        QCOMPARE(page.cameraArguments(run), camera);
        QCOMPARE(page.desktopArguments(run), screen);
        const QStringList all = recordedArguments();
        QVERIFY(all == camera + screen || all == screen + camera);

        // The stop returns at once; "q" ends both programs.
        QElapsedTimer timer;
        timer.start();
        page.stopRecording();
        QVERIFY(timer.elapsed() < 1000);
        QVERIFY(!page.isRecording());
        QTRY_COMPARE(ended.size(), 2);
        QCOMPARE(ended.at(0).at(1).toInt(), 0);
    }

    void failingProgramIsLoggedWithItsExitCode()
    {
        writeWrapper(3);
        LogCapture log;
        CameraSettings page;
        page.checkBox_settings_recordDesktop->setChecked(true);
        QTabWidget tabs;
        tabs.addTab(new QWidget, QStringLiteral("RUN"));
        page.setDesktopTabs(&tabs);
        QSignalSpy ended(&page, &CameraSettings::signal_recordingEnded);
        page.startRecording(QStringLiteral("2026-12-11_11-00-00"));
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(ended.at(0).at(1).toInt(), 3);
        QCOMPARE(log.count(QStringLiteral("ended with exit code 3")), 1);
        QCOMPARE(log.count(QStringLiteral("Connection refused")), 1);
        QVERIFY(!page.isRecording());
    }
};

QTEST_MAIN(TestCameraRecording)
#include "tst_camera_recording.moc"
