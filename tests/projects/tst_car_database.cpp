// The online car database dialog against its stand-in peers: a MariaDB server
// started here on loopback with the two databases, and Python's http.server
// handing out the login reply. Also the translation of specifications into
// project fields, as one table of cases.
#include "CarDB.h"
#include "CarDBComboBox.h"
#include "DatabaseTestSupport.h"
#include "DialogAnswerer.h"
#include "LogCapture.h"
#include "RecordingAnswerer.h"
#include "TableEditor.h"

#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace DatabaseTest;

namespace {

int freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

const char* const kSchema = R"SQL(
CREATE TABLE car_make (id_car_make INT PRIMARY KEY, name VARCHAR(255));
CREATE TABLE car_model (id_car_model INT PRIMARY KEY, name VARCHAR(255), id_car_make INT);
CREATE TABLE car_generation (id_car_generation INT PRIMARY KEY, name VARCHAR(255), year_begin VARCHAR(10),
    year_end VARCHAR(10), id_car_model INT);
CREATE TABLE car_serie (id_car_serie INT PRIMARY KEY, name VARCHAR(255), id_car_model INT, id_car_generation INT);
CREATE TABLE car_trim (id_car_trim INT PRIMARY KEY, name VARCHAR(255), id_car_serie INT);
CREATE TABLE car_specification (id_car_specification INT PRIMARY KEY, name VARCHAR(255));
CREATE TABLE car_specification_value (id_car_specification INT, value VARCHAR(255), unit VARCHAR(64), id_car_trim INT);
)SQL";

const char* const kCars = R"SQL(
INSERT INTO car_make VALUES (1, 'Volkswagen'), (2, 'Skoda');
INSERT INTO car_model VALUES (10, 'Golf', 1), (11, 'Polo', 1), (20, 'Octavia', 2);
INSERT INTO car_generation VALUES (100, 'Mk3', '2010', '2015', 10), (101, 'Mk4', '2015', NULL, 10);
INSERT INTO car_serie VALUES (1000, 'Hatchback', 10, 101), (1001, 'Estate', 10, 101), (1002, 'Old', 10, 100);
INSERT INTO car_trim VALUES (5000, '1.6 (90 hp)', 1000), (5001, '2.0 (150 hp)', 1000);
INSERT INTO car_specification VALUES (34, 'Curb weight'), (14, 'Engine power'), (12, 'Fuel'), (15, 'Power speed');
INSERT INTO car_specification_value VALUES (34, '1250', 'kg', 5000), (14, '90', 'hp', 5000),
    (12, 'Gasoline', '', 5000), (15, 'from 5000 to 6000', 'rpm', 5000), (34, 'n/a', 'kg', 5001);
)SQL";

const char* const kMotos = R"SQL(
INSERT INTO car_make VALUES (7, 'Honda');
INSERT INTO car_model VALUES (70, 'CB500', 7);
INSERT INTO car_serie VALUES (700, 'F', 70, NULL);
INSERT INTO car_trim VALUES (7000, 'ABS', 700);
INSERT INTO car_specification VALUES (1541, 'Weight'), (1029, 'Bore x stroke'), (34, 'Motorcycle name wins');
INSERT INTO car_specification_value VALUES (1541, '190', 'kg', 7000), (1029, '67.0x66.8', 'mm', 7000);
)SQL";

} // namespace

class TestCarDatabase : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void specificationRules_data();
    void specificationRules();
    void comboBoxIgnoresCursorKeys();
    void carCascadeAndApply();
    void rememberedTypeLoadsItsMakes();
    void motorcycleHasNoGeneration();
    void failuresReportTheirTexts_data();
    void failuresReportTheirTexts();
    void closingDuringLoginAbortsIt();

private:
    // The boxes shown, without the dialog itself.
    QStringList boxes() const;
    bool sql(const QString& script, QString* error = nullptr);
    void writeLogin(const QByteArray& reply);
    // Opens the dialog; `drive` runs once it is shown (the dialog is waiting for answers).
    void openDialog(const std::function<int(CarDB*)>& drive);
    void stopMariaDb();

    QTemporaryDir dir;
    QProcess mariadb;
    QProcess http;
    int mysqlPort = 0;
    int httpPort = 0;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<Models> models;
    std::unique_ptr<TableEditor> editor;
    RecordingAnswerer answerer;
    int projectRow = -1;
};

