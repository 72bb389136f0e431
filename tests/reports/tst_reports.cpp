// The report side of the analysis: the template interpreter on its tag
// cases, the report document's sizes, pages and backgrounds, the template
// editor's files, the fragments asked of the analysis by name, and the
// after-run result screen with a stand-in browser.
#include "AMdiMainGraph.h"
#include "AnalyzeMdi.h"
#include "Channels.h"
#include "KioskBrowser.h"
#include "LoadedRunListModel.h"
#include "MdiManager.h"
#include "MySettings.h"
#include "PrintDialog.h"
#include "PrivateTempDir.h"
#include "ProjectListFieldId.h"
#include "ProjectListModel.h"
#include "RecordingAnswerer.h"
#include "ReportEditor.h"
#include "ReportFragments.h"
#include "ReportSources.h"
#include "ReportTags.h"
#include "ResultScreenEditor.h"
#include "RunData.h"
#include "RunFileTestSupport.h"
#include "RunListFieldId.h"
#include "RunListModel.h"
#include "TableModelFieldDescriptor.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QInputDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTimer>

#include <csignal>
#include <sys/stat.h>

namespace {

// The loaded-run list's fragments as the analysis publishes them.
class FakeRunList : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE QString generateRunTable(QPageLayout::Orientation orientation)
    {
        return QStringLiteral("runs %1").arg(int(orientation));
    }
    Q_INVOKABLE QString generateLegendMainGraph(QPageLayout::Orientation orientation, ComparePlot* plot)
    {
        return QStringLiteral("main %1 %2").arg(int(orientation)).arg(plot ? 1 : 0);
    }
    Q_INVOKABLE QString generateLegendUserGraph(QPageLayout::Orientation orientation, ComparePlot*)
    {
        return QStringLiteral("user %1").arg(int(orientation));
    }
    Q_INVOKABLE QString generateReportTable() { return QStringLiteral("<table>r</table>"); }
};



QList<QTextImageFormat> images(QTextDocument* document)
{
    QList<QTextImageFormat> found;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                found.append(it.fragment().charFormat().toImageFormat());
    return found;
}

void writeText(const QString& path, const QString& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

int pdfPages(const QString& path)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    info.waitForFinished(30000);
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    for (const QString& line : out.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

bool processAlive(qint64 pid)
{
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
}

} // namespace

class TestReports : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void splitWords_data();
    void splitWords();
    void interpreter_data();
    void interpreter();
    void graphTags();
    void documentSizes();
    void pagesAndBackgrounds();
    void editorFiles();
    void fragmentsByName();
    void resultScreenFill_data();
    void resultScreenFill();
    void resultScreenBrowser();

private:
    RunData* makeRun(const QString& name);
    void fill(const QString& text, QPageLayout::Orientation orientation = QPageLayout::Portrait);
    QStringList errors() const;

    RecordingAnswerer* answerer = nullptr;
    QTemporaryDir dir;
    std::unique_ptr<RunFileTest::Database> database;
    QWidget* parent = nullptr;
    LoadedRunListModel* runs = nullptr;
    MdiManager* manager = nullptr;
    ReportEditor* editor = nullptr;
    PrintDialog* dialog = nullptr;
    QPrinter* printer = nullptr;
    QString pdf;
};

void TestReports::initTestCase()
{
    RunFileTest::prepareProcess();
    theChannels.init();
    database = std::make_unique<RunFileTest::Database>(dir.filePath(QStringLiteral("db.sqlite")));
    answerer = new RecordingAnswerer;
    answerer->result = QDialog::Accepted;
    DialogAnswerer::install(answerer);
    parent = new QWidget;
    runs = new LoadedRunListModel(parent);
    auto* view = new QTableView(parent);
    view->setModel(runs);
    runs->setView(view);
    AnalyzeMdi::registerAnalyzeDesktop();
    AnalyzeMdi::setLoadedRuns(runs, view->selectionModel());
    manager = new MdiManager(parent, MdiType_analyze);
    runs->desktopManager = manager;
    ReportSources::setLoadedRunsProvider([this] { return runs; });
    editor = new ReportEditor(parent);
    pdf = dir.filePath(QStringLiteral("out.pdf"));
}

