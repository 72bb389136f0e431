// The main window's place, size and tab at start and exit, and the printer
// settings of reports. Runs on two stand-in screens (screens.json): the first
// at (0, 30) with 1280 x 690 pixels, as below a top panel of 30 pixels, the
// second at (1280, 0) with 1280 x 720 pixels.
#include "LogCapture.h"
#include "MySettings.h"
#include "PathSaver.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMainWindow>
#include <QPageLayout>
#include <QPrinter>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

namespace {

// A main window with the widgets the window state looks for by name.
struct Window {
    QMainWindow window;
    QTabWidget* tabs = nullptr;
    QCheckBox* projectsFirst = nullptr;

    Window()
    {
        auto* central = new QWidget(&window);
        auto* layout = new QVBoxLayout(central);
        tabs = new QTabWidget(central);
        tabs->setObjectName("tabWidget_main");
        for (const char* name : {"PROJECTS", "ANALYZE", "RUN", "SETTINGS", "IO"})
            tabs->addTab(new QWidget, name);
        projectsFirst = new QCheckBox(central);
        projectsFirst->setObjectName("checkBox_settings_alwaysStartInProjectsTab");
        layout->addWidget(tabs);
        layout->addWidget(projectsFirst);
        window.setCentralWidget(central);
        window.resize(400, 300);
    }
};

void touch(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
}

} // namespace

class TestWindowState : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();

    void placement_data();
    void placement();
    void storedValuesOfTheWrongType();
    void mainTab_data();
    void mainTab();
    void maximisedWindowComesBackMaximised();
    void closingProcedure();

    void printerFromStoredSettings();
    void printerWithoutStoredSettings();
    void printerSettingsRoundTrip();
};

void TestWindowState::initTestCase()
{
    QCOMPARE(QGuiApplication::screens().size(), 2);
    QCOMPARE(QGuiApplication::screens().first()->availableGeometry(), QRect(0, 30, 1280, 690));
}

void TestWindowState::init()
{
    for (const char* group : {"UISettings", "Printer", "path", "UserSetting", "appVersion", "saveDate"})
        theSettings.remove(QLatin1String(group));
    MySettings::setActiveProjectIdProvider({});
    MySettings::setPrintNameProvider({});
}

void TestWindowState::placement_data()
{
    QTest::addColumn<QVariant>("storedPos");
    QTest::addColumn<QVariant>("storedSize");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("pos");

    QTest::newRow("first start: own size, pulled below the panel")
        << QVariant() << QVariant() << QSize(400, 300) << QPoint(0, 60);
    QTest::newRow("above the panel: twice the panel height")
        << QVariant(QPoint(100, 10)) << QVariant(QSize(400, 300)) << QSize(400, 300) << QPoint(100, 60);
    QTest::newRow("right edge exactly on the last pixel moves one left")
        << QVariant(QPoint(880, 100)) << QVariant(QSize(400, 300)) << QSize(400, 300) << QPoint(879, 100);
    QTest::newRow("bottom edge past the area")
        << QVariant(QPoint(10, 600)) << QVariant(QSize(400, 300)) << QSize(400, 300) << QPoint(10, 419);
    QTest::newRow("larger than the second screen: clipped to it")
        << QVariant(QPoint(1280, 0)) << QVariant(QSize(2000, 1500)) << QSize(1280, 720) << QPoint(1279, 0);
    QTest::newRow("off every screen: the first one")
        << QVariant(QPoint(-5000, -5000)) << QVariant(QSize(400, 300)) << QSize(400, 300) << QPoint(0, 60);
}

void TestWindowState::placement()
{
    QFETCH(QVariant, storedPos);
    QFETCH(QVariant, storedSize);
    QFETCH(QSize, size);
    QFETCH(QPoint, pos);
    if (storedPos.isValid())
        theSettings.setValue("UISettings/windowPosition", storedPos);
    if (storedSize.isValid())
        theSettings.setValue("UISettings/windowSize", storedSize);
    Window w;
    theSettings.initUI(&w.window);
    QCOMPARE(w.window.size(), size);
    QCOMPARE(w.window.pos(), pos);
    QVERIFY(!w.window.isMaximized());
}

