// Triggers and the thread that ticks them: when a trigger fires in single and
// repeat mode (with stalled ticks), its shortcut, its XML, and how the trigger
// thread ticks, unregisters and lends out the shortcuts.
#include "Argument.h"
#include "RunChannel.h"
#include "ShortcutParents.h"
#include "Trigger.h"
#include "TriggerThread.h"
#include "lib/Units.h"

#include <QDialog>
#include <QDomDocument>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr qint64 kStart = 1'700'000'000'000;

qint64 g_now = kStart;
qint64 testClock()
{
    return g_now;
}

// A trigger whose argument is a live channel the test sets, ticked by hand
// every 10 ms of the test's clock.
struct Rig {
    Rig(int mode, qint64 interval, bool active = false)
    {
        g_now = kStart;
        source.reset(new RunChannel(0, QString(), 0, QString(), Quantity::None));
        TriggerSetup setup;
        setup.mode = mode;
        setup.interval = interval;
        setup.active = active;
        setup.argument->setChannel(source.get(), false);
        trigger.reset(new Trigger);
        trigger->setSetup(setup);
        connect();
    }
    void connect()
    {
        QObject::connect(trigger.get(), &Trigger::signal_shoot, trigger.get(), [this] { shots.append(g_now - kStart); });
    }
    void set(double value) { source->setData(value, g_now); }
    // Ticks `count` times, `step` ms apart.
    void ticks(int count, qint64 step = 10)
    {
        for (int i = 0; i < count; ++i) {
            g_now += step;
            trigger->tick(g_now);
        }
    }

    std::unique_ptr<RunChannel> source;
    std::unique_ptr<Trigger> trigger;
    QList<qint64> shots;
};

QDomElement writtenElement(QDomDocument& document, const Trigger& trigger)
{
    QDomElement element = document.createElement(QStringLiteral("message"));
    document.appendChild(element);
    trigger.writeSetupToDomElement(&element);
    return element;
}

} // namespace

class TestTriggers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void singleMode_data();
    void singleMode();
    void repeatSchedule();
    void repeatWhileActive();
    void catchUpAfterStalls_data();
    void catchUpAfterStalls();
    void intervalZeroFiresEveryTick();
    void intervalFromXml_data();
    void intervalFromXml();
    void xmlRoundTripAndDescription();
    void shortcutFiresAndIsLent();
    void threadTicksAndForgetsRemovedTriggers();
};

void TestTriggers::initTestCase()
{
    theUnits.init();
    RunChannel::setWallClock(&testClock);
}

void TestTriggers::cleanupTestCase()
{
    RunChannel::setWallClock(nullptr);
}

void TestTriggers::singleMode_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QList<int>>("firingTicks");
    QTest::newRow("edges") << QList<double>({0, 1, 1, 0, 1}) << QList<int>({1, 4});
    QTest::newRow("NaN is false") << QList<double>({NaN, 1, NaN, 2}) << QList<int>({1, 3});
    // A trigger made while its argument is true waits for it to be false once.
    QTest::newRow("true at creation") << QList<double>({1, 1, 0, 1}) << QList<int>({3});
    QTest::newRow("negative is true") << QList<double>({0, -0.5, 0}) << QList<int>({1});
}

void TestTriggers::singleMode()
{
    QFETCH(QList<double>, values);
    QFETCH(QList<int>, firingTicks);
    Rig rig(0, 1000);
    QList<int> fired;
    for (int i = 0; i < values.size(); ++i) {
        rig.set(values.at(i));
        const qsizetype before = rig.shots.size();
        rig.ticks(1);
        if (rig.shots.size() > before)
            fired.append(i);
    }
    QCOMPARE(fired, firingTicks);
}

void TestTriggers::repeatSchedule()
{
    Rig rig(1, 500);
    rig.set(0);
    rig.ticks(20); // t = 200: not armed
    QVERIFY(rig.shots.isEmpty());
    rig.set(1); // true from t = 200
    rig.ticks(160); // to t = 1800
    // The first shot one interval after the argument turned true, none at once.
    QCOMPARE(rig.shots, QList<qint64>({700, 1200, 1700}));
    rig.set(0);
    rig.ticks(100); // to t = 2800
    QCOMPARE(rig.shots.size(), 3);
    // A new true period starts a new schedule.
    rig.set(1); // from t = 2800
    rig.ticks(60);  // to t = 3400
    QCOMPARE(rig.shots, QList<qint64>({700, 1200, 1700, 3300}));
}

