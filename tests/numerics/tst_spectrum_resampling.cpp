#include "FFT.h"
#include "LogCapture.h"
#include "MultiVectorResampler.h"
#include "Resampler.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

bool sameSeries(const QList<double>& a, const QList<double>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (std::isnan(a[i]) != std::isnan(b[i]) || (!std::isnan(a[i]) && std::fabs(a[i] - b[i]) > 1e-12))
            return false;
    }
    return true;
}
} // namespace

class TestSpectrumResampling : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void spectrumOfSinusoid_data();
    void spectrumOfSinusoid();
    void spectrumSizes();
    void resampleToGrid_data();
    void resampleToGrid();
    void resampleEmptyData();
    void sampleByPosition();
    void resamplerWithoutData();
    void severalVectors();
};

void TestSpectrumResampling::spectrumOfSinusoid_data()
{
    QTest::addColumn<double>("offset");
    QTest::addColumn<bool>("normalise");
    QTest::addColumn<double>("atZero");
    QTest::addColumn<double>("atFour");
    QTest::newRow("sine normalised") << 0.0 << true << 0.0 << 0.5;
    QTest::newRow("sine raw") << 0.0 << false << 0.0 << 32.0;
    QTest::newRow("offset normalised") << 3.0 << true << 0.0 << 0.5;
    QTest::newRow("offset raw") << 3.0 << false << 192.0 << 32.0;
}

void TestSpectrumResampling::spectrumOfSinusoid()
{
    QFETCH(double, offset);
    QFETCH(bool, normalise);
    QFETCH(double, atZero);
    QFETCH(double, atFour);
    QList<double> signal;
    for (int n = 0; n < 64; ++n)
        signal.append(offset + (offset == 0.0 ? std::sin(2 * M_PI * 4 * n / 64) : std::cos(2 * M_PI * 4 * n / 64)));
    QList<double> frequencies, amplitudes;
    QVERIFY(FFT::calculate(signal, frequencies, amplitudes, 64, normalise));
    QCOMPARE(amplitudes.size(), 33);
    QCOMPARE(frequencies[4], 4.0);
    QVERIFY(std::fabs(amplitudes[0] - atZero) < 1e-9);
    QVERIFY(std::fabs(amplitudes[4] - atFour) < 1e-9);
    for (int k = 1; k < 33; ++k) {
        if (k != 4)
            QVERIFY(amplitudes[k] < 1e-9);
    }
}

void TestSpectrumResampling::spectrumSizes()
{
    QList<double> signal(100, 1.0);
    signal[40] = NaN; // counts as 0
    QList<double> frequencies, amplitudes;
    QVERIFY(FFT::calculate(signal, frequencies, amplitudes, 100, false));
    QCOMPARE(signal.size(), 128);
    QCOMPARE(frequencies.size(), 65);
    QCOMPARE(frequencies[1], 0.78125);
    QCOMPARE(frequencies.last(), 50.0);
    QVERIFY(std::fabs(amplitudes[0] - 99.0) < 1e-9);

    QCOMPARE(FFT::getResultSampleCount(100), 65);
    QCOMPARE(FFT::getResultSampleCount(64), 33);
    QCOMPARE(FFT::getResultSampleCount(1), 1);
    QCOMPARE(FFT::getResultSampleCount(0), 1);

    // One sample, and no sample at all: a single point at 0 Hz.
    QList<double> one{2.5};
    QVERIFY(FFT::calculate(one, frequencies, amplitudes, 10, false));
    QCOMPARE(frequencies, QList<double>{0.0});
    QCOMPARE(amplitudes, QList<double>{2.5});
    QList<double> none;
    QVERIFY(FFT::calculate(none, frequencies, amplitudes, 10, true));
    QCOMPARE(frequencies, QList<double>{0.0});
    QCOMPARE(amplitudes, QList<double>{0.0});
}

void TestSpectrumResampling::resampleToGrid_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<double>>("expected");
    // Points (0, 0), (1, 10), (2, 20) on the grid 0, 0.5, ... 2.5: the grid
    // point on the last time stamp keeps the last sample.
    QTest::newRow("interpolate") << 1 << QList<double>{0, 5, 10, 15, 20, NaN};
    QTest::newRow("sample and hold") << 0 << QList<double>{0, 0, 10, 10, 20, NaN};
    QTest::newRow("unknown mode") << 7 << QList<double>{0, 0, 0, 0, 0, NaN};
}

