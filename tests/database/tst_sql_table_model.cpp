// The SQL table model base of the toolkit: table creation and migration,
// display formatting, raw access, and the customisation signals.
#include "DatabaseTestSupport.h"
#include "LogCapture.h"
#include "TinyTableModel.h"
#include "Units.h"

#include <QBrush>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace DatabaseTest;

class TestSqlTableModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void createTableStatement();
    void existingTableAndColumnsAreLeftAlone();
    void formatForDisplay_data();
    void formatForDisplay();
    void rolesOfTheModel();
    void writesOnlyThroughRawAccess();
    void forcedVisibility();
    void registrationProblemsAreLogged();

private:
    QTemporaryDir dir;
};

void TestSqlTableModel::initTestCase()
{
    theUnits.init();
    QVERIFY(dir.isValid());
}

void TestSqlTableModel::createTableStatement()
{
    const QString path = dir.filePath(QStringLiteral("create.db"));
    {
        Connection connection(path);
        TinyTableModel onlyId(connection.database(), QStringLiteral("t"), 1);
        TinyTableModel all(connection.database(), QStringLiteral("u"));
        QCOMPARE(all.columnCount(), int(TinyTableModel::FieldCount));
    }
    // The trailing comma is removed; no blank follows the commas.
    QCOMPARE(sqlite3(path, QStringLiteral(".schema t\n")).trimmed(),
             QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY AUTOINCREMENT DEFAULT 1);"));
    QCOMPARE(sqlite3(path, QStringLiteral(".schema u\n")).trimmed(),
             QStringLiteral("CREATE TABLE u (id INTEGER PRIMARY KEY AUTOINCREMENT DEFAULT 1,flag int,kind int,"
                            "whenDone int,power real,label varchar(100),count int,note varchar(2000));"));
}

void TestSqlTableModel::existingTableAndColumnsAreLeftAlone()
{
    const QString path = dir.filePath(QStringLiteral("existing.db"));
    Connection connection(path);
    // An older table without the last two fields, and a column the model no longer declares.
    QVERIFY(connection.exec(QStringLiteral("create table t (id INTEGER PRIMARY KEY AUTOINCREMENT DEFAULT 1,flag int,"
                                           "kind int,whenDone int,power real,label varchar(100),legacy int)")));
    LogCapture log;
    TinyTableModel model(connection.database(), QStringLiteral("t"));
    QCOMPARE(model.tableName(), QStringLiteral("t"));
    QVERIFY(!model.createTable(connection.database(), QStringLiteral("t")));
    QCOMPARE(log.count(QStringLiteral("created")), 0);
    // The registry decides the columns, whatever the table holds beyond them.
    QCOMPARE(model.columnCount(), int(TinyTableModel::FieldCount));

    model.addNewField(TinyTableModel::Count, QStringLiteral("0"));
    model.addNewField(TinyTableModel::Note, QString());
    QCOMPARE(log.count(QStringLiteral("Field count added to database")), 1);
    QCOMPARE(log.count(QStringLiteral("Field note added to database")), 1);
    log.clear();
    // Present now: SQLite's duplicate-column error is no news.
    model.addNewField(TinyTableModel::Count, QStringLiteral("0"));
    model.addNewField(TinyTableModel::Note, QString());
    QVERIFY(log.messages().isEmpty());

    model.removeLegacyField(QStringLiteral("legacy"));
    QCOMPARE(log.count(QStringLiteral("Field legacy removed from database")), 1);
    QVERIFY(!sqlite3(path, QStringLiteral(".schema t\n")).contains(QStringLiteral("legacy")));
    model.addNewField(99, QString());
    QCOMPARE(log.count(QStringLiteral("no field")), 1);
}

void TestSqlTableModel::formatForDisplay_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("withUnit");
    QTest::addColumn<QString>("expected");
    QTest::newRow("flag set") << int(SQLiteBool) << QVariant(1) << QString() << false << QStringLiteral("\u2691");
    QTest::newRow("flag clear") << int(SQLiteBool) << QVariant(0) << QString() << false << QStringLiteral("\u2690");
    QTest::newRow("no value") << int(SQLiteBool) << QVariant() << QString() << false << QString();
    QTest::newRow("label") << int(SQLiteEnum) << QVariant(1) << QString() << false << QStringLiteral("beta");
    QTest::newRow("label count") << int(SQLiteEnum) << QVariant(2) << QString() << false
                                 << QStringLiteral("Unknown enumerator");
    QTest::newRow("negative label") << int(SQLiteEnum) << QVariant(-1) << QString() << false
                                    << QStringLiteral("Unknown enumerator");
    QTest::newRow("time 0") << int(SQLiteTimestamp) << QVariant(0) << QString() << false << QStringLiteral("0");
    QTest::newRow("kW") << int(SQLiteReal) << QVariant(12500.0) << QStringLiteral("kW") << false
                        << QStringLiteral("12.5");
    QTest::newRow("kW with unit") << int(SQLiteReal) << QVariant(12500.0) << QStringLiteral("kW") << true
                                  << QStringLiteral("12.5kW");
    QTest::newRow("PS") << int(SQLiteReal) << QVariant(73549.875) << QStringLiteral("PS") << false
                        << QStringLiteral("100.0");
    QTest::newRow("text") << int(SQLiteVarchar) << QVariant(QStringLiteral("x y")) << QString() << false
                          << QStringLiteral("x y");
    QTest::newRow("integer") << int(SQLiteInteger) << QVariant(42) << QString() << false << QStringLiteral("42");
}

