// The functions model and its file, the functions page, and the function
// editor: what is stored and read back, what the table's keys and menu do,
// how an edit is cancelled, locked functions, and the editor's rows.
#include "Argument.h"
#include "ArgumentLineEdit.h"
#include "ArgumentWidget.h"
#include "ChannelSetup.h"
#include "ChannelSetupDescriptor.h"
#include "ChannelSetupWidget.h"
#include "Channels.h"
#include "Function.h"
#include "FunctionAccessControl.h"
#include "FunctionDialog.h"
#include "FunctionFixtures.h"
#include "FunctionManager.h"
#include "FunctionWidget.h"
#include "FunctionsModel.h"
#include "LogCapture.h"
#include "MenuDriver.h"
#include "MySettings.h"
#include "QuantityComboBox.h"
#include "RecordingAnswerer.h"
#include "lib/Units.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDomDocument>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <cmath>

using namespace fixtures;

namespace {

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

QString fixture(const QString& name)
{
    return QStringLiteral(FIXTURE_DIR "/") + name;
}

QString functionsFile()
{
    return theSettings.settingsDir.filePath(QStringLiteral("functions.xml"));
}

void clearLiveModel()
{
    theFunctionsModel.removeRows(0, theFunctionsModel.rowCount());
}

// A function of the live model, at the end of its list.
Function* addLive(const QString& name, Operator op = Operator_assign)
{
    auto* function = new Function;
    function->setChildName(name);
    function->setOperator(op);
    theFunctionsModel.addFunction(function);
    return function;
}

class AccessControl : public FunctionAccessControl
{
public:
    bool isLocked() const override { return locked; }
    bool isManufacturerMode() const override { return manufacturer; }
    bool locked = false;
    bool manufacturer = false;
};

bool keyThroughFilter(QTableView& view, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    return theFunctionsModel.eventFilter(&view, &event);
}

QStringList namesOf(const FunctionsModel& model)
{
    return model.getFunctionsList();
}

// The rows of an editor that are shown, by their labels.
QStringList shownArgumentLabels(FunctionWidget& widget)
{
    QStringList labels;
    for (int i = 0; i < widget.argumentEditors.size(); ++i) {
        if (widget.argumentEditors.at(i)->isVisibleTo(&widget))
            labels << widget.argumentLabels.at(i)->text();
    }
    return labels;
}

} // namespace

class TestFunctionsModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void exampleRoundTripsByteForByte();
    void writtenFunctionOfOneOperator();
    void duplicateNameLoadsOneAndReportsOne();
    void attributesAsRead();
    void malformedFileIsKeptAside();
    void noSaveBeforeLoad();
    void pageLoadsEvaluatesAndSaves();
    void livePassOrder();
    void keys();
    void contextMenu_data();
    void contextMenu();
    void cancelledEditRestoresAndRestarts();
    void acceptedEditAndNames();
    void lockedFunctions();
    void removalAsksWhenUsed();
    void editorRowsFollowTheOperator();
    void editorValidation();
    void equationErrorMessage();
    void argumentEditorCreatesAndEditsFunctions();

private:
    TestClock clock;
    RecordingAnswerer answerer;
    AccessControl access;
};

void TestFunctionsModel::initTestCase()
{
    theUnits.init();
    theChannelSetupDescriptor.init();
    FunctionAccessControl::set(&access);
}

void TestFunctionsModel::init()
{
    answerer.shown.clear();
    answerer.respond = nullptr;
    answerer.result = QDialog::Rejected;
    access.locked = false;
    access.manufacturer = false;
}

void TestFunctionsModel::cleanup()
{
    clearLiveModel();
    theFunctionsModel.saveTimer->stop();
    QFile::remove(functionsFile());
    QFile::remove(functionsFile() + QStringLiteral(".bad"));
}

