// The field configurator: the built-in settings of the project and run fields,
// what a change does to the tables and the form, and the customisation file,
// written whole and atomically, with a malformed one kept aside.
#include "DatabaseTestSupport.h"
#include "LogCapture.h"
#include "MySQLTableView.h"
#include "ProjectDeleteDialog.h"
#include "RecordingAnswerer.h"
#include "RunDeleteDialog.h"
#include "SqlModelConfigurator.h"
#include "SqlModelConfiguratorModel.h"
#include "Unit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDomDocument>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace DatabaseTest;

namespace {

const QString kProjectDefaults = QStringLiteral(":/resources/projectsCustomization.xml");
const QString kRunDefaults = QStringLiteral(":/resources/runsCustomization.xml");

quint64 inode(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestFieldConfigurator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void builtInSettings();
    void firstChangeWritesTheWholeFileAtomically();
    void visibilityToggles();
    void unitsDecimalsAndDefaults();
    void malformedFileIsKeptAside();
    void fileIsReadTolerantly();
    void deleteDialogsRememberTheirChoice();

private:
    QString userFile() const { return dir.filePath(QStringLiteral("projectsCustomization.xml")); }
    SqlModelConfiguratorModel* configurator() const { return view->configuratorModel(); }
    QModelIndex cell(int field, int column) const { return configurator()->index(field, column); }

    QTemporaryDir dir;
    int number = 0;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<Models> models;
    std::unique_ptr<SqlModelConfigurator> view;
    ProjectListModel* projects = nullptr;
};

void TestFieldConfigurator::initTestCase()
{
    initProgramState();
    QVERIFY(dir.isValid());
}

void TestFieldConfigurator::init()
{
    QFile::remove(userFile());
    QFile::remove(userFile() + QStringLiteral(".bad"));
    connection = std::make_unique<Connection>(dir.filePath(QStringLiteral("c%1.db").arg(++number)));
    models = std::make_unique<Models>(*connection);
    projects = models->projects.get();
    view = std::make_unique<SqlModelConfigurator>();
    view->setSqlModel(projects);
}

void TestFieldConfigurator::cleanup()
{
    view.reset();
    models.reset();
    connection.reset();
}

void TestFieldConfigurator::builtInSettings()
{
    view->loadConfigurationFromFile(userFile(), kProjectDefaults);
    // Reading creates nothing.
    QVERIFY(!QFile::exists(userFile()));
    QCOMPARE(configurator()->rowCount(), 58);
    QCOMPARE(configurator()->columnCount(), 5);
    QCOMPARE(configurator()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Visibility in table"));
    QCOMPARE(configurator()->headerData(ProjectListFields::mass, Qt::Vertical).toString(), QStringLiteral("Mass\n[kg]"));

    QCOMPARE(cell(ProjectListFields::vehicleType, 2).data().toString(), QStringLiteral("Car"));
    QCOMPARE(cell(ProjectListFields::gearboxType, 2).data().toString(), QStringLiteral("None"));
    QCOMPARE(cell(ProjectListFields::engineEfficiency, 2).data().toString(), QStringLiteral("85"));
    QCOMPARE(cell(ProjectListFields::mass, 0).data().toString(), QStringLiteral("hidden"));
    QCOMPARE(cell(ProjectListFields::mass, 3).data().toString(), QStringLiteral("kg"));
    QCOMPARE(cell(ProjectListFields::stockEnginePower, 3).data().toString(), QStringLiteral("PS"));
    QCOMPARE(cell(ProjectListFields::engineInertia, 4).data().toInt(), 3);
    // Fields the built-in file does not list keep their registration.
    QCOMPARE(cell(ProjectListFields::wheelDiameter, 2).data().toString(), QStringLiteral("0.60"));
    QCOMPARE(cell(ProjectListFields::wheelDiameter, 4).data().toInt(), 2);
    // Internal fields are not offered.
    QVERIFY(view->isRowHidden(ProjectListFields::id));
    QVERIFY(view->isRowHidden(ProjectListFields::obdPidGroups));
    QVERIFY(!view->isRowHidden(ProjectListFields::mass));
    QCOMPARE(configurator()->flags(cell(ProjectListFields::id, 2)), Qt::ItemFlags(Qt::ItemIsSelectable));

    // The runs' file: two fields have no entry and keep their registration.
    SqlModelConfigurator runs;
    runs.setSqlModel(models->runs.get());
    runs.loadConfigurationFromFile(dir.filePath(QStringLiteral("runsCustomization.xml")), kRunDefaults);
    const auto runCell = [&runs](int field, int column) { return runs.model()->index(field, column).data(); };
    QCOMPARE(runCell(RunListFields::ambientPressure, 3).toString(), QStringLiteral("hPa"));
    QCOMPARE(runCell(RunListFields::ambientHumidity, 0).toString(), QStringLiteral("hidden"));
    QCOMPARE(runCell(RunListFields::enginePowerCorrectionValue, 4).toInt(), 1);
    QCOMPARE(runCell(RunListFields::distance, 3).toString(), theUnits.getDefaultUnit(Quantity::Distance)->name);
    QCOMPARE(runCell(RunListFields::distance, 0).toString(), QStringLiteral("visible"));
    QCOMPARE(models->runs->headerData(RunListFields::ambientTemperature, Qt::Horizontal).toString(),
             QStringLiteral("Amb. temperature\n[°C]"));
}

void TestFieldConfigurator::firstChangeWritesTheWholeFileAtomically()
{
    view->loadConfigurationFromFile(userFile(), kProjectDefaults);
    QVERIFY(configurator()->setData(cell(ProjectListFields::brand, 0), true));
    QVERIFY(QFile::exists(userFile()));

    // Well formed by an independent parser.
    QProcess xmllint;
    xmllint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), userFile()});
    QVERIFY(xmllint.waitForFinished(10000));
    QCOMPARE(xmllint.exitCode(), 0);

    const QByteArray text = readAll(userFile());
    QVERIFY(!text.startsWith("<?xml"));
    QVERIFY(text.contains("\n <field "));
    QDomDocument document;
    QVERIFY(document.setContent(text));
    QCOMPARE(document.documentElement().tagName(), QStringLiteral("fields"));
    QDomElement field = document.documentElement().firstChildElement(QStringLiteral("field"));
    QStringList keys;
    for (; !field.isNull(); field = field.nextSiblingElement(QStringLiteral("field"))) {
        keys.append(field.attribute(QStringLiteral("key")));
        for (const char* attribute :
             {"name", "unit", "decimals", "hiddenInTable", "hiddenInEditor", "defaultValue"})
            QVERIFY2(field.hasAttribute(QString::fromLatin1(attribute)), attribute);
        if (keys.last() == QStringLiteral("brand"))
            QCOMPARE(field.attribute(QStringLiteral("hiddenInTable")), QStringLiteral("1"));
        if (keys.last() == QStringLiteral("engineEfficiency")) {
            QCOMPARE(field.attribute(QStringLiteral("defaultValue")), QStringLiteral("0.85"));
            QCOMPARE(field.attribute(QStringLiteral("unit")), QStringLiteral("%"));
            QCOMPARE(field.attribute(QStringLiteral("name")), QStringLiteral("Eng. efficiency"));
        }
        if (keys.last() == QStringLiteral("wheelDiameter"))
            QCOMPARE(field.attribute(QStringLiteral("defaultValue")), QStringLiteral("0.6"));
    }
    // Every field, in field order.
    QCOMPARE(keys.size(), 58);
    for (int id = 0; id < 58; ++id)
        QCOMPARE(keys.at(id), projects->getDatabaseKey(ProjectListFieldId(id)));

    // Saved by writing a new file and renaming it over the old one: a crash
    // mid-write never leaves half a file.
    const quint64 first = inode(userFile());
    QVERIFY(configurator()->setData(cell(ProjectListFields::brand, 0), false));
    QVERIFY(inode(userFile()) != first);
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("projectsCustomization*")}, QDir::Files),
             QStringList{QStringLiteral("projectsCustomization.xml")});

    // Other code forcing a field out of view asks for a save too.
    const quint64 second = inode(userFile());
    projects->forceHideColumn(ProjectListFields::model);
    QVERIFY(inode(userFile()) != second);
    QDomDocument saved;
    QVERIFY(saved.setContent(readAll(userFile())));
    const QDomElement model = saved.documentElement().childNodes().at(ProjectListFields::model).toElement();
    QCOMPARE(model.attribute(QStringLiteral("key")), QStringLiteral("model"));
    QCOMPARE(model.attribute(QStringLiteral("hiddenInTable")), QStringLiteral("1"));
    QCOMPARE(model.attribute(QStringLiteral("hiddenInEditor")), QStringLiteral("1"));
}