void TestWindowState::storedValuesOfTheWrongType()
{
    theSettings.setValue("UISettings/windowPosition", QStringLiteral("left"));
    theSettings.setValue("UISettings/windowSize", QStringLiteral("big"));
    theSettings.setValue("UISettings/windowFullscreen", QStringLiteral("yes"));
    theSettings.setValue("UISettings/tabMain", QStringLiteral("RUN"));
    Window w;
    w.tabs->setCurrentIndex(3);
    theSettings.initUI(&w.window);
    QCOMPARE(w.window.size(), QSize(400, 300));
    QCOMPARE(w.window.pos(), QPoint(0, 60));
    QVERIFY(!w.window.isMaximized());
    QCOMPARE(w.tabs->currentIndex(), 0);
}

void TestWindowState::mainTab_data()
{
    QTest::addColumn<bool>("projectsFirst");
    QTest::addColumn<QVariant>("storedTab");
    QTest::addColumn<int>("tab");
    QTest::newRow("stored tab") << false << QVariant(2) << 2;
    QTest::newRow("always start in PROJECTS") << true << QVariant(2) << 0;
    QTest::newRow("nothing stored") << false << QVariant() << 0;
}

void TestWindowState::mainTab()
{
    QFETCH(bool, projectsFirst);
    QFETCH(QVariant, storedTab);
    QFETCH(int, tab);
    if (storedTab.isValid())
        theSettings.setValue("UISettings/tabMain", storedTab);
    Window w;
    w.projectsFirst->setChecked(projectsFirst);
    w.tabs->setCurrentIndex(4);
    QSignalSpy changes(w.tabs, &QTabWidget::currentChanged);
    LogCapture log;
    theSettings.initUI(&w.window);
    QCOMPARE(w.tabs->currentIndex(), tab);
    // The pages do not react to this restore.
    QCOMPARE(changes.count(), 0);
    QCOMPARE(theSettings.value("appVersion").toString(), QStringLiteral("6.28.3"));
    QCOMPARE(log.count(QStringLiteral("App version")), 1);
}

void TestWindowState::maximisedWindowComesBackMaximised()
{
    {
        Window w;
        w.window.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        theSettings.closingProcedure(&w.window);
    }
    QCOMPARE(theSettings.value("UISettings/windowFullscreen").toInt(), 1);
    theSettings.setValue("UISettings/windowSize", QSize(500, 400));
    Window again;
    theSettings.initUI(&again.window);
    QVERIFY(again.window.isMaximized());
}

void TestWindowState::closingProcedure()
{
    for (const QDir& folder : {theSettings.closedDesktopsDir, theSettings.closedDesktopsAnalyzeDir}) {
        touch(folder.filePath("closed.xml"));
        touch(folder.filePath("notes.txt"));
    }
    MySettings::setActiveProjectIdProvider([] { return 17; });
    Window w;
    w.window.move(150, 200);
    w.window.resize(640, 480);
    w.tabs->setCurrentIndex(3);
    theSettings.closingProcedure(&w.window);

    // Synchronised: the file itself holds the values.
    QSettings file(theSettings.iniFilePath(), QSettings::IniFormat);
    QCOMPARE(file.value("UISettings/windowPosition").toPoint(), QPoint(150, 200));
    QCOMPARE(file.value("UISettings/windowSize").toSize(), QSize(640, 480));
    QCOMPARE(file.value("UISettings/windowFullscreen").toInt(), 0);
    QCOMPARE(file.value("UISettings/tabMain").toInt(), 3);
    QCOMPARE(file.value("UISettings/lastProjectId").toInt(), 17);
    QVERIFY(QRegularExpression("^\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")
                .match(file.value("saveDate").toString())
                .hasMatch());
    for (const QDir& folder : {theSettings.closedDesktopsDir, theSettings.closedDesktopsAnalyzeDir}) {
        QVERIFY(!folder.exists("closed.xml"));
        QVERIFY(folder.exists("notes.txt"));
    }

    MySettings::setActiveProjectIdProvider({});
    theSettings.closingProcedure(&w.window);
    QCOMPARE(theSettings.value("UISettings/lastProjectId").toInt(), -1);

    // The next start puts the window back where it was.
    Window again;
    theSettings.initUI(&again.window);
    QCOMPARE(again.window.pos(), QPoint(150, 200));
    QCOMPARE(again.window.size(), QSize(640, 480));
    QCOMPARE(again.tabs->currentIndex(), 3);
}