void TestFunctionsModel::exampleRoundTripsByteForByte()
{
    const QByteArray example = readFile(fixture(QStringLiteral("functions_example.xml")));
    QVERIFY(!example.isEmpty());
    writeFile(functionsFile(), example);
    theFunctionsModel.loadFromFile();
    QCOMPARE(namesOf(theFunctionsModel), QStringList({"Boost", "Boost ratio <&\"'>"}));
    Function* ratio = theFunctionsModel.functions.at(1);
    QCOMPARE(int(ratio->functionOperator), int(Operator_equation));
    QCOMPARE(ratio->equation, QStringLiteral("A > 2 && B < 1"));
    QCOMPARE(ratio->shellScript, QStringLiteral("beep -f 440"));
    QVERIFY(ratio->manufacturerLock);
    QCOMPARE(ratio->arguments.at(0)->getConstant(), 2.5);
    QCOMPARE(ratio->arguments.at(0)->unit->name, QStringLiteral("bar"));
    QCOMPARE(ratio->setup->quantity, Quantity::Logic);
    QCOMPARE(ratio->setup->color, QColor(255, 0, 0));

    const QByteArray written = theFunctionsModel.setupToString().toUtf8();
    if (written != example)
        writeFile(QDir::temp().filePath(QStringLiteral("functions_written.xml")), written);
    QCOMPARE(written, example);
    theFunctionsModel.slot_saveToFile();
    QCOMPARE(readFile(functionsFile()), example);

    // Without functions the file is one self-closing root.
    clearLiveModel();
    QCOMPARE(theFunctionsModel.setupToString(), QStringLiteral("<functions/>\n"));
}

void TestFunctionsModel::writtenFunctionOfOneOperator()
{
    FunctionsModel model;
    auto* boost = new Function;
    boost->setChildName(QStringLiteral("Boost"));
    boost->setOperatorFromKey(QStringLiteral("="));
    model.addFunction(boost);
    QDomDocument document;
    QVERIFY(document.setContent(model.setupToString()));
    const QDomElement root = document.documentElement();
    QCOMPARE(root.tagName(), QStringLiteral("functions"));
    const QDomElement element = root.firstChildElement();
    QCOMPARE(element.tagName(), QStringLiteral("function"));
    QVERIFY(element.nextSiblingElement().isNull());
    QCOMPARE(element.attribute(QStringLiteral("name")), QStringLiteral("Boost"));
    QCOMPARE(element.attribute(QStringLiteral("operator")), QStringLiteral("="));
    QVERIFY(element.hasAttribute(QStringLiteral("equation")) && element.attribute(QStringLiteral("equation")).isEmpty());
    QVERIFY(element.hasAttribute(QStringLiteral("shellScript")));
    QCOMPARE(element.attribute(QStringLiteral("manufacturerLock")), QStringLiteral("0"));
    QStringList children;
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement())
        children << child.tagName() + QLatin1Char(':') + child.attribute(QStringLiteral("id"));
    QCOMPARE(children, QStringList({"argument:0", "argument:1", "argument:2", "argument:3", "argument:4",
                                    "variableSetup:"}));
}

void TestFunctionsModel::duplicateNameLoadsOneAndReportsOne()
{
    const QString text = QStringLiteral("<functions><function name=\"Boost\" operator=\"+\"/>"
                                        "<function name=\"Boost\" operator=\"-\"/>"
                                        "<function name=\"boost\" operator=\"*\"/></functions>");
    theFunctionsModel.loadFromString(text);
    QCOMPARE(namesOf(theFunctionsModel), QStringList({"Boost", "boost"}));
    QCOMPARE(int(theFunctionsModel.functions.first()->functionOperator), int(Operator_add));
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().text, QStringLiteral("Duplicated function name: Boost"));

    // A recorded run's model says so in the log only.
    answerer.shown.clear();
    LogCapture log;
    FunctionsModel run;
    run.loadFromString(text);
    QCOMPARE(run.rowCount(), 2);
    QVERIFY(answerer.shown.isEmpty());
    QCOMPARE(log.count(QStringLiteral("Duplicated function name: Boost")), 1);
}

