// Operator input channels: "inputChannels.xml" (limit, names, values, what a
// malformed file leaves), the actions of shortcuts and game-pad controls, the
// table's actions, the editor dialog and the recorded channel records.
#include "ChannelSetup.h"
#include "ChannelSetupWidget.h"
#include "Gamepad.h"
#include "GamepadEvent.h"
#include "InputChannel.h"
#include "InputChannelDialog.h"
#include "InputChannelsManager.h"
#include "InputChannelsModel.h"
#include "LogCapture.h"
#include "MenuDriver.h"
#include "MySettings.h"
#include "QuantityComboBox.h"
#include "RecordingAnswerer.h"
#include "ShortcutParents.h"
#include "SimulatedInputDeviceSource.h"
#include "SpinBoxWithUnit.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QDialogButtonBox>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <linux/input-event-codes.h>

#include <cmath>
#include <memory>

namespace {

QString inputsFile()
{
    return theSettings.settingsDir.filePath(QStringLiteral("inputChannels.xml"));
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// A document of `count` channels named "in 0", "in 1", ...
QString manyChannels(int count)
{
    QString text = QStringLiteral("<inputChannels>");
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("<inputChannel name=\"in%1\" step=\"1\" value=\"%1\"/>").arg(i);
    return text + QStringLiteral("</inputChannels>");
}

QStringList names()
{
    return theInputChannelsModel.listInputNames();
}

void clearModel()
{
    theInputChannelsModel.removeRows(0, theInputChannelsModel.rowCount());
}

InputChannel* channel(int row)
{
    return theInputChannelsModel.input(row);
}

} // namespace

class TestInputChannels : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void fileLoadsAtMost255();
    void fileRoundTrip();
    void attributesAsRead();
    void malformedFileIsKeptAside();
    void keyPressesSetValues();
    void pulseReturnsToZero();
    void gamepadEventsSetValues();
    void tableActions();
    void pageAndContextMenu_data();
    void pageAndContextMenu();
    void importAndExport();
    void editorDialog();
    void recordedChannelRecords();

private:
    RecordingAnswerer answerer;
    QWidget* window = nullptr;
};

void TestInputChannels::initTestCase()
{
    theUnits.init();
    window = new QWidget;
    window->resize(200, 100);
    ShortcutParents::setMainWindow(window);
    theGamepad = new Gamepad(this);
    // The test drives the reads itself.
    theGamepad->scanTimer->stop();
    theGamepad->readTimer->stop();
}

void TestInputChannels::init()
{
    answerer.shown.clear();
    answerer.respond = nullptr;
    answerer.result = QDialog::Rejected;
    answerer.files.clear();
    SimulatedInputDeviceSource::instance()->reset();
}

void TestInputChannels::cleanup()
{
    clearModel();
    theInputChannelsModel.saveTimer->stop();
    QFile::remove(inputsFile());
    QFile::remove(inputsFile() + QStringLiteral(".bad"));
}

void TestInputChannels::cleanupTestCase()
{
    delete window;
    ShortcutParents::setMainWindow(nullptr);
}

void TestInputChannels::fileLoadsAtMost255()
{
    writeFile(inputsFile(), manyChannels(300).toUtf8());
    theInputChannelsModel.loadFromFile();
    QCOMPARE(theInputChannelsModel.rowCount(), 255);
    QCOMPARE(names().first(), QStringLiteral("in0"));
    QCOMPARE(names().last(), QStringLiteral("in254"));
    QCOMPARE(channel(254)->getValue(), 254.0);
    QVERIFY(answerer.shown.isEmpty());
    // Loading does not save.
    QVERIFY(!theInputChannelsModel.saveTimer->isActive());

    // At the limit "new" refuses, "duplicate" does not.
    theInputChannelsModel.action_new();
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().text, QStringLiteral("Maximum 256 channels per device possible"));
    theInputChannelsModel.action_duplicate({3});
    QCOMPARE(theInputChannelsModel.rowCount(), 256);
    QCOMPARE(names().last(), QStringLiteral("in3 1"));
    QVERIFY(theInputChannelsModel.saveTimer->isActive());
}

