// Run-file writer benchmark.
// 1. A recording at the controller's full rate: 320 records per 10 ms cycle
//    across the tables (32,000 records/s; the mix is `cycleMix` below) plus
//    two audio inputs at 48 kHz (a 2048-sample block every 42.7 ms each), for
//    ZEMBO_BENCH_SECONDS (default 60). Each cycle hands its records to our
//    writer one call per record, as the decoder does, and runs the writer's
//    batch appends and flushes when they are due (the writer's own timers
//    would run them in the same thread between cycles). In the same cycle the
//    same records go into a second file through plain H5PTappend, one append
//    per table per cycle, with the same flush interval: the reference.
//    Printed: the CPU share of each (thread CPU time / wall time, of one
//    core), the longest cycle of each, their ratio, and whether the two files
//    hold the same records.
// 2. The time of init (file with its 30 tables) and of the stop procedure
//    (settings, project and run information, setups, markers, close) of the
//    long recording and of short runs.
// Figures only; nothing passes or fails.
#include "Hdf5Lock.h"
#include "LogDescriptor.h"
#include "LogWriter.h"
#include "MySettings.h"
#include "RunFileTestSupport.h"
#include "RunThread.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPointF>
#include <QTemporaryDir>

#include <H5PTpublic.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int cycleMs = 10;
constexpr int audioRate = 48000;

// Records per 10 ms cycle and table; tables below one record per cycle get
// one every `every` cycles.
struct Share {
    FrameId id;
    int perCycle;
    int every;
};
const Share cycleMix[] = {
    {FrameId_freq_1, 40, 1}, {FrameId_freq_2, 40, 1}, {FrameId_freq_3, 40, 1}, {FrameId_freq_4, 40, 1},
    {FrameId_freq_5, 40, 1}, {FrameId_freq_6, 40, 1}, {FrameId_loadCell, 5, 1}, {FrameId_loadCellV2, 5, 1},
    {FrameId_accController, 2, 1}, {FrameId_speedController, 2, 1}, {FrameId_torqueController, 2, 1},
    {FrameId_ainController, 2, 1}, {FrameId_accControllerSP, 1, 1}, {FrameId_speedControllerSP, 1, 1},
    {FrameId_torqueControllerSP, 1, 1}, {FrameId_ainControllerSP, 1, 1}, {FrameId_pidDetailsV2, 5, 1},
    {FrameId_ain, 5, 1}, {FrameId_ain_2, 5, 1}, {FrameId_can, 30, 1}, {FrameId_channel, 10, 1},
    {FrameId_serialInputChannel, 1, 1}, {FrameId_modbus, 1, 1}, {FrameId_udsInputChannel, 1, 1},
    {FrameId_hpAin, 1, 10}, {FrameId_ambient, 1, 100},
};

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool isChannelTable(int id)
{
    return id == FrameId_channel || id == FrameId_serialInputChannel || id == FrameId_modbus
           || id == FrameId_udsInputChannel;
}

// One cycle's records of every table, in the stored layout; what both the
// writer and the reference get.
struct CycleRecords {
    std::vector<char> data[FrameIdCount];
    size_t count[FrameIdCount] = {};
    AudioBlock audio[2];
    bool audioDue[2] = {false, false};
};

template<class Record> Record recordAt(const char* bytes)
{
    Record record;
    std::memcpy(&record, bytes, sizeof(Record));
    return record;
}

