// A characteristic read by a worker thread at the audio sample rate while the
// GUI edits it, as the run and audio threads do. Run under the thread
// sanitizer too (a build with -DZEMBO_SANITIZE=thread).
#include "PointVectorEditor.h"
#include "PointVectorModel.h"
#include "PointVectorPlotView.h"
#include "lib/Units.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

constexpr int kSampleRate = 48000;
constexpr int kBlock = 2048;

// Reads the curve in blocks of 2048 samples at 48 kHz with a slowly sweeping
// input, as an audio capture thread does, until told to stop.
class Reader
{
public:
    explicit Reader(PointVectorEditor* editor)
        : editor(editor)
    {
    }
    void start()
    {
        thread = std::thread([this]() { run(); });
    }
    void stop()
    {
        stopping = true;
        thread.join();
    }
    std::atomic<long long> samples {0};
    std::atomic<long long> outOfRange {0};
    std::atomic<double> lastX {0};

private:
    void run()
    {
        using Clock = std::chrono::steady_clock;
        const auto blockTime = std::chrono::microseconds(1000000LL * kBlock / kSampleRate);
        auto next = Clock::now();
        double x = 0;
        while (!stopping) {
            for (int i = 0; i < kBlock; ++i) {
                x += 0.0005;
                if (x > 12)
                    x = -2;
                const double y = editor->getValue(x);
                // Every curve the GUI sets lies within 0..100.
                if (!(y >= -1e-9 && y <= 100 + 1e-9) && !std::isnan(y))
                    ++outOfRange;
            }
            samples += kBlock;
            lastX = x;
            next += blockTime;
            std::this_thread::sleep_until(next);
        }
    }
    PointVectorEditor* editor;
    std::thread thread;
    std::atomic<bool> stopping {false};
};

// Counts the events the worker might send the editor's objects.
class EventCounter : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall && (watched == editor || watched == plot))
            ++metaCalls;
        return false;
    }
    QObject* editor = nullptr;
    QObject* plot = nullptr;
    int metaCalls = 0;
};

} // namespace

class TestCharacteristicThreads : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { theUnits.init(); }
    void workerReadsWhileTheGuiEdits();
    void operatingPointReachesTheGuiBounded();
};

void TestCharacteristicThreads::workerReadsWhileTheGuiEdits()
{
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    editor.enableTracker();
    editor.slot_setVector({{0, 0}, {10, 100}});
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    Reader reader(&editor);
    reader.start();

    // Every kind of change the operator makes, for a while.
    QElapsedTimer clock;
    clock.start();
    int round = 0;
    while (clock.elapsed() < 1500) {
        switch (round++ % 5) {
        case 0:
            editor.slot_setVector({{0, 0}, {5, 50}, {10, 100}});
            break;
        case 1:
            editor.selectionModel->setCurrentIndex(editor.model->index(0, 1), QItemSelectionModel::ClearAndSelect);
            editor.action_insertPoint(true);
            break;
        case 2:
            editor.model->setData(editor.model->index(0, 1), 40.0);
            editor.model->setData(editor.model->index(1, 1), 4.0);
            break;
        case 3:
            editor.action_deletePoints();
            break;
        case 4:
            editor.slot_setVector({{2, 100}, {8, 0}});
            break;
        }
        QTest::qWait(2);
    }
    reader.stop();
    QCoreApplication::processEvents();
    QVERIFY(reader.samples > kSampleRate);
    QCOMPARE(reader.outOfRange.load(), 0LL);
}

void TestCharacteristicThreads::operatingPointReachesTheGuiBounded()
{
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    editor.enableTracker();
    editor.slot_setVector({{-2, 0}, {12, 100}});
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QCoreApplication::processEvents();

    EventCounter counter;
    counter.editor = &editor;
    counter.plot = editor.plot;
    QCoreApplication::instance()->installEventFilter(&counter);
    QSignalSpy replots(editor.plot, &QCustomPlot::afterReplot);

    Reader reader(&editor);
    reader.start();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(1000);
    reader.stop();
    const qint64 elapsed = clock.elapsed();
    QCoreApplication::instance()->removeEventFilter(&counter);

    // Tens of thousands of samples, yet the GUI hears of them at most once per
    // refresh tick: the queued replots are the only calls it gets.
    const qint64 ticks = elapsed / PointVectorEditor::kTrackerRefreshMs + 3;
    QVERIFY(reader.samples > kSampleRate / 2);
    QVERIFY2(counter.metaCalls <= ticks, qPrintable(QString::number(counter.metaCalls)));
    QVERIFY2(replots.count() <= ticks,
             qPrintable(QStringLiteral("%1 replots in %2 ms").arg(replots.count()).arg(elapsed)));
    QVERIFY(replots.count() > 0);

    // The latest point is the one shown.
    QTest::qWait(3 * PointVectorEditor::kTrackerRefreshMs);
    QCOMPARE(editor.trackerX, reader.lastX.load());

    // Hidden, the worker leaves nothing for the GUI.
    editor.hide();
    const double shown = editor.trackerX;
    editor.getValue(3.25);
    std::thread other([&editor]() { editor.getValue(7.5); });
    other.join();
    QTest::qWait(3 * PointVectorEditor::kTrackerRefreshMs);
    QCOMPARE(editor.trackerX, shown);
}

QTEST_MAIN(TestCharacteristicThreads)
#include "tst_characteristic_threads.moc"