void TestInputChannels::fileRoundTrip()
{
    const QString text = QStringLiteral(
        "<inputChannels>"
        "<inputChannel name=\"Lamp\" step=\"1\" onUp=\"Ctrl+U\" offDown=\"Ctrl+D\" toggle=\"Ctrl+T\" pulse=\"\" "
        "gamepadEvent=\"1:304\" value=\"1\"><variableSetup unitType=\"30\" filter=\"0\"/></inputChannel>"
        "<inputChannel name=\"Fan speed\" step=\"0.125\" onUp=\"Alt+PgUp\" value=\"12.5\">"
        "<variableSetup unitType=\"2\" unit=\"km/h\" filter=\"0\"/></inputChannel>"
        "</inputChannels>");
    theInputChannelsModel.loadFromString(text, false);
    QCOMPARE(names(), QStringList({"Lamp", "Fan speed"}));
    InputChannel* lamp = channel(0);
    QCOMPARE(lamp->setup->key, QStringLiteral("I_Lamp"));
    QCOMPARE(lamp->setup->quantity, Quantity::Logic);
    QCOMPARE(lamp->getValue(), 1.0);
    QCOMPARE(lamp->onUpShortcut->key(), QKeySequence(QStringLiteral("Ctrl+U")));
    QVERIFY(lamp->pulseShortcut->key().isEmpty());
    QCOMPARE(lamp->gamepadEvent->getSaveString(), QStringLiteral("1:304"));
    QCOMPARE(lamp->setup->sampling, SamplingMode::SampleAndHold);
    QCOMPARE(channel(1)->step, 0.125);
    QCOMPARE(channel(1)->getValue(), 12.5);

    // Written, read into a fresh model and written again: the same text.
    const QString written = theInputChannelsModel.setupToString();
    QDomDocument document;
    QVERIFY(document.setContent(written));
    QCOMPARE(document.documentElement().tagName(), QStringLiteral("inputChannels"));
    QVERIFY(written.startsWith(QStringLiteral("<inputChannels>\n <inputChannel name=\"Lamp\" step=\"1\" "
                                              "onUp=\"Ctrl+U\" offDown=\"Ctrl+D\" toggle=\"Ctrl+T\" pulse=\"\" "
                                              "gamepadEvent=\"1:304\" value=\"1\" uniqueId=\"")));
    clearModel();
    theInputChannelsModel.loadFromString(written, false);
    QString again = theInputChannelsModel.setupToString();
    // The unique ids are the channels' own and differ between the two loads.
    static const QRegularExpression ids(QStringLiteral("uniqueId=\"\\d+\""));
    QCOMPARE(again.replace(ids, QString()), QString(written).replace(ids, QString()));
}

void TestInputChannels::attributesAsRead()
{
    theInputChannelsModel.loadFromString(
        QStringLiteral("<inputChannels>"
                       "<inputChannel name=\"Gear\" step=\"fast\" value=\"nan\"/>"
                       "<inputChannel name=\"Gear\"/>"
                       "<inputChannel name=\"Gear\" gamepadEvent=\"2:1:0\" value=\"3\"/>"
                       "<inputChannel step=\"2\"/>"
                       "<other name=\"x\"/>"
                       "</inputChannels>"),
        false);
    QCOMPARE(names(), QStringList({"Gear", "Gear 1", "Gear 2", ""}));
    QCOMPARE(channel(1)->setup->key, QStringLiteral("I_Gear 1"));
    QCOMPARE(channel(0)->step, 0.0);
    QVERIFY(std::isnan(channel(0)->getValue()));
    QCOMPARE(channel(1)->getValue(), 0.0);
    QCOMPARE(channel(2)->gamepadEvent->type, GamepadEventType_none);
    // Importing the same channels again doubles the list with unique names.
    theInputChannelsModel.loadFromString(QStringLiteral("<inputChannels><inputChannel name=\"Gear\"/>"
                                                        "<inputChannel name=\"Gear 1\"/></inputChannels>"),
                                         false);
    QCOMPARE(names().mid(4), QStringList({"Gear 3", "Gear 4"}));
}

