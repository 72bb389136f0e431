// The knock player's sample work (start index, filtered chunk, WAV file read
// back by Python's wave module) and the engine-noise wizard's characteristic.

#include "BiQuad.h"
#include "KnockAudio.h"
#include "KnockEngineNoise.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <vector>

class TestKnockTools : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void binnedLevelsSpreadAndFill()
    {
        // One sample per bin of width 500 at the bin's centre.
        const QList<double> levels{0.0, 0.2, 0.0, 0.0, 0.5, 0.1};
        const QList<double> speeds{250, 750, 1250, 1750, 2250, 2750};
        const QList<QPointF> points = KnockEngineNoise::characteristic(levels, speeds, 500.0, 1.0);
        // 2750 rpm: ceil(5.5) + 1 = 7 points, the last bin empty.
        QCOMPARE(points.size(), 7);
        const QList<double> want{0.2, 0.2, 0.2, 0.5, 0.5, 0.5, 0.1};
        for (int i = 0; i < points.size(); ++i) {
            QCOMPARE(points.at(i).x(), i * 500.0);
            QCOMPARE(points.at(i).y(), want.at(i));
        }
    }
    void pointCountsAndTolerance_data()
    {
        QTest::addColumn<QList<double>>("speeds");
        QTest::addColumn<QList<double>>("levels");
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("firstLevel");
        QTest::newRow("2600 rpm in 500 steps") << QList<double>{2600} << QList<double>{0.5} << 1.0 << 7 << 0.5;
        QTest::newRow("highest 0") << QList<double>{0, 0} << QList<double>{0.3, 0.4} << 1.0 << 1 << 0.4;
        QTest::newRow("negative and NaN speeds") << QList<double>{-100, -600, NAN} << QList<double>{0.3, 0.9, 0.9}
                                                 << 1.0 << 1 << 0.3;
        QTest::newRow("tolerance 1.2") << QList<double>{100} << QList<double>{0.5} << 1.2 << 2 << 0.6;
        QTest::newRow("NaN level never wins") << QList<double>{100, 200} << QList<double>{0.1, NAN} << 1.0 << 2
                                              << 0.1;
    }
    void pointCountsAndTolerance()
    {
        QFETCH(QList<double>, speeds);
        QFETCH(QList<double>, levels);
        QFETCH(double, tolerance);
        QFETCH(int, count);
        QFETCH(double, firstLevel);
        const QList<QPointF> points = KnockEngineNoise::characteristic(levels, speeds, 500.0, tolerance);
        QCOMPARE(points.size(), count);
        QVERIFY(std::abs(points.first().y() - firstLevel) < 1e-12);
        // Unusable bin widths give nothing instead of a huge or undefined table.
        QVERIFY(KnockEngineNoise::characteristic(levels, speeds, 0.0, 1.0).isEmpty());
        QVERIFY(KnockEngineNoise::characteristic(levels, speeds, NAN, 1.0).isEmpty());
        QVERIFY(KnockEngineNoise::characteristic({0.1}, {1e12}, 1e-3, 1.0).isEmpty());
    }

    void startIndexAndSampleClamp()
    {
        QCOMPARE(KnockAudio::startIndex(1000, 3000, 50), 2000);
        QCOMPARE(KnockAudio::startIndex(1000, 3000, 0), 1000);
        QCOMPARE(KnockAudio::startIndex(1000, 1000, 70), 1000);
        QCOMPARE(KnockAudio::sampleAt(1.0, 100000), qsizetype(48000));
        QCOMPARE(KnockAudio::sampleAt(0.5 / 48000.0, 100000), qsizetype(0));
        // A time vector longer than the recording never reads past its end.
        QCOMPARE(KnockAudio::sampleAt(10.0, 1000), qsizetype(1000));
        QCOMPARE(KnockAudio::sampleAt(-1.0, 1000), qsizetype(0));
        QCOMPARE(KnockAudio::sampleAt(NAN, 1000), qsizetype(0));
    }

    void filteredChunkIsLimitedNotWrapped()
    {
        std::vector<int16_t> chunk(4800);
        for (size_t i = 0; i < chunk.size(); ++i)
            chunk[i] = int16_t(30000.0 * std::sin(2.0 * M_PI * 6000.0 * double(i) / 48000.0));
        BiQuad bandpass;
        bandpass.setFrequencyAndQ(48000.0f, 6000.0f, 2.3f);
        KnockAudio::filterChunk(chunk.data(), qsizetype(chunk.size()), bandpass, 50.0f);
        int high = 0;
        int low = 0;
        for (size_t i = 100; i < chunk.size(); ++i) {
            high += chunk[i] == 32767;
            low += chunk[i] == -32767;
            QVERIFY(chunk[i] >= -32767);
        }
        // A loud tone on the band's centre sits at full scale, both ways.
        QVERIFY(high > 1000);
        QVERIFY(low > 1000);
    }

    void wavOf480000SamplesReadByPython()
    {
        std::vector<int16_t> samples(480000);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = int16_t(int((i * 7919ull) % 65536) - 32768);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("run.wav"));
        QVERIFY(KnockAudio::writeWav(path, samples.data(), qsizetype(samples.size())));
        QCOMPARE(QFileInfo(path).size(), qint64(960044));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(44);
        QCOMPARE(qFromLittleEndian<quint32>(header.constData() + 4), quint32(960036));
        QCOMPARE(qFromLittleEndian<quint32>(header.constData() + 40), quint32(960000));

        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import sys, wave, array\n"
                                     "w = wave.open(sys.argv[1])\n"
                                     "assert (w.getnchannels(), w.getsampwidth(), w.getframerate()) == (1, 2, 48000)\n"
                                     "a = array.array('h', w.readframes(w.getnframes()))\n"
                                     "assert all(a[i] == (i * 7919) % 65536 - 32768 for i in range(len(a))), 'samples'\n"
                                     "print(len(a))\n"),
                      path});
        QVERIFY(python.waitForFinished(30000));
        QCOMPARE(python.exitCode(), 0);
        QCOMPARE(python.readAllStandardOutput().trimmed(), QByteArray("480000"));

        QVERIFY(!KnockAudio::writeWav(dir.filePath(QStringLiteral("missing/run.wav")), samples.data(), 10));
    }
};

QTEST_MAIN(TestKnockTools)
#include "tst_knock_tools.moc"
