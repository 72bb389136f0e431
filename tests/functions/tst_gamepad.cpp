// The game pad: which input devices count as game pads, how their events
// are passed on and when a device is dropped, the bindings' save strings and
// the capture button. Devices come from the scripted stand-in; where the
// kernel offers uinput a virtual pad also drives the real udev/evdev path.
#include "EvdevInputDeviceSource.h"
#include "Gamepad.h"
#include "GamepadEvent.h"
#include "GamepadEventWidget.h"
#include "LogCapture.h"
#include "SimulatedInputDeviceSource.h"
#include "UinputVirtualPad.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <linux/input-event-codes.h>

#include <memory>

Q_DECLARE_METATYPE(SimulatedInputDeviceSource::DeviceSpec)

namespace {

using Spec = SimulatedInputDeviceSource::DeviceSpec;

SimulatedInputDeviceSource* devices()
{
    return SimulatedInputDeviceSource::instance();
}

QStringList knownPaths()
{
    QStringList paths;
    for (const auto& device : theGamepad->devices)
        paths << device->path;
    return paths;
}

// (type, id, value) of each broadcast event.
using Events = QList<std::tuple<int, int, double>>;

Events eventsOf(const QSignalSpy& spy)
{
    Events events;
    for (const QList<QVariant>& arguments : spy)
        events.append({arguments.at(0).toInt(), arguments.at(1).toInt(), arguments.at(2).toDouble()});
    return events;
}

} // namespace

class TestGamepad : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void whatCountsAsGamepad_data();
    void whatCountsAsGamepad();
    void eventsAndScaling();
    void droppedAndFoundAgain();
    void withoutDeviceManager();
    void saveStrings_data();
    void saveStrings();
    void captureButton();
    void virtualPadThroughTheKernel();

private:
    std::unique_ptr<Gamepad> gamepad;
};

void TestGamepad::initTestCase()
{
    qRegisterMetaType<GamepadEventType>("GamepadEventType");
}

void TestGamepad::init()
{
    devices()->reset();
    gamepad = std::make_unique<Gamepad>();
    theGamepad = gamepad.get();
    // The test drives scans and reads itself.
    gamepad->scanTimer->stop();
    gamepad->readTimer->stop();
}

void TestGamepad::cleanup()
{
    gamepad.reset();
    InputDeviceSource::setInstance(nullptr);
}

void TestGamepad::whatCountsAsGamepad_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Spec>("spec");
    QTest::addColumn<bool>("added");
    QTest::addColumn<bool>("opened");
    const QString node = QStringLiteral("/dev/input/event4");
    Spec pad;
    QTest::newRow("joystick with X and Y") << node << pad << true << true;
    Spec touch;
    touch.name = QStringLiteral("Touch screen");
    touch.joystick = false;
    QTest::newRow("touch screen: never even opened") << node << touch << false << false;
    Spec fakeMouse;
    fakeMouse.name = QStringLiteral("mouce-library-fake-mouse");
    QTest::newRow("virtual pointer") << node << fakeMouse << false << true;
    Spec noAxes;
    noAxes.absoluteXY = false;
    QTest::newRow("no X and Y") << node << noAxes << false << true;
    Spec broken;
    broken.probeFails = true;
    QTest::newRow("cannot be probed") << node << broken << false << true;
    QTest::newRow("not an event node") << QStringLiteral("/dev/input/js0") << pad << false << false;
}

void TestGamepad::whatCountsAsGamepad()
{
    QFETCH(QString, path);
    QFETCH(Spec, spec);
    QFETCH(bool, added);
    QFETCH(bool, opened);
    devices()->plug(path, spec);
    gamepad->slot_scanNewDevices();
    QCOMPARE(knownPaths(), added ? QStringList({path}) : QStringList());
    QCOMPARE(devices()->openCount(path), opened ? 1 : 0);
    // A game pad is opened once; anything else that was opened is tried again.
    gamepad->slot_scanNewDevices();
    QCOMPARE(knownPaths().size(), added ? 1 : 0);
    QCOMPARE(devices()->openCount(path), opened && !added ? 2 : int(opened));
}