void TestFunctionsModel::attributesAsRead()
{
    FunctionsModel model;
    model.loadFromString(QStringLiteral(
        "<functions>"
        "<function name=\"a\" operator=\"integrate\" manufacturerLock=\"yes\">"
        "<argument id=\"7\" type=\"constant\" value=\"3\"/><argument id=\"x\" type=\"constant\" value=\"4\"/>"
        "<argument id=\"1\" type=\"constant\" value=\"5\"/></function>"
        "<function name=\"b\" operator=\"Integrate\" manufacturerLock=\"2\"/>"
        "<function name=\"c\" operator=\"equation\" equation=\"A*2\"/>"
        "<function operator=\"max\"/>"
        "</functions>"
        "<functions><function name=\"d\"/></functions>"));
    // A second root element makes the text malformed: nothing of it is read.
    QCOMPARE(model.rowCount(), 0);

    model.loadFromString(QStringLiteral(
        "<functions>"
        "<function name=\"a\" operator=\"integrate\" manufacturerLock=\"yes\">"
        "<argument id=\"7\" type=\"constant\" value=\"3\"/><argument id=\"x\" type=\"constant\" value=\"4\"/>"
        "<argument id=\"1\" type=\"constant\" value=\"5\"/></function>"
        "<function name=\"b\" operator=\"Integrate\" manufacturerLock=\"2\"/>"
        "<function name=\"c\" operator=\"equation\" equation=\"A*2\"/>"
        "<function operator=\"max\"/>"
        "</functions>"));
    QCOMPARE(namesOf(model), QStringList({"a", "b", "c", ""}));
    Function* a = model.functions.at(0);
    QCOMPARE(int(a->functionOperator), int(Operator_integrate));
    QVERIFY(!a->manufacturerLock);
    QCOMPARE(a->arguments.at(0)->getType(), ArgumentType_null);
    QCOMPARE(a->arguments.at(1)->getConstant(), 5.0);
    for (int i = 2; i < 5; ++i)
        QCOMPARE(a->arguments.at(i)->getType(), ArgumentType_null);
    Function* b = model.functions.at(1);
    QCOMPARE(int(b->functionOperator), 0);
    QVERIFY(b->manufacturerLock);
    QVERIFY(model.setupToString().contains(QStringLiteral("name=\"b\" operator=\"0 (false)\" equation=\"\" "
                                                         "shellScript=\"\" manufacturerLock=\"1\"")));
    // The equation read before the operator is compiled, without a message.
    Function* c = model.functions.at(2);
    c->arguments[0]->setConstant(21, false);
    c->update(clock.advance(10));
    QCOMPARE(c->getValue(), 42.0);
    QVERIFY(answerer.shown.isEmpty());
}

void TestFunctionsModel::malformedFileIsKeptAside()
{
    const QByteArray broken = readFile(QStringLiteral(FIXTURE_DIR "/../../migration/fixtures/functions_malformed.xml"));
    QVERIFY(!broken.isEmpty());
    writeFile(functionsFile(), broken);
    theFunctionsModel.loadFromFile();
    QCOMPARE(theFunctionsModel.rowCount(), 0);
    QCOMPARE(answerer.shown.size(), 1);
    QVERIFY2(answerer.shown.first().text.contains(QStringLiteral("functions.xml.bad")),
             qPrintable(answerer.shown.first().text));
    QCOMPARE(readFile(functionsFile() + QStringLiteral(".bad")), broken);

    // The next save writes a file of its own and leaves the kept one alone.
    addLive(QStringLiteral("fresh"));
    theFunctionsModel.slot_saveToFile();
    QVERIFY(readFile(functionsFile()).contains("name=\"fresh\""));
    QCOMPARE(readFile(functionsFile() + QStringLiteral(".bad")), broken);
}

void TestFunctionsModel::noSaveBeforeLoad()
{
    // A model that never read its file must not replace it with its empty list.
    FunctionsModel model;
    LogCapture log;
    model.slot_saveToFile();
    QCOMPARE(log.count(QStringLiteral("Error writing functions.xml file")), 1);
    QVERIFY(model.filePath().isEmpty());
}

