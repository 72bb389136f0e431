// The alarm sound really played: a private PulseAudio daemon with a null sink
// in the test's runtime folder, the alarm player as the alarm field uses it,
// and the sink's monitor recorded with parec must carry the sound.
#include "AlarmSoundPlayer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSoundEffect>
#include <QTest>

#include <cstdlib>
#include <algorithm>
#include <cstdint>

class TestAlarmSound : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void soundReachesTheSink();

private:
    QProcess daemon;
    QString server;
};

void TestAlarmSound::initTestCase()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QVERIFY2(!runtime.isEmpty() && QDir(runtime).exists(), "the test runner makes a runtime folder");
    server = QStringLiteral("unix:") + runtime + QStringLiteral("/pulse/native");
    daemon.setProcessChannelMode(QProcess::MergedChannels);
    daemon.start(QStringLiteral("pulseaudio"),
                 {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                  QStringLiteral("--use-pid-file=no"), QStringLiteral("-F"), QStringLiteral("/dev/null"),
                  QStringLiteral("--load=module-null-sink sink_name=zembo_null"),
                  QStringLiteral("--load=module-native-protocol-unix")});
    QVERIFY2(daemon.waitForStarted(10000), "pulseaudio cannot be started (package pulseaudio)");
    QElapsedTimer waiting;
    waiting.start();
    bool up = false;
    while (!up && waiting.elapsed() < 20000) {
        QProcess info;
        info.start(QStringLiteral("pactl"), {QStringLiteral("--server=") + server, QStringLiteral("info")});
        up = info.waitForFinished(5000) && info.exitCode() == 0;
        if (!up)
            QTest::qWait(100);
    }
    QVERIFY2(up, qPrintable(QStringLiteral("pulseaudio did not come up: ") + QString::fromLocal8Bit(daemon.readAll())));
    qputenv("PULSE_SERVER", server.toUtf8());
    qputenv("PULSE_SINK", "zembo_null");
}

void TestAlarmSound::cleanupTestCase()
{
    if (daemon.state() != QProcess::NotRunning) {
        daemon.terminate();
        if (!daemon.waitForFinished(5000))
            daemon.kill();
    }
}

void TestAlarmSound::soundReachesTheSink()
{
    QProcess recorder;
    recorder.start(QStringLiteral("parec"),
                   {QStringLiteral("--server=") + server, QStringLiteral("-d"), QStringLiteral("zembo_null.monitor"),
                    QStringLiteral("--raw"), QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                    QStringLiteral("--rate=22050"),
                    // Small fragments: with the server's default of about two
                    // seconds the samples still buffered are lost when parec
                    // is terminated, and the recording would end before the sound.
                    QStringLiteral("--latency-msec=50")});
    QVERIFY2(recorder.waitForStarted(5000), "parec cannot be started (package pulseaudio-utils)");
    QTest::qWait(300);

    AlarmSoundPlayer player;
    // As the blinking field does: restarted every 500 ms.
    for (int i = 0; i < 6; ++i) {
        player.play();
        QTest::qWait(500);
    }
    QVERIFY(player.effect());
    QCOMPARE(player.effect()->status(), QSoundEffect::Ready);
    recorder.terminate();
    QVERIFY(recorder.waitForFinished(5000));
    const QByteArray pcm = recorder.readAllStandardOutput();
    int peak = 0;
    for (qsizetype i = 0; i + 1 < pcm.size(); i += 2) {
        const int16_t sample = int16_t(uint8_t(pcm.at(i)) | (uint8_t(pcm.at(i + 1)) << 8));
        peak = std::max(peak, std::abs(int(sample)));
    }
    qInfo("recorded %lld bytes, peak %d", static_cast<long long>(pcm.size()), peak);
    QVERIFY2(pcm.size() > 22050, "the monitor delivered under half a second");
    QVERIFY2(peak > 3000, qPrintable(QStringLiteral("the sink stayed silent: peak %1").arg(peak)));
}

QTEST_MAIN(TestAlarmSound)
#include "tst_alarm_sound.moc"
