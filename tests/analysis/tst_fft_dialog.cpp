// The FFT spectrum dialog on synthetic channels: which samples it transforms,
// the 0 Hz point, smoothing, the filter simulation and its axis, and
// selections that hold nothing to transform.
//
// With ZEMBO_ANALYSIS_OUT set, spectrum writes the channel, the selection and
// the plotted curves of every case (check_fft.py recomputes them with numpy
// and scipy).
#include "ChannelSetup.h"
#include "DelayedDoubleSpinBox.h"
#include "DelayedSpinBox.h"
#include "FFTDialog.h"
#include "MySettings.h"
#include "RecordingAnswerer.h"
#include "lib/Units.h"
#include "VectorChannel.h"
#include "VectorScatterPlot.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextStream>

#include <cmath>
#include <limits>

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

struct Curve {
    QList<double> x;
    QList<double> y;
};

Curve curveOf(const VectorScatterPlot* plot, PlotAxis axis)
{
    Curve curve;
    for (auto it = plot->curves[axis]->data()->constBegin(); it != plot->curves[axis]->data()->constEnd(); ++it) {
        curve.x.append(it->key);
        curve.y.append(it->value);
    }
    return curve;
}

// What the dialog showed, read while it was open.
struct Seen {
    QString title;
    Curve raw;           // smoothing 1
    Curve smoothed;      // smoothing 5
    Curve simulated;     // simulation on, 100 Hz, 8 cascades, smoothing 1
    bool rightVisibleOn = false;
    bool rightVisibleOff = true;
    qsizetype rightPointsOff = -1;
    QCPRange leftRange;
    QCPRange rightRange;
};

// Sum of sinusoids (amplitude, frequency in Hz) plus an offset, sampled at fs.
VectorChannel* signalChannel(int count, double fs, QList<QPair<double, double>> tones, double offset)
{
    auto* channel = new VectorChannel(fs, QString(), QStringLiteral("Engine speed"), Quantity::RotationalSpeed, count,
                                      nullptr);
    channel->setup->displayName = QStringLiteral("Engine speed");
    QList<double>& raw = *channel->getRawData();
    for (int i = 0; i < count; ++i) {
        double x = offset;
        for (const auto& tone : tones)
            x += tone.first * std::sin(2.0 * M_PI * tone.second * i / fs);
        raw[i] = x;
    }
    return channel;
}

} // namespace

class TestFFTDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void spectrum_data();
    void spectrum();
    void nothingToTransform_data();
    void nothingToTransform();

private:
    Seen open(const VectorChannel* channel, int first, int last, double fs);

    RecordingAnswerer* answerer = nullptr;
};

void TestFFTDialog::initTestCase()
{
    theUnits.init();
    answerer = new RecordingAnswerer;
}

void TestFFTDialog::init()
{
    // The cutoff and cascades are remembered between dialogs; every case
    // starts from the defaults.
    theSettings.remove(QStringLiteral("UserSetting/fftDialog/smoothing"));
    theSettings.remove(QStringLiteral("UserSetting/fftDialog/simulateFilterFrequency"));
    theSettings.remove(QStringLiteral("UserSetting/fftDialog/simulateFilterCascades"));
}

Seen TestFFTDialog::open(const VectorChannel* channel, int first, int last, double fs)
{
    Seen seen;
    answerer->respond = [&seen](QDialog* dialog) {
        auto* fft = qobject_cast<FFTDialog*>(dialog);
        if (!fft)
            return 0;
        auto* plot = fft->findChild<VectorScatterPlot*>();
        auto* simulate = fft->findChild<QCheckBox*>();
        seen.title = fft->windowTitle();
        fft->slot_smoothingChanged(1);
        seen.raw = curveOf(plot, PlotAxis_left);
        simulate->setChecked(true);
        seen.simulated = curveOf(plot, PlotAxis_right);
        seen.rightVisibleOn = plot->yAxis2->visible();
        simulate->setChecked(false);
        seen.rightVisibleOff = plot->yAxis2->visible();
        seen.rightPointsOff = plot->curves[PlotAxis_right]->data()->size();
        fft->slot_smoothingChanged(5);
        seen.smoothed = curveOf(plot, PlotAxis_left);
        simulate->setChecked(true);
        seen.leftRange = plot->yAxis->range();
        seen.rightRange = plot->yAxis2->range();
        return 0;
    };
    FFTDialog dialog(QStringLiteral("Run 7"), channel, first, last, fs, nullptr);
    answerer->respond = nullptr;
    return seen;
}

void TestFFTDialog::spectrum_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<double>("fs");
    QTest::addColumn<double>("tone");
    // Bins at whole hertz: the 100 Hz tone lies on one.
    QTest::newRow("512 Hz, power of two") << 1200 << 100 << 612 << 512.0 << 100.0;
    // The analysis default; 300 samples are padded to 512.
    QTest::newRow("500 Hz, padded") << 1000 << 37 << 337 << 500.0 << 60.0;
    // The selection reaches past the recording: only what was recorded.
    QTest::newRow("selection past the end") << 400 << 150 << 900 << 500.0 << 60.0;
}