void TestFunctionsModel::pageLoadsEvaluatesAndSaves()
{
    writeFile(functionsFile(), QByteArrayLiteral("<functions><function name=\"double\" operator=\"*\">"
                                                 "<argument id=\"0\" type=\"channel\" value=\"F_base\"/>"
                                                 "<argument id=\"1\" type=\"constant\" value=\"2\"/></function>"
                                                 "<function name=\"base\" operator=\"=\">"
                                                 "<argument id=\"0\" type=\"constant\" value=\"21\"/></function>"
                                                 "</functions>"));
    FunctionManager page;
    page.init();
    QCOMPARE(theFunctionsModel.filePath(), functionsFile());
    QCOMPARE(page.tableView->model(), &theFunctionsModel);
    QCOMPARE(page.tableView->horizontalHeader()->objectName(), QStringLiteral("functionManager_header"));
    // An argument may name a function later in the list; the registry finds both.
    QCOMPARE(theChannels.getChannelByKey(QStringLiteral("F_base")), theFunctionsModel.functions.at(1));
    RunChannel::setWallClock(nullptr);
    QTRY_COMPARE(theFunctionsModel.functions.at(0)->getValue(), 42.0);
    RunChannel::setWallClock(&testClock);
    QCOMPARE(theFunctionsModel.data(theFunctionsModel.index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("42"));
    QCOMPARE(theFunctionsModel.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("0"));
    theChannels.registerFamily(Channels::Family_functions, nullptr);
}

void TestFunctionsModel::livePassOrder()
{
    Function* first = addLive(QStringLiteral("first"));
    Function* second = addLive(QStringLiteral("second"));
    Function* third = addLive(QStringLiteral("third"));
    first->arguments[0]->setChannel(second, false);
    second->arguments[0]->setConstant(1, false);
    third->arguments[0]->setChannel(second, false);
    theFunctionsModel.slot_evaluateFunctions();
    QVERIFY(std::isnan(first->getValue())); // the previous pass's value of a later function
    QCOMPARE(third->getValue(), 1.0);       // this pass's value of an earlier one
    theFunctionsModel.slot_evaluateFunctions();
    QCOMPARE(first->getValue(), 1.0);
    double value;
    qint64 firstTime;
    qint64 thirdTime;
    first->getTimestampedData(value, firstTime);
    third->getTimestampedData(value, thirdTime);
    QCOMPARE(firstTime, thirdTime);
}

void TestFunctionsModel::keys()
{
    addLive(QStringLiteral("one"));
    addLive(QStringLiteral("two"));
    addLive(QStringLiteral("three"));
    QTableView view;
    view.setModel(&theFunctionsModel);

    // Without a current row every action key is consumed and does nothing.
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Delete)})
        QVERIFY(keyThroughFilter(view, key));
    QVERIFY(keyThroughFilter(view, Qt::Key_Up, Qt::AltModifier));
    QVERIFY(keyThroughFilter(view, Qt::Key_Down, Qt::AltModifier));
    QCOMPARE(namesOf(theFunctionsModel), QStringList({"one", "two", "three"}));
    QVERIFY(answerer.shown.isEmpty());

    // The ends do not move, the key is still consumed.
    view.setCurrentIndex(theFunctionsModel.index(2, 0));
    QVERIFY(keyThroughFilter(view, Qt::Key_Down, Qt::AltModifier));
    view.setCurrentIndex(theFunctionsModel.index(0, 0));
    QVERIFY(keyThroughFilter(view, Qt::Key_Up, Qt::AltModifier));
    QCOMPARE(namesOf(theFunctionsModel), QStringList({"one", "two", "three"}));
    QVERIFY(keyThroughFilter(view, Qt::Key_Down, Qt::AltModifier));
    QCOMPARE(namesOf(theFunctionsModel), QStringList({"two", "one", "three"}));
    QCOMPARE(view.currentIndex().row(), 1);
    QVERIFY(theFunctionsModel.saveTimer->isActive());
    // Other keys, and arrows without Alt, go on to the view.
    QVERIFY(!keyThroughFilter(view, Qt::Key_Up));
    QVERIFY(!keyThroughFilter(view, Qt::Key_X, Qt::AltModifier));

    // N opens "New Function" for a result of quantity none.
    Quantity offered = Quantity::Time;
    answerer.respond = [&offered](QDialog* dialog) {
        if (auto* functionDialog = qobject_cast<FunctionDialog*>(dialog)) {
            offered = functionDialog->functionWidget->function->setup->quantity;
            // An edit still on its way when the cancelled dialog closes.
            functionDialog->functionWidget->setupEditor->displayNameEdit->setText(QStringLiteral("Pending"));
        }
        return int(QDialog::Rejected);
    };
    view.setCurrentIndex(QModelIndex());
    QVERIFY(keyThroughFilter(view, Qt::Key_N, Qt::ControlModifier));
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().title, QStringLiteral("New Function"));
    QCOMPARE(offered, Quantity::None);
    QCOMPARE(theFunctionsModel.rowCount(), 3);

    // Return edits the current row: the dialog's prohibited names are the others.
    QStringList prohibited;
    answerer.respond = [&prohibited](QDialog* dialog) {
        if (auto* functionDialog = qobject_cast<FunctionDialog*>(dialog))
            prohibited = functionDialog->functionWidget->prohibitedNames;
        return int(QDialog::Rejected);
    };
    view.setCurrentIndex(theFunctionsModel.index(2, 0));
    QVERIFY(keyThroughFilter(view, Qt::Key_Return));
    QCOMPARE(prohibited, QStringList({"two", "one"}));
}

