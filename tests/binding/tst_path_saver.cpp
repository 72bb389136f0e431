// Remembered folders per file purpose, the open and save dialogs, unique save
// names, printing to PDF and saving widget pictures.
#include "MySettings.h"
#include "PathSaver.h"
#include "RecordingAnswerer.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QTemporaryDir>
#include <QTest>

namespace {

void touch(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
}

QString home(const QString& sub)
{
    return QDir::home().absolutePath() + QLatin1Char('/') + sub;
}

} // namespace

class TestPathSaver : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();

    void defaultsAndFilters_data();
    void defaultsAndFilters();
    void acceptedSaveRemembersThatPurposeOnly();
    void cancelledDialogsRememberNothing();
    void openDialogs();
    void saveProposal_data();
    void saveProposal();

    void printWritesPdfAndRemembersItsFolder();
    void failedPrintIsReportedAndNotRemembered();
    void cancelledPrintDoesNothing();
    void widgetImage();
    void failedImageSaveIsReportedAndNotRemembered();
};

void TestPathSaver::init()
{
    theSettings.remove(QStringLiteral("path"));
}

void TestPathSaver::defaultsAndFilters_data()
{
    QTest::addColumn<int>("purpose");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("filter");
    QTest::newRow("openRun") << int(Path::openRun) << ".zembo/runs" << "Run files (*.h5)";
    QTest::newRow("openBranding") << int(Path::openBranding) << "Desktop"
                                  << "Images (*.bmp *.gif *.jpg *.jpeg *.png)";
    QTest::newRow("openImage") << int(Path::openImage) << "Desktop" << "Images (*.bmp *.jpg *.jpeg *.png)";
    QTest::newRow("saveCsv") << int(Path::saveCsv) << ".zembo/saved" << "CSV Files (*.csv)";
    QTest::newRow("savePdf") << int(Path::savePdf) << ".zembo/saved" << "PDF files (*.pdf)";
    QTest::newRow("saveDbc") << int(Path::saveDbc) << "Desktop" << "DBC files (*.dbc)";
}

void TestPathSaver::defaultsAndFilters()
{
    QFETCH(int, purpose);
    QFETCH(QString, folder);
    QFETCH(QString, filter);
    QCOMPARE(thePathSaver.getPath(Path(purpose)), home(folder));
    QCOMPARE(thePathSaver.getPathFilter(Path(purpose)), filter);
}

void TestPathSaver::acceptedSaveRemembersThatPurposeOnly()
{
    QTemporaryDir stick;
    RecordingAnswerer answerer;
    answerer.result = QDialog::Accepted;
    answerer.files = {stick.filePath("x.csv")};
    answerer.respond = [](QDialog* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        // Built as a save dialog of the purpose, never the native one.
        if (!files || files->acceptMode() != QFileDialog::AcceptSave || files->fileMode() != QFileDialog::AnyFile
            || !files->testOption(QFileDialog::DontUseNativeDialog)
            || files->nameFilters() != QStringList{"CSV Files (*.csv)"} || files->parent())
            return int(QDialog::Rejected);
        return int(QDialog::Accepted);
    };

    const QString chosen = thePathSaver.getSaveFileName(Path::saveCsv, "Export", "run.csv");
    QCOMPARE(chosen, stick.filePath("x.csv"));
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().title, QStringLiteral("Export"));
    QCOMPARE(thePathSaver.getPath(Path::saveCsv), stick.path());
    QCOMPARE(theSettings.value("path/saveCsv").toString(), stick.path());
    // Same filter, other purpose: untouched.
    QCOMPARE(thePathSaver.getPath(Path::savePointVectorCsv), home("Desktop"));
}

void TestPathSaver::cancelledDialogsRememberNothing()
{
    RecordingAnswerer answerer;
    answerer.result = QDialog::Rejected;
    answerer.files = {"/tmp/ignored.csv"};
    QCOMPARE(thePathSaver.getSaveFileName(Path::saveCsv, "Export", "run.csv"), QString());
    QCOMPARE(thePathSaver.getOpenFileName(Path::openXml, "Import"), QString());
    QVERIFY(thePathSaver.getOpenFileNames(Path::openXml, "Import").isEmpty());
    QCOMPARE(answerer.shown.size(), 3);
    QVERIFY(!theSettings.contains("path/saveCsv"));
    QVERIFY(!theSettings.contains("path/openXml"));
}

void TestPathSaver::openDialogs()
{
    QTemporaryDir a;
    QTemporaryDir b;
    RecordingAnswerer answerer;
    answerer.respond = [](QDialog* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        const bool several = files && files->fileMode() == QFileDialog::ExistingFiles;
        const bool one = files && files->fileMode() == QFileDialog::ExistingFile;
        return (several || one) && files->acceptMode() == QFileDialog::AcceptOpen ? int(QDialog::Accepted)
                                                                                   : int(QDialog::Rejected);
    };
    theSettings.setValue("path/openXml", b.path());
    answerer.files = {a.filePath("1.xml"), b.filePath("2.xml"), b.filePath("3.xml")};
    QCOMPARE(thePathSaver.getOpenFileNames(Path::openXml, "Import"), answerer.files);
    QCOMPARE(answerer.shown.last().directory, b.path());
    // The folder of the first file chosen.
    QCOMPARE(thePathSaver.getPath(Path::openXml), a.path());

    answerer.files = {b.filePath("run.h5")};
    QCOMPARE(thePathSaver.getOpenFileName(Path::openRun, "Open run"), b.filePath("run.h5"));
    QCOMPARE(thePathSaver.getPath(Path::openRun), b.path());
    QCOMPARE(thePathSaver.getPath(Path::openXml), a.path());
}

