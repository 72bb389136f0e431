// The characteristic editor in the GUI thread: interpolation, replacing the
// points, the text forms (files, clipboard, XML), editing keys and ranges,
// axes and their channel, the tracker and the settings binding.
#include "ChannelFamily.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "Colors.h"
#include "DoubleSpinBoxDelegate.h"
#include "MenuDriver.h"
#include "MySettings.h"
#include "PointVectorEditor.h"
#include "PointVectorEditorAxis.h"
#include "PointVectorModel.h"
#include "PointVectorPlotView.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "lib/PointVectorText.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QApplication>
#include <QClipboard>
#include <QDomDocument>
#include <QFile>
#include <QFileDialog>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class TestFamily : public ChannelFamily
{
public:
    RunChannel* getChannelByKey(const QString& key) const override
    {
        for (RunChannel* channel : channels) {
            if (channel->setup->key == key)
                return channel;
        }
        return nullptr;
    }
    QList<AbstractChannel*> listChannelsForArgument(Quantity) const override { return {}; }
    QList<AbstractChannel*> getListForChannels() const override { return {}; }
    QList<RunChannel*> channels;
};

TestFamily g_family;

const QList<QPointF> kSteppedCurve = {{0, 0}, {2, 1}, {2, 3}, {4, 5}};

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof(double)) == 0;
}

bool sameBits(const QList<QPointF>& a, const QList<QPointF>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (!sameBits(a.at(i).x(), b.at(i).x()) || !sameBits(a.at(i).y(), b.at(i).y()))
            return false;
    }
    return true;
}

// Points whose coordinates need every one of the 17 digits.
QList<QPointF> awkwardPoints()
{
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-300, 300);
    QList<QPointF> points = {{0.1, 1.0 / 3.0}, {1e-300, -2.5e300}, {std::nextafter(1.0, 2.0), 123456789.123456789}};
    for (int i = 0; i < 200; ++i)
        points.append({std::ldexp(mantissa(random), exponent(random) / 10), std::ldexp(mantissa(random), exponent(random))});
    return points;
}

} // namespace

class TestCharacteristicEditor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void interpolation_data();
    void interpolation();
    void sameListChangesNothing();
    void textRoundTripIsExact();
    void readingText_data();
    void readingText();
    void unreadableTextKeepsTheCurve_data();
    void unreadableTextKeepsTheCurve();
    void csvFiles();
    void xmlForm();
    void insertingAndDeleting();
    void cellEditorRanges();
    void axisOfThePlotMenu_data();
    void axisOfThePlotMenu();
    void unitsAndDecimals();
    void channelOfAnAxis();
    void tracker();
    void mirroredEditors();
    void settingsBinding();
    void plotView();
};

void TestCharacteristicEditor::initTestCase()
{
    theUnits.init();
    theColors.init();
    g_family.channels.append(new RunChannel(8, QStringLiteral("F_throttle"), 0, QStringLiteral("Throttle"),
                                            Quantity::Fraction));
    theChannels.registerFamily(Channels::Family_functions, &g_family);
}

void TestCharacteristicEditor::cleanupTestCase()
{
    theChannels.registerFamily(Channels::Family_functions, nullptr);
    qDeleteAll(g_family.channels);
}

void TestCharacteristicEditor::interpolation_data()
{
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::newRow("not a number") << kSteppedCurve << kNaN << kNaN;
    QTest::newRow("empty curve passes x") << QList<QPointF>() << 7.5 << 7.5;
    QTest::newRow("below the first point") << kSteppedCurve << -3.0 << 0.0;
    QTest::newRow("beyond the last point") << kSteppedCurve << 9.0 << 5.0;
    QTest::newRow("on the last point") << kSteppedCurve << 4.0 << 5.0;
    QTest::newRow("between") << kSteppedCurve << 1.0 << 0.5;
    QTest::newRow("step takes the later point") << kSteppedCurve << 2.0 << 3.0;
    QTest::newRow("after the step") << kSteppedCurve << 3.0 << 4.0;
}