void TestGamepad::eventsAndScaling()
{
    const QString node = QStringLiteral("/dev/input/event5");
    Spec spec;
    spec.axisMaxima = {{ABS_X, 255}, {ABS_Y, 1023}, {ABS_Z, 0}, {ABS_RX, -100}};
    devices()->plug(node, spec);
    gamepad->slot_scanNewDevices();
    QSignalSpy spy(gamepad.get(), &Gamepad::signal_gamepadEvent);
    devices()->push(node, EV_ABS, ABS_X, 128);
    devices()->push(node, EV_ABS, ABS_Y, -1023);
    devices()->push(node, EV_ABS, ABS_Z, 7);   // no range: ignored
    devices()->push(node, EV_ABS, ABS_RX, 7);  // negative maximum: ignored
    devices()->push(node, EV_ABS, ABS_RY, 7);  // an axis the device lacks: ignored
    devices()->push(node, EV_SYN, SYN_REPORT, 0);
    devices()->push(node, EV_REL, REL_X, 3);
    devices()->push(node, EV_KEY, BTN_SOUTH, 1);
    devices()->push(node, EV_KEY, BTN_SOUTH, 2);
    devices()->push(node, EV_KEY, BTN_SOUTH, 0);
    gamepad->slot_scanEvent();
    const Events expected = {{2, ABS_X, double(128.0f / 255.0f)},
                             {2, ABS_Y, -1.0},
                             {1, BTN_SOUTH, 1.0},
                             {1, BTN_SOUTH, 2.0},
                             {1, BTN_SOUTH, 0.0}};
    QCOMPARE(eventsOf(spy), expected);

    // A resynchronisation ends this device's read for the tick, it is no fault.
    spy.clear();
    devices()->pushSyncStatus(node);
    devices()->push(node, EV_KEY, BTN_EAST, 1);
    gamepad->slot_scanEvent();
    QCOMPARE(knownPaths(), QStringList({node}));
    QVERIFY(spy.isEmpty());
    gamepad->slot_scanEvent();
    QCOMPARE(eventsOf(spy), Events({{1, BTN_EAST, 1.0}}));

    // Two bindings on one button both fire; an unbound one never does.
    GamepadEvent first;
    GamepadEvent second;
    GamepadEvent unbound;
    first.setFromString(QStringLiteral("1:305"));
    second.setSource(GamepadEventType_button, BTN_EAST);
    unbound.setFromString(QStringLiteral("0:305"));
    QSignalSpy firstValues(&first, &GamepadEvent::signal_newValue);
    QSignalSpy secondValues(&second, &GamepadEvent::signal_newValue);
    QSignalSpy unboundValues(&unbound, &GamepadEvent::signal_newValue);
    devices()->push(node, EV_KEY, BTN_EAST, 0);
    devices()->push(node, EV_KEY, BTN_SOUTH, 1);
    gamepad->slot_scanEvent();
    QCOMPARE(firstValues.size(), 1);
    QCOMPARE(secondValues.size(), 1);
    QCOMPARE(unboundValues.size(), 0);
}

void TestGamepad::droppedAndFoundAgain()
{
    gamepad->developerMode = true;
    const QString first = QStringLiteral("/dev/input/event6");
    const QString other = QStringLiteral("/dev/input/event8");
    devices()->plug(first, Spec());
    devices()->plug(other, Spec());
    gamepad->slot_scanNewDevices();
    QCOMPARE(knownPaths(), QStringList({first, other}));

    LogCapture log;
    devices()->unplug(first);
    devices()->push(other, EV_KEY, BTN_SOUTH, 1);
    QSignalSpy spy(gamepad.get(), &Gamepad::signal_gamepadEvent);
    gamepad->slot_scanEvent();
    // The other pad is still read in the same tick.
    QCOMPARE(spy.size(), 1);
    QCOMPARE(knownPaths(), QStringList({other}));
    QCOMPARE(log.count(QStringLiteral("Device not responding")), 1);

    // Plugged in again under a new node: the next scan finds it.
    const QString replugged = QStringLiteral("/dev/input/event9");
    devices()->plug(replugged, Spec());
    gamepad->slot_scanNewDevices();
    QCOMPARE(knownPaths(), QStringList({other, replugged}));
}

void TestGamepad::withoutDeviceManager()
{
    devices()->setDeviceManagerAvailable(false);
    devices()->plug(QStringLiteral("/dev/input/event3"), Spec());
    LogCapture log;
    gamepad->slot_scanNewDevices();
    QCOMPARE(log.count(QStringLiteral("Failed to initialize udev")), 1);
    QVERIFY(knownPaths().isEmpty());
}

