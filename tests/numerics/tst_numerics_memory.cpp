// Memory behaviour of the numeric blocks: the per-sample steps allocate
// nothing (they run on every sample of the 10 ms tick and the audio blocks),
// and exhausted memory around the large buffers is caught and reported.
#include "BiQuad.h"
#include "BinFinder.h"
#include "CharacteristicReader.h"
#include "ContinousDoubleRollingAverage.h"
#include "DoubleRollingAverage.h"
#include "FFT.h"
#include "IIR.h"
#include "IIR4.h"
#include "LogCapture.h"
#include "Resampler.h"
#include "VariableSamplingIIR.h"
#include "VariableSamplingIIRN.h"

#include <QFile>
#include <QTest>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <sys/resource.h>
#include <unistd.h>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
} // namespace

void* operator new(std::size_t size)
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

// Counts the allocations made by f (operator new and Qt's containers, which
// allocate through malloc: those are caught by the capacity checks instead).
template<typename F>
long allocationsOf(F f)
{
    allocations = 0;
    counting = true;
    f();
    counting = false;
    return allocations;
}

// Limits the address space of the process to what it uses now plus
// `headroom` bytes, for as long as it lives.
class AddressSpaceLimit
{
public:
    explicit AddressSpaceLimit(qint64 headroom)
    {
        getrlimit(RLIMIT_AS, &m_saved);
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (!statm.open(QIODevice::ReadOnly))
            return;
        const qint64 pages = statm.readAll().split(' ').value(0).toLongLong();
        rlimit limit = m_saved;
        limit.rlim_cur = rlim_t(pages * sysconf(_SC_PAGESIZE) + headroom);
        m_active = setrlimit(RLIMIT_AS, &limit) == 0;
    }
    ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &m_saved); }
    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    bool m_active = false;
};

bool underSanitizer()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#else
    return false;
#endif
}

} // namespace

class TestNumericsMemory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void perSampleStepsAllocateNothing();
    void inPlaceVectorFiltersAllocateNothing();
    void spectrumReportsExhaustedMemory();
    void averagesSurviveExhaustedMemory();
};

void TestNumericsMemory::perSampleStepsAllocateNothing()
{
    IIR iir;
    iir.setup(500, 3);
    IIR4 iir4;
    iir4.setup(500, 3);
    VariableSamplingIIR stamped;
    stamped.setup(2);
    VariableSamplingIIRN cascade;
    cascade.setup(2);
    BiQuad knock;
    knock.setFrequencyAndQ(48000, 6000, 2);
    ContinousDoubleRollingAverage running(50);
    DoubleRollingAverage summed(50);
    const QList<QPointF> curve{{0, 0}, {1, 10}, {5, 30}, {10, 35}};
    CharacteristicReader reader;
    reader.init(&curve);
    const QList<double> axis{0, 1000, 2000, 3000, 4000};
    BinFinder finder;
    finder.init(&axis);
    const QList<double> times{0, 1, 2, 3};
    const QList<double> values{5, 6, 8, 4};
    Resampler sequence(&times, &values);

    double sink = 0;
    const long count = allocationsOf([&] {
        for (int i = 0; i < 20000; ++i) {
            const double x = (i % 997 == 0) ? NAN : std::sin(i * 0.01);
            sink += iir.addData(x) + iir4.addData(x) + stamped.addData(x, 0.002) + cascade.addData(x, 0.002);
            sink += knock.addData(float(x));
            sink += running.addData(x);
            summed.addData(x);
            sink += summed.getAverage();
            sink += reader.getValue(5 + 5 * x);
            sink += finder.findBin(2000 + 2000 * x) + finder.getBinRelativePosition(2000 + 2000 * x);
            sink += sequence.getSample(i * 1e-4, false);
        }
    });
    QCOMPARE(count, 0L);
    QVERIFY(sink == sink || std::isnan(sink));
}

void TestNumericsMemory::inPlaceVectorFiltersAllocateNothing()
{
    QList<double> data(100000);
    QList<double> time(100000);
    for (int i = 0; i < data.size(); ++i) {
        data[i] = std::sin(i * 0.003);
        time[i] = i * 0.002;
    }
    const double* before = data.constData();
    QList<double> grid(5000);
    const double* gridBefore = grid.constData();
    const long count = allocationsOf([&] {
        IIR::filterVectorInplace(&data, 500, 4);
        IIR4::filterVectorInplace(&data, 500, 4);
        VariableSamplingIIR::filterVector(&data, &time, 4);
        VariableSamplingIIRN::filterVector(&data, &time, 4);
        Resampler::resampleToVector(&time, &data, &grid, 50, 5000, SamplingMode::Interpolate);
    });
    QCOMPARE(count, 0L);
    // Qt's containers allocate through malloc: the same buffers prove it.
    QCOMPARE(data.constData(), before);
    QCOMPARE(grid.constData(), gridBefore);
}

void TestNumericsMemory::spectrumReportsExhaustedMemory()
{
    if (underSanitizer())
        QSKIP("address-space limits do not work under a sanitizer");
    // A recording just over a power of two doubles the buffers of the
    // transform: with no room for them the spectrum reports the failure.
    QList<double> signal((1 << 20) + 1);
    for (qsizetype i = 0; i < signal.size(); ++i)
        signal[i] = double(i % 100);
    QList<double> frequencies{1, 2};
    QList<double> amplitudes{3};
    LogCapture log;
    bool ok = true;
    {
        AddressSpaceLimit limit(12 << 20);
        if (!limit.active())
            QSKIP("cannot limit the address space here");
        ok = FFT::calculate(signal, frequencies, amplitudes, 1000, true);
    }
    QVERIFY(!ok);
    QCOMPARE(log.count("FFT bad_alloc caught:"), 1);
    QVERIFY(frequencies.isEmpty() && amplitudes.isEmpty());
    QCOMPARE(signal.size(), (1 << 20) + 1);
    QCOMPARE(signal[12345], 45.0); // the recording itself is untouched

    // With room again the same call succeeds.
    QVERIFY(FFT::calculate(signal, frequencies, amplitudes, 1000, true));
    QCOMPARE(frequencies.size(), (1 << 20) + 1);
}

void TestNumericsMemory::averagesSurviveExhaustedMemory()
{
    if (underSanitizer())
        QSKIP("address-space limits do not work under a sanitizer");
    LogCapture log;
    AddressSpaceLimit limit(32 << 20);
    if (!limit.active())
        QSKIP("cannot limit the address space here");
    ContinousDoubleRollingAverage running(200000000);
    QVERIFY(std::isnan(running.addData(1.0)));
    QVERIFY(std::isnan(running.addData(2.0)));
    DoubleRollingAverage summed(4);
    summed.addData(1.0);
    summed.setFilterSize(200000000);
    summed.addData(2.0);
    QVERIFY(std::isnan(summed.getAverage()));
    QCOMPARE(log.count("Rolling average bad_alloc caught:"), 2);
    summed.setFilterSize(2); // a usable size again
    summed.addData(3.0);
    summed.addData(5.0);
    QCOMPARE(summed.getAverage(), 4.0);
}

QTEST_GUILESS_MAIN(TestNumericsMemory)
#include "tst_numerics_memory.moc"
