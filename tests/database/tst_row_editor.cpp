// The row editor of the project form: editors by field type, in the model's
// groups, values written back in SI, and a record never changed by showing it.
#include "DatabaseTestSupport.h"
#include "DelayedCheckBox.h"
#include "DelayedComboBox.h"
#include "DelayedLineEdit.h"
#include "DelayedTextEdit.h"
#include "MySQLTableView.h"
#include "SafeSpinBox.h"
#include "TableEditor.h"
#include "TinyTableModel.h"
#include "Unit.h"
#include "lib/Tools.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

using namespace DatabaseTest;

class TestRowEditor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void noRowShowsOnlyAHint();
    void formFollowsFieldsAndGroups();
    void realEditedInDisplayUnitIsStoredInSi();
    void showingRowsWritesNothing();
    void valuesChangedElsewhereAreShownNotWritten();
    void flagsIntegersAndTexts();
    void wheelScrollsTheFormAndActionsStay();
    void timeStampIsReadOnly();

private:
    int addProject(const QString& statement);
    QString projectValue(int id, const QString& key) const
    {
        return sqlite3(connection->path, QStringLiteral("select %1 from projects2 where id=%2;\n").arg(key).arg(id))
            .trimmed();
    }

    QTemporaryDir dir;
    int number = 0;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<Models> models;
    ProjectListModel* projects = nullptr;
};

void TestRowEditor::initTestCase()
{
    initProgramState();
    QVERIFY(dir.isValid());
}

void TestRowEditor::init()
{
    connection = std::make_unique<Connection>(dir.filePath(QStringLiteral("e%1.db").arg(++number)));
    models = std::make_unique<Models>(*connection);
    projects = models->projects.get();
}

void TestRowEditor::cleanup()
{
    models.reset();
    connection.reset();
}

int TestRowEditor::addProject(const QString& statement)
{
    QSqlQuery query(connection->database());
    if (!query.exec(statement))
        return -1;
    const int id = query.lastInsertId().toInt();
    projects->select();
    return id;
}

void TestRowEditor::noRowShowsOnlyAHint()
{
    TableEditor editor;
    editor.setModel(projects);
    editor.slot_setRow(-1);
    const QList<QLabel*> labels = editor.widget()->findChildren<QLabel*>();
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first()->text(), QStringLiteral("Select project to edit"));
    QCOMPARE(editor.currentRow(), -1);
}