void TestReports::cleanupTestCase()
{
    delete dialog;
    delete printer;
    ReportSources::setLoadedRunsProvider(nullptr);
    delete parent;
    DialogAnswerer::install(nullptr);
    delete answerer;
    database.reset();
}

void TestReports::init()
{
    answerer->shown.clear();
}

void TestReports::cleanup()
{
    runs->removeRows(0, runs->rowCount());
}

QStringList TestReports::errors() const
{
    QStringList texts;
    for (const RecordingAnswerer::Shown& shown : answerer->shown)
        texts << shown.text;
    return texts;
}

RunData* TestReports::makeRun(const QString& name)
{
    auto* run = new RunData(dir.filePath(name + QStringLiteral(".h5")), true);
    run->runInfo[RunListFields::name] = name;
    run->runInfo[RunListFields::measuredEnginePower] = 123456.0;
    run->projectInfo[ProjectListFields::brand] = QStringLiteral("Ford <b>&");
    run->projectInfo[ProjectListFields::model] = QStringLiteral("Focus \u03a9");
    run->projectInfo[ProjectListFields::favourite] = true;
    run->projectInfo[ProjectListFields::vehicleType] = 99;
    return run;
}

// Runs the interpreter on a template "t" of the given text into a fresh
// preview whose printer writes a PDF.
void TestReports::fill(const QString& text, QPageLayout::Orientation orientation)
{
    const QString suffix = orientation == QPageLayout::Portrait ? QStringLiteral("_portrait") : QStringLiteral("_landscape");
    writeText(editor->reportDir.filePath(QStringLiteral("report_t") + suffix + QStringLiteral(".html")), text);
    writeText(editor->reportDir.filePath(QStringLiteral("report_t") + (orientation == QPageLayout::Portrait
                                                                           ? QStringLiteral("_landscape")
                                                                           : QStringLiteral("_portrait"))
                                         + QStringLiteral(".html")),
              QStringLiteral("other orientation"));
    if (editor->comboBox_settings_printTemplate->findText(QStringLiteral("t")) < 0)
        editor->comboBox_settings_printTemplate->addItem(QStringLiteral("t"));
    editor->comboBox_settings_printTemplate->setCurrentText(QStringLiteral("t"));
    delete dialog;
    delete printer;
    QFile::remove(pdf);
    printer = new QPrinter(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    printer->setPageOrientation(orientation);
    dialog = new PrintDialog(printer, parent);
    editor->fillReport(dialog, printer);
}

void TestReports::splitWords_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("plain") << "run_info 0 name" << QStringList{"run_info", "0", "name"};
    QTest::newRow("quoted blank kept") << "img \"my logo.png\" 50,*"
                                       << QStringList{"img", "my logo.png", "50,*"};
    QTest::newRow("runs of blanks") << "a \t\n b" << QStringList{"a", "b"};
    QTest::newRow("empty first") << " run_table" << QStringList{"", "run_table"};
    QTest::newRow("empty last") << "run_table " << QStringList{"run_table", ""};
    // Only blanks with an even number of quotes after them split.
    QTest::newRow("unbalanced quote") << "a \"b c" << QStringList{"a b", "c"};
}

void TestReports::splitWords()
{
    QFETCH(QString, command);
    QFETCH(QStringList, words);
    QCOMPARE(ReportTags::splitWords(command), words);
}