void TestCharacteristicEditor::interpolation()
{
    QFETCH(QList<QPointF>, points);
    QFETCH(double, x);
    QFETCH(double, y);
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    editor.slot_setVector(points);
    const double result = editor.getValue(x);
    if (std::isnan(y))
        QVERIFY(std::isnan(result));
    else
        QCOMPARE(result, y);
}

void TestCharacteristicEditor::sameListChangesNothing()
{
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    editor.slot_setVector(kSteppedCurve);
    QCoreApplication::processEvents();
    QSignalSpy changed(&editor, &PointVectorEditor::signal_vectorChanged);
    QSignalSpy cells(editor.model, &QAbstractItemModel::dataChanged);
    QList<QPointF> nearlySame = kSteppedCurve;
    nearlySame[3].setY(5 * (1 + 1e-13));
    editor.slot_setVector(nearlySame);
    QCoreApplication::processEvents();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(cells.count(), 0);
    nearlySame[3].setY(5.001);
    editor.slot_setVector(nearlySame);
    QCoreApplication::processEvents();
    QVERIFY(changed.count() >= 1);
    QCOMPARE(changed.last().first().value<QList<QPointF>>(), nearlySame);
}

void TestCharacteristicEditor::textRoundTripIsExact()
{
    const QList<QPointF> points = awkwardPoints();
    QVERIFY(sameBits(PointVectorText::fromText(PointVectorText::toText(points)), points));
    // All 17 digits where the double needs them, trailing zeros left out.
    QCOMPARE(PointVectorText::toText({{0.1, 2000}, {1e6, -2.5}}),
             QStringLiteral("0.10000000000000001,2000\n1000000,-2.5\n"));
    QCOMPARE(PointVectorText::toText({}), QString());

    // Through the editor's XML form.
    PointVectorEditor source(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    source.slot_setVector(points);
    QDomDocument document;
    QDomElement element = document.createElement(QStringLiteral("curve"));
    document.appendChild(element);
    source.writeSetupToDomElement(&element);
    QDomDocument reread;
    QVERIFY(reread.setContent(document.toString()));
    QDomElement parsed = reread.documentElement();
    PointVectorEditor copy(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    copy.parseDomElement(&parsed);
    QVERIFY(sameBits(copy.vector(), points));
}

void TestCharacteristicEditor::readingText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<QPointF>>("points");
    QTest::newRow("any separator, blanks and line ends")
        << "1.5;2\n3 x 4" << QList<QPointF>({{1.5, 2}, {3, 4}});
    QTest::newRow("six digits of earlier versions")
        << "0,0\n1.23457e-05,2000\n1e+06,-3.5\n" << QList<QPointF>({{0, 0}, {1.23457e-05, 2000}, {1e6, -3.5}});
    QTest::newRow("stops at the first broken pair") << "1,2\n3,4\n5,x\n7,8" << QList<QPointF>({{1, 2}, {3, 4}});
    QTest::newRow("windows line ends") << "1,2\r\n3,4\r\n" << QList<QPointF>({{1, 2}, {3, 4}});
}

void TestCharacteristicEditor::readingText()
{
    QFETCH(QString, text);
    QFETCH(QList<QPointF>, points);
    QCOMPARE(PointVectorText::fromText(text), points);
}

void TestCharacteristicEditor::unreadableTextKeepsTheCurve_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("header line") << "x,y\n1,2\n3,4\n";
    QTest::newRow("empty clipboard") << QString();
    QTest::newRow("blank separator eats the second number") << "1.5 2";
}

void TestCharacteristicEditor::unreadableTextKeepsTheCurve()
{
    QFETCH(QString, text);
    RecordingAnswerer answerer;
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    editor.slot_setVector(kSteppedCurve);
    QApplication::clipboard()->setText(text);
    editor.loadFromClipboard();
    QCOMPARE(editor.vector(), kSteppedCurve);
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().text,
             QStringLiteral("No characteristic points found; the characteristic is unchanged"));
}