void TestTriggers::repeatWhileActive()
{
    for (double value : {0.0, NaN}) {
        Rig rig(1, 500, true);
        rig.set(value);
        rig.ticks(150);
        QCOMPARE(rig.shots, QList<qint64>({500, 1000, 1500}));
    }
}

void TestTriggers::catchUpAfterStalls_data()
{
    QTest::addColumn<int>("stalledIntervals");
    QTest::addColumn<QList<qint64>>("shotsAfterStall");
    // Ticks resume at t = 1000 + stall; shots are recorded at the tick's time.
    // A few missed shots are made up one per tick...
    QTest::newRow("3 intervals") << 3 << QList<qint64>({2500, 2510, 2520, 3000});
    // ...after ten or more the schedule jumps ahead and one shot is made.
    QTest::newRow("12 intervals") << 12 << QList<qint64>({7000, 7500});
}

void TestTriggers::catchUpAfterStalls()
{
    QFETCH(int, stalledIntervals);
    QFETCH(QList<qint64>, shotsAfterStall);
    Rig rig(1, 500);
    rig.set(1);
    rig.ticks(100); // t = 1000: shots at 500 and 1000
    QCOMPARE(rig.shots, QList<qint64>({500, 1000}));
    rig.shots.clear();
    rig.ticks(1, qint64(stalledIntervals) * 500);
    rig.ticks(55);
    QCOMPARE(rig.shots, shotsAfterStall);
}

void TestTriggers::intervalZeroFiresEveryTick()
{
    Rig rig(1, 0);
    rig.set(1);
    rig.ticks(5);
    QCOMPARE(rig.shots.size(), 5);
}

void TestTriggers::intervalFromXml_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("interval");
    QTest::newRow("0") << QStringLiteral("0") << qint64(10);
    QTest::newRow("9") << QStringLiteral("9") << qint64(10);
    QTest::newRow("15") << QStringLiteral("15") << qint64(10);
    QTest::newRow("1234") << QStringLiteral("1234") << qint64(1230);
    QTest::newRow("negative") << QStringLiteral("-500") << qint64(10);
    QTest::newRow("not a number") << QStringLiteral("fast") << qint64(10);
    QTest::newRow("beyond 32 bits") << QStringLiteral("86400000000") << qint64(86400000000);
}

void TestTriggers::intervalFromXml()
{
    QFETCH(QString, text);
    QFETCH(qint64, interval);
    QDomDocument document;
    QDomElement element = document.createElement(QStringLiteral("message"));
    element.setAttribute(QStringLiteral("interval"), text);
    Trigger trigger;
    trigger.parseDomElement(&element);
    QCOMPARE(trigger.setup.interval, interval);
}

void TestTriggers::xmlRoundTripAndDescription()
{
    QWidget window;
    ShortcutParents::setTriggerDefault(&window);
    Trigger written;
    TriggerSetup setup;
    setup.mode = 1;
    setup.interval = 250;
    setup.active = true;
    setup.shortcut = QKeySequence(QStringLiteral("Ctrl+Shift+F7"));
    setup.argument->setConstant(3.5, false);
    written.setSetup(setup);
    QCOMPARE(written.getDescription(), QStringLiteral("R:250 ( Ctrl+Shift+F7 ) ") + setup.argument->getDescription());
    QVERIFY(written.getShortcut()->autoRepeat());

    QDomDocument document;
    const QDomElement element = writtenElement(document, written);
    QCOMPARE(element.attribute(QStringLiteral("mode")), QStringLiteral("1"));
    QCOMPARE(element.attribute(QStringLiteral("interval")), QStringLiteral("250"));
    QCOMPARE(element.attribute(QStringLiteral("shortcut")), QStringLiteral("Ctrl+Shift+F7"));
    QCOMPARE(element.attribute(QStringLiteral("active")), QStringLiteral("1"));
    QCOMPARE(element.firstChildElement().tagName(), QStringLiteral("argument"));

    Trigger read;
    read.parseDomElement(&element);
    QCOMPARE(read.setup.mode, 1);
    QCOMPARE(read.setup.interval, qint64(250));
    QVERIFY(read.setup.active);
    QCOMPARE(read.setup.shortcut, setup.shortcut);
    QCOMPARE(read.getShortcut()->key(), setup.shortcut);
    QCOMPARE(read.setup.argument->getConstant(), 3.5);

    // Single mode, no shortcut; without its shortcut the description skips it.
    TriggerSetup single;
    single.shortcut = QKeySequence(QStringLiteral("F8"));
    read.setSetup(single);
    QVERIFY(!read.getShortcut()->autoRepeat());
    QVERIFY(read.getDescription().startsWith(QStringLiteral("S ( F8 ) ")));
    read.neutralizeShortcut();
    QVERIFY(!read.getShortcut());
    QCOMPARE(read.getDescription(), QStringLiteral("S ") + read.setup.argument->getDescription());
    read.setSetup(setup); // no shortcut to update: nothing breaks
    QCOMPARE(read.setup.interval, qint64(250));
    ShortcutParents::setTriggerDefault(nullptr);
}