void TestSqlTableModel::formatForDisplay()
{
    QFETCH(int, type);
    QFETCH(QVariant, value);
    QFETCH(QString, unit);
    QFETCH(bool, withUnit);
    QFETCH(QString, expected);
    const QStringList labels{QStringLiteral("alpha"), QStringLiteral("beta")};
    TableModelFieldDescriptor field;
    field.dataType = SQLiteDataType(type);
    field.enumLabels = &labels;
    field.quantity = Quantity::Power;
    field.unit = theUnits.getUnitByQuantityAndName(Quantity::Power, unit);
    field.decimals = 1;
    QCOMPARE(CustomSqlTableModel::formatDataForDisplay(value, &field, withUnit), expected);
}

void TestSqlTableModel::rolesOfTheModel()
{
    Connection connection(dir.filePath(QStringLiteral("roles.db")));
    QVERIFY(connection.exec(QStringLiteral("create table t (id INTEGER PRIMARY KEY AUTOINCREMENT DEFAULT 1,flag int,"
                                           "kind int,whenDone int,power real,label varchar(100),count int,"
                                           "note varchar(2000))")));
    QVERIFY(connection.exec(QStringLiteral("insert into t (flag, power, label) values (1, 1500, 'a')")));
    QVERIFY(connection.exec(QStringLiteral("insert into t (flag, power) values (0, 9)")));
    TinyTableModel model(connection.database(), QStringLiteral("t"));
    QCOMPARE(model.rowCount(), 2);

    QCOMPARE(model.data(model.index(0, TinyTableModel::Flag), Qt::ForegroundRole).value<QBrush>().color(),
             QColor(Qt::red));
    QCOMPARE(model.data(model.index(1, TinyTableModel::Flag), Qt::ForegroundRole).value<QBrush>().color(),
             QColor(Qt::gray));
    QCOMPARE(model.data(model.index(0, TinyTableModel::Power), Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    QCOMPARE(model.data(model.index(0, TinyTableModel::Label), Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::Alignment(Qt::AlignHCenter | Qt::AlignVCenter));
    // The cell shows the value in the quantity's default unit (PS); the raw
    // value stays SI; NULL shows nothing.
    QCOMPARE(model.data(model.index(0, TinyTableModel::Power)).toString(), QStringLiteral("2.0"));
    QCOMPARE(model.data(model.index(0, TinyTableModel::Power), Qt::UserRole).toDouble(), 1500.0);
    QVERIFY(!model.data(model.index(1, TinyTableModel::Label), Qt::UserRole).isValid());
    QCOMPARE(model.data(model.index(1, TinyTableModel::Label)).toString(), QString());

    QCOMPARE(model.headerData(TinyTableModel::Power, Qt::Horizontal).toString(), QStringLiteral("Power\n[PS]"));
    QCOMPARE(model.headerData(TinyTableModel::Count, Qt::Horizontal).toString(), QStringLiteral("Count"));
    QCOMPARE(model.headerData(TinyTableModel::Power, Qt::Horizontal, Qt::ToolTipRole).toString(),
             QStringLiteral("tip of power"));
    QVERIFY(!model.headerData(0, Qt::Vertical).isValid());

    // The header follows the unit chosen for the field.
    QSignalSpy header(&model, &QAbstractItemModel::headerDataChanged);
    model.descriptor(TinyTableModel::Power)->unit = theUnits.getUnitByQuantityAndName(Quantity::Power, QStringLiteral("kW"));
    model.descriptorChanged(TinyTableModel::Power);
    QCOMPARE(header.count(), 1);
    QCOMPARE(model.headerData(TinyTableModel::Power, Qt::Horizontal).toString(), QStringLiteral("Power\n[kW]"));
    QCOMPARE(model.data(model.index(0, TinyTableModel::Power)).toString(), QStringLiteral("1.5"));

    QCOMPARE(model.fieldDescriptorIdByDatabaseKey(QStringLiteral("power")), int(TinyTableModel::Power));
    QCOMPARE(model.fieldDescriptorIdByDatabaseKey(QStringLiteral("Power")), -1);
    QCOMPARE(model.getKeysForTemplates(),
             (QStringList{QStringLiteral("count"), QStringLiteral("flag"), QStringLiteral("kind"),
                          QStringLiteral("label"), QStringLiteral("note"), QStringLiteral("power"),
                          QStringLiteral("whenDone")}));
}

void TestSqlTableModel::writesOnlyThroughRawAccess()
{
    const QString path = dir.filePath(QStringLiteral("writes.db"));
    Connection connection(path);
    TinyTableModel model(connection.database(), QStringLiteral("t"));
    QVERIFY(connection.exec(QStringLiteral("insert into t (count, label) values (3, 'x')")));
    model.select();
    const QModelIndex count = model.index(0, TinyTableModel::Count);

    // Views and delegates cannot write: no cell is editable.
    QVERIFY(!(model.flags(count) & Qt::ItemIsEditable));
    QVERIFY(!model.QSqlTableModel::setData(count, 4, Qt::EditRole));
    QTableView view;
    view.setModel(&model);
    view.setEditTriggers(QAbstractItemView::AllEditTriggers);
    QTest::ignoreMessage(QtWarningMsg, "edit: editing failed");
    view.edit(count);
    QVERIFY(!view.indexWidget(count));
    QCOMPARE(view.viewport()->findChildren<QWidget*>().size(), 0);
    QCOMPARE(sqlite3(path, QStringLiteral("select count from t;\n")).trimmed(), QStringLiteral("3"));

    // The stored value again: true at once, nothing written.
    model.writes = 0;
    QVERIFY(model.setDataRawByRowAndId(0, TinyTableModel::Count, 3));
    QCOMPARE(model.writes, 0);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setDataRawByRowAndId(0, TinyTableModel::Count, 4));
    QCOMPARE(model.writes, 1);
    QVERIFY(changed.count() >= 1);
    QVERIFY(!(model.flags(count) & Qt::ItemIsEditable));
    QCOMPARE(sqlite3(path, QStringLiteral("select count from t;\n")).trimmed(), QStringLiteral("4"));
    // Raw access names fields by id: one outside the registry is refused.
    LogCapture log;
    QVERIFY(!model.setDataRawByRowAndId(0, 42, 1));
    QVERIFY(!model.dataRawByRowAndId(0, -3).isValid());
    QCOMPARE(log.messages().size(), 2);
}

void TestSqlTableModel::forcedVisibility()
{
    Connection connection(dir.filePath(QStringLiteral("forced.db")));
    TinyTableModel model(connection.database(), QStringLiteral("t"));
    QVERIFY(model.canUserHideColumn(TinyTableModel::Power));
    QVERIFY(!model.canUserHideColumn(TinyTableModel::Label));  // always visible
    QVERIFY(!model.canUserHideColumn(TinyTableModel::Id));     // internal
    QVERIFY(!model.canUserHideColumn(-1));

    QList<QString> order;
    connect(&model, &CustomSqlTableModel::signal_descriptorChanged, this,
            [&order](int field) { order.append(QStringLiteral("changed %1").arg(field)); });
    connect(&model, &CustomSqlTableModel::signal_requestModelConfigurationSave, this,
            [&order] { order.append(QStringLiteral("save")); });
    model.forceHideColumn(TinyTableModel::Power);
    const TableModelFieldDescriptor* power = model.descriptor(TinyTableModel::Power);
    QVERIFY(power->hiddenInTable && power->hiddenInEditor);
    QVERIFY(!model.canUserHideColumn(TinyTableModel::Power));
    model.forceShowColumnInEditor(TinyTableModel::Power);
    QVERIFY(power->hiddenInTable && !power->hiddenInEditor);
    QCOMPARE(order, (QList<QString>{QStringLiteral("changed 4"), QStringLiteral("save"), QStringLiteral("changed 4"),
                                    QStringLiteral("save")}));
    model.forceHideColumn(17);
    QCOMPARE(order.size(), 4);
}

void TestSqlTableModel::registrationProblemsAreLogged()
{
    LogCapture log;
    TableModelFieldDescriptor odd;
    odd.databaseKey = QStringLiteral("odd");
    odd.dataType = SQLiteDataType(9);
    QCOMPARE(CustomSqlTableModel::getColumnDefString(&odd), QStringLiteral("odd "));
    QCOMPARE(log.count(QStringLiteral("Unhandled SQLiteDataType")), 1);

    Connection connection(dir.filePath(QStringLiteral("labels.db")));
    TinyTableModel model(connection.database(), QStringLiteral("t"));
    model.registerField(-1, TinyTableModel::Count, QStringLiteral("count"), QStringLiteral("Count"), QString(),
                        QString(), SQLiteEnum, 0, Quantity::None, 0, QVariant(), 0);
    QCOMPARE(log.count(QStringLiteral("Enumerator labels not set for")), 1);
}

QTEST_MAIN(TestSqlTableModel)
#include "tst_sql_table_model.moc"
