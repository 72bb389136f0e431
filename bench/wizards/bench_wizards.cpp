// Times the loss model calculator from construction to its decision on a
// 20-minute coast-down run at the analysis rate (500 Hz), and the falling-mass
// recomputation of a 60 s selection. Writes the run's speed and loss power
// for compare.py and prints "name seconds samples" lines.
#include "RunDataTestSupport.h"

#include "CalibrateInertiaFallingMass.h"
#include "LossModelCalculator.h"
#include "RecordingAnswerer.h"
#include "VectorChannel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cmath>
#include <cstdio>

namespace {

double speedAt(double t)
{
    // Ten pulls up to 30 m/s and coast-downs of two minutes each.
    const double phase = std::fmod(t, 120.0);
    return phase < 20 ? 1.5 * phase : std::max(0.0, 30.0 - 0.3 * (phase - 20));
}

double lossAt(double v)
{
    return 8.0 * v + 0.8 * v * v + 0.02 * v * v * v;
}

void write(const QString& path, const QList<double>& values)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(reinterpret_cast<const char*>(values.constData()), values.size() * qsizetype(sizeof(double)));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    RunDataTest::Options options;
    options.rate = 500;
    RunAnalysisOptions::install(&options);
    RecordingAnswerer answerer;
    auto run = RunDataTest::gridRun(1200);
    const double rate = options.rate;
    VectorChannel* speed = RunDataTest::addVector(*run, ChannelId_dynoSpeed, [&](int i) { return speedAt(i / rate); });
    RunDataTest::addVector(*run, ChannelId_dynoOnWheelsPower, [&](int i) { return -lossAt(speedAt(i / rate)); });
    RunDataTest::addVector(*run, ChannelId_drivetrainInertialPower, [](int) { return 0.0; });
    const qsizetype n = speed->rawSamples().size();

    double best = 1e9;
    for (int k = 0; k < 3; ++k) {
        QElapsedTimer timer;
        timer.start();
        LossModelCalculator calculator(nullptr, run.get(), true);
        best = std::min(best, timer.nsecsElapsed() / 1e9);
        if (k == 0 && !folder.isEmpty()) {
            write(folder + QStringLiteral("/speed"), speed->rawSamples());
            QList<double> raw(n);
            for (qsizetype i = 0; i < n; ++i)
                raw[i] = lossAt(speed->rawSamples().at(i));
            write(folder + QStringLiteral("/loss"), raw);
            write(folder + QStringLiteral("/stage"), {double(calculator.stageStart), double(calculator.stageEnd)});
        }
    }
    std::printf("loss_model_calculator %.6f %lld\n", best, static_cast<long long>(n));

    // 60 s of a falling-mass drop, recomputed as after a change of the mass.
    QList<CalibrateInertiaFallingMass::Sample> samples;
    const int count = 60 * options.rate;
    for (int i = 0; i < count; ++i) {
        const double w = 1.0 + i * 0.002;
        samples.append({5.0, w, 0.0, w * 0.25});
    }
    const QList<double> model{0, 8, 0.8, 0.02, 0};
    best = 1e9;
    for (int k = 0; k < 5; ++k) {
        QElapsedTimer timer;
        timer.start();
        const auto result = CalibrateInertiaFallingMass::compute(samples, model, 10.0 + k, 0.25, 5.0);
        best = std::min(best, timer.nsecsElapsed() / 1e9);
        if (result.inertia.size() != count)
            return 1;
    }
    std::printf("falling_mass_recompute %.6f %d\n", best, count);
    RunAnalysisOptions::install(nullptr);
    return 0;
}