void TestFunctionsModel::contextMenu_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("entries");
    const QString edit = QStringLiteral("Edit       -  Enter");
    const QString remove = QStringLiteral("Delete     -  Del");
    const QString add = QStringLiteral("New        -  N");
    const QString up = QStringLiteral("Move up    -  Alt+Up");
    const QString down = QStringLiteral("Move down  -  Alt+Down");
    QTest::newRow("first row") << 0 << QStringList({edit, remove, add, down});
    QTest::newRow("middle row") << 1 << QStringList({edit, remove, add, up, down});
    QTest::newRow("last row") << 2 << QStringList({edit, remove, add, up});
    QTest::newRow("below the rows") << -1 << QStringList({add});
}

void TestFunctionsModel::contextMenu()
{
    QFETCH(int, row);
    QFETCH(QStringList, entries);
    addLive(QStringLiteral("one"));
    addLive(QStringLiteral("two"));
    addLive(QStringLiteral("three"));
    QTableView view;
    view.setModel(&theFunctionsModel);
    view.installEventFilter(&theFunctionsModel);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QRect cell = row >= 0 ? view.visualRect(theFunctionsModel.index(row, 0))
                                : QRect(QPoint(5, view.viewport()->height() - 10), QSize(1, 1));
    const QPoint position = view.viewport()->mapTo(&view, cell.center());
    // Picking "Move up" acts on the row under the pointer.
    MenuDriver driver(row == 2 ? QStringList({QStringLiteral("Move up    -  Alt+Up")}) : QStringList());
    QContextMenuEvent event(QContextMenuEvent::Mouse, position, view.mapToGlobal(position));
    QVERIFY(QCoreApplication::sendEvent(&view, &event));
    QVERIFY(driver.opened);
    QCOMPARE(driver.entries, entries);
    if (row == 2)
        QCOMPARE(namesOf(theFunctionsModel), QStringList({"one", "three", "two"}));
}