// The decoder's and the other sources' calls, one per record.
void feedWriter(LogWriter& writer, const CycleRecords& cycle, qint64 runStart)
{
    for (int id = 0; id < FrameIdCount; ++id) {
        const size_t size = theLogDescriptor.frameDescriptors.at(id)->frameType->recordSize;
        const char* record = cycle.data[id].data();
        for (size_t n = 0; n < cycle.count[id]; ++n, record += size) {
            switch (id) {
            case FrameId_freq_1:
            case FrameId_freq_2:
            case FrameId_freq_3:
            case FrameId_freq_4:
            case FrameId_freq_5:
            case FrameId_freq_6:
                writer.newFreqFrame(recordAt<FreqFrame>(record), static_cast<unsigned char>(id - FrameId_freq_1));
                break;
            case FrameId_loadCell: writer.newLoadCellFrame(recordAt<loadCellFrame_t>(record)); break;
            case FrameId_loadCellV2: writer.newLoadCellFrameV2(recordAt<loadCellFrameV2_t>(record)); break;
            case FrameId_accController:
                writer.newAccControllerOutFrame(recordAt<speedControllerOutFrame_t>(record));
                break;
            case FrameId_speedController:
                writer.newSpeedControllerOutFrame(recordAt<speedControllerOutFrame_t>(record));
                break;
            case FrameId_torqueController:
                writer.newTorqueControllerOutFrame(recordAt<torqueControllerOutFrame_t>(record));
                break;
            case FrameId_ainController:
                writer.newAINControllerOutFrame(recordAt<ainControllerOutFrame_t>(record));
                break;
            case FrameId_accControllerSP:
                writer.newAccControllerSPFrame(recordAt<speedControllerSPFrame_t>(record));
                break;
            case FrameId_speedControllerSP:
                writer.newSpeedControllerSPFrame(recordAt<speedControllerSPFrame_t>(record));
                break;
            case FrameId_torqueControllerSP:
                writer.newTorqueControllerSPFrame(recordAt<torqueControllerSPFrame_t>(record));
                break;
            case FrameId_ainControllerSP:
                writer.newAINControllerSPFrame(recordAt<ainControllerSPFrame_t>(record));
                break;
            case FrameId_pidDetailsV2: writer.newPidDetailsFrame(recordAt<pidDetailsFrameV2_t>(record)); break;
            case FrameId_ain: writer.newAinFrame(recordAt<ainFrame_t>(record), 0); break;
            case FrameId_ain_2: writer.newAinFrame(recordAt<ainFrame_t>(record), 1); break;
            case FrameId_hpAin: writer.newTcFrame(recordAt<hpAinFrame_t>(record)); break;
            case FrameId_ambient: writer.slot_newAmbientFrame(recordAt<ambientFrame_t>(record)); break;
            case FrameId_can: writer.newCANFrame(recordAt<canFrame_t>(record)); break;
            default: {
                const auto sample = recordAt<channelFrame_t>(record);
                const qint64 stamp = runStart + qint64(sample.timestamp);
                if (id == FrameId_channel)
                    writer.slot_newChannelData(sample.value, stamp);
                else if (id == FrameId_serialInputChannel)
                    writer.slot_newSerialInputDeviceData(sample.value, sample.id, stamp);
                else if (id == FrameId_modbus)
                    writer.slot_newModbusData(sample.value, sample.id, stamp);
                else if (id == FrameId_udsInputChannel)
                    writer.slot_newUDSInputData(sample.value, sample.id, stamp);
                break;
            }
            }
        }
    }
    if (cycle.audioDue[0])
        writer.slot_newAudioBuffer_1(cycle.audio[0]);
    if (cycle.audioDue[1])
        writer.slot_newAudioBuffer_2(cycle.audio[1]);
}