void TestCharacteristicEditor::csvFiles()
{
    QTemporaryDir folder;
    RecordingAnswerer answerer;
    answerer.result = QDialog::Accepted;
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    editor.axes[PointVectorField_y]->slot_setLabel(QStringLiteral("Throttle map"));
    const QList<QPointF> points = awkwardPoints();
    editor.slot_setVector(points);

    const QString path = folder.filePath(QStringLiteral("map.csv"));
    answerer.files = {path};
    editor.saveCsvFile();
    QCOMPARE(answerer.shown.last().title, QStringLiteral("Save CSV characteristic"));
    QVERIFY(answerer.shown.last().proposed.first().endsWith(QStringLiteral("Throttle map.csv")));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(written.readAll()), PointVectorText::toText(points));
    written.close();

    PointVectorEditor loaded(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    loaded.loadCsvFile();
    QVERIFY(sameBits(loaded.vector(), points));

    // A file with a header line is refused and the curve stays.
    QFile header(folder.filePath(QStringLiteral("header.csv")));
    QVERIFY(header.open(QIODevice::WriteOnly));
    header.write("rpm,torque\n1000,50\n");
    header.close();
    answerer.files = {header.fileName()};
    loaded.loadCsvFile();
    QVERIFY(sameBits(loaded.vector(), points));
    QCOMPARE(answerer.shown.last().text, QStringLiteral("No characteristic points found; the characteristic is unchanged"));

    answerer.files = {folder.filePath(QStringLiteral("missing/none.csv"))};
    loaded.loadCsvFile();
    QCOMPARE(answerer.shown.last().text, QStringLiteral("Can't open file for reading"));
    editor.saveCsvFile();
    QCOMPARE(answerer.shown.last().text, QStringLiteral("Can't open file for writing"));
    QVERIFY(sameBits(loaded.vector(), points));
}

void TestCharacteristicEditor::xmlForm()
{
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    editor.axes[PointVectorField_x]->slot_setQuantity(Quantity::RotationalSpeed);
    editor.axes[PointVectorField_y]->slot_setQuantity(Quantity::Torque);
    editor.slot_setVector(kSteppedCurve);

    QDomDocument document;
    QDomElement element = document.createElement(QStringLiteral("curve"));
    document.appendChild(element);
    element.setAttribute(QStringLiteral("vector"), QStringLiteral("1,10\n2,20\n"));
    QDomElement xAxis = document.createElement(QStringLiteral("axis_1"));
    xAxis.setAttribute(QStringLiteral("unit"), QStringLiteral("RPM"));
    xAxis.setAttribute(QStringLiteral("decimals"), QStringLiteral("12"));
    element.appendChild(xAxis);
    QDomElement yAxis = document.createElement(QStringLiteral("axis_0"));
    yAxis.setAttribute(QStringLiteral("unit"), QStringLiteral("no such unit"));
    yAxis.setAttribute(QStringLiteral("decimals"), QStringLiteral("abc"));
    element.appendChild(yAxis);
    editor.parseDomElement(&element);
    QCOMPARE(editor.vector(), QList<QPointF>({{1, 10}, {2, 20}}));
    QCOMPARE(editor.axes[PointVectorField_x]->unit->name, QStringLiteral("RPM"));
    QCOMPARE(editor.axes[PointVectorField_x]->decimals, 10);
    QCOMPARE(editor.axes[PointVectorField_y]->unit, theUnits.getDefaultUnit(Quantity::Torque));
    QCOMPARE(editor.axes[PointVectorField_y]->decimals, 0);

    // No axis children: the axes stay; no vector: the curve is emptied.
    QDomElement bare = document.createElement(QStringLiteral("bare"));
    editor.parseDomElement(&bare);
    QVERIFY(editor.vector().isEmpty());
    QCOMPARE(editor.axes[PointVectorField_x]->unit->name, QStringLiteral("RPM"));

    QDomElement written = document.createElement(QStringLiteral("written"));
    editor.writeSetupToDomElement(&written);
    QCOMPARE(written.firstChildElement(QStringLiteral("axis_1")).attribute(QStringLiteral("unit")),
             QStringLiteral("RPM"));
    QCOMPARE(written.firstChildElement(QStringLiteral("axis_1")).attribute(QStringLiteral("decimals")),
             QStringLiteral("10"));
    QVERIFY(written.hasAttribute(QStringLiteral("vector")));
}

