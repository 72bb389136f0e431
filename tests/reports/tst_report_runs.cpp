// The stock "graph" report on three runs the program recorded on the
// simulated dyno: a main graph and a user graph on an analysis desktop, the
// report written as PDF in both orientations, and a template of run values.
// check_report_pdf.py reads what it wrote (ZEMBO_REPORT_OUT) with poppler and h5py.
#include "AMdiMainGraph.h"
#include "AMdiUserGraph.h"
#include "AnalyzeMdi.h"
#include "LoadedRunListModel.h"
#include "MdiManager.h"
#include "PrintDialog.h"
#include "RecordingAnswerer.h"
#include "ReportEditor.h"
#include "ReportSources.h"
#include "RunData.h"
#include "RunFileTestSupport.h"
#include "SettingsFixture.h"
#include "lib/DialogAnswerer.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

class TestReportRuns : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void graphTemplate();
};

void TestReportRuns::graphTemplate()
{
    const QDir fixtures(qEnvironmentVariable("ZEMBO_FIXTURE_RUNS"));
    QVERIFY2(fixtures.exists(QStringLiteral("pull-1.h5")), "fixture runs missing (fixture_runs_* tests)");
    QTemporaryDir temp;
    const QString outName = qEnvironmentVariable("ZEMBO_REPORT_OUT");
    const QDir out(outName.isEmpty() ? temp.path() : outName);
    RunFileTest::prepareProcess();
    SettingsFixture settings(3);
    QVERIFY(settings.start());
    RunFileTest::Database database(temp.filePath(QStringLiteral("projects2.db")));
    RecordingAnswerer answerer;
    DialogAnswerer::install(&answerer);

    QWidget parent;
    auto* runs = new LoadedRunListModel(&parent);
    auto* view = new QTableView(&parent);
    view->setModel(runs);
    runs->setView(view);
    AnalyzeMdi::registerAnalyzeDesktop();
    AnalyzeMdi::setLoadedRuns(runs, view->selectionModel());
    auto* manager = new MdiManager(&parent, MdiType_analyze);
    runs->desktopManager = manager;
    ReportSources::setLoadedRunsProvider([runs] { return runs; });

    QFile paths(out.filePath(QStringLiteral("runs.txt")));
    QVERIFY(paths.open(QIODevice::WriteOnly | QIODevice::Text));
    const QStringList names = {QStringLiteral("pull-1.h5"), QStringLiteral("pull-2.h5"), QStringLiteral("rollers-1.h5")};
    for (const QString& name : names) {
        const QString copy = out.filePath(name);
        QFile::remove(copy);
        QVERIFY(QFile::copy(fixtures.filePath(name), copy));
        QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY2(runs->newRunFromFile(copy, true), qPrintable(name));
        paths.write(copy.toUtf8() + '\n');
    }
    paths.close();
    AbstractMdi* desktop = manager->newMdi(QStringLiteral("report"), QString(), false);
    QVERIFY(desktop);
    QVERIFY(desktop->addWidget(AMdiWidgetType_mainGraph, QRect(0, 0, 600, 400), false));
    QVERIFY(desktop->addWidget(AMdiWidgetType_userGraph, QRect(0, 400, 600, 400), false));
    QCoreApplication::processEvents();

    ReportEditor editor(&parent);
    // Run values in named units, one line per run, for the reference check.
    QString values;
    for (int i = 0; i < names.size(); ++i)
        values += QStringLiteral("<p>VALUES %1|${run_info %1 measuredEnginePower kW}|${run_info %1 measuredEngineTorque Nm}"
                                 "|${run_info %1 runLength s}|${run_info %1 ambientTemperature}</p>\n")
                      .arg(i);
    for (const char* suffix : {"_portrait.html", "_landscape.html"}) {
        QFile file(editor.reportDir.filePath(QStringLiteral("report_values") + QLatin1String(suffix)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(values.toUtf8());
    }
    editor.comboBox_settings_printTemplate->addItem(QStringLiteral("values"));

    auto print = [&](const QString& name, QPageLayout::Orientation orientation, const QString& file) {
        editor.comboBox_settings_printTemplate->setCurrentText(name);
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(out.filePath(file));
        printer.setPageOrientation(orientation);
        PrintDialog dialog(&printer, &parent);
        editor.fillReport(&dialog, &printer);
    };
    print(QStringLiteral("graph"), QPageLayout::Portrait, QStringLiteral("graph_portrait.pdf"));
    print(QStringLiteral("graph"), QPageLayout::Landscape, QStringLiteral("graph_landscape.pdf"));
    print(QStringLiteral("values"), QPageLayout::Portrait, QStringLiteral("values.pdf"));
    QStringList errors;
    for (const RecordingAnswerer::Shown& shown : answerer.shown)
        errors << shown.text;
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('|'))));
    for (const char* file : {"graph_portrait.pdf", "graph_landscape.pdf", "values.pdf"})
        QVERIFY2(QFileInfo(out.filePath(QLatin1String(file))).size() > 0, file);

    ReportSources::setLoadedRunsProvider(nullptr);
    DialogAnswerer::install(nullptr);
}

QTEST_MAIN(TestReportRuns)
#include "tst_report_runs.moc"