void TestInputChannels::malformedFileIsKeptAside()
{
    const QByteArray broken = "<inputChannels><inputChannel name=\"Lamp\"></inputChannels>";
    writeFile(inputsFile(), broken);
    theInputChannelsModel.loadFromFile();
    QCOMPARE(theInputChannelsModel.rowCount(), 0);
    QCOMPARE(answerer.shown.size(), 1);
    QVERIFY2(answerer.shown.first().text.contains(QStringLiteral("inputChannels.xml.bad")),
             qPrintable(answerer.shown.first().text));
    QCOMPARE(readFile(inputsFile() + QStringLiteral(".bad")), broken);
    // The next save writes a file of its own, the kept one stays.
    theInputChannelsModel.loadFromString(manyChannels(1), false);
    theInputChannelsModel.slot_saveToFile();
    QVERIFY(readFile(inputsFile()).contains("name=\"in0\""));
    QCOMPARE(readFile(inputsFile() + QStringLiteral(".bad")), broken);

    // A model that never read its file does not write one.
    InputChannelsModel unread;
    LogCapture log;
    unread.slot_saveToFile();
    QCOMPARE(log.count(QStringLiteral("Error writing inputChannels.xml file")), 1);
}

void TestInputChannels::keyPressesSetValues()
{
    theInputChannelsModel.loadFromString(
        QStringLiteral("<inputChannels>"
                       "<inputChannel name=\"Lamp\" onUp=\"Ctrl+U\" offDown=\"Ctrl+D\" toggle=\"Ctrl+T\" value=\"1\">"
                       "<variableSetup unitType=\"30\" filter=\"0\"/></inputChannel>"
                       "<inputChannel name=\"Speed\" step=\"0.5\" onUp=\"F9\" offDown=\"F10\" toggle=\"F11\" "
                       "value=\"10\"><variableSetup unitType=\"2\" filter=\"0\"/></inputChannel>"
                       "<inputChannel name=\"Twin\" onUp=\"F12\"/>"
                       "<inputChannel name=\"Twin2\" onUp=\"F12\"/>"
                       "</inputChannels>"),
        false);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    InputChannel* lamp = channel(0);
    InputChannel* speed = channel(1);
    struct Press {
        InputChannel* target;
        int key;
        Qt::KeyboardModifiers modifiers;
        double expected;
    };
    const Press presses[] = {
        {lamp, Qt::Key_U, Qt::ControlModifier, 1.0},   {lamp, Qt::Key_D, Qt::ControlModifier, 0.0},
        {lamp, Qt::Key_T, Qt::ControlModifier, 1.0},   {lamp, Qt::Key_T, Qt::ControlModifier, 0.0},
        {lamp, Qt::Key_T, Qt::ControlModifier, 1.0},   {speed, Qt::Key_F9, Qt::NoModifier, 10.5},
        {speed, Qt::Key_F10, Qt::NoModifier, 10.0},    {speed, Qt::Key_F10, Qt::NoModifier, 9.5},
        {speed, Qt::Key_F10, Qt::NoModifier, 9.0},     {speed, Qt::Key_F11, Qt::NoModifier, 0.0},
        {speed, Qt::Key_F11, Qt::NoModifier, 1.0},
    };
    for (const Press& press : presses) {
        QTest::keyClick(window, Qt::Key(press.key), press.modifiers);
        QCOMPARE(press.target->getValue(), press.expected);
    }
    // The first TOGGLE of a channel without a value gives 0; a step stays NaN.
    speed->setData(std::nan(""), RunChannel::wallClock());
    QTest::keyClick(window, Qt::Key_F9);
    QVERIFY(std::isnan(speed->getValue()));
    QTest::keyClick(window, Qt::Key_F11);
    QCOMPARE(speed->getValue(), 0.0);

    // One key on two channels: neither changes, the operator is told.
    QTest::keyClick(window, Qt::Key_F12);
    QCOMPARE(channel(2)->getValue(), 0.0);
    QCOMPARE(channel(3)->getValue(), 0.0);
    QCOMPARE(answerer.shown.size(), 1);
    QVERIFY(answerer.shown.first().text.startsWith(QStringLiteral("Ambiguous shortcut for input channel I_Twin")));

    // A removed channel leaves no shortcut behind on the main window.
    const int before = int(window->findChildren<QShortcut*>().size());
    theInputChannelsModel.removeRows(0, 1);
    QCOMPARE(int(window->findChildren<QShortcut*>().size()), before - 4);
    window->hide();
}