void TestGamepad::saveStrings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("description");
    QTest::newRow("axis") << QStringLiteral("2:1") << 2 << 1 << QStringLiteral("Axis 1");
    QTest::newRow("button") << QStringLiteral("1:304") << 1 << 304 << QStringLiteral("Button 304");
    // Anything else unbinds; the id stays where the text has no second part.
    QTest::newRow("empty") << QString() << 0 << 9 << QString();
    QTest::newRow("two colons") << QStringLiteral("1:2:3") << 0 << 9 << QString();
    QTest::newRow("not numbers") << QStringLiteral("x:y") << 0 << 0 << QString();
}

void TestGamepad::saveStrings()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(int, id);
    QFETCH(QString, description);
    GamepadEvent binding;
    binding.setSource(GamepadEventType_button, 9);
    binding.setFromString(text);
    QCOMPARE(int(binding.type), type);
    QCOMPARE(binding.id, id);
    QCOMPARE(binding.getDescription(), description);
    QCOMPARE(binding.getSaveString(), QStringLiteral("%1:%2").arg(type).arg(id));
}

void TestGamepad::captureButton()
{
    const QString node = QStringLiteral("/dev/input/event2");
    devices()->plug(node, Spec());
    gamepad->slot_scanNewDevices();
    GamepadEvent binding;
    binding.setFromString(QStringLiteral("1:304"));
    GamepadEventWidget widget(&binding, nullptr);
    QCOMPARE(widget.text(), QStringLiteral("Button 304"));
    QSignalSpy changed(&widget, &GamepadEventWidget::signal_eventChanged);

    // Idle, keys do nothing (they do not click the button).
    QTest::keyClick(&widget, Qt::Key_Space);
    QVERIFY(!widget.isChecked());

    // A slight axis movement binds that axis.
    widget.click();
    QVERIFY(widget.isChecked());
    devices()->push(node, EV_ABS, ABS_Y, 1);
    gamepad->slot_scanEvent();
    QCOMPARE(binding.getSaveString(), QStringLiteral("2:1"));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().first().toString(), QStringLiteral("2:1"));
    QVERIFY(!widget.isChecked());
    QCOMPARE(widget.text(), QStringLiteral("Axis 1"));
    // Once bound the button listens no more.
    devices()->push(node, EV_KEY, BTN_SOUTH, 1);
    gamepad->slot_scanEvent();
    QCOMPARE(binding.getSaveString(), QStringLiteral("2:1"));

    // Escape cancels, and the pending capture with it.
    widget.click();
    QTest::keyClick(&widget, Qt::Key_Escape);
    QVERIFY(!widget.isChecked());
    devices()->push(node, EV_KEY, BTN_EAST, 1);
    gamepad->slot_scanEvent();
    QCOMPARE(binding.getSaveString(), QStringLiteral("2:1"));

    // Backspace clears the binding and shows it.
    widget.click();
    QTest::keyClick(&widget, Qt::Key_Backspace);
    QVERIFY(!widget.isChecked());
    QCOMPARE(int(binding.type), 0);
    QCOMPARE(widget.text(), QString());
    QCOMPARE(changed.last().first().toString(), QStringLiteral("0:1"));
}

void TestGamepad::virtualPadThroughTheKernel()
{
    if (!UinputVirtualPad::available())
        QSKIP("/dev/uinput is not available here");
    EvdevInputDeviceSource real;
    InputDeviceSource::setInstance(&real);
    UinputVirtualPad pad(QStringLiteral("Zembo test pad"));
    QVERIFY(pad.isValid());
    const QString node = pad.devnode();
    QVERIFY(!node.isEmpty());
    // udev needs a moment to mark the new device as a joystick.
    QTRY_VERIFY_WITH_TIMEOUT((gamepad->slot_scanNewDevices(), knownPaths().contains(node)), 5000);
    QSignalSpy spy(gamepad.get(), &Gamepad::signal_gamepadEvent);
    QVERIFY(pad.send(EV_KEY, BTN_SOUTH, 1));
    QVERIFY(pad.send(EV_ABS, ABS_X, 255));
    QTRY_VERIFY((gamepad->slot_scanEvent(), spy.size() >= 2));
    QCOMPARE(eventsOf(spy).first(), Events::value_type(1, BTN_SOUTH, 1.0));
}

QTEST_MAIN(TestGamepad)
#include "tst_gamepad.moc"