bool TestCarDatabase::sql(const QString& script, QString* error)
{
    QProcess client;
    client.start(QStringLiteral("mariadb"), {QStringLiteral("--no-defaults"),
                                             QStringLiteral("--socket=") + dir.filePath(QStringLiteral("mysql.sock")),
                                             QStringLiteral("-uroot")});
    if (!client.waitForStarted(5000))
        return false;
    client.write(script.toUtf8());
    client.closeWriteChannel();
    client.waitForFinished(30000);
    if (error)
        *error = QString::fromUtf8(client.readAllStandardError());
    return client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
}

void TestCarDatabase::initTestCase()
{
    initProgramState();
    QVERIFY(dir.isValid());
    const QString data = dir.filePath(QStringLiteral("data"));
    QProcess install;
    install.start(QStringLiteral("mariadb-install-db"),
                  {QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data, QStringLiteral("--user=root"),
                   QStringLiteral("--auth-root-authentication-method=socket"), QStringLiteral("--skip-test-db")});
    QVERIFY2(install.waitForFinished(120000) && install.exitCode() == 0,
             qPrintable(QStringLiteral("mariadb-install-db failed: ") + QString::fromLocal8Bit(install.readAll())));
    mysqlPort = freePort();
    mariadb.setProcessChannelMode(QProcess::MergedChannels);
    mariadb.start(QStringLiteral("/usr/sbin/mariadbd"),
                  {QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data,
                   QStringLiteral("--socket=") + dir.filePath(QStringLiteral("mysql.sock")),
                   QStringLiteral("--port=%1").arg(mysqlPort), QStringLiteral("--bind-address=127.0.0.1"),
                   QStringLiteral("--user=root"), QStringLiteral("--skip-name-resolve"),
                   QStringLiteral("--pid-file=") + dir.filePath(QStringLiteral("mysql.pid"))});
    QVERIFY2(mariadb.waitForStarted(10000), "mariadbd did not start");
    QVERIFY2(QTest::qWaitFor([this] { return sql(QStringLiteral("SELECT 1;")); }, 60000),
             qPrintable(QStringLiteral("mariadbd is not answering: ") + QString::fromLocal8Bit(mariadb.readAll())));
    QString error;
    const QString setup = QStringLiteral("CREATE DATABASE cars; CREATE DATABASE motos;\n"
                                         "CREATE USER 'zembo'@'127.0.0.1' IDENTIFIED BY 's3cret';\n"
                                         "GRANT SELECT ON cars.* TO 'zembo'@'127.0.0.1';\n"
                                         "GRANT SELECT ON motos.* TO 'zembo'@'127.0.0.1';\n"
                                         "USE cars;\n")
        + QString::fromLatin1(kSchema) + QString::fromLatin1(kCars) + QStringLiteral("USE motos;\n")
        + QString::fromLatin1(kSchema) + QString::fromLatin1(kMotos);
    QVERIFY2(sql(setup, &error), qPrintable(error));

    QDir(dir.path()).mkpath(QStringLiteral("web"));
    http.setWorkingDirectory(dir.filePath(QStringLiteral("web")));
    httpPort = freePort();
    http.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-m"), QStringLiteral("http.server"),
                                                    QString::number(httpPort), QStringLiteral("--bind"),
                                                    QStringLiteral("127.0.0.1")});
    QVERIFY2(http.waitForStarted(10000), "http.server did not start");
    QTcpSocket probe;
    QVERIFY2(QTest::qWaitFor(
                 [&probe, this] {
                     probe.connectToHost(QHostAddress::LocalHost, quint16(httpPort));
                     const bool up = probe.waitForConnected(200);
                     probe.abort();
                     return up;
                 },
                 20000),
             "http.server is not answering");
    qputenv("ZEMBO_CARDB_BASE_URL", QStringLiteral("http://127.0.0.1:%1/").arg(httpPort).toUtf8());
    qputenv("ZEMBO_CARDB_MYSQL_PORT", QByteArray::number(mysqlPort));
    DialogAnswerer::install(&answerer);
}