void TestFunctionsModel::cancelledEditRestoresAndRestarts()
{
    Function* area = addLive(QStringLiteral("area"), Operator_integrate);
    area->arguments[0]->setConstant(2.0, false);
    area->equation = QStringLiteral("A+1");
    area->setup->displayName = QStringLiteral("Area");
    for (int i = 0; i < 5; ++i)
        area->update(clock.advance(10));
    RunChannel::setWallClock(nullptr);
    area->update(QDateTime::currentMSecsSinceEpoch());
    RunChannel::setWallClock(&testClock);
    QVERIFY(area->getValue() > 0.0);

    double valueWhileOpen = -1;
    answerer.respond = [&](QDialog* dialog) {
        auto* functionDialog = qobject_cast<FunctionDialog*>(dialog);
        if (!functionDialog)
            return int(QMessageBox::Ok);
        // Building the editor applies the operator once: the integral restarts.
        valueWhileOpen = area->getValue();
        FunctionWidget* widget = functionDialog->functionWidget;
        widget->operatorBox->setCurrentIndex(Operator_equation);
        widget->equationEdit->setText(QStringLiteral("A*B"));
        widget->nameEdit->setText(QStringLiteral("renamed"));
        widget->setupEditor->displayNameEdit->setText(QStringLiteral("Changed"));
        return int(QDialog::Rejected);
    };
    area->setData(5.0, clock.now());
    QVERIFY(theFunctionsModel.action_editFunction(0, false));
    QCOMPARE(valueWhileOpen, 0.0);
    QCOMPARE(int(area->functionOperator), int(Operator_integrate));
    QCOMPARE(area->equation, QStringLiteral("A+1"));
    QCOMPARE(area->getChildName(), QStringLiteral("area"));
    QCOMPARE(area->setup->displayName, QStringLiteral("Area"));
    QCOMPARE(area->arguments.at(0)->getConstant(), 2.0);
    // The restored operator's state is initialised again.
    area->setData(5.0, clock.now());
    QVERIFY(theFunctionsModel.action_editFunction(0, false));
    QCOMPARE(area->getValue(), 0.0);
    QVERIFY(!theFunctionsModel.saveTimer->isActive());
}