void TestPathSaver::saveProposal_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QString>("offered");
    QTest::newRow("next free number") << QStringList{"report.pdf", "report 1.pdf"} << "report.pdf"
                                      << "report 2.pdf";
    QTest::newRow("other suffixes do not count") << QStringList{"run.csv"} << "run.pdf" << "run.pdf";
    QTest::newRow("several dots: base before the first") << QStringList{} << "run.2024.csv" << "run.csv";
    QTest::newRow("a number in the name counts on") << QStringList{"Run 7.csv"} << "Run 7.csv" << "Run 8.csv";
}

void TestPathSaver::saveProposal()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, proposed);
    QFETCH(QString, offered);
    QTemporaryDir folder;
    for (const QString& name : existing)
        touch(folder.filePath(name));
    theSettings.setValue("path/saveXml", folder.path());
    RecordingAnswerer answerer;
    answerer.result = QDialog::Rejected;
    thePathSaver.getSaveFileName(Path::saveXml, "Export", proposed);
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().proposed, QStringList{folder.filePath(offered)});
}

void TestPathSaver::printWritesPdfAndRemembersItsFolder()
{
    QLabel widget("printed");
    widget.resize(200, 100);
    RecordingAnswerer answerer;
    answerer.respond = [](QDialog* dialog) {
        return qobject_cast<QPrintDialog*>(dialog) ? int(QDialog::Accepted) : int(QDialog::Rejected);
    };
    // A fresh installation: the default PDF folder does not exist yet.
    QDir(home(".zembo/saved")).removeRecursively();
    thePathSaver.savePrint(&widget, QString());
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().title, QStringLiteral("Print Document"));
    const QString pdf = home(".zembo/saved/print.pdf");
    QVERIFY(QFile::exists(pdf));
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(5) == "%PDF-");
    QCOMPARE(theSettings.value("path/savePdf").toString(), home(".zembo/saved"));
    QCOMPARE(widget.size(), QSize(200, 100));
}

void TestPathSaver::failedPrintIsReportedAndNotRemembered()
{
    QTemporaryDir tmp;
    // A remembered folder that is gone (a memory stick pulled out).
    const QString gone = tmp.filePath("stick/reports");
    theSettings.setValue("path/savePdf", gone);
    QLabel widget("printed");
    RecordingAnswerer answerer;
    answerer.respond = [](QDialog* dialog) {
        return qobject_cast<QPrintDialog*>(dialog) ? int(QDialog::Accepted) : int(QMessageBox::Ok);
    };
    QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
    thePathSaver.savePrint(&widget, "report");
    QCOMPARE(answerer.shown.size(), 2);
    QCOMPARE(answerer.shown.last().className, QStringLiteral("QMessageBox"));
    QVERIFY(answerer.shown.last().text.contains(QDir::toNativeSeparators(gone + "/report.pdf")));
    // Nothing created on the board's own storage in its place.
    QVERIFY(!QDir(gone).exists());
    QCOMPARE(theSettings.value("path/savePdf").toString(), gone);
}

void TestPathSaver::cancelledPrintDoesNothing()
{
    QTemporaryDir folder;
    theSettings.setValue("path/savePdf", folder.path());
    QLabel widget("printed");
    RecordingAnswerer answerer;
    answerer.result = QDialog::Rejected;
    thePathSaver.savePrint(&widget, "report");
    QCOMPARE(answerer.shown.size(), 1);
    QVERIFY(QDir(folder.path()).isEmpty());
}

void TestPathSaver::widgetImage()
{
    QLabel widget("picture");
    widget.resize(120, 80);
    QTemporaryDir folder;
    RecordingAnswerer answerer;
    answerer.result = QDialog::Accepted;
    answerer.files = {folder.filePath("graph.png")};
    thePathSaver.saveWidgetAsImage(&widget, QString());
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().title, QStringLiteral("Save image"));
    QCOMPARE(answerer.shown.first().proposed, QStringList{home(".zembo/saved/image.png")});
    QImageReader reader(folder.filePath("graph.png"));
    QCOMPARE(reader.format(), QByteArray("png"));
    QCOMPARE(reader.size(), widget.grab().size());
    QCOMPARE(theSettings.value("path/saveImage").toString(), folder.path());
}

void TestPathSaver::failedImageSaveIsReportedAndNotRemembered()
{
    QLabel widget("picture");
    QTemporaryDir folder;
    RecordingAnswerer answerer;
    answerer.result = QDialog::Accepted;
    for (const QString& target : {folder.filePath("missing/graph.png"), folder.filePath("graph.unknown")}) {
        answerer.shown.clear();
        answerer.files = {target};
        thePathSaver.saveWidgetAsImage(&widget, "graph");
        QCOMPARE(answerer.shown.size(), 2);
        QCOMPARE(answerer.shown.last().className, QStringLiteral("QMessageBox"));
        QVERIFY(answerer.shown.last().text.contains(QDir::toNativeSeparators(target)));
        QVERIFY(!theSettings.contains("path/saveImage"));
    }
}

QTEST_MAIN(TestPathSaver)
#include "tst_path_saver.moc"