void TestCarDatabase::stopMariaDb()
{
    if (mariadb.state() != QProcess::NotRunning) {
        mariadb.terminate();
        if (!mariadb.waitForFinished(30000))
            mariadb.kill();
        mariadb.waitForFinished(5000);
    }
}

void TestCarDatabase::cleanupTestCase()
{
    DialogAnswerer::install(nullptr);
    stopMariaDb();
    http.terminate();
    http.waitForFinished(5000);
}

void TestCarDatabase::init()
{
    connection = std::make_unique<Connection>(dir.filePath(QStringLiteral("projects.db")));
    models = std::make_unique<Models>(*connection);
    models->projects->action_new();
    projectRow = models->projects->rowCount() - 1;
    editor = std::make_unique<TableEditor>();
    editor->setModel(models->projects.get());
    editor->slot_setRow(projectRow);
    writeLogin("zembo\ns3cret\ncars\nmotos\n");
    answerer.shown.clear();
}

void TestCarDatabase::cleanup()
{
    editor.reset();
    models.reset();
    connection.reset();
    QFile::remove(dir.filePath(QStringLiteral("projects.db")));
}

QStringList TestCarDatabase::boxes() const
{
    QStringList texts;
    for (const RecordingAnswerer::Shown& shown : answerer.shown) {
        if (shown.className != QStringLiteral("CarDB"))
            texts.append(shown.text);
    }
    return texts;
}