void TestTriggers::shortcutFiresAndIsLent()
{
    QWidget window;
    ShortcutParents::setTriggerDefault(&window);
    TriggerThread thread;
    auto trigger = std::make_unique<Trigger>();
    TriggerSetup setup;
    setup.shortcut = QKeySequence(Qt::Key_F5);
    trigger->setSetup(setup);
    QSignalSpy shots(trigger.get(), &Trigger::signal_shoot);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F5);
    QCOMPARE(shots.count(), 1);

    // A modal dialog that must receive the shortcuts borrows them...
    QDialog dialog(&window);
    thread.reparentShortcuts(&dialog);
    QCOMPARE(trigger->getShortcut()->parent(), &dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_F5);
    QCOMPARE(shots.count(), 2);
    // ...and gives them back when it closes.
    dialog.hide();
    thread.restoreDefaultShortcutsParent();
    QCOMPARE(trigger->getShortcut()->parent(), &window);

    // Two triggers on one key: neither fires, both say so.
    Trigger twin;
    twin.setSetup(setup);
    QSignalSpy twinShots(&twin, &Trigger::signal_shoot);
    QSignalSpy ambiguous(trigger.get(), &Trigger::signal_shortcutAmbiguous);
    QSignalSpy twinAmbiguous(&twin, &Trigger::signal_shortcutAmbiguous);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F5);
    QCOMPARE(shots.count() + twinShots.count(), 2);
    QCOMPARE(ambiguous.count() + twinAmbiguous.count(), 1);
    trigger.reset();
    ShortcutParents::setTriggerDefault(nullptr);
}

void TestTriggers::threadTicksAndForgetsRemovedTriggers()
{
    RunChannel::setWallClock(nullptr);
    TriggerThread thread;
    // With no triggers a tick does nothing.
    thread.slot_tick();
    thread.start();

    // A repeat trigger set active fires from the trigger thread.
    Trigger ticking;
    TriggerSetup setup;
    setup.mode = 1;
    setup.interval = 10;
    setup.active = true;
    std::atomic<int> shots {0};
    std::atomic<bool> offThread {true};
    connect(&ticking, &Trigger::signal_shoot, &ticking, [&] {
        shots.fetch_add(1);
        if (QThread::currentThread() != &thread)
            offThread = false;
    }, Qt::DirectConnection);
    ticking.setSetup(setup);
    QTRY_VERIFY(shots.load() >= 5);
    QVERIFY(offThread.load());

    // Triggers made, reconfigured and destroyed while the thread ticks them:
    // a destroyed one is never ticked again (sanitizers watch this loop).
    for (int round = 0; round < 200; ++round) {
        // Connected before it can fire, as owners do: a new trigger never
        // shoots until its setup arms it.
        auto transient = std::make_unique<Trigger>();
        std::atomic<int>* counter = &shots;
        connect(transient.get(), &Trigger::signal_shoot, transient.get(), [counter] { counter->fetch_add(1); },
                Qt::DirectConnection);
        transient->setSetup(setup);
        if (round % 20 == 0)
            QTest::qWait(15);
        transient->setActive(round % 2 == 0);
        transient->setInterval(20);
    }
    {
        QMutexLocker locker(&thread.mutex);
        QCOMPARE(thread.triggers.size(), 1);
        QCOMPARE(thread.triggers.first(), &ticking);
    }
    thread.quit();
    QVERIFY(thread.wait(5000));
    RunChannel::setWallClock(&testClock);
}

QTEST_MAIN(TestTriggers)
#include "tst_triggers.moc"