void TestInputChannels::pulseReturnsToZero()
{
    theInputChannelsModel.loadFromString(
        QStringLiteral("<inputChannels><inputChannel name=\"Horn\" pulse=\"Ctrl+P\" value=\"0\"/></inputChannels>"),
        false);
    InputChannel* horn = channel(0);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QElapsedTimer clock;
    QTest::keyClick(window, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(horn->getValue(), 1.0);
    QTest::qWait(600);
    // Pressed again within the second: the second starts anew.
    clock.start();
    QTest::keyClick(window, Qt::Key_P, Qt::ControlModifier);
    QTest::qWait(600);
    QCOMPARE(horn->getValue(), 1.0);
    QTRY_COMPARE_WITH_TIMEOUT(horn->getValue(), 0.0, 2000);
    QVERIFY2(clock.elapsed() >= 900, qPrintable(QString::number(clock.elapsed())));
    window->hide();
}

void TestInputChannels::gamepadEventsSetValues()
{
    SimulatedInputDeviceSource* devices = SimulatedInputDeviceSource::instance();
    const QString pad = QStringLiteral("/dev/input/event7");
    devices->plug(pad, SimulatedInputDeviceSource::DeviceSpec());
    theGamepad->slot_scanNewDevices();
    theInputChannelsModel.loadFromString(
        QStringLiteral("<inputChannels>"
                       "<inputChannel name=\"Button\" gamepadEvent=\"1:304\"/>"
                       "<inputChannel name=\"Same button\" gamepadEvent=\"1:304\"/>"
                       "<inputChannel name=\"Throttle\" gamepadEvent=\"2:1\"/>"
                       "<inputChannel name=\"Unbound\" gamepadEvent=\"0:304\" value=\"5\"/>"
                       "</inputChannels>"),
        false);
    devices->push(pad, EV_KEY, BTN_SOUTH, 1);
    devices->push(pad, EV_ABS, ABS_Y, 128);
    theGamepad->slot_scanEvent();
    QCOMPARE(channel(0)->getValue(), 1.0);
    QCOMPARE(channel(1)->getValue(), 1.0);
    QCOMPARE(channel(2)->getValue(), double(128.0f / 255.0f));
    QCOMPARE(channel(3)->getValue(), 5.0);
    devices->push(pad, EV_KEY, BTN_SOUTH, 2); // auto-repeat passes the raw value
    theGamepad->slot_scanEvent();
    QCOMPARE(channel(0)->getValue(), 2.0);
    devices->push(pad, EV_KEY, BTN_SOUTH, 0);
    theGamepad->slot_scanEvent();
    QCOMPARE(channel(0)->getValue(), 0.0);
}

void TestInputChannels::tableActions()
{
    theInputChannelsModel.loadFromString(manyChannels(7), false);
    QTableView view;
    view.setModel(&theInputChannelsModel);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    QList<int> removedRows;
    connect(&theInputChannelsModel, &QAbstractItemModel::rowsAboutToBeRemoved, &view,
            [&removedRows](const QModelIndex&, int first) { removedRows.append(first); });
    theInputChannelsModel.action_remove({2, 5});
    QCOMPARE(removedRows, QList<int>({5, 2}));
    QCOMPARE(names(), QStringList({"in0", "in1", "in3", "in4", "in6"}));

    auto key = [&view](int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, code, modifiers);
        return theInputChannelsModel.eventFilter(&view, &event);
    };
    // Alt+Up on the first row and Alt+Down on the last do nothing, consumed.
    view.setCurrentIndex(theInputChannelsModel.index(0, 0));
    QVERIFY(key(Qt::Key_Up, Qt::AltModifier));
    view.setCurrentIndex(theInputChannelsModel.index(4, 0));
    QVERIFY(key(Qt::Key_Down, Qt::AltModifier));
    QCOMPARE(names(), QStringList({"in0", "in1", "in3", "in4", "in6"}));
    QVERIFY(key(Qt::Key_Up, Qt::AltModifier));
    QCOMPARE(names(), QStringList({"in0", "in1", "in3", "in6", "in4"}));
    QCOMPARE(view.currentIndex().row(), 3);
    QVERIFY(!key(Qt::Key_Up));
    QCOMPARE(theInputChannelsModel.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("0"));

    // D duplicates the selected row; Delete removes it.
    view.selectRow(1);
    QVERIFY(key(Qt::Key_D));
    QCOMPARE(names().last(), QStringLiteral("in1 1"));
    view.selectRow(5);
    QVERIFY(key(Qt::Key_Delete));
    QCOMPARE(names(), QStringList({"in0", "in1", "in3", "in6", "in4"}));

    // N opens the editor; cancelling leaves nothing behind, even with an
    // edit of the setup still on its way when the dialog closes.
    answerer.respond = [](QDialog* dialog) {
        if (auto* setupEditor = dialog->findChild<ChannelSetupWidget*>())
            setupEditor->quantityCombo->setQuantity(Quantity::Pressure);
        return int(QDialog::Rejected);
    };
    QVERIFY(key(Qt::Key_N));
    QCOMPARE(answerer.shown.last().title, QStringLiteral("UI Input Channel"));
    QCOMPARE(theInputChannelsModel.rowCount(), 5);
}