void TestFunctionsModel::acceptedEditAndNames()
{
    addLive(QStringLiteral("speed"));
    Function* power = addLive(QStringLiteral("power"));
    QSignalSpy changed(&theFunctionsModel, &QAbstractItemModel::dataChanged);
    bool accepted = false;
    auto tryName = [&](const QString& name) {
        answerer.shown.clear();
        accepted = false;
        answerer.respond = [&, name](QDialog* dialog) {
            auto* functionDialog = qobject_cast<FunctionDialog*>(dialog);
            if (!functionDialog)
                return int(QMessageBox::Ok);
            functionDialog->functionWidget->nameEdit->setText(name);
            connect(functionDialog->functionWidget, &FunctionWidget::signal_validationAccepted, this,
                    [&accepted] { accepted = true; });
            functionDialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            return accepted ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
        theFunctionsModel.action_editFunction(1, false);
    };
    // Another function's name is refused, the own name kept.
    tryName(QStringLiteral("speed"));
    QVERIFY(!accepted);
    QCOMPARE(answerer.shown.size(), 2);
    QCOMPARE(answerer.shown.at(1).text, QStringLiteral("Duplicated function name: speed"));
    QCOMPARE(power->getChildName(), QStringLiteral("power"));
    tryName(QStringLiteral("power"));
    QVERIFY(accepted);
    QCOMPARE(answerer.shown.size(), 1);
    QVERIFY(theFunctionsModel.saveTimer->isActive());
    QVERIFY(!changed.isEmpty());
}

void TestFunctionsModel::lockedFunctions()
{
    Function* locked = addLive(QStringLiteral("locked"));
    locked->manufacturerLock = true;
    QCOMPARE(theFunctionsModel.data(theFunctionsModel.index(0, 2), Qt::BackgroundRole).value<QColor>(),
             QColor(Qt::gray));
    access.locked = true;
    QVERIFY(theFunctionsModel.action_editFunction(0, false));
    QVERIFY(theFunctionsModel.action_removeFunction(0, false));
    QCOMPARE(answerer.shown.size(), 2);
    for (const RecordingAnswerer::Shown& shown : std::as_const(answerer.shown))
        QCOMPARE(shown.text, QStringLiteral("This function is locked by dyno manufacturer"));
    QCOMPARE(theFunctionsModel.rowCount(), 1);
    // Unlocked, the same function opens and goes.
    access.locked = false;
    answerer.shown.clear();
    theFunctionsModel.action_editFunction(0, false);
    QCOMPARE(answerer.shown.first().className, QStringLiteral("FunctionDialog"));
    QVERIFY(theFunctionsModel.action_removeFunction(0, false));
    QCOMPARE(theFunctionsModel.rowCount(), 0);
    QVERIFY(!theFunctionsModel.action_removeFunction(0, false));
    QVERIFY(!theFunctionsModel.action_editFunction(-1, true));
}

void TestFunctionsModel::removalAsksWhenUsed()
{
    Function* used = addLive(QStringLiteral("used"));
    Function* user = addLive(QStringLiteral("user"));
    user->arguments[0]->setChannel(used, false);
    answerer.result = QMessageBox::No;
    QVERIFY(theFunctionsModel.action_removeFunction(0, false));
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(theFunctionsModel.rowCount(), 2);
    answerer.result = QMessageBox::Yes;
    QVERIFY(theFunctionsModel.action_removeFunction(0, false));
    QCOMPARE(namesOf(theFunctionsModel), QStringList({"user"}));
    QCOMPARE(user->arguments.at(0)->getChannel(), nullptr);
    QVERIFY(theFunctionsModel.saveTimer->isActive());
}

void TestFunctionsModel::editorRowsFollowTheOperator()
{
    Function function;
    FunctionWidget widget(nullptr, &function);
    QVERIFY(!widget.lockBox);

    widget.operatorBox->setCurrentIndex(Operator_choose);
    QCOMPARE(shownArgumentLabels(widget), QStringList({"if true", "if false", "condition"}));
    QVERIFY(!widget.equationEdit->isVisibleTo(&widget));
    widget.argumentEditors[0]->quantityCombo->setQuantity(Quantity::Speed);
    QCOMPARE(widget.argumentEditors[1]->quantityCombo->currentQuantity(), Quantity::Speed);
    QVERIFY(!widget.argumentEditors[1]->quantityCombo->isEnabled());
    QCOMPARE(widget.argumentEditors[2]->quantityCombo->currentQuantity(), Quantity::Logic);
    QCOMPARE(widget.setupEditor->quantityCombo->currentQuantity(), Quantity::Speed);
    QVERIFY(!widget.setupEditor->quantityCombo->isEnabled());
    QCOMPARE(function.setup->quantity, Quantity::Speed);

    widget.operatorBox->setCurrentIndex(Operator_equation);
    QCOMPARE(shownArgumentLabels(widget), QStringList({"A", "B", "C", "D", "E"}));
    QVERIFY(widget.equationEdit->isVisibleTo(&widget));

    widget.operatorBox->setCurrentIndex(Operator_multiply);
    QVERIFY(widget.setupEditor->quantityCombo->isEnabled());
    widget.operatorBox->setCurrentIndex(Operator_greater);
    QCOMPARE(widget.setupEditor->quantityCombo->currentQuantity(), Quantity::Logic);
    QVERIFY(!widget.setupEditor->quantityCombo->isEnabled());

    widget.operatorBox->setCurrentIndex(Operator_add);
    widget.argumentEditors[0]->quantityCombo->setQuantity(Quantity::Torque);
    QCOMPARE(widget.argumentEditors[1]->quantityCombo->currentQuantity(), Quantity::Torque);
    QCOMPARE(widget.setupEditor->quantityCombo->currentQuantity(), Quantity::Torque);

    // The lock row only for the manufacturer, unlocked.
    access.manufacturer = true;
    FunctionWidget manufacturer(nullptr, &function);
    QVERIFY(manufacturer.lockBox);
    manufacturer.lockBox->setChecked(true);
    QVERIFY(function.manufacturerLock);
    access.locked = true;
    FunctionWidget lockedOut(nullptr, &function);
    QVERIFY(!lockedOut.lockBox);
}

void TestFunctionsModel::editorValidation()
{
    Function function;
    function.setOperator(Operator_equation);
    FunctionDialog dialog(&function);
    dialog.functionWidget->equationEdit->setText(QStringLiteral("A +"));
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(accepted.count(), 0);
    QCOMPARE(answerer.shown.size(), 2);
    QCOMPARE(answerer.shown.at(0).text, QStringLiteral("Function name cannot be empty"));
    QVERIFY(answerer.shown.at(1).text.startsWith(QStringLiteral("Error parsing function equation")));

    answerer.shown.clear();
    dialog.functionWidget->nameEdit->setText(QStringLiteral("fine"));
    dialog.functionWidget->equationEdit->setText(QStringLiteral("A + 1"));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(accepted.count(), 1);
    QVERIFY(answerer.shown.isEmpty());
    QCOMPARE(function.getChildName(), QStringLiteral("fine"));
}

void TestFunctionsModel::equationErrorMessage()
{
    Function function;
    // (equation, token, position, error code)
    const QList<std::tuple<QString, QString, int, int>> cases = {
        {QStringLiteral("A + F"), QStringLiteral("F"), 4, 1},
        {QStringLiteral("sin(A"), QStringLiteral(")"), 6, 11},
    };
    for (const auto& [equation, token, position, code] : cases) {
        answerer.shown.clear();
        function.equation = equation;
        QVERIFY(function.updateAndCheckEquation(true));
        QCOMPARE(answerer.shown.size(), 1);
        const QString text = answerer.shown.first().text;
        QVERIFY2(text.startsWith(QStringLiteral("Error parsing function equation\nMessage:  ")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("\nFormula:  ") + equation), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("\nToken:    ") + token + QLatin1Char('\n')), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("\nPosition: %1\n").arg(position)), qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral("\nErrc:     %1").arg(code)), qPrintable(text));
    }
    answerer.shown.clear();
    function.equation = QStringLiteral("A + B");
    QVERIFY(!function.updateAndCheckEquation(true));
    QVERIFY(answerer.shown.isEmpty());
}

