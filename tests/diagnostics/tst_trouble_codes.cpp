#include "DTCDialog.h"
#include "DTCDictionary.h"
#include "ObdThread.h"
#include "PathSaver.h"
#include "RecordingAnswerer.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// Trouble codes from the adapter's service-03 reply, their report and its file.
class TestTroubleCodes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decodeReplies_data();
    void decodeReplies();
    void dictionaryLookups();
    void report();
    void saveReport();
};

void TestTroubleCodes::decodeReplies_data()
{
    // The reply text as readAndVerify hands it back (the first "43" gone).
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("can");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("not CAN, one code") << QByteArray("013300000000") << false << QStringList {"P0133"};
    QTest::newRow("CAN, count byte") << QByteArray("0201334035") << true
                                     << QStringList {"P0133", "C0035"};
    QTest::newRow("CAN, none") << QByteArray("00") << true << QStringList {};
    QTest::newRow("not CAN, none") << QByteArray("000000000000") << false << QStringList {};
    QTest::newRow("not CAN, two lines") << QByteArray("013302440300\r43D10000000000") << false
                                        << QStringList {"P0133", "P0244", "P0300", "U1100"};
    // Two ECUs on CAN: each later "43" brings its own count byte.
    QTest::newRow("CAN, two ECUs") << QByteArray("020133D100\r43014035") << true
                                   << QStringList {"P0133", "U1100", "C0035"};
    QTest::newRow("CAN, second ECU empty") << QByteArray("0201330300\r4300") << true
                                           << QStringList {"P0133", "P0300"};
    QTest::newRow("three characters") << QByteArray("013") << false << QStringList {};
    QTest::newRow("trailing part ignored") << QByteArray("0133013") << false << QStringList {"P0133"};
    QTest::newRow("codes after 0000 ignored") << QByteArray("01330000\r430244") << false << QStringList {"P0133"};
    QTest::newRow("unknown first character") << QByteArray(":123") << false << QStringList {"123"};
    QTest::newRow("later line not 43 walked") << QByteArray("0133\r7F03") << false
                                              << QStringList {"P0133", "7F0"};
}

void TestTroubleCodes::decodeReplies()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, can);
    QFETCH(QStringList, codes);
    QCOMPARE(QStringList(ObdThread::troubleCodesFromReply(text, can)), codes);
}

void TestTroubleCodes::dictionaryLookups()
{
    QCOMPARE(category.size(), 4);
    QCOMPARE(pCodeSystem.size(), 9);
    QCOMPARE(pCodeDescription.size(), 1028);
    QCOMPARE(cCodeDescription.size(), 129);
    QCOMPARE(bCodeDescription.size(), 1504);
    QCOMPARE(uCodeDescription.size(), 299);
    const QList<QPair<QString, QString>> telling {
        {"P0010", "A camshaft position actuator circuit (bank 1)"},
        {"P0300", "Engine Misfire Detected"},
        {"P0301", "Cylinder 1 Misfire Detected"},
        {"P0420", "Catalyst System Low Efficiency"},
        {"P1562", "Cruise Vacuum Solenoid"},
        {"C0035", "Left Front Wheel Speed Circuit Malfunction"},
        {"B1000", "ECU Malfunction"},
        {"U0001", "High Speed CAN Communication Bus"},
        {"U0100", "Lost Communication With ECM/PCM A"}};
    const QMap<QChar, const QMap<QString, QString>*> maps {
        {'P', &pCodeDescription}, {'C', &cCodeDescription}, {'B', &bCodeDescription}, {'U', &uCodeDescription}};
    for (const auto& [code, text] : telling)
        QCOMPARE(maps.value(code.at(0))->value(code), text);
    QCOMPARE(pCodeSystem.value('3'), QStringLiteral("Ignition systems or misfires"));
    QCOMPARE(pCodeSystem.value('7'), pCodeSystem.value('8'));
    QVERIFY(!pCodeSystem.contains('9'));
    QVERIFY(!pCodeDescription.contains("P0099"));
    QVERIFY(!category.contains('p'));
}

void TestTroubleCodes::report()
{
    QCOMPARE(DTCDialog::reportText({"P0301", "U0100", "P01"}),
             QStringLiteral("P0301 - Powertrain - Ignition systems or misfires\nCylinder 1 Misfire Detected\n\n"
                            "U0100 - Network\nLost Communication With ECM/PCM A\n\n"
                            "P01 invalid code length\n\n"));
    QCOMPARE(DTCDialog::reportText({"p0301"}), QStringLiteral("p0301 - Invalid category\n\n\n"));
    QCOMPARE(DTCDialog::reportText({"P0999"}), QStringLiteral("P0999 - Powertrain - \n\n\n"));
    QCOMPARE(DTCDialog::reportText({"C0035", "C0035"}),
             QStringLiteral("C0035 - Chassis\nLeft Front Wheel Speed Circuit Malfunction\n\n").repeated(2));
    QCOMPARE(DTCDialog::reportText({}), QString());

    DTCDialog dialog({"P0301"}, nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Diagnostic Trouble Codes"));
    QCOMPARE(dialog.size(), QSize(1000, 600));
    QVERIFY(!dialog.plainTextEdit->isReadOnly());
}

void TestTroubleCodes::saveReport()
{
    QTemporaryDir dir;
    RecordingAnswerer answerer;
    DTCDialog dialog({"P0301", "U0100"}, nullptr);
    dialog.plainTextEdit->appendPlainText(QStringLiteral("checked on the dyno"));
    auto* save = dialog.findChild<QPushButton*>();
    QVERIFY(save);

    const QString path = dir.filePath("DTC.txt");
    answerer.result = QDialog::Accepted;
    answerer.files = {path};
    save->click();
    QCOMPARE(answerer.shown.last().text, QStringLiteral("File saved"));
    QVERIFY(answerer.shown.at(answerer.shown.size() - 2).proposed.join(',').contains("DTC.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), dialog.plainTextEdit->toPlainText());
    file.close();

    // A folder that does not exist: an error, never "File saved".
    answerer.shown.clear();
    answerer.files = {dir.filePath("missing/DTC.txt")};
    save->click();
    QCOMPARE(answerer.shown.last().text, QStringLiteral("Can't open file for writing"));

    // Cancelled: nothing more.
    answerer.shown.clear();
    answerer.result = QDialog::Rejected;
    answerer.files.clear();
    save->click();
    QCOMPARE(answerer.shown.size(), 1);
}

QTEST_MAIN(TestTroubleCodes)
#include "tst_trouble_codes.moc"