void TestReports::interpreter_data()
{
    QTest::addColumn<bool>("withRun");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("contains");
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("printed");

    QTest::newRow("no tags") << false << "<p>plain & simple</p>" << QStringList{"plain & simple"} << "" << true;
    QTest::newRow("invalid run gives []") << true << "a${run_info 5 name}b" << QStringList{"a[]b"} << "" << true;
    QTest::newRow("negative run gives []") << true << "${project_info -1 brand}" << QStringList{"[]"} << "" << true;
    QTest::newRow("key looked at only with a run") << false << "${run_info 0 noSuchKey}" << QStringList{"[]"} << ""
                                                   << true;
    QTest::newRow("key not found") << true << "xy${run_info 0 noSuchKey}" << QStringList{} << "4 run_info key not found noSuchKey"
                                   << false;
    QTest::newRow("tag in a comment runs") << true << "<!-- ${run_info 0 noSuchKey} -->" << QStringList{}
                                           << "7 run_info key not found noSuchKey" << false;
    QTest::newRow("missing brace: offset of ${") << false << "abcd${run_table" << QStringList{}
                                                  << "4 Error parsing file" << false;
    QTest::newRow("run_info syntax") << false << "${run_info 0}" << QStringList{}
                                     << "2 run_info syntax error. Usage: ${run_info runNumber keyName unitOverride}"
                                     << false;
    QTest::newRow("flags") << true << "[${project_info 0 favourite}]" << QStringList{"[\u2691]"} << "" << true;
    QTest::newRow("unknown enumerator") << true << "${project_info 0 vehicleType}" << QStringList{"Unknown enumerator"}
                                        << "" << true;
    QTest::newRow("value text escaped") << true << "${project_info 0 brand}" << QStringList{"Ford <b>&"} << "" << true;
    const int decimals = theRunListModel->descriptor(RunListFields::measuredEnginePower)->decimals;
    QTest::newRow("unit override") << true << "${run_info 0 measuredEnginePower kW}"
                                   << QStringList{QString::number(123.456, 'f', decimals) + " kW"} << "" << true;
    QTest::newRow("empty command is unknown") << false << "a${ run_table}b" << QStringList{"ab"} << "" << true;
    QTest::newRow("empty last word") << false << "${page_break }x" << QStringList{"x"} << "" << true;
    QTest::newRow("graph size with *") << false << "${main_graph 50,* 96 0}" << QStringList{}
                                       << "2 main_graph size syntax error. Usage: ${main_graph width,height dpi printID}"
                                       << false;
    QTest::newRow("graph without size") << false << "${user_graph}" << QStringList{}
                                        << "2 user_graph syntax error. Usage: ${user_graph width,height dpi printID}"
                                        << false;
    QTest::newRow("widget not found goes on") << false << "${color_map 10,10 96 7}after" << QStringList{"after"}
                                              << "Widget not found with requested Print ID: color_map 7" << true;
    QTest::newRow("img missing file goes on") << false << "${img nothere.png 10,10}after" << QStringList{"after"} << ""
                                              << true;
    QTest::newRow("img syntax") << false << "${img a.png}" << QStringList{}
                                << "2 img syntax error. Usage: ${img path width,height}" << false;
    QTest::newRow("rejected image size inserts nothing") << false << "${img \"your logo.png\" -5,10}x"
                                                         << QStringList{"x"} << "invalid image size-5,10" << true;
}

void TestReports::interpreter()
{
    QFETCH(bool, withRun);
    QFETCH(QString, text);
    QFETCH(QStringList, contains);
    QFETCH(QString, error);
    QFETCH(bool, printed);
    if (withRun)
        runs->appendRun(makeRun(QStringLiteral("r0")));
    fill(text);
    const QString document = dialog->document()->toPlainText();
    for (const QString& part : contains)
        QVERIFY2(document.contains(part), qPrintable(document));
    const QStringList shown = errors();
    if (error.isEmpty()) {
        QVERIFY2(shown.isEmpty(), qPrintable(shown.join(QLatin1Char('|'))));
    } else {
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().startsWith(error), qPrintable(shown.first()));
    }
    if (!printed)
        QVERIFY(document.isEmpty());
    QCOMPARE(QFile::exists(pdf) && pdfPages(pdf) >= 1, printed);
    if (text.contains(QLatin1String("rejected")))
        QVERIFY(images(dialog->document()).isEmpty());
    if (withRun)
        runs->removeRows(0, runs->rowCount());
}

