// The PROJECTS tab and its pages: locking of old projects, the estimates of
// the project form, calculators plugged in from above, the project picture
// with the camera, the project settings page and the power-correction sources.
#include "CameraThread.h"
#include "ChannelId.h"
#include "Channels.h"
#include "DatabaseTestSupport.h"
#include "DatabaseTools.h"
#include "DialogAnswerer.h"
#include "ImageLabel.h"
#include "MySQLTableView.h"
#include "MySettings.h"
#include "PowerCorrectionSetup.h"
#include "ProjectPictureWidget.h"
#include "ProjectSettings.h"
#include "Projects.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "SettingsFixture.h"
#include "SpinBoxWithUnit.h"
#include "SqlModelConfigurator.h"
#include "TableEditor.h"

#include <QCheckBox>
#include <QDateTime>
#include <QImage>
#include <QInputDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <cmath>

using namespace DatabaseTest;

class TestProjectsTab : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    // The controller thread logs until it is stopped: stop it while the
    // test log still exists.
    void cleanupTestCase() { settings.reset(); }
    void init();
    void cleanup();
    void oldProjectsAreLocked();
    void newProjectIsTheOnlySelection();
    void engineInertiaEstimates();
    void lossFactorFromEfficiencyAndGearbox();
    void calculatorsRegisteredFromAbove();
    void projectPicture();
    void webcamCountsDown();
    void projectSettingsPages();
    void ambientSourcesWithCalibration();
    void columnsHideAndRestoreFromTheMenu();

private:
    int addProject(qint64 lastAccess);

    QTemporaryDir dir;
    std::unique_ptr<SettingsFixture> settings;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<Models> models;
    std::unique_ptr<QWidget> window;
    Projects* projects = nullptr;
    QCheckBox* gearboxOption = nullptr;
    QCheckBox* engineOption = nullptr;
    RecordingAnswerer answerer;
    int databaseNumber = 0;
};

void TestProjectsTab::initTestCase()
{
    SettingsFixture::prepareProcess();
    initProgramState();
    settings = std::make_unique<SettingsFixture>(3);
    QVERIFY(settings->start());
    DialogAnswerer::install(&answerer);
    theCameraThread = new CameraThread(this);
}

void TestProjectsTab::init()
{
    connection = std::make_unique<Connection>(dir.filePath(QStringLiteral("t%1.db").arg(++databaseNumber)));
    models = std::make_unique<Models>(*connection);
    window = std::make_unique<QWidget>();
    gearboxOption = new QCheckBox(window.get());
    gearboxOption->setObjectName(QStringLiteral("checkBox_settings_updateDTLossFactorOnGearboxChange"));
    engineOption = new QCheckBox(window.get());
    engineOption->setObjectName(QStringLiteral("checkBox_settings_updateEngineInertiaOnDisplacementChange"));
    projects = new Projects(window.get());
    projects->setModels(models->projects.get(), models->runs.get());
    answerer.shown.clear();
    answerer.respond = nullptr;
    answerer.result = QDialog::Accepted;
}

void TestProjectsTab::cleanup()
{
    window.reset();
    models.reset();
    connection.reset();
}

int TestProjectsTab::addProject(qint64 lastAccess)
{
    ProjectListModel& model = *models->projects;
    const int row = model.action_new();
    model.setDataRawByRowAndId(row, ProjectListFields::lastAccessTimestamp, lastAccess);
    return row;
}