void TestCarDatabase::writeLogin(const QByteArray& reply)
{
    QFile file(dir.filePath(QStringLiteral("web/index.php")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(reply);
}

void TestCarDatabase::openDialog(const std::function<int(CarDB*)>& drive)
{
    answerer.respond = [drive](QDialog* dialog) {
        if (auto* car = qobject_cast<CarDB*>(dialog))
            return drive(car);
        return 0;
    };
    CarDB dialog(editor.get(), nullptr);
    answerer.respond = nullptr;
}

void TestCarDatabase::specificationRules_data()
{
    QTest::addColumn<bool>("motorcycle");
    QTest::addColumn<int>("specification");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("field");
    // NaN: the field is not set.
    QTest::addColumn<double>("expected");
    const double none = std::nan("");
    const double rpm = 2.0 * M_PI / 60.0;
    QTest::newRow("mass") << false << 34 << "1250" << int(ProjectListFields::mass) << 1250.0;
    QTest::newRow("mass no number") << false << 34 << "n/a" << int(ProjectListFields::mass) << none;
    QTest::newRow("speed range") << false << 15 << "from 5000 to 6000" << int(ProjectListFields::stockEnginePowerRPM) << none;
    QTest::newRow("speed") << false << 15 << "5500" << int(ProjectListFields::stockEnginePowerRPM) << 5500 * rpm;
    QTest::newRow("power PS") << false << 14 << "90" << int(ProjectListFields::stockEnginePower) << 90 * 735.499;
    QTest::newRow("track mm") << false << 9 << "1540" << int(ProjectListFields::frontTrack) << 1.54;
    QTest::newRow("displacement") << false << 13 << "1598" << int(ProjectListFields::displacement) << 1598e-6;
    QTest::newRow("fuel lower case") << false << 12 << "gasoline" << int(ProjectListFields::engineFuelType) << none;
    QTest::newRow("fuel diesel hybrid") << false << 12 << "Diesel, Hybrid" << int(ProjectListFields::engineFuelType) << 3.0;
    QTest::newRow("drive awd") << false << 27 << "full" << int(ProjectListFields::driveWheels) << 2.0;
    QTest::newRow("boost") << false << 46 << "Turbine + compressor" << int(ProjectListFields::engineBoostType) << 3.0;
    QTest::newRow("cvt") << false << 24 << "Continuously variable transmission (CVT)" << int(ProjectListFields::gearboxType) << 2.0;
    QTest::newRow("bore stroke") << true << 1029 << "54.0x52.0" << int(ProjectListFields::pistonStroke) << 0.052;
    QTest::newRow("bore only") << true << 1029 << "54.0" << int(ProjectListFields::cylinderBore) << 0.054;
    QTest::newRow("no stroke") << true << 1029 << "54.0" << int(ProjectListFields::pistonStroke) << none;
    QTest::newRow("6-speed gears") << true << 998 << "6-speed" << int(ProjectListFields::gearCount) << 6.0;
    QTest::newRow("6-speed gearbox") << true << 998 << "6-speed" << int(ProjectListFields::gearboxType) << 0.0;
    QTest::newRow("cvt automatic") << true << 998 << "CVT automatic" << int(ProjectListFields::gearboxType) << 2.0;
    QTest::newRow("cvt no gears") << true << 998 << "CVT automatic" << int(ProjectListFields::gearCount) << none;
    QTest::newRow("automatic") << true << 998 << "Automatic" << int(ProjectListFields::gearboxType) << 1.0;
    QTest::newRow("power 0") << true << 996 << "0/9000" << int(ProjectListFields::stockEnginePower) << none;
    QTest::newRow("power 0 speed") << true << 996 << "0/9000" << int(ProjectListFields::stockEnginePowerRPM) << none;
    QTest::newRow("power speed") << true << 996 << "47/8500" << int(ProjectListFields::stockEnginePowerRPM) << 8500 * rpm;
    QTest::newRow("torque") << true << 1021 << "43/7000" << int(ProjectListFields::stockEngineTorque) << 43.0;
    QTest::newRow("compression") << true << 1031 << "11.5:1" << int(ProjectListFields::compressionRatio) << 11.5;
    QTest::newRow("compression empty") << true << 1031 << ":1" << int(ProjectListFields::compressionRatio) << none;
}

void TestCarDatabase::specificationRules()
{
    QFETCH(bool, motorcycle);
    QFETCH(int, specification);
    QFETCH(QString, text);
    QFETCH(int, field);
    QFETCH(double, expected);
    const auto parsed = CarDB::parseSpecification(motorcycle, QStringLiteral("Make"), QStringLiteral("Model"),
                                                  motorcycle ? QString() : QStringLiteral("Gen"),
                                                  QStringLiteral("Series"), QStringLiteral("Trim"),
                                                  {{specification, text}});
    const auto key = static_cast<ProjectListFieldId>(field);
    if (std::isnan(expected)) {
        QVERIFY2(!parsed.contains(key), qPrintable(parsed.value(key).toString()));
    } else {
        QVERIFY(parsed.contains(key));
        QVERIFY2(qAbs(parsed.value(key).toDouble() - expected) < 1e-9, qPrintable(parsed.value(key).toString()));
    }
    QCOMPARE(parsed.value(ProjectListFields::vehicleType).toInt(), motorcycle ? 3 : 1);
    QCOMPARE(parsed.value(ProjectListFields::series).toString(),
             motorcycle ? QStringLiteral(" Series") : QStringLiteral("Gen Series"));
}

void TestCarDatabase::comboBoxIgnoresCursorKeys()
{
    CarDBComboBox box;
    box.addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    box.setCurrentIndex(1);
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown})
        QTest::keyClick(&box, key);
    QCOMPARE(box.currentIndex(), 1);
}