void TestReports::graphTags()
{
    AbstractMdi* desktop = manager->newMdi(QStringLiteral("report"), QString(), false);
    QVERIFY(desktop);
    auto* graph = qobject_cast<AMdiMainGraph*>(desktop->addWidget(AMdiWidgetType_mainGraph, QRect(0, 0, 400, 300), false));
    QVERIFY(graph);
    QCOMPARE(graph->printId, 0);
    // dpi 0 and an unparsable dpi mean 96; print ID -3 means 0; the picture's
    // width on the page follows the dpi.
    fill(QStringLiteral("${main_graph 50,30 0 -3}${main_graph 50,30 x}${main_graph 50,30 300 0}"
                        "${main_graph 50,30 1200 0}"));
    QVERIFY2(errors().isEmpty(), qPrintable(errors().join(QLatin1Char('|'))));
    const QList<QTextImageFormat> found = images(dialog->document());
    QCOMPARE(found.size(), 4);
    for (const QTextImageFormat& image : found) {
        QVERIFY(qAbs(image.width() - 189.0) < 1.0);
        QVERIFY(qAbs(image.height() - 113.4) < 1.0);
        QImage picture(image.name());
        QVERIFY(!picture.isNull());
    }
    // The picture itself carries the pixels of the dpi (at least once the scale above 600 dpi).
    QCOMPARE(QImage(found.at(0).name()).width(), 189 * PrintDialog::plotScale(96));
    QCOMPARE(QImage(found.at(3).name()).width(), PrintDialog::pixelSize(QSize(50, 30), 1200).width());
    // The pictures are the owner's alone.
    QCOMPARE(QFileInfo(found.at(0).name()).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
             QFileDevice::Permissions());
}

void TestReports::documentSizes()
{
    QCOMPARE(PrintDialog::pixelSize(QSize(50, 30), 300), QSize(591, 354));
    QCOMPARE(PrintDialog::plotScale(120), 5);
    QCOMPARE(PrintDialog::plotScale(600), 1);
    QCOMPARE(PrintDialog::plotScale(1200), 1);
    fill(QString());
    QImage image(100, 60, QImage::Format_RGB32);
    image.fill(Qt::red);
    dialog->insertImage(image, QSize(50, 30), 300);
    dialog->flushHtmlBuffer();
    const QList<QTextImageFormat> found = images(dialog->document());
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().width(), 189.12);
    QCOMPARE(found.first().height(), 113.28);
}