void TestProjectsTab::oldProjectsAreLocked()
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QVERIFY(!Projects::isLocked(now - (24 * 3600 + 59 * 60), now));
    QVERIFY(Projects::isLocked(now - 25 * 3600, now));

    const int fresh = addProject(now - (24 * 3600 + 59 * 60));
    projects->slot_setDisplayedRow(fresh);
    QVERIFY(projects->pushButton_fillFromDatabase->isEnabled());
    QVERIFY(projects->pushButton_activateProject->isEnabled());
    QVERIFY(projects->pushButton_unlock->isHidden());

    const int old = addProject(now - 25 * 3600);
    projects->slot_setDisplayedRow(old);
    QVERIFY(!projects->pushButton_fillFromDatabase->isEnabled());
    QVERIFY(!projects->pushButton_activateProject->isEnabled());
    QVERIFY(!projects->pushButton_unlock->isHidden());
    QCOMPARE(projects->projectEditor->currentRow(), old);
    projects->pushButton_unlock->click();
    QVERIFY(projects->pushButton_fillFromDatabase->isEnabled());
    QVERIFY(projects->pushButton_unlock->isHidden());
    QVERIFY(models->projects->dataRawByRowAndId(old, ProjectListFields::lastAccessTimestamp).toLongLong() >= now);

    projects->slot_setDisplayedRow(-1);
    QVERIFY(!projects->pushButton_activateProject->isEnabled());
    QVERIFY(!projects->myTableView_runs->isEnabled());
    QCOMPARE(models->runs->currentProjectId, -1);
}

void TestProjectsTab::newProjectIsTheOnlySelection()
{
    ProjectListModel& model = *models->projects;
    addProject(QDateTime::currentSecsSinceEpoch());
    projects->tableView_projects->selectRow(0);
    QCOMPARE(projects->displayedRow, 0);
    const int row = model.action_new();
    QCOMPARE(row, model.rowCount() - 1);
    QCOMPARE(projects->tableView_projects->selectedRows(), QList<int>{row});
    QCOMPARE(projects->displayedRow, row);
    QCOMPARE(projects->projectEditor->currentRow(), row);
    QCOMPARE(projects->tabWidget->currentIndex(), 1);
    QCOMPARE(model.activeProjectId, -1);
}

void TestProjectsTab::engineInertiaEstimates()
{
    QString error;
    const struct {
        int vehicle, cycle, cylinders;
        double displacement;
        int fuel, configuration;
        double expected; // NaN: refused with `message`
        const char* message;
    } cases[] = {
        {1, 1, 4, 0.002, 0, 0, 0.007 * 2 * 8 * std::pow(2.0, 0.37), nullptr},
        {1, 1, 4, 0.002, 2, 0, 1.2 * 0.007 * 2 * 8 * std::pow(2.0, 0.37), nullptr},
        {3, 0, 1, 0.000125, 0, 0, double(0.2f) * 0.007 * 1 * 5 * 0.125, nullptr},
        {3, 0, 1, 0.000125, 7, 0, NAN, "Electric engine is not supported for inertia estimation"},
        {1, 2, 2, 0.0013, 0, 5, NAN, "This engine cycle is not supported for inertia estimation"},
        {1, 1, 2, 0.0013, 0, 5, NAN, "This engine configuration is not supported for inertia estimation"},
    };
    for (const auto& c : cases) {
        error.clear();
        const std::optional<double> inertia =
            Projects::estimateEngineInertia(c.vehicle, c.cycle, c.cylinders, c.displacement, c.fuel, c.configuration, &error);
        if (c.message) {
            QVERIFY(!inertia);
            QCOMPARE(error, QString::fromLatin1(c.message));
        } else {
            QVERIFY(inertia);
            QVERIFY2(qAbs(*inertia - c.expected) < 1e-12, qPrintable(QString::number(*inertia, 'g', 17)));
        }
    }
    QVERIFY(qAbs(*Projects::estimateEngineInertia(1, 1, 4, 0.002, 0, 0, nullptr) - 0.145) < 0.001);

    // Through the form: an engine edit with the option on writes the estimate.
    ProjectListModel& model = *models->projects;
    const int row = addProject(QDateTime::currentSecsSinceEpoch());
    projects->slot_setDisplayedRow(row);
    engineOption->setChecked(true);
    model.setDataRawByRowAndId(row, ProjectListFields::cylinderCount, 4);
    model.setDataRawByRowAndId(row, ProjectListFields::displacement, 0.002);
    QVERIFY(qAbs(model.dataRawByRowAndId(row, ProjectListFields::engineInertia).toDouble() - 0.145) < 0.001);
    // A refusal writes nothing and says why.
    model.setDataRawByRowAndId(row, ProjectListFields::engineFuelType, 7);
    QCOMPARE(answerer.shown.last().text, QStringLiteral("Electric engine is not supported for inertia estimation"));
    QVERIFY(qAbs(model.dataRawByRowAndId(row, ProjectListFields::engineInertia).toDouble() - 0.145) < 0.001);
}