void TestCharacteristicEditor::insertingAndDeleting()
{
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    // On an empty table both insertions give (0, 0).
    QTest::keyClick(editor.table, Qt::Key_I);
    QCOMPARE(editor.vector(), QList<QPointF>({{0, 0}}));
    editor.slot_setVector({});
    QTest::keyClick(editor.table, Qt::Key_O);
    QCOMPARE(editor.vector(), QList<QPointF>({{0, 0}}));

    editor.slot_setVector({{1, 10}, {2, 20}, {3, 30}});
    editor.selectionModel->setCurrentIndex(editor.model->index(0, 1), QItemSelectionModel::ClearAndSelect);
    // After the current column: a copy of the point found there.
    QTest::keyClick(editor.table, Qt::Key_O);
    QCOMPARE(editor.vector(), QList<QPointF>({{1, 10}, {2, 20}, {3, 30}, {3, 30}}));
    QTest::keyClick(editor.table, Qt::Key_I);
    QCOMPARE(editor.vector(), QList<QPointF>({{1, 10}, {2, 20}, {2, 20}, {3, 30}, {3, 30}}));

    // The operating point goes in at its place in x.
    editor.enableTracker();
    editor.setTrackerPositionSI(2.5, 25);
    QTest::keyClick(editor.plot, Qt::Key_C);
    QCOMPARE(editor.vector(), QList<QPointF>({{1, 10}, {2, 20}, {2, 20}, {2.5, 25}, {3, 30}, {3, 30}}));
    QCOMPARE(editor.selectionModel->currentIndex(), editor.model->index(0, 3));

    // Every column that the selection touches goes.
    QItemSelection selection(editor.model->index(0, 1), editor.model->index(1, 2));
    selection.select(editor.model->index(1, 4), editor.model->index(1, 5));
    editor.selectionModel->select(selection, QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(editor.table, Qt::Key_Delete);
    QCOMPARE(editor.vector(), QList<QPointF>({{1, 10}, {2.5, 25}}));

    // A cell editor that is open keeps the keys from the points.
    editor.delegate->editorOpen = true;
    QTest::keyClick(editor.table, Qt::Key_I);
    QCOMPARE(editor.vector().size(), 2);
    editor.delegate->editorOpen = false;
}

void TestCharacteristicEditor::cellEditorRanges()
{
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    editor.axes[PointVectorField_y]->slot_setRangeSI(-5, 50);
    editor.slot_setVector({{1, 10}, {2, 20}, {4, 30}});
    editor.table->setCurrentIndex(editor.model->index(PointVectorField_x, 1));
    QWidget* cell = editor.delegate->createEditor(editor.table->viewport(), QStyleOptionViewItem(),
                                                  editor.model->index(PointVectorField_x, 1));
    auto* box = qobject_cast<QDoubleSpinBox*>(cell);
    QVERIFY(box);
    QCOMPARE(box->minimum(), 1.0);
    QCOMPARE(box->maximum(), 4.0);
    editor.delegate->destroyEditor(cell, editor.model->index(PointVectorField_x, 1));

    // The first x starts at the axis minimum, which defaults to 0.
    editor.table->setCurrentIndex(editor.model->index(PointVectorField_x, 0));
    cell = editor.delegate->createEditor(editor.table->viewport(), QStyleOptionViewItem(),
                                         editor.model->index(PointVectorField_x, 0));
    box = qobject_cast<QDoubleSpinBox*>(cell);
    QCOMPARE(box->minimum(), 0.0);
    QCOMPARE(box->maximum(), 2.0);
    editor.delegate->destroyEditor(cell, editor.model->index(PointVectorField_x, 0));

    editor.table->setCurrentIndex(editor.model->index(PointVectorField_y, 2));
    cell = editor.delegate->createEditor(editor.table->viewport(), QStyleOptionViewItem(),
                                         editor.model->index(PointVectorField_y, 2));
    box = qobject_cast<QDoubleSpinBox*>(cell);
    QCOMPARE(box->minimum(), -5.0);
    QCOMPARE(box->maximum(), 50.0);
    editor.delegate->destroyEditor(cell, editor.model->index(PointVectorField_y, 2));
}

void TestCharacteristicEditor::axisOfThePlotMenu_data()
{
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<QString>("axis");
    // The plot is 300 px high in this test.
    QTest::newRow("near the bottom right") << QPoint(280, 290) << "Engine speed";
    QTest::newRow("near the top left") << QPoint(10, 20) << "Torque";
    QTest::newRow("as near to both edges") << QPoint(40, 260) << "Torque";
}

void TestCharacteristicEditor::axisOfThePlotMenu()
{
    QFETCH(QPoint, position);
    QFETCH(QString, axis);
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    editor.axes[PointVectorField_x]->slot_setQuantity(Quantity::RotationalSpeed);
    editor.axes[PointVectorField_x]->slot_setLabel(QStringLiteral("Engine speed"));
    editor.axes[PointVectorField_y]->slot_setQuantity(Quantity::Torque);
    editor.axes[PointVectorField_y]->slot_setLabel(QStringLiteral("Torque"));
    editor.resize(500, 400);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.plot->setFixedHeight(300);
    QCoreApplication::processEvents();
    QCOMPARE(editor.plot->height(), 300);
    MenuDriver driver;
    editor.slot_plotContextMenu(position);
    QVERIFY(driver.opened);
    QCOMPARE(driver.entries.first(), QStringLiteral("Select unit for \"%1\"").arg(axis));
    QVERIFY(!driver.entries.contains(QStringLiteral("Select X channel")));
}

void TestCharacteristicEditor::unitsAndDecimals()
{
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    PointVectorEditorAxis* yAxis = editor.axes[PointVectorField_y];
    yAxis->slot_setQuantity(Quantity::Speed);
    yAxis->slot_setLabel(QStringLiteral("Target"));
    editor.slot_setVector({{0, 10}});
    yAxis->setUnitFromName(QStringLiteral("km/h"));
    QCOMPARE(editor.model->headerData(0, Qt::Vertical).toString(), QStringLiteral("Target [km/h]"));
    QCOMPARE(editor.model->index(0, 0).data(Qt::EditRole).toDouble(), 36.0);
    QCOMPARE(editor.model->index(0, 0).data().toString(), QStringLiteral("36.00"));
    yAxis->slot_setDecimals(-1);
    QCOMPARE(editor.model->index(0, 0).data().toString(), QStringLiteral("3.6e+01"));
    yAxis->slot_setDecimals(15);
    QCOMPARE(yAxis->decimals, 10);
    // A typed value is taken in the shown unit and stored in SI.
    editor.model->setData(editor.model->index(0, 0), 72.0);
    QCOMPARE(editor.vector().first().y(), 20.0);
    editor.model->setData(editor.model->index(0, 0), QStringLiteral("fast"));
    QCOMPARE(editor.vector().first().y(), 0.0);

    // The decimals dialog of the plot menu.
    RecordingAnswerer answerer;
    answerer.respond = [](QDialog* dialog) {
        dialog->findChild<QSpinBox*>()->setValue(4);
        return int(QDialog::Accepted);
    };
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    MenuDriver driver({QStringLiteral("Set decimal count")});
    editor.slot_plotContextMenu(QPoint(1, 1));
    QCOMPARE(answerer.shown.first().title, QStringLiteral("Set decimal count"));
    QCOMPARE(yAxis->decimals, 4);
}

void TestCharacteristicEditor::channelOfAnAxis()
{
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    PointVectorEditorAxis* xAxis = editor.axes[PointVectorField_x];
    QSignalSpy setupChanged(&editor, &PointVectorEditor::signal_setupChanged);
    auto* channel = new RunChannel(8, QStringLiteral("F_boost"), 0, QStringLiteral("Boost"), Quantity::Pressure);
    channel->setup->displayName = QStringLiteral("Boost pressure");
    xAxis->setChannel(channel);
    QCOMPARE(xAxis->label, QStringLiteral("Boost pressure"));
    QCOMPARE(xAxis->quantity, Quantity::Pressure);
    QCOMPARE(xAxis->unit, theUnits.getDefaultUnit(Quantity::Pressure));
    QCOMPARE(xAxis->channelKey(), QStringLiteral("F_boost"));
    QVERIFY(setupChanged.count() > 0);

    // Renamed, the axis follows; destroyed, it is "unknown" without a quantity.
    channel->setup->displayName = QStringLiteral("Manifold pressure");
    Q_EMIT channel->signal_setupChanged();
    QCOMPARE(editor.model->headerData(1, Qt::Vertical).toString(),
             QStringLiteral("Manifold pressure [%1]").arg(xAxis->unit->name));
    delete channel;
    QCOMPARE(xAxis->channel, nullptr);
    QCOMPARE(xAxis->label, QStringLiteral("unknown"));
    QCOMPARE(xAxis->quantity, Quantity::None);
    QCOMPARE(xAxis->unit, theUnits.getDefaultUnit(Quantity::None));

    // Picking the x channel from the plot menu.
    RecordingAnswerer answerer;
    editor.xChannelSelectable = true;
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    answerer.result = QDialog::Rejected;
    MenuDriver driver({QStringLiteral("Select X channel")});
    editor.slot_plotContextMenu(QPoint(1, 1));
    QCOMPARE(answerer.shown.first().title, QStringLiteral("Select Item"));
    QCOMPARE(xAxis->channel, nullptr);
}

void TestCharacteristicEditor::tracker()
{
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    QVERIFY(std::isnan(editor.trackerX));
    editor.slot_setVector({{0, 0}, {10, 100}});
    editor.setTrackerPositionSI(5, 50);
    QVERIFY(std::isnan(editor.trackerX));
    editor.enableTracker();
    QCOMPARE(editor.trackerX, 0.0);
    QCOMPARE(editor.trackerY, 0.0);
    editor.axes[PointVectorField_x]->slot_setQuantity(Quantity::Speed);
    editor.axes[PointVectorField_x]->setUnitFromName(QStringLiteral("km/h"));
    editor.axes[PointVectorField_x]->slot_setDecimals(1);
    editor.plot->replot();
    // Beyond the plot: the line stays inside, the text tells the value.
    editor.setTrackerPositionSI(100, 40);
    QCOMPARE(editor.trackerX, 360.0);
    QCOMPARE(editor.trackerTextX->text(), QStringLiteral("360.0"));
    QCOMPARE(editor.trackerLineX->start->coords().x(), editor.plot->xAxis->range().upper);
    QCOMPARE(editor.trackerLineY->start->coords().y(), 40.0);
    // In the GUI thread a read moves the tracker while the editor is shown.
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QCOMPARE(editor.getValue(5), 50.0);
    QCOMPARE(editor.trackerTextY->text(), QStringLiteral("50.00"));
}

void TestCharacteristicEditor::mirroredEditors()
{
    PointVectorEditor source(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    PointVectorEditor mirror(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    source.slot_setVector(kSteppedCurve);
    QSignalSpy sourceChanged(&source, &PointVectorEditor::signal_vectorChanged);
    PointVectorEditor::clonePointVectorEditor(&source, &mirror);
    QCOMPARE(mirror.vector(), kSteppedCurve);
    QCoreApplication::processEvents();
    mirror.model->setData(mirror.model->index(0, 0), 7.0);
    QTRY_COMPARE(source.vector().first().y(), 7.0);
    source.slot_setVector({{1, 1}});
    QTRY_COMPARE(mirror.vector(), QList<QPointF>({{1, 1}}));
    // The echo between the two ends.
    QTest::qWait(50);
    const int settled = sourceChanged.count();
    QTest::qWait(50);
    QCOMPARE(sourceChanged.count(), settled);
}

void TestCharacteristicEditor::settingsBinding()
{
    const QString key = QStringLiteral("UserSetting/DynoSetting/ain_1_characteristic");
    theSettings.remove(key);
    theSettings.setValue(key, QVariant::fromValue(QList<QPointF>({{0, 0}, {5, 100}})));
    theSettings.setValue(key + QStringLiteral("/1/channel"), QStringLiteral("F_throttle"));
    theSettings.setValue(key + QStringLiteral("/1/unit"), QStringLiteral("%"));
    theSettings.setValue(key + QStringLiteral("/0/decimals"), 3);
    {
        PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
        editor.setObjectName(QStringLiteral("DynoSetting/ain_1_characteristic"));
        theSettings.connectPointVectorEditor(&editor);
        QCOMPARE(editor.vector(), QList<QPointF>({{0, 0}, {5, 100}}));
        QCOMPARE(editor.axes[PointVectorField_x]->channelKey(), QStringLiteral("F_throttle"));
        QCOMPARE(editor.axes[PointVectorField_x]->unit->name, QStringLiteral("%"));
        QCOMPARE(editor.axes[PointVectorField_y]->decimals, 3);
        QCOMPARE(theSettings.value(key + QStringLiteral("/1/decimals")).toInt(), 2);

        editor.model->setData(editor.model->index(0, 1), 90.0);
        QTRY_COMPARE(theSettings.value(key).value<QList<QPointF>>(), QList<QPointF>({{0, 0}, {5, 90}}));
        // Without a channel the key goes away at the next setup write.
        editor.axes[PointVectorField_x]->setChannel(nullptr);
        QVERIFY(!theSettings.contains(key + QStringLiteral("/1/channel")));
        editor.axes[PointVectorField_y]->slot_setDecimals(5);
    }
    PointVectorEditor restored(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    restored.setObjectName(QStringLiteral("DynoSetting/ain_1_characteristic"));
    theSettings.connectPointVectorEditor(&restored);
    QCOMPARE(restored.vector(), QList<QPointF>({{0, 0}, {5, 90}}));
    QCOMPARE(restored.axes[PointVectorField_x]->channel, nullptr);
    QCOMPARE(restored.axes[PointVectorField_y]->decimals, 5);
}

void TestCharacteristicEditor::plotView()
{
    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    PointVectorPlotView* plot = editor.plot;
    // No points: no ticks, marker at the origin, ranges as they were.
    QVERIFY(plot->xTicker->ticks().isEmpty());
    QCOMPARE(plot->marker->position->coords(), QPointF(0, 0));

    editor.slot_setVector({{3, 5}});
    QCOMPARE(plot->xAxis->range().lower, 2.85);
    QCOMPARE(plot->xAxis->range().upper, 3.15);
    QCOMPARE(plot->yAxis->range().lower, 4.75);
    QCOMPARE(plot->yAxis->range().upper, 5.25);
    QCOMPARE(plot->xTicker->ticks().value(3), QStringLiteral("3.00"));

    editor.slot_setVector({{0, 0}, {10, 1}, {11, 2}, {50, 3}});
    QCOMPARE(plot->xTicker->ticks().value(0), QStringLiteral("0.00"));
    QCOMPARE(plot->xTicker->ticks().value(10), QStringLiteral("10.00"));
    QCOMPARE(plot->xTicker->ticks().value(11), QString());
    QCOMPARE(plot->xTicker->ticks().value(50), QStringLiteral("50.00"));
    QCOMPARE(plot->graph(0)->dataCount(), 4);

    editor.selectionModel->select(editor.model->index(0, 2), QItemSelectionModel::ClearAndSelect);
    QCOMPARE(plot->marker->position->coords(), QPointF(11, 2));
    editor.slot_setVector({});
    // No points: the ranges stay.
    QCOMPARE(plot->xAxis->range().lower, -2.5);
    QVERIFY(plot->xTicker->ticks().isEmpty());

    // Model details the editor relies on.
    QVERIFY(!editor.model->setHeaderData(0, Qt::Horizontal, QStringLiteral("no")));
    QVERIFY(!editor.model->setHeaderData(2, Qt::Vertical, QStringLiteral("no")));
    QVERIFY(editor.model->flags(editor.model->index(0, 0)) & Qt::ItemIsEditable);
}

QTEST_MAIN(TestCharacteristicEditor)
#include "tst_characteristic_editor.moc"