void TestReports::pagesAndBackgrounds()
{
    // Three pages, a background on page 3 of 2 and a later one for page 0.
    fill(QStringLiteral("${background_image \"certificate_background_0.jpg\" 3}"
                        "${background_image \"your logo.png\" -2}${background_image \"certificate_background_1.jpg\"}"
                        "one${page_break}two${page_break}three"));
    QVERIFY2(errors().isEmpty(), qPrintable(errors().join(QLatin1Char('|'))));
    QCOMPARE(pdfPages(pdf), 3);
    QCOMPARE(dialog->backgrounds().keys(), (QList<int>{0, 3}));
    QCOMPARE(dialog->backgrounds().value(0).size(), QImage(editor->reportDir.filePath(QStringLiteral("certificate_background_1.jpg"))).size());
    // Pages 2 ... 5 of 3 print pages 2 and 3.
    const QString part = dir.filePath(QStringLiteral("part.pdf"));
    printer->setOutputFileName(part);
    printer->setFromTo(2, 5);
    dialog->print(printer);
    QCOMPARE(pdfPages(part), 2);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {part, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    QVERIFY2(out.contains(QLatin1String("two")) && out.contains(QLatin1String("three"))
                 && !out.contains(QLatin1String("one")),
             qPrintable(out));
    printer->setFromTo(0, 0);
    // Landscape reads the landscape file.
    fill(QStringLiteral("landscape text"), QPageLayout::Landscape);
    QCOMPARE(dialog->document()->toPlainText(), QStringLiteral("landscape text"));
}

void TestReports::editorFiles()
{
    QDir report = editor->reportDir;
    // First start: six stock templates and three pictures.
    for (const char* name : {"report_graph_portrait.html", "report_graph_landscape.html", "report_table_portrait.html",
                             "report_table_landscape.html", "report_certificate_portrait.html",
                             "report_certificate_landscape.html", "your logo.png", "certificate_background_0.jpg",
                             "certificate_background_1.jpg"})
        QVERIFY2(report.exists(QString::fromLatin1(name)), name);
    QVERIFY(editor->listReportTemplates().contains(QStringLiteral("graph")));
    // Both files are needed.
    writeText(report.filePath(QStringLiteral("report_half_portrait.html")), QStringLiteral("x"));
    QVERIFY(report.remove(QStringLiteral("report_table_landscape.html")));
    QStringList names = editor->listReportTemplates();
    QVERIFY(!names.contains(QStringLiteral("table")) && !names.contains(QStringLiteral("half")));
    // A deleted picture comes back at the next start; deleted templates do not.
    QVERIFY(report.remove(QStringLiteral("your logo.png")));
    {
        ReportEditor again(parent);
        QVERIFY(report.exists(QStringLiteral("your logo.png")));
        QVERIFY(!report.exists(QStringLiteral("report_table_landscape.html")));
    }
    QComboBox* combo = editor->comboBox_settings_printTemplate;
    combo->setCurrentText(QStringLiteral("graph"));
    QVERIFY(editor->pushButton_loadDefault->isEnabled());
    editor->slot_addNew();
    QCOMPARE(combo->currentText(), QStringLiteral("graph 1"));
    QVERIFY(!editor->pushButton_loadDefault->isEnabled());
    QCOMPARE(readText(report.filePath(QStringLiteral("report_graph 1_portrait.html"))),
             readText(report.filePath(QStringLiteral("report_graph_portrait.html"))));

    // Renames: unsafe characters replaced, taken names made unique, same name ignored.
    auto rename = [this](const QString& to) {
        answerer->respond = [to](QDialog* d) {
            if (auto* input = qobject_cast<QInputDialog*>(d))
                input->setTextValue(to);
            return int(QDialog::Accepted);
        };
        editor->slot_rename();
        answerer->respond = nullptr;
    };
    rename(QStringLiteral("a/b:c"));
    QCOMPARE(combo->currentText(), QStringLiteral("a_b_c"));
    QVERIFY(report.exists(QStringLiteral("report_a_b_c_landscape.html")));
    QVERIFY(!report.exists(QStringLiteral("report_graph 1_landscape.html")));
    rename(QStringLiteral("graph"));
    QCOMPARE(combo->currentText(), QStringLiteral("graph 1"));
    rename(QStringLiteral("graph 1"));
    QCOMPARE(combo->currentText(), QStringLiteral("graph 1"));
    // A rename can never overwrite a template file.
    QVERIFY(report.exists(QStringLiteral("report_graph_portrait.html")));
    editor->slot_delete();
    QVERIFY(!report.exists(QStringLiteral("report_graph 1_portrait.html")));
    QVERIFY(combo->findText(QStringLiteral("graph 1")) < 0);

    // The stock files name the board's folder; the report finds the real one.
    combo->setCurrentText(QStringLiteral("graph"));
    answerer->shown.clear();
    fill(readText(report.filePath(QStringLiteral("report_graph_portrait.html"))).replace(QStringLiteral("${main_graph"),
                                                                                        QStringLiteral("${x"))
             .replace(QStringLiteral("${user_graph"), QStringLiteral("${x")));
    QVERIFY2(errors().isEmpty(), qPrintable(errors().join(QLatin1Char('|'))));
    const QList<QTextImageFormat> logos = images(dialog->document());
    QVERIFY(!logos.isEmpty());
    QVERIFY2(logos.first().name().startsWith(report.absolutePath()), qPrintable(logos.first().name()));
    QCOMPARE(pdfPages(pdf), 2);
}

void TestReports::fragmentsByName()
{
    FakeRunList fake;
    QString html;
    QVERIFY(ReportFragments::runTable(&fake, QPageLayout::Landscape, &html));
    QCOMPARE(html, QStringLiteral("runs 1"));
    QVERIFY(ReportFragments::legend(&fake, true, QPageLayout::Portrait, nullptr, &html));
    QCOMPARE(html, QStringLiteral("main 0 0"));
    QVERIFY(ReportFragments::legend(&fake, false, QPageLayout::Landscape, nullptr, &html));
    QCOMPARE(html, QStringLiteral("user 1"));
    QVERIFY(ReportFragments::table(&fake, "generateReportTable", &html));
    QCOMPARE(html, QStringLiteral("<table>r</table>"));
    // An object without them says so.
    QObject plain;
    QVERIFY(!ReportFragments::runTable(&plain, QPageLayout::Portrait, &html));
    QVERIFY(!ReportFragments::table(&plain, "generateReportTableTransposed", &html));
    QVERIFY(!ReportFragments::table(nullptr, "generateReportTable", &html));
}

void TestReports::resultScreenFill_data()
{
    QTest::addColumn<bool>("withRun");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("error");

    const TableModelFieldDescriptor* power = theRunListModel->descriptor(RunListFields::measuredEnginePower);
    const QString inUnit = power->unit->getUnitValueStringWithNameSpaced(123456.0, power->decimals);
    const QString inKw = QString::number(123.456, 'f', power->decimals) + QStringLiteral(" kW");

    QTest::newRow("no run") << false << "${run_info measuredEnginePower} / ${project_info brand}"
                            << "RI(measuredEnginePower) / PI(brand)" << "";
    QTest::newRow("display unit") << true << "${run_info measuredEnginePower}" << inUnit << "";
    QTest::newRow("kW override") << true << "${run_info measuredEnginePower kW}" << inKw << "";
    QTest::newRow("unknown unit: default unit") << true << "${run_info measuredEnginePower furlong}"
                                                << theUnits.getUnitByQuantityAndName(Quantity::Power, QStringLiteral("furlong"))
                                                       ->getUnitValueStringWithNameSpaced(123456.0, power->decimals)
                                                << "";
    QTest::newRow("escaped, UTF-8 intact") << true << "\u03a9 ${project_info brand} ${project_info model}"
                                           << "\u03a9 Ford &lt;b&gt;&amp; Focus \u03a9" << "";
    QTest::newRow("flag") << true << "${project_info favourite}" << "\u2691" << "";
    QTest::newRow("syntax stops") << true << "ab${run_info}cd" << "ab"
                                  << "4 run_info syntax error. Usage: ${run_info keyName}";
    QTest::newRow("key not found stops") << true << "ab${project_info nope}cd" << "ab"
                                         << "4 project_info key not found nope";
    QTest::newRow("missing brace stops") << false << "ab${run_info x" << "ab" << "2 Error parsing file";
    QTest::newRow("empty command writes nothing") << false << "a${ run_info x}b" << "ab" << "";
    // Offsets count in the template as written, whatever the configuration folder's path.
    const QString logo = QStringLiteral("<img src=\"/home/pi/.zembo/report/your logo.png\">");
    QTest::newRow("offset past a stock path")
        << true << logo + "${run_info}" << QString(logo).replace("/home/pi/.zembo/", theSettings.settingsDir.absolutePath() + "/")
        << QString::number(logo.size() + 2) + " run_info syntax error. Usage: ${run_info keyName}";
}

void TestReports::resultScreenFill()
{
    QFETCH(bool, withRun);
    QFETCH(QString, text);
    QFETCH(QString, page);
    QFETCH(QString, error);
    if (withRun)
        runs->appendRun(makeRun(QStringLiteral("last")));
    ResultScreenEditor screen;
    screen.editor->setPlainText(text);
    QCOMPARE(screen.filledPage(), page);
    if (error.isEmpty())
        QVERIFY2(errors().isEmpty(), qPrintable(errors().join(QLatin1Char('|'))));
    else
        QCOMPARE(errors(), QStringList{error});
    if (withRun)
        runs->removeRows(0, runs->rowCount());
}

void TestReports::resultScreenBrowser()
{
    // The stand-in browser records its arguments and the page it was given,
    // starts a helper (as a real browser does) and waits for a signal.
    const QString log = dir.filePath(QStringLiteral("browser.log"));
    const QString script = dir.filePath(QStringLiteral("browser.sh"));
    writeText(script, QStringLiteral("#!/bin/sh\n"
                                     "for a in \"$@\"; do echo \"$a\" >> '%1'; done\n"
                                     "for a in \"$@\"; do page=\"$a\"; done\n"
                                     "cp \"$page\" '%1.page'\n"
                                     "sleep 300 &\n"
                                     "echo $! > '%1.helper'\n"
                                     "wait\n").arg(log));
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("ZEMBO_TEST_RESULT_SCREEN_BROWSER", script.toUtf8());

    ResultScreenEditor screen;
    // The stock page was installed; the duration is whole seconds, 1 to 600.
    QVERIFY(QFile::exists(screen.templatePath()));
    QCOMPARE(screen.spinBox_duration->value(), 5);
    QCOMPARE(screen.spinBox_duration->minimum(), 1);
    QCOMPARE(screen.spinBox_duration->maximum(), 600);
    QVERIFY(!screen.checkBox_enable->isChecked());
    screen.maybeShowResultScreen();
    QCOMPARE(screen.browser->processId(), 0);

    // A decoy naming the page on its command line must survive.
    QProcess decoy;
    decoy.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"), QStringLiteral("import time; time.sleep(120)"), ResultScreenEditor::pagePath()});
    QVERIFY(decoy.waitForStarted());

    screen.spinBox_duration->setValue(1);
    screen.checkBox_enable->setChecked(true);
    QElapsedTimer clock;
    clock.start();
    screen.maybeShowResultScreen();
    const qint64 pid = screen.browser->processId();
    QVERIFY(pid > 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log + QStringLiteral(".helper")) && QFile::exists(log + QStringLiteral(".page")), 20000);
    const qint64 helper = readText(log + QStringLiteral(".helper")).trimmed().toLongLong();
    QVERIFY(processAlive(helper));
    const QStringList args = readText(log).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(args.contains(QStringLiteral("--kiosk")));
    QCOMPARE(args.last(), ResultScreenEditor::pagePath());
    // The stock page with no run loaded, UTF-8 with its mark, owner-only.
    const QByteArray bytes = [&] {
        QFile f(log + QStringLiteral(".page"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    // What the page reads, markup aside.
    const QString shown = QString::fromUtf8(bytes.mid(3)).remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    for (const char* part : {"RI(measuredEnginePower) / RI(measuredEnginePowerRPM)",
                             "RI(measuredEngineTorque) / RI(measuredEngineTorqueRPM)", "PI(brand) PI(model) PI(series)"})
        QVERIFY2(shown.contains(QLatin1String(part)), part);
    QVERIFY(!bytes.contains("/home/pi/"));
    // The page parses as HTML (libxml2's parser, quiet when nothing is wrong).
    QProcess lint;
    lint.start(QStringLiteral("xmllint"), {QStringLiteral("--html"), QStringLiteral("--noout"), log + QStringLiteral(".page")});
    QVERIFY(lint.waitForFinished(30000));
    QCOMPARE(lint.exitCode(), 0);
    QCOMPARE(lint.readAllStandardError(), QByteArray());
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(ResultScreenEditor::pagePath()).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0600u);
    QCOMPARE(::stat(QFile::encodeName(PrivateTempDir::path()).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0700u);

    // The GUI thread's timers keep running while the page is shown, and the
    // browser's whole group ends after the duration; the decoy lives on.
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&ticks] { ++ticks; });
    tick.start(50);
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(helper) && screen.browser->processId() == 0, 30000);
    QVERIFY(clock.elapsed() >= 1000);
    QVERIFY(ticks > 0);
    QVERIFY(decoy.state() == QProcess::Running);

    // A second showing closes the first.
    QFile::remove(log + QStringLiteral(".helper"));
    screen.spinBox_duration->setValue(600);
    screen.showResultScreen();
    const qint64 first = screen.browser->processId();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log + QStringLiteral(".helper")), 20000);
    const qint64 firstHelper = readText(log + QStringLiteral(".helper")).trimmed().toLongLong();
    screen.showResultScreen();
    QVERIFY(screen.browser->processId() != first);
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(firstHelper), 30000);
    screen.browser->close();
    decoy.kill();
    decoy.waitForFinished();
    qunsetenv("ZEMBO_TEST_RESULT_SCREEN_BROWSER");
}

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