void TestProjectsTab::lossFactorFromEfficiencyAndGearbox()
{
    ProjectListModel& model = *models->projects;
    const int row = addProject(QDateTime::currentSecsSinceEpoch());
    projects->slot_setDisplayedRow(row);
    model.setDataRawByRowAndId(row, ProjectListFields::lossFromLoadFactor, 0.25);
    double proposed = -1;
    double answer = 90.0;
    answerer.respond = [&](QDialog* dialog) {
        auto* input = qobject_cast<QInputDialog*>(dialog);
        if (!input)
            return 0;
        proposed = input->doubleValue();
        input->setDoubleValue(answer);
        return int(QDialog::Accepted);
    };
    projects->slot_lossFromLoadFactorFromEfficiency();
    QCOMPARE(proposed, 80.0);
    QVERIFY(qAbs(model.dataRawByRowAndId(row, ProjectListFields::lossFromLoadFactor).toDouble() - 0.1111) < 1e-4);
    answer = 0.0;
    projects->slot_lossFromLoadFactorFromEfficiency();
    QVERIFY(qAbs(model.dataRawByRowAndId(row, ProjectListFields::lossFromLoadFactor).toDouble() - 0.1111) < 1e-4);

    gearboxOption->setChecked(false);
    model.setDataRawByRowAndId(row, ProjectListFields::gearboxType, 2);
    QVERIFY(qAbs(model.dataRawByRowAndId(row, ProjectListFields::lossFromLoadFactor).toDouble() - 0.1111) < 1e-4);
    gearboxOption->setChecked(true);
    model.setDataRawByRowAndId(row, ProjectListFields::gearboxType, 5);
    model.setDataRawByRowAndId(row, ProjectListFields::gearboxType, 2);
    QCOMPARE(model.dataRawByRowAndId(row, ProjectListFields::lossFromLoadFactor).toDouble(), 0.14);
    for (int type = -1; type <= 11; ++type) {
        const double expected = type >= 0 && type <= 10
            ? QList<double>{0.04, 0.08, 0.14, 0.0, 0.0, 0.06, 0.05, 0.02, 0.04, 0.06, 0.08}.at(type)
            : 0.0;
        QCOMPARE(Projects::lossFactorForGearbox(type), expected);
    }
}

void TestProjectsTab::calculatorsRegisteredFromAbove()
{
    ProjectListModel& model = *models->projects;
    const int row = addProject(QDateTime::currentSecsSinceEpoch());
    model.setDataRawByRowAndId(row, ProjectListFields::vehicleType, 3);
    projects->slot_setDisplayedRow(row);
    int seenType = -1;
    Projects::setCalculatorOpener(Projects::EngineFactorCalculator, [&seenType](int vehicleType) -> std::optional<double> {
        seenType = vehicleType;
        return 1.23;
    });
    projects->slot_engineFactorWizard();
    Projects::setCalculatorOpener(Projects::EngineFactorCalculator, nullptr);
    QCOMPARE(seenType, 3);
    QCOMPARE(model.dataRawByRowAndId(row, ProjectListFields::engineCorrectionFactor).toDouble(), 1.23);
    // Cancelled: nothing written.
    Projects::setCalculatorOpener(Projects::EngineFactorCalculator, [](int) { return std::optional<double>(); });
    projects->slot_engineFactorWizard();
    Projects::setCalculatorOpener(Projects::EngineFactorCalculator, nullptr);
    QCOMPARE(model.dataRawByRowAndId(row, ProjectListFields::engineCorrectionFactor).toDouble(), 1.23);
}

