// The audio capture thread's work per block (band-pass, gain, level filter,
// knock test and channel writes over 2048 samples) on engine noise with knock
// bursts; prints the best time per block in microseconds. compare.py sets it
// against the 42.7 ms block period and scipy.signal.lfilter of one block.
#include "AudioSource.h"
#include "Channels.h"
#include "HwInfo.h"
#include "PAThread.h"
#include "PointVectorEditor.h"
#include "RunChannel.h"
#include "SimulatedAudioSource.h"
#include "lib/Units.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Hands out the same pre-made signal again and again, without waiting.
class LoopSource : public AudioSource
{
public:
    LoopSource()
    {
        SimulatedAudioSource engine(0);
        signal.resize(size_t(PAThread::sampleRate) * 3);
        engine.generate(signal.data(), int(signal.size()));
    }
    bool openRecord(const QString&, const QString&, int, QString*) override { return true; }
    bool openPlayback(const QString&, QString*) override { return false; }
    void closeRecord() override {}
    void closePlayback() override {}
    bool recordOpen() const override { return true; }
    bool playbackOpen() const override { return false; }
    bool read(int16_t* samples, int count, QString*) override
    {
        if (position + size_t(count) > signal.size())
            position = 0;
        std::memcpy(samples, signal.data() + position, size_t(count) * 2);
        position += size_t(count);
        return true;
    }
    bool write(const int16_t*, int, QString*) override { return false; }
    quint64 recordLatencyUs() override { return 0; }
    QString sourceName(int) override { return QString(); }
    std::vector<int16_t> signal;
    size_t position = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    theUnits.init();
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
    theChannels.init();
    PointVectorEditor noise(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    noise.slot_setVector({QPointF(0.0, 0.05), QPointF(1000.0, 0.1)});
    theChannels.getChannel(ChannelId_engineSpeed, 0)->setDataWithoutFilter(300.0, 1);
    PAThread capture(0, std::make_unique<LoopSource>());
    PAThread::Setup setup;
    setup.engineNoise = &noise;
    setup.engineNoiseEmpty = false;
    capture.setSetup(setup);
    double best = 1e300;
    for (int round = 0; round < 20; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 50; ++i)
            capture.slot_checkStream();
        const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, us / 50.0);
    }
    std::printf("%.3f\n", best);
    return 0;
}