void TestFieldConfigurator::visibilityToggles()
{
    view->loadConfigurationFromFile(userFile(), kProjectDefaults);
    MySQLTableView table;
    table.setModel(projects);
    QVERIFY(!table.tableView->isColumnHidden(ProjectListFields::brand));

    // An ordinary field flips, and its column follows in every view at once.
    view->slot_doubleClickedHandler(cell(ProjectListFields::brand, 0));
    QCOMPARE(cell(ProjectListFields::brand, 0).data().toString(), QStringLiteral("hidden"));
    QVERIFY(table.tableView->isColumnHidden(ProjectListFields::brand));
    view->slot_doubleClickedHandler(cell(ProjectListFields::brand, 0));
    QVERIFY(!table.tableView->isColumnHidden(ProjectListFields::brand));

    // Locked visibility: always visible, or forced by the program.
    view->slot_doubleClickedHandler(cell(ProjectListFields::vehicleId, 0));
    QCOMPARE(cell(ProjectListFields::vehicleId, 0).data().toString(), QStringLiteral("visible"));
    projects->forceShowColumnInEditor(ProjectListFields::series);
    view->slot_doubleClickedHandler(cell(ProjectListFields::series, 1));
    QCOMPARE(cell(ProjectListFields::series, 1).data().toString(), QStringLiteral("visible"));

    // No editor field: always "hidden" in the editor, not toggled.
    QCOMPARE(cell(ProjectListFields::runCount, 1).data().toString(), QStringLiteral("hidden"));
    view->slot_doubleClickedHandler(cell(ProjectListFields::runCount, 1));
    QCOMPARE(cell(ProjectListFields::runCount, 1).data().toString(), QStringLiteral("hidden"));
    QVERIFY(!projects->descriptor(ProjectListFields::runCount)->hiddenInEditor);
    QVERIFY(!(configurator()->flags(cell(ProjectListFields::runCount, 1)) & Qt::ItemIsEnabled));
    QVERIFY(configurator()->data(cell(ProjectListFields::runCount, 1), Qt::BackgroundRole).isValid());
}