void TestInputChannels::pageAndContextMenu_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QStringList>("entries");
    const QString edit = QStringLiteral("Edit       -  Enter");
    const QString remove = QStringLiteral("Delete     -  Del");
    const QString duplicate = QStringLiteral("Duplicate  -  D");
    const QString add = QStringLiteral("New        -  N");
    const QString up = QStringLiteral("Move up    -  Alt+Up");
    const QString down = QStringLiteral("Move down  -  Alt+Down");
    const QString import = QStringLiteral("Import file");
    const QString exportEntry = QStringLiteral("Export");
    QTest::newRow("first row, selected") << 0 << true
                                         << QStringList({edit, remove, duplicate, add, down, import, exportEntry});
    QTest::newRow("middle row, nothing selected") << 1 << false << QStringList({edit, add, up, down, import});
    QTest::newRow("last row, selected") << 2 << true
                                        << QStringList({edit, remove, duplicate, add, up, import, exportEntry});
    QTest::newRow("below the rows") << -1 << false << QStringList({add, import});
}

void TestInputChannels::pageAndContextMenu()
{
    QFETCH(int, row);
    QFETCH(bool, selected);
    QFETCH(QStringList, entries);
    writeFile(inputsFile(), manyChannels(3).toUtf8());
    InputChannelsManager page;
    page.init();
    QCOMPARE(theInputChannelsModel.rowCount(), 3);
    QCOMPARE(page.tableView->horizontalHeader()->objectName(), QStringLiteral("inputChannelsManager_header"));
    QCOMPARE(page.tableView->selectionMode(), QAbstractItemView::SingleSelection);
    page.resize(600, 300);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTableView* view = page.tableView;
    if (selected)
        view->selectRow(row);
    const QRect cell = row >= 0 ? view->visualRect(theInputChannelsModel.index(row, 0))
                                : QRect(QPoint(5, view->viewport()->height() - 10), QSize(1, 1));
    const QPoint position = view->viewport()->mapTo(view, cell.center());
    // On the middle row "Move up" acts on the row under the pointer.
    MenuDriver driver(row == 1 ? QStringList({QStringLiteral("Move up    -  Alt+Up")}) : QStringList());
    QContextMenuEvent event(QContextMenuEvent::Mouse, position, view->mapToGlobal(position));
    QVERIFY(QCoreApplication::sendEvent(view, &event));
    QVERIFY(driver.opened);
    QCOMPARE(driver.entries, entries);
    if (row == 1)
        QCOMPARE(names(), QStringList({"in1", "in0", "in2"}));
}

void TestInputChannels::importAndExport()
{
    theInputChannelsModel.loadFromString(manyChannels(4), false);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("exported.xml"));
    writeFile(target, "previous export");
    answerer.result = QDialog::Accepted;
    answerer.files = {target};
    theInputChannelsModel.action_export({1, 3});
    QDomDocument document;
    QVERIFY(document.setContent(readFile(target)));
    QDomElement first = document.documentElement().firstChildElement();
    QCOMPARE(first.attribute(QStringLiteral("name")), QStringLiteral("in1"));
    QCOMPARE(first.nextSiblingElement().attribute(QStringLiteral("name")), QStringLiteral("in3"));
    QVERIFY(first.nextSiblingElement().nextSiblingElement().isNull());

    // A target that cannot be written: the error box, nothing else changes.
    answerer.shown.clear();
    answerer.files = {dir.filePath(QStringLiteral("missing/folder/exported.xml"))};
    theInputChannelsModel.action_export({0});
    QCOMPARE(answerer.shown.last().text, QStringLiteral("Error opening output file"));
    QVERIFY(readFile(target).contains("in3"));

    // Importing the export twice adds four channels with unique names; the
    // import itself waits for the next save.
    theInputChannelsModel.saveTimer->stop();
    answerer.files = {target, target};
    theInputChannelsModel.action_import();
    QCOMPARE(names().mid(4), QStringList({"in1 1", "in3 1", "in1 2", "in3 2"}));
    QVERIFY(!theInputChannelsModel.saveTimer->isActive());
}