void TestWindowState::printerFromStoredSettings()
{
    theSettings.setValue("Printer/PageSize", QSizeF(420, 594));
    theSettings.setValue("Printer/ColorMode", 0);
    theSettings.setValue("Printer/Orientation", 1);
    theSettings.setValue("Printer/Margins", QVariant::fromValue(QMarginsF(10, 10, 10, 10)));
    MySettings::setPrintNameProvider([] { return QStringLiteral("Audi A4 2024-05-01_10-00-00"); });
    QPrinter printer(QPrinter::HighResolution);
    theSettings.getPrinterSettings(printer);

    const QPageLayout layout = printer.pageLayout();
    QCOMPARE(layout.pageSize().id(), QPageSize::A2);
    QCOMPARE(layout.orientation(), QPageLayout::Landscape);
    QCOMPARE(layout.units(), QPageLayout::Millimeter);
    QCOMPARE(layout.margins(), QMarginsF(10, 10, 10, 10));
    QCOMPARE(layout.minimumMargins(), QMarginsF(0, 0, 0, 0));
    QCOMPARE(layout.mode(), QPageLayout::FullPageMode);
    QCOMPARE(printer.colorMode(), QPrinter::GrayScale);
    QCOMPARE(printer.outputFormat(), QPrinter::PdfFormat);
    QCOMPARE(printer.outputFileName(),
             thePathSaver.getPath(Path::savePdf) + QStringLiteral("/Audi A4 2024-05-01_10-00-00.pdf"));
}

void TestWindowState::printerWithoutStoredSettings()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    theSettings.getPrinterSettings(printer);
    // No built-in page size: the printer keeps its own.
    QCOMPARE(printer.pageLayout().pageSize().id(), QPageSize::Letter);
    QCOMPARE(printer.outputFileName(), QDir::homePath() + QStringLiteral("/.zembo/saved/print.pdf"));

    // Numbers that are no mode or orientation do not reach the printer.
    theSettings.setValue("Printer/ColorMode", 7);
    theSettings.setValue("Printer/Orientation", 9);
    QPrinter odd(QPrinter::HighResolution);
    theSettings.getPrinterSettings(odd);
    QCOMPARE(odd.colorMode(), QPrinter::GrayScale);
    QCOMPARE(odd.pageLayout().orientation(), QPageLayout::Portrait);
}

void TestWindowState::printerSettingsRoundTrip()
{
    QTemporaryDir out;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A3));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setColorMode(QPrinter::Color);
    printer.setPageMargins(QMarginsF(5, 6, 7, 8), QPageLayout::Millimeter);
    printer.setOutputFileName(out.filePath("never written.pdf"));
    theSettings.savePrinterSettings(printer);

    QCOMPARE(theSettings.value("Printer/Orientation").toInt(), 1);
    QCOMPARE(theSettings.value("Printer/ColorMode").toInt(), 1);
    QCOMPARE(theSettings.value("Printer/Margins").value<QMarginsF>(), QMarginsF(5, 6, 7, 8));
    // No file was written there: that folder is not remembered.
    QVERIFY(!theSettings.contains("path/savePdf"));

    touch(out.filePath("report.pdf"));
    printer.setOutputFileName(out.filePath("report.pdf"));
    theSettings.savePrinterSettings(printer);
    QCOMPARE(theSettings.value("path/savePdf").toString(), out.path());

    QPrinter next(QPrinter::HighResolution);
    theSettings.getPrinterSettings(next);
    QCOMPARE(next.pageLayout().pageSize().id(), QPageSize::A3);
    QCOMPARE(next.pageLayout().orientation(), QPageLayout::Landscape);
    QCOMPARE(next.colorMode(), QPrinter::Color);
    QCOMPARE(next.pageLayout().margins(QPageLayout::Millimeter), QMarginsF(5, 6, 7, 8));
    QCOMPARE(next.outputFileName(), out.filePath("print.pdf"));
}

QTEST_MAIN(TestWindowState)
#include "tst_window_state.moc"