void TestRowEditor::formFollowsFieldsAndGroups()
{
    addProject(QStringLiteral("insert into projects2 (vehicleId, description) values ('AB 123', 'x')"));
    TableEditor editor;
    editor.setModel(projects);
    editor.resize(900, 1200);
    editor.show();
    editor.slot_setRow(0);
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QTest::qWait(20);

    QVERIFY(qobject_cast<DelayedCheckBox*>(editor.editorForField(ProjectListFields::favourite)));
    QVERIFY(qobject_cast<DelayedComboBox*>(editor.editorForField(ProjectListFields::gearboxType)));
    QVERIFY(qobject_cast<SafeSpinBox*>(editor.editorForField(ProjectListFields::mass)));
    QVERIFY(qobject_cast<DelayedLineEdit*>(editor.editorForField(ProjectListFields::vehicleId)));  // 100 characters
    QVERIFY(qobject_cast<DelayedTextEdit*>(editor.editorForField(ProjectListFields::description)));  // 2000
    // Fields the system fills (statistics, time stamps) and internal ones get no editor.
    QVERIFY(!editor.editorForField(ProjectListFields::runCount));
    QVERIFY(!editor.editorForField(ProjectListFields::id));
    QCOMPARE(editor.editorForField(ProjectListFields::mass)->property("fieldId").toInt(),
             int(ProjectListFields::mass));

    // Four groups: two rows of two boxes, titled by the groups.
    QList<QGroupBox*> boxes = editor.widget()->findChildren<QGroupBox*>();
    QCOMPARE(boxes.size(), 4);
    std::sort(boxes.begin(), boxes.end(), [](QGroupBox* a, QGroupBox* b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    QCOMPARE(boxes.at(0)->title(), QStringLiteral("General"));
    QCOMPARE(boxes.at(1)->title(), QStringLiteral("Vehicle"));
    QCOMPARE(boxes.at(2)->title(), QStringLiteral("Engine"));
    QCOMPARE(boxes.at(3)->title(), QStringLiteral("Measurement"));
    QCOMPARE(boxes.at(0)->y(), boxes.at(1)->y());
    QVERIFY(boxes.at(2)->y() > boxes.at(0)->y());
    QVERIFY(boxes.at(1)->isAncestorOf(editor.editorForField(ProjectListFields::mass)));
    bool unitLabel = false;
    for (QLabel* label : boxes.at(1)->findChildren<QLabel*>())
        unitLabel |= label->text() == QStringLiteral("Mass [kg]");
    QVERIFY(unitLabel);

    // Hidden in the editor: no row; shown again, the form is rebuilt with it.
    projects->descriptor(ProjectListFields::brand)->hiddenInEditor = true;
    projects->descriptorChanged(ProjectListFields::brand);
    QVERIFY(!editor.editorForField(ProjectListFields::brand));
    projects->descriptor(ProjectListFields::brand)->hiddenInEditor = false;
    projects->descriptorChanged(ProjectListFields::brand);
    QVERIFY(editor.editorForField(ProjectListFields::brand));
}

void TestRowEditor::realEditedInDisplayUnitIsStoredInSi()
{
    const int id = addProject(QStringLiteral("insert into projects2 (vehicleId) values ('PS 1')"));
    TableModelFieldDescriptor* power = projects->descriptor(ProjectListFields::stockEnginePower);
    power->unit = theUnits.getUnitByQuantityAndName(Quantity::Power, QStringLiteral("PS"));
    power->decimals = 1;
    TableEditor editor;
    editor.setModel(projects);
    editor.show();
    editor.slot_setRow(0);

    auto* box = qobject_cast<SafeSpinBox*>(editor.editorForField(ProjectListFields::stockEnginePower));
    QVERIFY(box);
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("100"));
    QCOMPARE(projectValue(id, QStringLiteral("stockEnginePower")), QString());  // not before Enter
    QTest::keyClick(box, Qt::Key_Return);

    // One PS is 735.499 W here: 100 PS are stored as 73549.9 W.
    QCOMPARE(projectValue(id, QStringLiteral("printf('%.6f', stockEnginePower)")), QStringLiteral("73549.900000"));
    // Shown again, the number entered comes back.
    editor.slot_setRow(0);
    box = qobject_cast<SafeSpinBox*>(editor.editorForField(ProjectListFields::stockEnginePower));
    QCOMPARE(box->value(), 100.0);

    // A unit with an offset: 20 °C is stored as 293.15 K (a test-only field of temperature).
    TinyTableModel tiny(connection->database(), QStringLiteral("tiny"));
    TableModelFieldDescriptor* field = tiny.descriptor(TinyTableModel::Power);
    field->quantity = Quantity::Temperature;
    field->unit = theUnits.getUnitByQuantityAndName(Quantity::Temperature, QStringLiteral("°C"));
    QVERIFY(connection->exec(QStringLiteral("insert into tiny (label) values ('t')")));
    tiny.select();
    TableEditor tinyEditor;
    tinyEditor.setModel(&tiny);
    tinyEditor.slot_setRow(0);
    auto* celsius = qobject_cast<SafeSpinBox*>(tinyEditor.editorForField(TinyTableModel::Power));
    celsius->setValue(20);
    QCOMPARE(tiny.dataRawByRowAndId(0, TinyTableModel::Power).toDouble(), 293.15);
}

void TestRowEditor::showingRowsWritesNothing()
{
    // Values that the shown decimals round, a text with a line break, flags, labels.
    addProject(QStringLiteral("insert into projects2 (vehicleId, mass, stockEnginePower, engineInertia, "
                              "description, favourite, gearboxType, cylinderCount) "
                              "values ('A', 1234.5678, 12345.678, 0.123456, 'two\nlines', 1, 2, 4)"));
    addProject(QStringLiteral("insert into projects2 (vehicleId, mass, lossFromLoadFactor, engineCycle) "
                              "values ('B', 999.999, 0.0777, 5)"));
    addProject(QStringLiteral("insert into projects2 (vehicleId) values ('C')"));
    const QString before = dump(connection->path);
    const QByteArray hash = fileHash(connection->path);

    MySQLTableView view;
    view.setModel(projects);
    TableEditor editor;
    editor.setModel(projects);
    QObject::connect(&view, &SearchTableViewBase::signal_selectionChanged, &editor, &TableEditor::slot_setRow);
    view.show();
    editor.show();
    for (int row = 0; row < projects->rowCount(); ++row) {
        view.tableView->clearSelection();
        view.selectRow(row);
        QCOMPARE(editor.currentRow(), row);
        QTest::qWait(50);
    }
    projects->slot_setActiveProjectByRow(1);
    QTest::qWait(500);  // longer than every editor's delay

    QCOMPARE(dump(connection->path), before);
    QCOMPARE(fileHash(connection->path), hash);
}

void TestRowEditor::valuesChangedElsewhereAreShownNotWritten()
{
    const int id = addProject(QStringLiteral("insert into projects2 (vehicleId) values ('A')"));
    TableEditor editor;
    editor.setModel(projects);
    editor.show();
    editor.slot_setRow(0);
    auto* mass = qobject_cast<SafeSpinBox*>(editor.editorForField(ProjectListFields::mass));
    auto* brand = qobject_cast<DelayedLineEdit*>(editor.editorForField(ProjectListFields::brand));
    QCOMPARE(mass->decimals(), 0);

    // Another view writes; the form follows without writing the rounded value back.
    QVERIFY(projects->setDataRawByRowAndId(0, ProjectListFields::mass, 1500.4567));
    QVERIFY(projects->setDataRawByRowAndId(0, ProjectListFields::brand, QStringLiteral("Lada")));
    QCOMPARE(mass->value(), 1500.0);
    QCOMPARE(brand->text(), QStringLiteral("Lada"));
    QTest::qWait(400);
    QCOMPARE(projectValue(id, QStringLiteral("printf('%.4f', mass)")), QStringLiteral("1500.4567"));
    QCOMPARE(projectValue(id, QStringLiteral("brand")), QStringLiteral("Lada"));
    QCOMPARE(projects->dataRawByRowAndId(0, ProjectListFields::mass).toDouble(), 1500.4567);
}

void TestRowEditor::flagsIntegersAndTexts()
{
    const int id = addProject(QStringLiteral("insert into projects2 (vehicleId) values ('A')"));
    TableEditor editor;
    editor.setModel(projects);
    editor.show();
    editor.slot_setRow(0);

    auto* favourite = qobject_cast<DelayedCheckBox*>(editor.editorForField(ProjectListFields::favourite));
    favourite->setChecked(true);
    QTRY_COMPARE(projectValue(id, QStringLiteral("favourite")), QStringLiteral("2"));
    QCOMPARE(projects->data(projects->index(0, ProjectListFields::favourite)).toString(), QStringLiteral("\u2691"));
    favourite->setChecked(false);
    QTRY_COMPARE(projectValue(id, QStringLiteral("favourite")), QStringLiteral("0"));

    auto* gearbox = qobject_cast<DelayedComboBox*>(editor.editorForField(ProjectListFields::gearboxType));
    QCOMPARE(gearbox->currentIndex(), -1);  // NULL shows no label
    gearbox->setCurrentIndex(5);
    QTRY_COMPARE(projectValue(id, QStringLiteral("gearboxType")), QStringLiteral("5"));

    auto* description = qobject_cast<DelayedTextEdit*>(editor.editorForField(ProjectListFields::description));
    description->setPlainText(QStringLiteral("<b>not bold</b>\nsecond"));
    QTRY_COMPARE(projects->dataRawByRowAndId(0, ProjectListFields::description).toString(),
                 QStringLiteral("<b>not bold</b>\nsecond"));
}

void TestRowEditor::wheelScrollsTheFormAndActionsStay()
{
    addProject(QStringLiteral("insert into projects2 (vehicleId, mass) values ('A', 1000)"));
    TableEditor editor;
    editor.setModel(projects);
    QAction first(QStringLiteral("Estimate"));
    QAction second(QStringLiteral("Wizard"));
    editor.addActionForField(ProjectListFields::mass, &first);
    editor.addActionForField(ProjectListFields::mass, &second);
    editor.resize(500, 200);
    editor.show();
    editor.slot_setRow(0);
    QVERIFY(QTest::qWaitForWindowExposed(&editor));

    auto* mass = qobject_cast<SafeSpinBox*>(editor.editorForField(ProjectListFields::mass));
    QCOMPARE(mass->actions(), (QList<QAction*>{&first, &second}));
    QCOMPARE(mass->contextMenuPolicy(), Qt::ActionsContextMenu);
    QVERIFY(editor.editorForField(ProjectListFields::brand)->actions().isEmpty());

    editor.verticalScrollBar()->setValue(300);
    QWheelEvent wheel(QPointF(5, 5), mass->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(mass, &wheel);
    QCOMPARE(mass->value(), 1000.0);
    QCOMPARE(editor.verticalScrollBar()->value(), std::min(420, editor.verticalScrollBar()->maximum()));

    // The actions survive a rebuild.
    projects->descriptorChanged(ProjectListFields::mass);
    mass = qobject_cast<SafeSpinBox*>(editor.editorForField(ProjectListFields::mass));
    QCOMPARE(mass->actions(), (QList<QAction*>{&first, &second}));
}

void TestRowEditor::timeStampIsReadOnly()
{
    TinyTableModel tiny(connection->database(), QStringLiteral("tiny"));
    QVERIFY(connection->exec(QStringLiteral("insert into tiny (whenDone) values (1700000000)")));
    tiny.select();
    const QString before = dump(connection->path);
    TableEditor editor;
    editor.setModel(&tiny);
    editor.show();
    editor.slot_setRow(0);
    auto* when = qobject_cast<QLineEdit*>(editor.editorForField(TinyTableModel::When));
    QVERIFY(when);
    QVERIFY(when->isReadOnly());
    QCOMPARE(when->text(), Tools::stringFromUnixTimestamp(1700000000));
    QTest::keyClicks(when, QStringLiteral("2001"));
    QCOMPARE(when->text(), Tools::stringFromUnixTimestamp(1700000000));
    QTest::qWait(400);
    QCOMPARE(dump(connection->path), before);
}

QTEST_MAIN(TestRowEditor)
#include "tst_row_editor.moc"