void TestInputChannels::editorDialog()
{
    theInputChannelsModel.loadFromString(
        QStringLiteral("<inputChannels><inputChannel name=\"Heater\" value=\"3\"/><inputChannel name=\"Other\"/>"
                       "</inputChannels>"),
        false);
    InputChannel* heater = channel(0);
    double typed = 0;
    {
        InputChannelDialog dialog(nullptr, heater);
        dialog.existingNames = {QStringLiteral("Other")};
        auto* setupEditor = dialog.findChild<ChannelSetupWidget*>();
        QVERIFY(setupEditor);
        QCOMPARE(dialog.valueSpinBox->getValueSI(), 3.0);

        // Logic: no step, the value box in logic.
        setupEditor->quantityCombo->setQuantity(Quantity::Logic);
        QTRY_VERIFY(!dialog.stepSpinBox->isEnabled());
        QCOMPARE(dialog.valueSpinBox->getQuantity(), Quantity::Logic);

        // Temperature: a step is a difference, only K and °R.
        setupEditor->quantityCombo->setQuantity(Quantity::Temperature);
        QTRY_VERIFY(dialog.stepSpinBox->isEnabled());
        dialog.stepSpinBox->setUnitFromName(QStringLiteral("°C"));
        QVERIFY(dialog.stepSpinBox->getUnit()->name != QStringLiteral("°C"));
        dialog.stepSpinBox->setUnitFromName(QStringLiteral("°R"));
        dialog.stepSpinBox->setValue(9.0);
        QVERIFY2(qAbs(heater->step - 5.0) < 1e-9, qPrintable(QString::number(heater->step)));
        dialog.stepSpinBox->setUnitFromName(QStringLiteral("K"));
        dialog.stepSpinBox->setValue(2.0);
        QCOMPARE(heater->step, 2.0);

        // The value goes to the live channel at once and follows it.
        dialog.valueSpinBox->setValue(5.0);
        typed = dialog.valueSpinBox->getValueSI();
        QCOMPARE(heater->getValue(), typed);
        heater->setDataWithoutFilter(300.15, RunChannel::wallClock());
        QCOMPARE(dialog.valueSpinBox->getValueSI(), 300.15);
        dialog.valueSpinBox->setValue(5.0);

        // Another channel's name is refused; the dialog stays open.
        dialog.nameLineEdit->setText(QStringLiteral("Other"));
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        dialog.buttonBox->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(accepted.count(), 0);
        QCOMPARE(answerer.shown.last().text, QStringLiteral("Channel with name Other already exists"));
        dialog.reject();
    }
    // Cancel restores name, step and setup, not the value.
    QCOMPARE(heater->getChildName(), QStringLiteral("Heater"));
    QCOMPARE(heater->step, 0.0);
    QCOMPARE(heater->setup->quantity, Quantity::None);
    QCOMPARE(heater->getValue(), typed);
}

void TestInputChannels::recordedChannelRecords()
{
    InputChannelsModel run;
    run.loadFromString(QStringLiteral("<inputChannels>"
                                      "<inputChannel name=\"a\" uniqueId=\"65537\" onUp=\"F3\" step=\"4\"/>"
                                      "<inputChannel name=\"b\" uniqueId=\"2\"/>"
                                      "<inputChannel name=\"c\" uniqueId=\"many\"/>"
                                      "</inputChannels>"),
                       true);
    QCOMPARE(run.rowCount(), 3);
    // A run's channels are never operated: no shortcuts, no binding, no step.
    QVERIFY(!run.input(0)->onUpShortcut);
    QVERIFY(!run.input(0)->gamepadEvent);
    QCOMPARE(run.input(0)->step, 1.0);
    QList<channelFrame_t> frames = {{1.5, 1, 100}, {2.5, 2, 200}, {3.5, 1, 2500}, {9.0, 0, 10}};
    QList<QList<double>> times;
    QList<QList<double>> values;
    run.parseFrames(&frames, &times, &values);
    QCOMPARE(times, QList<QList<double>>({{0.1, 2.5}, {0.2}, {0.01}}));
    QCOMPARE(values, QList<QList<double>>({{1.5, 3.5}, {2.5}, {9.0}}));
}

QTEST_MAIN(TestInputChannels)
#include "tst_input_channels.moc"
