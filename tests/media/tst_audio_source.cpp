// How an audio input finds its PulseAudio source in "pactl list sources".
#include "AudioSource.h"

#include <QTest>

class TestAudioSource : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sourceNames_data();
    void sourceNames();
};

void TestAudioSource::sourceNames_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("input");
    QTest::addColumn<QString>("name");
    const QString two = QStringLiteral("Source #0\n\tName: alsa_output.pci.monitor\n\tState: IDLE\n"
                                       "Source #1\n\tName: alsa_input.usb-mic\n\tState: RUNNING\n"
                                       "Source #2\n\tName: alsa_input.test1\n\tDriver: module-pipe-source.c\n");
    QTest::newRow("first ALSA input") << two << 0 << QStringLiteral("alsa_input.usb-mic");
    QTest::newRow("second ALSA input") << two << 1 << QStringLiteral("alsa_input.test1");
    QTest::newRow("only one for input 1") << QStringLiteral("\tName: alsa_input.a\n") << 1 << QString();
    QTest::newRow("no line end after the name") << QStringLiteral("\tName: alsa_input.a") << 0 << QString();
    QTest::newRow("pactl gave nothing") << QString() << 0 << QString();
}

void TestAudioSource::sourceNames()
{
    QFETCH(QString, list);
    QFETCH(int, input);
    QFETCH(QString, name);
    QCOMPARE(AudioSource::sourceNameFromList(list, input), name);
}

QTEST_GUILESS_MAIN(TestAudioSource)
#include "tst_audio_source.moc"
