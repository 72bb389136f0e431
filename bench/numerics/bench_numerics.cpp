// Times the numeric kernels on inputs written by compare.py and prints
// "<kernel> <best seconds> <repetitions>" per kernel; compare.py times
// numpy/scipy on the same inputs in the same run and prints the ratios.
// Each kernel's last result is written beside its input, so the script can
// make sure both sides did the same work.
//   bench_numerics <folder>
#include "FFT.h"
#include "FitCurve.h"
#include "IIR4.h"
#include "Resampler.h"
#include "Tools.h"

#include <QDir>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

QString folder;

QList<double> load(const char* name)
{
    QFile file(folder + QLatin1Char('/') + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", name);
        std::exit(2);
    }
    const QByteArray bytes = file.readAll();
    QList<double> values(bytes.size() / qsizetype(sizeof(double)));
    std::memcpy(values.data(), bytes.constData(), size_t(values.size()) * sizeof(double));
    return values;
}

void save(const char* name, const QList<double>& values)
{
    QFile file(folder + QLatin1Char('/') + QLatin1String(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(reinterpret_cast<const char*>(values.constData()), values.size() * qsizetype(sizeof(double)));
}

// Best of `repetitions` runs of `work`; `prepare` runs untimed before each.
double best(int repetitions, const std::function<void()>& prepare, const std::function<void()>& work)
{
    double fastest = 1e300;
    for (int r = 0; r < repetitions; ++r) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        fastest = std::min(fastest, elapsed.count());
    }
    return fastest;
}

void report(const char* kernel, double seconds, int repetitions)
{
    std::printf("%s %.9g %d\n", kernel, seconds, repetitions);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_numerics <folder>\n");
        return 1;
    }
    folder = QString::fromLocal8Bit(argv[1]);

    {
        const QList<double> input = load("iir4_in");
        QList<double> data;
        const int repetitions = 7;
        const double t = best(
            repetitions, [&] { data = input; data.detach(); },
            [&] { IIR4::filterVectorInplace(&data, 500.0, 3.0); });
        report("iir4", t, repetitions);
        save("iir4_out", data);
    }
    {
        const QList<double> input = load("fft_in");
        QList<double> signal, frequencies, amplitudes;
        const int repetitions = 5;
        const double t = best(
            repetitions, [&] { signal = input; signal.detach(); },
            [&] { FFT::calculate(signal, frequencies, amplitudes, 1000.0, false); });
        report("fft", t, repetitions);
        save("fft_out", amplitudes);
    }
    {
        const QList<double> x = load("resample_x");
        const QList<double> y = load("resample_y");
        const int count = int(load("resample_count").value(0));
        QList<double> out;
        const int repetitions = 7;
        const double t = best(
            repetitions, [] {},
            [&] { Resampler::resampleToVector(&x, &y, &out, 500.0, count, SamplingMode::Interpolate); });
        report("resample", t, repetitions);
        save("resample_out", out);
    }
    {
        const QList<double> x = load("fit_x");
        const QList<double> y = load("fit_y");
        double coefficients[5] = {};
        const int repetitions = 20;
        const double t = best(
            repetitions, [] {},
            [&] { FitCurve::calculatePowerLossCoeficients(&x, &y, coefficients, 4); });
        report("fit", t, repetitions);
        save("fit_out", QList<double>(coefficients, coefficients + 5));
    }
    {
        // One million controller frames of six bytes; the CRC covers five.
        const QList<double> seed = load("crc_frames");
        QByteArray frames(seed.size() * 6, Qt::Uninitialized);
        for (qsizetype i = 0; i < frames.size(); ++i)
            frames[i] = char(quint64(seed[i / 6]) >> (8 * (i % 6)));
        const auto* bytes = reinterpret_cast<const unsigned char*>(frames.constData());
        const qsizetype count = seed.size();
        QList<double> crcs(count);
        const int repetitions = 7;
        const double t = best(
            repetitions, [] {},
            [&] {
                for (qsizetype i = 0; i < count; ++i)
                    crcs[i] = Tools::crc8_frameOptimized(bytes + 6 * i);
            });
        report("crc8", t / double(count), repetitions);
        save("crc_out", crcs);
    }
    return 0;
}