void TestCarDatabase::carCascadeAndApply()
{
    LogCapture log;
    int result = -1;
    openDialog([&](CarDB* car) {
        if (!QTest::qWaitFor([car] { return car->statusLabel->text() == QStringLiteral("Ready"); }, 15000))
            return int(QDialog::Rejected);
        // The motorcycle name of a shared id wins.
        [&] { QCOMPARE(car->specificationNames.value(34), QStringLiteral("Motorcycle name wins")); }();
        car->vehicleTypeBox->setCurrentIndex(0);
        car->vehicleTypeBox->setCurrentIndex(1);
        [&] { QCOMPARE(car->makeBox->count(), 3); }();
        car->makeBox->setCurrentIndex(car->makeBox->findText(QStringLiteral("Volkswagen")));
        [&] { QCOMPARE(car->modelBox->count(), 3); }();
        car->modelBox->setCurrentIndex(car->modelBox->findText(QStringLiteral("Golf")));
        [&] {
            QCOMPARE(car->generationBox->itemText(1), QStringLiteral("[2010 - 2015] Mk3"));
            QCOMPARE(car->generationBox->itemText(2), QStringLiteral("[2015 - ] Mk4"));
        }();
        car->generationBox->setCurrentIndex(2);
        car->seriesBox->setCurrentIndex(car->seriesBox->findText(QStringLiteral("Hatchback")));
        [&] { QCOMPARE(car->trimBox->itemText(1), QStringLiteral("1.6 (90 PS)")); }();
        car->trimBox->setCurrentIndex(1);
        [&] {
            QCOMPARE(car->specificationTable->rowCount(), 4);
            QCOMPARE(car->parsedSpecification.value(ProjectListFields::mass).toDouble(), 1250.0);
            QVERIFY(!car->parsedSpecification.contains(ProjectListFields::stockEnginePowerRPM));
            QCOMPARE(car->parsedSpecification.value(ProjectListFields::series).toString(),
                     QStringLiteral("[2015 - ] Mk4 Hatchback"));
        }();
        // One field, the dialog stays open.
        for (int row = 0; row < car->parsedTable->rowCount(); ++row) {
            auto* button = qobject_cast<QPushButton*>(car->parsedTable->cellWidget(row, 2));
            if (button && button->property("fieldId").toInt() == ProjectListFields::mass)
                button->click();
        }
        [&] {
            QCOMPARE(models->projects->dataRawByRowAndId(projectRow, ProjectListFields::mass).toDouble(), 1250.0);
            QVERIFY(!models->projects->dataRawByRowAndId(projectRow, ProjectListFields::brand).isValid()
                    || models->projects->dataRawByRowAndId(projectRow, ProjectListFields::brand).toString().isEmpty());
            QCOMPARE(car->result(), 0);
        }();
        // A picture of the filled dialog when asked for (ZEMBO_SCREENSHOT_DIR).
        if (const QString shots = qEnvironmentVariable("ZEMBO_SCREENSHOT_DIR"); !shots.isEmpty()) {
            car->show();
            QTest::qWait(300);
            car->grab().save(QDir(shots).filePath(QStringLiteral("car-database.png")));
            car->hide();
        }
        auto* all = qobject_cast<QPushButton*>(car->parsedTable->cellWidget(car->parsedTable->rowCount() - 1, 2));
        if (all)
            all->click();
        result = car->result();
        return result;
    });
    QCOMPARE(result, int(QDialog::Accepted));
    ProjectListModel& projects = *models->projects;
    QCOMPARE(projects.dataRawByRowAndId(projectRow, ProjectListFields::brand).toString(), QStringLiteral("Volkswagen"));
    QCOMPARE(projects.dataRawByRowAndId(projectRow, ProjectListFields::trim).toString(), QStringLiteral("1.6 (90 PS)"));
    QVERIFY(qAbs(projects.dataRawByRowAndId(projectRow, ProjectListFields::stockEnginePower).toDouble() - 90 * 735.499)
            < 1e-6);
    QCOMPARE(projects.dataRawByRowAndId(projectRow, ProjectListFields::engineFuelType).toInt(), 0);
    QCOMPARE(projects.dataRawByRowAndId(projectRow, ProjectListFields::vehicleType).toInt(), 1);
    QVERIFY(boxes().isEmpty());
    for (const QString& line : log.messages())
        QVERIFY2(!line.contains(QStringLiteral("s3cret")), qPrintable(line));
}

void TestCarDatabase::rememberedTypeLoadsItsMakes()
{
    int makes = -1;
    for (int pass = 0; pass < 2; ++pass) {
        openDialog([&](CarDB* car) {
            if (!QTest::qWaitFor([car] { return car->statusLabel->text() == QStringLiteral("Ready"); }, 15000))
                return int(QDialog::Rejected);
            if (pass == 0)
                car->vehicleTypeBox->setCurrentIndex(2);
            makes = car->makeBox->count();
            return int(QDialog::Rejected);
        });
    }
    QCOMPARE(makes, 2);
}

