// The IP camera against GStreamer's RTSP server on loopback: pictures with
// rising time stamps, the RUN camera widget and its saved picture, a camera
// that only offers MJPEG, one that stops sending, one that never answers,
// and the idle stop.

#include "CameraThread.h"
#include "LogCapture.h"
#include "MdiManager.h"
#include "RMdiCamera.h"
#include "RecordingAnswerer.h"
#include "RunMdi.h"
#include "lib/DialogAnswerer.h"

#include <QDateTime>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestCamera : public QObject
{
    Q_OBJECT
    QProcess server;
    int rtspPort = 0;
    int relayPort = 0;
    RecordingAnswerer answerer;
    std::unique_ptr<CameraThread> camera;

    void startCamera(const QString& path)
    {
        camera = std::make_unique<CameraThread>();
        camera->init();
        camera->streamAddress = QStringLiteral("rtsp://127.0.0.1:%1/%2").arg(path.startsWith(QLatin1String("relay"))
                                                                                 ? relayPort
                                                                                 : rtspPort)
                                    .arg(path.section(QLatin1Char(':'), -1));
        RMdiCamera::setCameraSource(camera.get());
    }
    // Asks like a reader every 40 ms until a picture newer than `after` is there.
    qint64 waitForPicture(qint64 after, int limitMs = 15000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < limitMs) {
            const qint64 t = camera->getImageTimestampAndRecreatePixmap();
            if (t > after)
                return t;
            QTest::qWait(40);
        }
        return -1;
    }

    bool hasPicture()
    {
        const bool has = !camera->getPixmapAndLockMutex().isNull();
        camera->unlockPixmapMutex();
        return has;
    }

