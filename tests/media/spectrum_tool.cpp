// The RUN screen's audio spectrum fed by the capture thread's block
// processing, for check_spectrum.py:
//   spectrum_tool IN.raw
// IN.raw holds blocks of 2048 s16le samples; after each block is processed
// the widget refreshes once and its two curves are printed as
// "block <n>", then "<frequency> <magnitude> <peak>" per point. Before block
// 2 the peaks are reset; block 3 is refreshed while paused.
#include "AudioSource.h"
#include "Channels.h"
#include "HwInfo.h"
#include "MdiManager.h"
#include "PAThread.h"
#include "RMdiAudioSpectrum.h"
#include "RunMdi.h"
#include "lib/Units.h"

#include <QApplication>
#include <QFile>
#include <qcustomplot.h>

#include <cstdio>
#include <cstring>

namespace {

class BlockFile : public AudioSource
{
public:
    explicit BlockFile(QByteArray bytes)
        : data(std::move(bytes))
    {
    }
    bool openRecord(const QString&, const QString&, int, QString*) override { return true; }
    bool openPlayback(const QString&, QString*) override { return false; }
    void closeRecord() override {}
    void closePlayback() override {}
    bool recordOpen() const override { return true; }
    bool playbackOpen() const override { return false; }
    bool read(int16_t* samples, int count, QString* error) override
    {
        if (position + qsizetype(count) * 2 > data.size()) {
            *error = QStringLiteral("end");
            return false;
        }
        std::memcpy(samples, data.constData() + position, size_t(count) * 2);
        position += qsizetype(count) * 2;
        return true;
    }
    bool write(const int16_t*, int, QString*) override { return false; }
    quint64 recordLatencyUs() override { return 0; }
    QString sourceName(int) override { return QString(); }
    QByteArray data;
    qsizetype position = 0;
};

void print(int n, const RMdiAudioSpectrum* widget)
{
    std::printf("block %d\n", n);
    const QCPCurveDataContainer* spectrum = widget->spectrumCurve->data().data();
    const QCPCurveDataContainer* peaks = widget->peakCurve->data().data();
    for (int i = 0; i < spectrum->size(); ++i)
        std::printf("%.17g %.17g %.17g\n", spectrum->at(i)->key, spectrum->at(i)->value,
                    i < peaks->size() ? peaks->at(i)->value : -1.0);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly))
        return 2;
    theUnits.init();
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
    theChannels.init();

    auto* source = new BlockFile(in.readAll());
    const int blocks = int(source->data.size() / (2 * PAThread::blockSamples));
    PAThread capture(0, std::unique_ptr<AudioSource>(source));
    RMdiAudioSpectrum::setBlockSource([&capture](float* out) {
        capture.copyScaledBlock(out);
        return true;
    });
    RunMdi::registerRunDesktop();
    MdiManager manager(nullptr, MdiType_run);
    auto* mdi = static_cast<RunMdi*>(manager.newMdi(QStringLiteral("tool"), QString(), false));
    auto* widget = static_cast<RMdiAudioSpectrum*>(mdi->addWidget(12, QRect(0, 0, 400, 300), false));
    if (!widget)
        return 3;
    for (int n = 0; n < blocks; ++n) {
        capture.slot_checkStream();
        if (n == 2)
            widget->resetPeaks();
        widget->setPaused(n == 3);
        widget->refreshTick(0);
        print(n, widget);
    }
    return 0;
}