void TestFieldConfigurator::unitsDecimalsAndDefaults()
{
    view->loadConfigurationFromFile(userFile(), kProjectDefaults);
    view->show();

    const struct {
        int value;
        int stored;
    } decimals[] = {{15, 10}, {-12, -10}, {4, 4}};
    for (const auto& d : decimals) {
        configurator()->setData(cell(ProjectListFields::mass, 4), d.value);
        QCOMPARE(projects->descriptor(ProjectListFields::mass)->decimals, d.stored);
    }

    // A default entered in the shown unit is kept in SI; another unit shows it
    // differently and keeps the SI value.
    QVERIFY(configurator()->setData(cell(ProjectListFields::stockEnginePower, 2), 100.0));
    const double si = projects->descriptor(ProjectListFields::stockEnginePower)->defaultValue.toDouble();
    QCOMPARE(si, 100.0 / theUnits.getUnitByQuantityAndName(Quantity::Power, QStringLiteral("PS"))->factor);
    const Unit* kW = theUnits.getUnitByQuantityAndName(Quantity::Power, QStringLiteral("kW"));
    QVERIFY(configurator()->setData(cell(ProjectListFields::stockEnginePower, 3), QVariant::fromValue(kW)));
    QCOMPARE(projects->descriptor(ProjectListFields::stockEnginePower)->defaultValue.toDouble(), si);
    QCOMPARE(cell(ProjectListFields::stockEnginePower, 2).data().toString(), QStringLiteral("74"));
    QCOMPARE(projects->headerData(ProjectListFields::stockEnginePower, Qt::Horizontal).toString(),
             QStringLiteral("Stock power\n[kW]"));
    // A unit of another quantity is refused.
    const Unit* kmh = theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("km/h"));
    QVERIFY(!configurator()->setData(cell(ProjectListFields::stockEnginePower, 3), QVariant::fromValue(kmh)));
    QCOMPARE(projects->descriptor(ProjectListFields::stockEnginePower)->unit, kW);

    // The default of an enumeration shows its label; the delegate stores the index.
    view->setCurrentIndex(cell(ProjectListFields::engineFuelType, 2));
    view->edit(cell(ProjectListFields::engineFuelType, 2));
    auto* combo = view->viewport()->findChild<QComboBox*>();
    QVERIFY(combo);
    combo->setCurrentIndex(combo->findText(QStringLiteral("Diesel")));
    Q_EMIT view->itemDelegateForColumn(2)->commitData(combo);
    Q_EMIT view->itemDelegateForColumn(2)->closeEditor(combo);
    QCOMPARE(projects->descriptor(ProjectListFields::engineFuelType)->defaultValue.toInt(), 2);
    QCOMPARE(cell(ProjectListFields::engineFuelType, 2).data().toString(), QStringLiteral("Diesel"));

    // A real default through the delegate, typed in the shown unit.
    view->setCurrentIndex(cell(ProjectListFields::mass, 2));
    view->edit(cell(ProjectListFields::mass, 2));
    auto* spin = view->viewport()->findChild<QDoubleSpinBox*>();
    QVERIFY(spin);
    spin->setValue(1400);
    Q_EMIT view->itemDelegateForColumn(2)->commitData(spin);
    Q_EMIT view->itemDelegateForColumn(2)->closeEditor(spin);
    QCOMPARE(projects->descriptor(ProjectListFields::mass)->defaultValue.toDouble(), 1400.0);
}