void TestSpectrumResampling::resampleToGrid()
{
    QFETCH(int, mode);
    QFETCH(QList<double>, expected);
    const QList<double> x{0, 1, 2};
    const QList<double> y{0, 10, 20, 99}; // only the first min(len x, len y) points count
    QList<double> out;
    Resampler::resampleToVector(&x, &y, &out, 2, 6, static_cast<SamplingMode>(mode));
    QVERIFY2(sameSeries(out, expected), qPrintable(QString::number(out[4])));

    // Data that starts after 0 and a single data point.
    const QList<double> late{0.75, 1.25};
    const QList<double> values{1, 3};
    Resampler::resampleToVector(&late, &values, &out, 4, 7, static_cast<SamplingMode>(mode));
    const double first = mode == 7 ? 0.0 : 1.0;
    const double middle = mode == 1 ? 2.0 : first;
    const double end = mode == 7 ? 0.0 : 3.0;
    QVERIFY(sameSeries(out, {NaN, NaN, NaN, first, middle, end, NaN}));
    const QList<double> single{0.5};
    Resampler::resampleToVector(&single, &values, &out, 4, 4, static_cast<SamplingMode>(mode));
    QVERIFY(sameSeries(out, {NaN, NaN, first, NaN}));
}

void TestSpectrumResampling::resampleEmptyData()
{
    LogCapture log;
    const QList<double> x{0, 1, 2};
    const QList<double> empty;
    QList<double> out{1, 2};
    Resampler::resampleToVector(&x, &empty, &out, 10, 50, SamplingMode::Interpolate);
    QCOMPARE(out, (QList<double>{1, 2}));
    QCOMPARE(log.count("Empty vector provided for resampler"), 1);
    Resampler borrowed(&empty, &x);
    QCOMPARE(log.count("Empty vector provided for resampler"), 2);
}

void TestSpectrumResampling::sampleByPosition()
{
    Resampler resampler(QList<QPointF>{{0, 0}, {1, 10}, {2, 20}});
    QCOMPARE(resampler.getSample(0.5, false), 5.0);
    QCOMPARE(resampler.getSample(3, false), 20.0);
    QCOMPARE(resampler.getSample(3, true), 0.0);
    QCOMPARE(resampler.getSample(0.5, false), 20.0); // the position never moves back
    QVERIFY(!resampler.isOutOfRange(2));
    QVERIFY(resampler.isOutOfRange(2.1));

    // New data rewinds; before the first point the first value (0 on request).
    resampler.replaceData({{1, 4}, {3, 8}});
    QCOMPARE(resampler.getSample(0, false), 4.0);
    QCOMPARE(resampler.getSample(0, true), 0.0);
    QCOMPARE(resampler.getSample(2, true), 6.0);

    const QList<double> x{0, 2, 4};
    const QList<double> y{1, -1, 3};
    Resampler borrowed(&x, &y);
    QCOMPARE(borrowed.getSample(1, false), 0.0);
    QCOMPARE(borrowed.getSample(3, false), 1.0);
    QCOMPARE(borrowed.getSample(4, false), 3.0);
}

void TestSpectrumResampling::resamplerWithoutData()
{
    Resampler none;
    QVERIFY(none.isOutOfRange(0));
    QVERIFY(std::isnan(none.getSample(1, false)));
    QCOMPARE(none.getSample(1, true), 0.0);
    none.replaceData({});
    QVERIFY(none.isOutOfRange(0));
    QVERIFY(std::isnan(none.getSample(1, false)));
}

void TestSpectrumResampling::severalVectors()
{
    const QList<double> x{0, 1, 2, 3};
    const QList<double> speed{10, 20, 30, 40};
    const QList<double> load{5, 5, 1}; // shorter: the common length counts
    MultiVectorResampler resampler(&x, {&speed, &load});
    QCOMPARE(resampler.getSamples(-1), (QList<double>{10, 5}));
    QCOMPARE(resampler.getSamples(1.5), (QList<double>{25, 3}));
    QCOMPARE(resampler.getSamples(9), (QList<double>{40, 1})); // each vector's own last value
    QCOMPARE(resampler.getSamples(0.5), (QList<double>{40, 1})); // forward only
    resampler.reset();
    QCOMPARE(resampler.getSamples(0.5), (QList<double>{15, 5}));

    const QList<double> empty;
    MultiVectorResampler nothing(&empty, {&speed});
    const QList<double> values = nothing.getSamples(1);
    QCOMPARE(values.size(), 1);
    QVERIFY(std::isnan(values[0]));
    QVERIFY(MultiVectorResampler(&x, {}).getSamples(1).isEmpty());
}

QTEST_GUILESS_MAIN(TestSpectrumResampling)
#include "tst_spectrum_resampling.moc"