void TestFFTDialog::spectrum()
{
    QFETCH(int, count);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(double, fs);
    QFETCH(double, tone);
    std::unique_ptr<VectorChannel> channel(signalChannel(count, fs, {{2.0, tone}, {0.5, 11.0}}, 300.0));
    const Seen seen = open(channel.get(), first, last, fs);

    QCOMPARE(seen.title, QStringLiteral("FFT : Run 7 : Engine speed"));
    const int samples = std::min(last, count) - first;
    int n = 1;
    while (n < samples)
        n <<= 1;
    QCOMPARE(seen.raw.x.size(), n / 2 + 1);
    QCOMPARE(seen.raw.x.last(), fs / 2);
    // 0 Hz is never plotted, smoothed or not, simulated or not.
    for (const Curve* curve : {&seen.raw, &seen.smoothed, &seen.simulated}) {
        QVERIFY(std::isnan(curve->x.first()));
        QVERIFY(std::isnan(curve->y.first()));
    }
    // Smoothing averages around each point: the tone's peak stays where it is
    // and is spread over its neighbours.
    const auto peak = [](const QList<double>& y) {
        int best = -1;
        for (int i = 1; i < y.size(); ++i)
            if (std::isfinite(y[i]) && (best < 0 || y[i] > y[best]))
                best = i;
        return best;
    };
    QCOMPARE(peak(seen.smoothed.y), peak(seen.raw.y));
    QVERIFY(seen.smoothed.y[peak(seen.raw.y)] < seen.raw.y[peak(seen.raw.y)]);

    // Simulation: 8 first-order stages at 100 Hz.
    QVERIFY(seen.rightVisibleOn);
    QVERIFY(!seen.rightVisibleOff);
    QCOMPARE(seen.rightPointsOff, 0);
    QCOMPARE(seen.rightRange, seen.leftRange);
    QCOMPARE(seen.simulated.x.size(), seen.raw.x.size());
    for (int i = 1; i < seen.raw.x.size(); ++i) {
        const double f = seen.raw.x[i];
        const double gain = std::pow(1.0 / (1.0 + (f / 100.0) * (f / 100.0)), 4.0);
        QVERIFY(std::abs(seen.simulated.y[i] - gain * seen.raw.y[i]) <= 1e-12 * std::max(1.0, seen.raw.y[i]));
        if (f == 100.0)
            QCOMPARE(seen.simulated.y[i], 0.0625 * seen.raw.y[i]);
    }
    QCOMPARE(FFTDialog::cascadeGain(100.0, 100.0, 8), 0.0625);
    QVERIFY(std::abs(FFTDialog::cascadeGain(10.0, 100.0, 8) - std::pow(1.0 / 1.01, 4.0)) < 1e-15);

    const QString out = qEnvironmentVariable("ZEMBO_ANALYSIS_OUT");
    if (out.isEmpty())
        return;
    QFile file(QDir(out).filePath(QStringLiteral("fft-%1.tsv").arg(QTest::currentDataTag()).replace(' ', '_')));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Text));
    QTextStream stream(&file);
    stream.setRealNumberPrecision(17);
    stream << "selection\t" << first << '\t' << last << '\t' << fs << '\n';
    stream << "samples";
    for (double x : channel->rawSamples())
        stream << '\t' << x;
    for (const auto& [name, curve] : {std::pair{"raw", &seen.raw}, std::pair{"simulated", &seen.simulated}}) {
        stream << '\n' << name << "_x";
        for (double x : curve->x)
            stream << '\t' << x;
        stream << '\n' << name << "_y";
        for (double y : curve->y)
            stream << '\t' << y;
    }
    stream << '\n';
}

void TestFFTDialog::nothingToTransform_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<bool>("allNan");
    QTest::newRow("empty selection") << 50 << 50 << false;
    QTest::newRow("last before first") << 80 << 20 << false;
    QTest::newRow("beyond the recording") << 500 << 700 << false;
    QTest::newRow("negative indexes") << -20 << -1 << false;
    QTest::newRow("no finite sample") << 10 << 60 << true;
}

void TestFFTDialog::nothingToTransform()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(bool, allNan);
    std::unique_ptr<VectorChannel> channel(signalChannel(200, 500.0, {{1.0, 20.0}}, 0.0));
    if (allNan)
        channel->getRawData()->fill(notANumber);
    const Seen seen = open(channel.get(), first, last, 500.0);
    for (const Curve* curve : {&seen.raw, &seen.smoothed, &seen.simulated})
        QCOMPARE(curve->x.size(), 0);
    QVERIFY(seen.rightVisibleOn);
    QVERIFY(!seen.rightVisibleOff);
}

QTEST_MAIN(TestFFTDialog)
#include "tst_fft_dialog.moc"