// The reference: a file with the same 30 tables, appended to once per table
// and cycle with H5PTappend.
class PlainFile
{
public:
    explicit PlainFile(const QString& path)
    {
        file = H5Fcreate(QFile::encodeName(path).constData(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
        const hid_t frames = H5Gcreate2(file, "/frames", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
        for (int id = 0; id < FrameIdCount; ++id) {
            const FrameDescriptor* descriptor = theLogDescriptor.frameDescriptors.at(id);
            const FrameType* type = descriptor->frameType;
            tables[id] = H5PTcreate(frames, descriptor->name.toUtf8().constData(), type->compoundType,
                                    hsize_t(type->recordSize) * hsize_t(theLogDescriptor.chunkFactor), H5P_DEFAULT);
        }
        H5Gclose(frames);
    }
    ~PlainFile()
    {
        for (hid_t table : tables)
            H5PTclose(table);
        H5Fclose(file);
    }
    void append(const CycleRecords& cycle)
    {
        for (int id = 0; id < FrameIdCount; ++id) {
            if (cycle.count[id] > 0)
                H5PTappend(tables[id], cycle.count[id], cycle.data[id].data());
        }
        for (int input = 0; input < 2; ++input) {
            if (cycle.audioDue[input])
                H5PTappend(tables[FrameId_audio_1 + input], AudioBlock::sampleCount, cycle.audio[input].samples);
        }
    }
    void flush() { H5Fflush(file, H5F_SCOPE_LOCAL); }

    hid_t file = -1;
    hid_t tables[FrameIdCount];
};

// Fills the records of cycle `n`: numbered patterns, channel-type records
// stamped after the run start so the writer keeps every one.
void makeCycle(CycleRecords& cycle, long n, long* audioSamples)
{
    for (int id = 0; id < FrameIdCount; ++id)
        cycle.count[id] = 0;
    for (const Share& share : cycleMix) {
        if (n % share.every != 0)
            continue;
        const size_t size = theLogDescriptor.frameDescriptors.at(share.id)->frameType->recordSize;
        std::vector<char>& data = cycle.data[share.id];
        data.resize(size * size_t(share.perCycle));
        for (int k = 0; k < share.perCycle; ++k) {
            char* record = data.data() + size * size_t(k);
            if (isChannelTable(share.id)) {
                channelFrame_t sample;
                sample.value = double(n) + k * 0.001;
                sample.id = share.id == FrameId_channel ? 0 : uint16_t(0x100 + share.id);
                sample.timestamp = uint32_t(n * cycleMs + 1);
                std::memcpy(record, &sample, sizeof sample);
            } else {
                for (size_t b = 0; b < size; ++b)
                    record[b] = char((n * 31 + k * 7 + long(b) + share.id) & 0x7F);
            }
        }
        cycle.count[share.id] = size_t(share.perCycle);
    }
    // Audio: 480 samples per input and cycle, handed on in blocks of 2048.
    const long before = *audioSamples / AudioBlock::sampleCount;
    *audioSamples += audioRate * cycleMs / 1000;
    const bool due = *audioSamples / AudioBlock::sampleCount > before;
    for (int input = 0; input < 2; ++input) {
        cycle.audioDue[input] = due;
        if (due) {
            for (int k = 0; k < AudioBlock::sampleCount; ++k)
                cycle.audio[input].samples[k] = int16_t((before * 13 + k + input * 1000) & 0x3FFF);
        }
    }
}

RunStopInputs stopInputs()
{
    // A board's worth of settings of every storage kind, the active project,
    // the model setups as texts of a few kilobytes.
    RunStopInputs inputs = RunFileTest::sampleStopInputs();
    inputs.dynoSettings.clear();
    QList<QPointF> characteristic;
    for (int i = 0; i < 16; ++i)
        characteristic.append(QPointF(i, i * i * 0.5));
    for (int i = 0; i < 500; ++i) {
        const QString name = QStringLiteral("setting_%1").arg(i);
        switch (i % 5) {
        case 0: inputs.dynoSettings.append({name, SettingWidgetType_spinBox, i}); break;
        case 1: inputs.dynoSettings.append({name, SettingWidgetType_doubleSpinBox, i * 0.25}); break;
        case 2: inputs.dynoSettings.append({name, SettingWidgetType_lineEdit, QStringLiteral("text %1").arg(i)}); break;
        case 3:
            inputs.dynoSettings.append(
                {name, SettingWidgetType_pointVectorEditor, QVariant::fromValue(characteristic)});
            break;
        default: inputs.dynoSettings.append({name, SettingWidgetType_checkBox, i % 2}); break;
        }
    }
    const QString setup = QStringLiteral("<channel name=\"x\" unit=\"m\"/>").repeated(100);
    inputs.canParserSetup = inputs.functionsSetup = inputs.inputChannelsSetup = setup;
    return inputs;
}

// Every table of the two files holds the same records.
bool sameRecords(const QString& ours, const QString& reference)
{
    Hdf5Lock lock;
    const hid_t a = H5Fopen(QFile::encodeName(ours).constData(), H5F_ACC_RDONLY, H5P_DEFAULT);
    const hid_t b = H5Fopen(QFile::encodeName(reference).constData(), H5F_ACC_RDONLY, H5P_DEFAULT);
    bool same = a >= 0 && b >= 0;
    for (int id = 0; same && id < FrameIdCount; ++id) {
        const FrameDescriptor* descriptor = theLogDescriptor.frameDescriptors.at(id);
        const QByteArray name = QByteArrayLiteral("/frames/") + descriptor->name.toUtf8();
        QByteArray contents[2];
        const hid_t files[2] = {a, b};
        for (int f = 0; f < 2; ++f) {
            const hid_t table = H5PTopen(files[f], name.constData());
            hsize_t count = 0;
            H5PTget_num_packets(table, &count);
            contents[f].resize(qsizetype(count * descriptor->frameType->recordSize));
            if (count > 0)
                H5PTread_packets(table, 0, size_t(count), contents[f].data());
            H5PTclose(table);
        }
        same = contents[0] == contents[1];
        if (!same)
            std::printf("  table %s differs\n", qPrintable(descriptor->name));
    }
    if (a >= 0)
        H5Fclose(a);
    if (b >= 0)
        H5Fclose(b);
    return same;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    RunFileTest::prepareProcess();
    QTemporaryDir dir;
    RunFileTest::Database database(dir.filePath(QStringLiteral("projects2.db")));
    theSettings.runsDir = QDir(dir.filePath(QStringLiteral("runs")));
    theSettings.runsDir.mkpath(QStringLiteral("."));
    RunThread* clock = RunFileTest::runStartClock();
    const int seconds = qEnvironmentVariableIsSet("ZEMBO_BENCH_SECONDS")
                            ? std::max(1, qEnvironmentVariableIntValue("ZEMBO_BENCH_SECONDS"))
                            : 60;
    const RunStopInputs inputs = stopInputs();

    LogWriter writer;
    Clock::time_point timer = Clock::now();
    writer.init();
    const double initMs = msSince(timer);
    if (!writer.initialized) {
        std::printf("the writer could not create its file in %s\n", qPrintable(theSettings.runsDir.path()));
        return 1;
    }
    const qint64 runStart = QDateTime::currentMSecsSinceEpoch();
    clock->runStartTime = runStart;
    const QString referencePath = dir.filePath(QStringLiteral("reference.h5"));
    auto* reference = new PlainFile(referencePath);

    // The writer's timers would fire between cycles in the same thread; here
    // the cycle runs them when due, so their work counts in its cycle.
    const long cycles = long(seconds) * 1000 / cycleMs;
    const long batchEvery = LogWriter::batchInterval / cycleMs;
    const long flushEvery = LogWriter::periodicFlushInterval / cycleMs;
    CycleRecords cycle;
    long audioSamples = 0;
    long records = 0;
    double oursCpu = 0, referenceCpu = 0, wallLongest = 0;
    // Longest cycle of each: 0 steady, 1 with the periodic flush in it, 2 the
    // first batch (the tables' first chunks are made then).
    double oursLongest[3] = {0, 0, 0}, referenceLongest[3] = {0, 0, 0};
    std::vector<double> oursCycles;
    oursCycles.reserve(size_t(cycles));
    const Clock::time_point start = Clock::now();
    for (long n = 0; n < cycles; ++n) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(n * cycleMs));
        const Clock::time_point cycleStart = Clock::now();
        makeCycle(cycle, n, &audioSamples);
        for (size_t count : cycle.count)
            records += long(count);

        const bool flushing = (n + 1) % flushEvery == 0;
        const int kind = n < batchEvery ? 2 : flushing ? 1 : 0;
        // Alternating which goes first, so neither always finds the caches warm.
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == (n % 2 == 0)) {
                const double before = threadCpuMs();
                feedWriter(writer, cycle, runStart);
                if ((n + 1) % batchEvery == 0)
                    writer.slot_writeBatches();
                if (flushing)
                    writer.slot_periodicFlush();
                const double spent = threadCpuMs() - before;
                oursCpu += spent;
                oursLongest[kind] = std::max(oursLongest[kind], spent);
                oursCycles.push_back(spent);
            } else {
                const double before = threadCpuMs();
                reference->append(cycle);
                if (flushing)
                    reference->flush();
                const double spent = threadCpuMs() - before;
                referenceCpu += spent;
                referenceLongest[kind] = std::max(referenceLongest[kind], spent);
            }
        }
        wallLongest = std::max(wallLongest, msSince(cycleStart));
    }
    const double wallMs = msSince(start);

    QList<double> markers{1.0, 2.5};
    writer.setStopInputs(inputs);
    timer = Clock::now();
    writer.runStopProcedure(markers);
    const double stopMs = msSince(timer);
    const QString oursPath = writer.filePath;
    delete reference;
    const bool identical = sameRecords(oursPath, referencePath);

    // Init and stop of short runs (a second's worth of records each).
    std::vector<double> inits, stops;
    for (int run = 0; run < 10; ++run) {
        // A folder each: in one folder a second start within the same second
        // waits for the next free name, which is not the cost of init.
        theSettings.runsDir = QDir(dir.filePath(QStringLiteral("short-%1").arg(run)));
        theSettings.runsDir.mkpath(QStringLiteral("."));
        LogWriter shortRun;
        timer = Clock::now();
        shortRun.init();
        inits.push_back(msSince(timer));
        clock->runStartTime = QDateTime::currentMSecsSinceEpoch();
        long unused = 0;
        for (long n = 0; n < 100; ++n) {
            makeCycle(cycle, n, &unused);
            feedWriter(shortRun, cycle, clock->runStartTime);
        }
        QList<double> none;
        shortRun.setStopInputs(inputs);
        timer = Clock::now();
        shortRun.runStopProcedure(none);
        stops.push_back(msSince(timer));
    }

    std::sort(oursCycles.begin(), oursCycles.end());
    const double p99 = oursCycles.empty() ? 0.0 : oursCycles[oursCycles.size() * 99 / 100];
    std::printf("run-file writer, %d s at %ld records/s across %d tables plus 2 x 48 kHz audio (%ld records, %.0f "
                "MB file):\n",
                seconds, records / std::max(1, seconds), int(std::size(cycleMix)), records,
                double(QFileInfo(oursPath).size()) / 1e6);
    std::printf("                                   ours (LogWriter)   reference (H5PTappend per table and cycle)\n");
    std::printf("  CPU share of one core            %8.2f %%          %8.2f %%\n", 100.0 * oursCpu / wallMs,
                100.0 * referenceCpu / wallMs);
    std::printf("  CPU per record                   %8.1f ns         %8.1f ns\n", 1e6 * oursCpu / double(records),
                1e6 * referenceCpu / double(records));
    std::printf("  longest 10 ms cycle (CPU)        %8.3f ms         %8.3f ms\n", oursLongest[0], referenceLongest[0]);
    std::printf("  longest cycle with a flush (CPU) %8.3f ms         %8.3f ms\n", oursLongest[1], referenceLongest[1]);
    std::printf("  longest of the first batch (CPU) %8.3f ms         %8.3f ms\n", oursLongest[2], referenceLongest[2]);
    std::printf("  99th percentile cycle (CPU)      %8.3f ms\n", p99);
    std::printf("  ratio ours / reference (CPU)     %8.2f\n", referenceCpu > 0 ? oursCpu / referenceCpu : 0.0);
    std::printf("  longest cycle, both, wall clock  %8.3f ms\n", wallLongest);
    std::printf("  same records in both files       %s\n", identical ? "yes" : "NO");
    std::printf("init and stop procedure (ms):\n");
    std::printf("  init of the long run             %8.2f\n", initMs);
    std::printf("  stop of the long run             %8.2f\n", stopMs);
    std::printf("  init, 10 short runs, median/max  %8.2f / %.2f\n", median(inits),
                *std::max_element(inits.begin(), inits.end()));
    std::printf("  stop, 10 short runs, median/max  %8.2f / %.2f\n", median(stops),
                *std::max_element(stops.begin(), stops.end()));
    std::fflush(stdout);
    return 0;
}