void TestCarDatabase::motorcycleHasNoGeneration()
{
    QString series;
    bool generationEnabled = true;
    openDialog([&](CarDB* car) {
        if (!QTest::qWaitFor([car] { return car->statusLabel->text() == QStringLiteral("Ready"); }, 15000))
            return int(QDialog::Rejected);
        car->vehicleTypeBox->setCurrentIndex(0);
        car->vehicleTypeBox->setCurrentIndex(2);
        car->makeBox->setCurrentIndex(1);
        car->modelBox->setCurrentIndex(1);
        generationEnabled = car->generationBox->isEnabled();
        car->seriesBox->setCurrentIndex(1);
        car->trimBox->setCurrentIndex(1);
        series = car->parsedSpecification.value(ProjectListFields::series).toString();
        const double stroke = car->parsedSpecification.value(ProjectListFields::pistonStroke).toDouble();
        return stroke == 0.0668 ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    QVERIFY(!generationEnabled);
    QCOMPARE(series, QStringLiteral(" F"));
}

void TestCarDatabase::failuresReportTheirTexts_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("baseUrl");
    QTest::addColumn<QString>("text");
    QTest::newRow("no service") << QByteArray("a\nb\nc\nd\n") << QStringLiteral("http://127.0.0.1:%1/").arg(freePort())
                                << QStringLiteral("CarDB Error getting database access. Check your internet connection.");
    QTest::newRow("three lines") << QByteArray("zembo\ns3cret\ncars\n") << QString()
                                 << QStringLiteral("CarDB Error getting login data");
    QTest::newRow("oversized reply") << QByteArray("zembo\ns3cret\ncars\nmotos\n") + QByteArray(100000, 'x')
                                     << QString() << QStringLiteral("CarDB Error getting login data");
    QTest::newRow("wrong password") << QByteArray("zembo\nwrong\ncars\nmotos\n") << QString()
                                    << QStringLiteral("CarDB Can't open connection to car database");
    QTest::newRow("no motorcycle database") << QByteArray("zembo\ns3cret\ncars\nnone\n") << QString()
                                            << QStringLiteral("CarDB Can't open connection to motorcycle database");
}

void TestCarDatabase::failuresReportTheirTexts()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, baseUrl);
    QFETCH(QString, text);
    writeLogin(reply);
    const QByteArray saved = qgetenv("ZEMBO_CARDB_BASE_URL");
    if (!baseUrl.isEmpty())
        qputenv("ZEMBO_CARDB_BASE_URL", baseUrl.toUtf8());
    LogCapture log;
    int result = -1;
    openDialog([&](CarDB* car) {
        (void)QTest::qWaitFor([this] { return !boxes().isEmpty(); }, 20000);
        result = car->result();
        return result;
    });
    qputenv("ZEMBO_CARDB_BASE_URL", saved);
    QCOMPARE(boxes(), QStringList{text});
    QCOMPARE(result, int(QDialog::Rejected));
    for (const QString& line : log.messages())
        QVERIFY2(!line.contains(QStringLiteral("wrong")) && !line.contains(QStringLiteral("s3cret")), qPrintable(line));
}

void TestCarDatabase::closingDuringLoginAbortsIt()
{
    openDialog([](CarDB*) { return int(QDialog::Rejected); });
    QTest::qWait(500);
    QVERIFY(boxes().isEmpty());

    // Last: the server stops; the dialog says so within its time-outs.
    stopMariaDb();
    int result = -1;
    openDialog([&](CarDB* car) {
        (void)QTest::qWaitFor([this] { return !boxes().isEmpty(); }, 30000);
        result = car->result();
        return result;
    });
    QCOMPARE(boxes(), QStringList{QStringLiteral("CarDB Can't open connection to car database")});
}

QTEST_MAIN(TestCarDatabase)
#include "tst_car_database.moc"