void TestProjectsTab::projectPicture()
{
    ProjectPictureWidget picture;
    QCOMPARE(picture.label->text(), QStringLiteral("No project selected"));
    QVERIFY(!picture.pushButton_clear->isEnabled() && !picture.pushButton_load->isEnabled()
            && !picture.pushButton_webcam->isEnabled());
    const QString file = theSettings.mediaDir.filePath(QStringLiteral("12.jpg"));
    QFile::remove(file);
    picture.setProjectId(12);
    QCOMPARE(picture.getImageFilepath(), file);
    QCOMPARE(picture.label->text(), QStringLiteral("Project picture not set"));
    QVERIFY(!picture.pushButton_undo->isEnabled());

    const QString source = dir.filePath(QStringLiteral("car.png"));
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(source));
    answerer.files = {source};
    picture.slot_loadFromFile();
    QVERIFY(QFile::exists(file));
    QCOMPARE(QImage(file).size(), QSize(64, 48));
    picture.slot_undo();
    QVERIFY(!QFile::exists(file));
    picture.setImageFromPath(source);
    QVERIFY(QFile::exists(file));
    picture.slot_clear();
    QVERIFY(!QFile::exists(file));
    QCOMPARE(picture.label->text(), QStringLiteral("Project picture not set"));
    // Not a picture: nothing changes.
    const QString text = dir.filePath(QStringLiteral("notes.jpg"));
    {
        QFile notes(text);
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("no image");
    }
    picture.setImageFromPath(text);
    QVERIFY(!QFile::exists(file));
}

void TestProjectsTab::webcamCountsDown()
{
    ProjectPictureWidget picture;
    picture.setProjectId(7);
    const QString file = picture.getImageFilepath();
    QFile::remove(file);
    theCameraThread->setTestFrame(QImage(), 0);
    picture.slot_takeFromWebcam();
    QStringList seen{picture.label->text()};
    QVERIFY(!picture.isEnabled());
    // The retry timer's 1 s steps, taken at once.
    while (picture.retryTimer->isActive()) {
        picture.retryTimer->stop();
        picture.slot_tryGrabbingPictureFromWebcam();
        if (picture.retryTimer->isActive())
            seen.append(picture.label->text());
    }
    QStringList expected;
    for (int left = 15; left >= 1; --left)
        expected.append(QStringLiteral("Waiting for camera stream %1").arg(left));
    QCOMPARE(seen, expected);
    QCOMPARE(answerer.shown.last().text, QStringLiteral("Camera stream not available"));
    QVERIFY(picture.isEnabled());

    // A frame on the second try is saved as the picture.
    QImage frame(32, 24, QImage::Format_RGB32);
    frame.fill(Qt::blue);
    theCameraThread->setTestFrame(QImage(), 0);
    picture.slot_takeFromWebcam();
    theCameraThread->setTestFrame(frame, 1234);
    picture.retryTimer->stop();
    picture.slot_tryGrabbingPictureFromWebcam();
    theCameraThread->setTestFrame(QImage(), 0);
    QVERIFY(QFile::exists(file));
    QCOMPARE(QImage(file).size(), QSize(32, 24));
    QVERIFY(picture.isEnabled());

    // The picture page asks the camera for a frame when it is shown.
    const int before = theCameraThread->frameRequests;
    projects->tabWidget->setCurrentIndex(2);
    QCOMPARE(theCameraThread->frameRequests, before + 1);
}