void TestFunctionsModel::argumentEditorCreatesAndEditsFunctions()
{
    theChannels.registerFamily(Channels::Family_functions, &theFunctionsModel);
    Function* existing = addLive(QStringLiteral("existing"));
    Argument argument;
    ArgumentWidget widget(nullptr, &argument);
    widget.typeCombo->setCurrentIndex(ArgumentType_channel);
    widget.resize(400, 40);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));

    auto openMenu = [&widget](const QStringList& path) {
        auto driver = std::make_unique<MenuDriver>(path);
        QMetaObject::invokeMethod(&widget, "slot_valueContextMenuRequested", Q_ARG(QPoint, QPoint(5, 5)));
        return driver;
    };
    // Not a function's key: only "New function".
    QCOMPARE(openMenu({})->entries, QStringList({"Choose channel", "Clear", "New function"}));

    answerer.respond = [](QDialog* dialog) {
        auto* functionDialog = qobject_cast<FunctionDialog*>(dialog);
        if (!functionDialog)
            return int(QMessageBox::Ok);
        functionDialog->functionWidget->nameEdit->setText(QStringLiteral("created"));
        return int(QDialog::Accepted);
    };
    openMenu({QStringLiteral("New function")});
    Function* created = theFunctionsModel.getFunctionByKey(QStringLiteral("F_created"));
    QVERIFY(created);
    QCOMPARE(argument.getChannel(), created);
    QCOMPARE(widget.valueEdit->text(), QStringLiteral("F_created"));

    argument.setChannel(existing, true);
    answerer.shown.clear();
    answerer.respond = nullptr;
    const QStringList entries = openMenu({QStringLiteral("Edit function")})->entries;
    QCOMPARE(entries, QStringList({"Choose channel", "Clear", "Edit function", "New function"}));
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().title, QStringLiteral("Function"));
    theChannels.registerFamily(Channels::Family_functions, nullptr);
}

QTEST_MAIN(TestFunctionsModel)
#include "tst_functions_model.moc"
