#include "RunThreadFixture.h"

#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "RunChannel.h"
#include "lib/ThreadHandOver.h"

#include <QTest>

#include <cmath>
#include <cstring>

void RecordingLogWriter::count(const char* kind)
{
    QMutexLocker lock(&mutex);
    ++counts[QByteArray(kind)];
}

void RecordingLogWriter::runStopProcedure(QList<double>& markerTimes)
{
    QMutexLocker lock(&mutex);
    ++stopCount;
    markers = markerTimes;
    markerTimes.clear();
}

void RecordingLogWriter::newFreqFrame(const FreqFrame&, unsigned char input)
{
    count(QByteArray("freq").append(char('0' + input)).constData());
    count("freq");
}

void RecordingLogWriter::newAccControllerSPFrame(const speedControllerSPFrame_t& frame)
{
    count("accSP");
    QMutexLocker lock(&mutex);
    acc.append(frame);
}

void RecordingLogWriter::newCANFrame(const canFrame_t& frame)
{
    count("can");
    QMutexLocker lock(&mutex);
    can.append(frame);
}

void RecordingLogWriter::slot_newChannelData(double data, qint64 timestamp)
{
    QMutexLocker lock(&mutex);
    samples.append({sender(), data, timestamp});
}

int RecordingLogWriter::records(const char* kind) const
{
    QMutexLocker lock(&mutex);
    return counts.value(QByteArray(kind));
}

QList<canFrame_t> RecordingLogWriter::canFrames() const
{
    QMutexLocker lock(&mutex);
    return can;
}

QList<speedControllerSPFrame_t> RecordingLogWriter::accSetPoints() const
{
    QMutexLocker lock(&mutex);
    return acc;
}

QList<RecordingLogWriter::Sample> RecordingLogWriter::channelSamples() const
{
    QMutexLocker lock(&mutex);
    return samples;
}

int RecordingLogWriter::stops() const
{
    QMutexLocker lock(&mutex);
    return stopCount;
}

QList<double> RecordingLogWriter::storedMarkers() const
{
    QMutexLocker lock(&mutex);
    return markers;
}

void RecordingLogWriter::clear()
{
    QMutexLocker lock(&mutex);
    counts.clear();
    can.clear();
    acc.clear();
    samples.clear();
}

RunThreadFixture::RunThreadFixture(int deviceCode, bool takeBlocksFromLink)
    : settings(deviceCode)
{
    RunThread::setProgramEnder([this](const QString& message) { endings.append(message); });
    thread = std::make_unique<RunThread>();
    if (!takeBlocksFromLink)
        thread->setInputSource(nullptr);
    writer = new RecordingLogWriter;
    thread->setLogWriter(writer);
}

RunThreadFixture::~RunThreadFixture()
{
    thread.reset();
    RunThread::setProgramEnder(nullptr);
}

bool RunThreadFixture::start()
{
    if (!settings.start())
        return false;
    thread->start();
    RunThread* t = thread.get();
    ThreadHandOver::blockingCall(t, [t] { t->slot_settingsReady(); });
    return thread->areDecodersReady();
}

void RunThreadFixture::inRunThread(const std::function<void()>& work)
{
    ThreadHandOver::blockingCall(thread.get(), work);
}

void RunThreadFixture::feed(const QList<QPair<int, uint32_t>>& frames)
{
    QList<SpiDynoFrame> block;
    for (const auto& f : frames) {
        SpiDynoFrame frame{};
        frame.reg = static_cast<DynoRegister>(f.first);
        frame.value = f.second;
        block.append(frame);
    }
    RunThread* t = thread.get();
    inRunThread([t, &block] { t->processBlock(block.constData(), int(block.size())); });
}

void RunThreadFixture::startLoggingRun()
{
    RunThread* t = thread.get();
    inRunThread([t] { t->slot_startRun(); });
    feed({{int(DynoRegister::sync), 0}});
}

void RunThreadFixture::setSetting(DynoSettingId id, int channel, const QVariant& value)
{
    theDynoSettings->getSetting(id, channel)->setValue(value);
}

double RunThreadFixture::channel(ChannelId id, int index)
{
    const RunChannel* c = theChannels.getChannel(id, index);
    return c ? c->getValue() : std::nan("");
}