void TestProjectsTab::projectSettingsPages()
{
    ProjectSettings page;
    page.init(models->projects.get(), models->runs.get());
    QCOMPARE(page.tabWidget->count(), 3);
    QCOMPARE(page.tabWidget->tabText(0), QStringLiteral("Customize PROJECTS"));
    QCOMPARE(page.tabWidget->tabText(1), QStringLiteral("Customize RUNS"));
    QCOMPARE(page.tabWidget->tabText(2), QStringLiteral("Database tools"));
    QVERIFY(page.runConfigurator->isColumnHidden(1) && page.runConfigurator->isColumnHidden(2));
    QVERIFY(!page.projectConfigurator->isColumnHidden(1));
    QStringList buttons;
    for (const QPushButton* button : page.databaseTools->findChildren<QPushButton*>())
        buttons.append(button->text());
    QCOMPARE(buttons, (QStringList{QStringLiteral("Remove run entries with missing data files"),
                                   QStringLiteral("Remove run data files without database entries"),
                                   QStringLiteral("Repack run data files for less disk usage and faster access"),
                                   QStringLiteral("Recalculate all runs data"), QStringLiteral("Disk cleanup tool")}));
    int opened = 0;
    MySettings::setDiskCleanupOpener([&opened] { ++opened; });
    page.databaseTools->findChildren<QPushButton*>().last()->click();
    MySettings::setDiskCleanupOpener(nullptr);
    QCOMPARE(opened, 1);
}

void TestProjectsTab::ambientSourcesWithCalibration()
{
    PowerCorrectionSetup page;
    page.init();
    RunChannel* sensor = theChannels.getChannel(ChannelId_bme280Temperature, 0);
    RunChannel* ambient = theChannels.getChannel(ChannelId_ambientTemperature, 0);
    QVERIFY(sensor && ambient);
    page.settings_tempSensorCalibration->setValueSI(0.5);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    sensor->setData(293.15, now);
    page.sampleAmbientData(now);
    QVERIFY2(qAbs(ambient->getValue() - 293.65) < 1e-9, qPrintable(QString::number(ambient->getValue(), 'g', 17)));
    QCOMPARE(page.settings_tempSensorCalibration->getUnit()->name, QStringLiteral("K"));
}

QTEST_MAIN(TestProjectsTab)
// Both tables: "Hide column" hides the column under the pointer and saves the
// layout; the hidden column comes back from "Restore column" by its header;
// a column the user may not hide offers no "Hide column".
void TestProjectsTab::columnsHideAndRestoreFromTheMenu()
{
    const QList<CustomSqlTableModel*> tables{models->projects.get(), models->runs.get()};
    for (CustomSqlTableModel* model : tables) {
        int hideable = -1;
        int fixed = -1;
        for (int c = 0; c < model->fieldDescriptors.size(); ++c) {
            if (!model->descriptor(c) || model->descriptor(c)->hiddenInTable)
                continue;
            if (model->canUserHideColumn(c)) {
                if (hideable < 0)
                    hideable = c;
            } else if (fixed < 0) {
                fixed = c;
            }
        }
        QVERIFY(hideable >= 0 && fixed >= 0);
        const QString header = model->headerData(hideable, Qt::Horizontal).toString();
        QSignalSpy saves(model, &CustomSqlTableModel::signal_requestModelConfigurationSave);

        answerer.menus.clear();
        answerer.menuChoice = QStringLiteral("Hide column");
        model->slot_contextMenuEvent({}, fixed, QPoint());
        QVERIFY(!answerer.menus.last().contains(QStringLiteral("Hide column")));
        QCOMPARE(saves.count(), 0);

        model->slot_contextMenuEvent({}, hideable, QPoint());
        QVERIFY(model->descriptor(hideable)->hiddenInTable);
        QCOMPARE(saves.count(), 1);

        answerer.menuChoice = header;
        model->slot_contextMenuEvent({}, fixed, QPoint());
        QVERIFY(answerer.menus.last().contains(QStringLiteral("Restore column >")));
        QVERIFY(!model->descriptor(hideable)->hiddenInTable);
        QCOMPARE(saves.count(), 2);
    }
    answerer.menuChoice.clear();
}

#include "tst_projects_tab.moc"