private Q_SLOTS:
    void initTestCase()
    {
        RunMdi::registerRunDesktop();
        RunMdi::setTimerStarter([](RunMdi*, int) {});
        DialogAnswerer::install(&answerer);
        server.setProgram(QStringLiteral("/usr/bin/python3"));
        server.setArguments({qEnvironmentVariable("ZEMBO_SOURCE_DIR") + QStringLiteral("/tests/media/rtsp_camera.py")});
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start();
        QVERIFY2(server.waitForStarted(), "the RTSP server (python3-gi, gir1.2-gst-rtsp-server-1.0) did not start");
        QVERIFY2(server.waitForReadyRead(20000), "the RTSP server did not report its ports");
        const QStringList words = QString::fromLatin1(server.readLine()).split(QLatin1Char(' '));
        QCOMPARE(words.size(), 4);
        rtspPort = words.at(1).toInt();
        relayPort = words.at(3).trimmed().toInt();
        QVERIFY(rtspPort > 0 && relayPort > 0);
    }
    void cleanupTestCase()
    {
        RMdiCamera::setCameraSource(nullptr);
        camera.reset();
        server.write("quit\n");
        if (!server.waitForFinished(5000))
            server.kill();
    }
    void cleanup()
    {
        RMdiCamera::setCameraSource(nullptr);
        camera.reset();
    }

    void emptyAddressNeverStarts()
    {
        camera = std::make_unique<CameraThread>();
        camera->init();
        QCOMPARE(camera->getImageTimestampAndRecreatePixmap(), qint64(-1));
        QCOMPARE(camera->getImageTimestampAndRecreatePixmap(), qint64(-1));
        QVERIFY(!camera->isRunning());
        QVERIFY(camera->getPixmapAndLockMutex().isNull());
        camera->unlockPixmapMutex();
    }

    void h264PicturesAndTheWidget()
    {
        startCamera(QStringLiteral("h264"));
        const qint64 first = waitForPicture(0);
        QVERIFY2(first > 0, "no picture from the H.264 stream");
        const qint64 second = waitForPicture(first);
        QVERIFY(second > first);
        QCOMPARE(camera->streamSize(), QSize(320, 240));
        {
            const QPixmap& picture = camera->getPixmapAndLockMutex();
            QCOMPARE(picture.size(), QSize(320, 240));
            camera->unlockPixmapMutex();
        }
        // A second reader right after gets the same time stamp without a conversion.
        const qint64 again = camera->getImageTimestampAndRecreatePixmap();
        QVERIFY(again >= second);

        MdiManager manager(nullptr, MdiType_run);
        manager.resize(800, 600);
        manager.show();
        auto* mdi = static_cast<RunMdi*>(manager.newMdi(QStringLiteral("camera"), QString(), false));
        QVERIFY(QTest::qWaitForWindowExposed(&manager));
        auto* widget = qobject_cast<RMdiCamera*>(mdi->addWidget(11, QRect(0, 0, 200, 200), false));
        QVERIFY(widget);
        QTRY_VERIFY(widget->label->width() > 100);
        widget->refreshTick(0);
        QVERIFY(!widget->label->pixmap().isNull());
        // Kept aspect ratio inside the label.
        QCOMPARE(widget->label->pixmap().width(), widget->label->width());
        QVERIFY(widget->label->pixmap().height() < widget->label->height());
        // The same frame is scaled once; a resize rescales it without a new frame.
        QImage still(64, 48, QImage::Format_RGB32);
        still.fill(Qt::green);
        camera->setTestFrame(still, QDateTime::currentMSecsSinceEpoch() + 100000);
        widget->refreshTick(0);
        const int scaled = widget->scaleCount;
        widget->refreshTick(0);
        widget->refreshTick(0);
        QCOMPARE(widget->scaleCount, scaled);
        widget->resize(300, 250);
        QTRY_VERIFY(widget->label->width() > 250);
        widget->refreshTick(0);
        QCOMPARE(widget->scaleCount, scaled + 1);
        camera->setTestFrame(QImage(), 0);
        QTRY_VERIFY(camera->getImageTimestampAndRecreatePixmap() > 0 && hasPicture());

        // "Save image": the camera's resolution, not the widget's.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("frame.png"));
        answerer.files = {file};
        answerer.result = QDialog::Accepted;
        widget->saveImage();
        QCOMPARE(QImage(file).size(), QSize(320, 240));

        // Scaling mode through the desktop file and back.
        widget->scalingMode->setCurrentIndex(1);
        QCOMPARE(widget->transformationMode(), Qt::SmoothTransformation);
        QDomDocument doc;
        QDomElement setup = doc.createElement(QStringLiteral("setup"));
        widget->writeToDomElement(&setup);
        QCOMPARE(setup.attribute(QStringLiteral("transformationMode")), QStringLiteral("1"));
        auto* copy = qobject_cast<RMdiCamera*>(mdi->addWidget(11, QRect(300, 0, 100, 100), false));
        copy->parseDomElement(&setup);
        QCOMPARE(copy->transformationMode(), Qt::SmoothTransformation);
        setup.setAttribute(QStringLiteral("transformationMode"), QStringLiteral("x"));
        copy->parseDomElement(&setup);
        QCOMPARE(copy->transformationMode(), Qt::FastTransformation);
    }

    void saveWithoutStreamReportsIt()
    {
        camera = std::make_unique<CameraThread>();
        camera->init();
        RMdiCamera::setCameraSource(camera.get());
        MdiManager manager(nullptr, MdiType_run);
        auto* mdi = static_cast<RunMdi*>(manager.newMdi(QStringLiteral("camera"), QString(), false));
        auto* widget = qobject_cast<RMdiCamera*>(mdi->addWidget(11, QRect(0, 0, 200, 200), false));
        widget->refreshTick(0);
        QVERIFY(widget->label->pixmap().isNull());
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("none.jpg"));
        answerer.files = {file};
        answerer.result = QDialog::Accepted;
        answerer.shown.clear();
        widget->saveImage();
        QVERIFY(!QFile::exists(file));
        QVERIFY(!answerer.shown.isEmpty());
        QCOMPARE(answerer.shown.last().text, QStringLiteral("Camera stream not available"));
    }

    void mjpegOnlyIsRefusedAndRetried()
    {
        LogCapture log;
        startCamera(QStringLiteral("mjpeg"));
        QElapsedTimer timer;
        timer.start();
        while (log.count(QStringLiteral("No suitable video stream detected.")) < 2 && timer.elapsed() < 20000) {
            QCOMPARE(camera->getImageTimestampAndRecreatePixmap(), qint64(-1));
            QTest::qWait(50);
        }
        QVERIFY2(log.count(QStringLiteral("No suitable video stream detected.")) >= 2, qPrintable(log.messages().join('\n')));
        QVERIFY(log.count(QStringLiteral("The current video encoding format is temporarily not supported")) >= 2);
        QVERIFY(log.count(QStringLiteral("Number of streams in video: 1")) >= 2);
    }

    void frozenCameraReconnectsKeepingThePicture()
    {
        LogCapture log;
        startCamera(QStringLiteral("relay:h264"));
        const qint64 before = waitForPicture(0);
        QVERIFY(before > 0);
        server.write("freeze\n");
        QByteArray answer;
        QTRY_VERIFY((answer += server.readAll()).contains("frozen"));
        QElapsedTimer timer;
        timer.start();
        while (log.count(QStringLiteral("Can't read camera frame. Trying to reconnect.")) == 0 && timer.elapsed() < 15000) {
            camera->getImageTimestampAndRecreatePixmap();
            // The last picture stays while the stream hangs.
            QVERIFY(!camera->getPixmapAndLockMutex().isNull());
            camera->unlockPixmapMutex();
            QTest::qWait(100);
        }
        QVERIFY(log.count(QStringLiteral("Can't read camera frame. Trying to reconnect.")) == 1);
        QVERIFY(log.count(QStringLiteral("timeout")) >= 1);
        // A read is given its 5 s before it is aborted.
        QVERIFY2(timer.elapsed() >= 4000, qPrintable(QString::number(timer.elapsed())));
        // The new connection brings new pictures.
        QVERIFY(waitForPicture(before) > before);
    }

    void idleCameraStopsAndEmptiesThePicture()
    {
        startCamera(QStringLiteral("h264"));
        camera->idleLimitMs = 300;
        QVERIFY(waitForPicture(0) > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!camera->isRunning(), 10000);
        QVERIFY(camera->getPixmapAndLockMutex().isNull());
        camera->unlockPixmapMutex();
        // The next request decodes again.
        const qint64 old = camera->getImageTimestampAndRecreatePixmap();
        QVERIFY(camera->isRunning() || camera->isFinished());
        camera->idleLimitMs = 60000;
        QVERIFY(waitForPicture(old) > old);
    }

    void addressThatNeverAnswers()
    {
        // Accepts and then says nothing.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QList<QTcpSocket*> held;
        connect(&silent, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket* s = silent.nextPendingConnection())
                held.append(s);
        });
        LogCapture log;
        camera = std::make_unique<CameraThread>();
        camera->init();
        camera->streamAddress = QStringLiteral("rtsp://127.0.0.1:%1/none").arg(silent.serverPort());
        camera->openLimitMs = 800;
        camera->getImageTimestampAndRecreatePixmap();
        QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("Unable to open camera web address:")) >= 1, 10000);
        camera->requestInterruption();
        QVERIFY(camera->wait(5000));

        // With the long limit, an owner that wants the thread to end is not held up.
        camera->openLimitMs = 10000;
        camera->getImageTimestampAndRecreatePixmap();
        QTRY_VERIFY(!held.isEmpty());
        QElapsedTimer timer;
        timer.start();
        camera->requestInterruption();
        QVERIFY(camera->wait(5000));
        QVERIFY(timer.elapsed() < 5000);
        qDeleteAll(held);
    }
};

QTEST_MAIN(TestCamera)
#include "tst_camera.moc"