void TestFieldConfigurator::malformedFileIsKeptAside()
{
    const QByteArray broken("<fields>\n <field key=\"mass\" unit=\"g\" hiddenInTable=\"0\"\n");
    QFile file(userFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(broken);
    file.close();

    RecordingAnswerer answerer;
    view->loadConfigurationFromFile(userFile(), kProjectDefaults);
    // The user hears of it; the file is kept as it was; the built-in settings hold.
    QCOMPARE(answerer.shown.size(), 1);
    QVERIFY(answerer.shown.first().text.contains(QStringLiteral("projectsCustomization.xml.bad")));
    QVERIFY(!QFile::exists(userFile()));
    QCOMPARE(readAll(userFile() + QStringLiteral(".bad")), broken);
    QCOMPARE(cell(ProjectListFields::mass, 3).data().toString(), QStringLiteral("kg"));
    QCOMPARE(cell(ProjectListFields::vehicleType, 2).data().toString(), QStringLiteral("Car"));

    // The next save writes a new file and leaves the kept one alone.
    configurator()->setData(cell(ProjectListFields::brand, 0), true);
    QVERIFY(QFile::exists(userFile()));
    QCOMPARE(readAll(userFile() + QStringLiteral(".bad")), broken);
}

void TestFieldConfigurator::fileIsReadTolerantly()
{
    QFile file(userFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<fields>\n"
               " <field defaultValue=\"1200\" hiddenInTable=\"7\" key=\"mass\" unit=\"t\" decimals=\"x\"/>\n"
               " <field key=\"noSuchField\" hiddenInTable=\"1\"/>\n"
               " <field key=\"brand\" unit=\"parsec\"/>\n"
               " <other key=\"model\" hiddenInTable=\"1\"/>\n"
               "</fields>\n");
    file.close();
    LogCapture log;
    view->loadConfigurationFromFile(userFile(), kProjectDefaults);
    const TableModelFieldDescriptor* mass = projects->descriptor(ProjectListFields::mass);
    QCOMPARE(mass->unit->name, QStringLiteral("t"));
    QCOMPARE(mass->decimals, 0);
    QVERIFY(mass->hiddenInTable);
    QCOMPARE(mass->defaultValue.toDouble(), 1200.0);
    QCOMPARE(projects->descriptor(ProjectListFields::brand)->unit, theUnits.getDefaultUnit(Quantity::None));
    QVERIFY(!projects->descriptor(ProjectListFields::model)->hiddenInTable);
    // Fields the file does not name keep their registration.
    QCOMPARE(projects->descriptor(ProjectListFields::gearboxType)->defaultValue.toInt(), 4);
    QCOMPARE(projects->descriptor(ProjectListFields::engineCorrectionFactor)->decimals, 2);
    QCOMPARE(log.count(QStringLiteral("Error")), 0);
}

void TestFieldConfigurator::deleteDialogsRememberTheirChoice()
{
    theSettings.remove(QStringLiteral("UserSetting/checkbox_deleteFilesOnProjectDelete"));
    {
        ProjectDeleteDialog dialog;
        QCOMPARE(dialog.messageLabel->text(), QStringLiteral("message"));
        QCOMPARE(dialog.checkBox->text(), QStringLiteral("Also delete run files"));
        QVERIFY(!dialog.checkBox->isChecked());
        dialog.setMessage(QStringLiteral("Are you sure?"));
        QCOMPARE(dialog.messageLabel->text(), QStringLiteral("Are you sure?"));
        dialog.checkBox->setChecked(true);
    }
    ProjectDeleteDialog again;
    QVERIFY(again.checkBox->isChecked());
    QVERIFY(theSettings.value(QStringLiteral("UserSetting/checkbox_deleteFilesOnProjectDelete")).toBool());

    // The models make one each, the project dialog for projects, the run dialog for runs.
    QVERIFY(projects->deleteDialog);
    QCOMPARE(models->runs->deleteDialog->checkBox->objectName(), QStringLiteral("checkbox_deleteFileOnRunDelete"));
    QCOMPARE(models->runs->deleteDialog->checkBox->text(), QStringLiteral("Also delete run file"));

    // Yes accepts, No rejects, through the answerer like every dialog.
    RecordingAnswerer answerer;
    answerer.result = QDialog::Accepted;
    QCOMPARE(DialogAnswerer::exec(models->runs->deleteDialog), int(QDialog::Accepted));
}

QTEST_MAIN(TestFieldConfigurator)
#include "tst_field_configurator.moc"
