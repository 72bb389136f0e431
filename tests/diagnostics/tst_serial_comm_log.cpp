#include "SerialCommLog.h"

#include <QAction>
#include <QDir>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

// The view is driven by calling the timer slots directly, so nothing here
// depends on how fast a loaded machine fires timers.
class TestSerialCommLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lineFormat_data();
    void lineFormat();
    void heldSentLineAndOrder();
    void capAndSingleRefresh();
    void clearKeepsPendingLine();
    void scrollFollowsOnlyAtBottom();
    void logFiles();
};

void TestSerialCommLog::lineFormat_data()
{
    QTest::addColumn<int>("direction");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<qint64>("time");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("expected");
    const QString t = QStringLiteral("12:34:56.789");
    QTest::newRow("sent ATZ") << 0 << QByteArray("ATZ\r") << qint64(0) << false
                              << (t + QStringLiteral(" \u2190 (4) ")).leftJustified(28) + QStringLiteral("ATZ\u240D");
    QTest::newRow("received OK") << 1 << QByteArray("OK\r\r>") << qint64(7) << false
                                 << (t + QStringLiteral(" \u2192 (5;7ms) ")).leftJustified(28)
                                        + QStringLiteral("OK\u240D\u240D>");
    QTest::newRow("received 3 bytes in 45 ms") << 1 << QByteArray("a\nb") << qint64(45) << false
                                               << t + QStringLiteral(" \u2192 (3;45ms)     a\u240Ab");
    QTest::newRow("hex") << 0 << QByteArray("AT") << qint64(99) << true
                         << (t + QStringLiteral(" \u2190 (2) ")).leftJustified(28) + QStringLiteral(" 41  54 ");
    // A head longer than 28 characters is kept whole.
    QTest::newRow("long head") << 1 << QByteArray("x") << qint64(1234567890) << false
                               << t + QStringLiteral(" \u2192 (1;1234567890ms) x");
    QTest::newRow("invalid UTF-8") << 1 << QByteArray("\xff") << qint64(0) << false
                                   << (t + QStringLiteral(" \u2192 (1;0ms) ")).leftJustified(28) + QChar(0xFFFD);
}

void TestSerialCommLog::lineFormat()
{
    QFETCH(int, direction);
    QFETCH(QByteArray, data);
    QFETCH(qint64, time);
    QFETCH(bool, hex);
    QFETCH(QString, expected);
    const QString line = SerialCommLog::formatLine(direction == 0 ? SerialCommDir::Tx : SerialCommDir::Rx, data, time,
                                                   hex, QTime(12, 34, 56, 789));
    QCOMPARE(line, expected);
    QVERIFY(!line.contains(QLatin1Char('\n')));
}

void TestSerialCommLog::heldSentLineAndOrder()
{
    SerialCommLog log;
    QVERIFY(log.isReadOnly());
    QCOMPARE(log.contextMenuPolicy(), Qt::ActionsContextMenu);
    QCOMPARE(log.actions().size(), 1);
    QCOMPARE(log.actions().first()->text(), QStringLiteral("Clear"));

    // Sent, then its reply: both added in order, timer stopped.
    log.slot_newData(SerialCommDir::Tx, "0100\r");
    QVERIFY(log.lines().isEmpty());
    QVERIFY(log.txTimer()->isActive());
    log.slot_newData(SerialCommDir::Rx, "41 00\r>", 12);
    QCOMPARE(log.lines().size(), 2);
    QVERIFY(log.lines()[0].endsWith(QStringLiteral("0100\u240D")));
    QVERIFY(log.lines()[1].contains(QStringLiteral("(7;12ms)")));
    QVERIFY(!log.txTimer()->isActive());
    QVERIFY(log.pendingTxLine().isEmpty());

    // Two sent lines: the second pushes the first into the view.
    log.slot_newData(SerialCommDir::Tx, "A");
    log.slot_newData(SerialCommDir::Tx, "B");
    QCOMPARE(log.lines().size(), 3);
    QVERIFY(log.lines()[2].endsWith(QLatin1Char('A')));
    QVERIFY(log.pendingTxLine().endsWith(QLatin1Char('B')));
    // No reply: the held line comes when the timer fires.
    log.slot_txItemAddTimeout();
    QCOMPARE(log.lines().size(), 4);
    QVERIFY(log.pendingTxLine().isEmpty());
    // A reply with nothing pending is added alone.
    log.slot_newData(SerialCommDir::Rx, "C", 3);
    QCOMPARE(log.lines().size(), 5);
    log.slot_refreshDisplay();
    QCOMPARE(log.toPlainText(), log.lines().join(QLatin1Char('\n')));
    QCOMPARE(log.toPlainText().count(QLatin1Char('\n')), 4);

    // The real timer adds a held line on its own.
    log.txTimer()->setInterval(10);
    log.slot_newData(SerialCommDir::Tx, "D");
    QTRY_COMPARE(log.lines().size(), 6);
}

void TestSerialCommLog::capAndSingleRefresh()
{
    SerialCommLog log;
    int refreshes = 0;
    connect(log.refreshTimer(), &QTimer::timeout, this, [&] { ++refreshes; });
    for (int i = 1; i <= 1001; ++i)
        log.slot_newData(SerialCommDir::Rx, QByteArray::number(i));
    QCOMPARE(log.lines().size(), 1000);
    QVERIFY(log.lines().first().endsWith(QStringLiteral(" 2")));
    QVERIFY(log.lines().last().endsWith(QStringLiteral(" 1001")));
    // 1001 lines started the single-shot refresh once; one rebuild shows them.
    QVERIFY(log.refreshTimer()->isActive());
    QTRY_COMPARE(refreshes, 1);
    QVERIFY(!log.refreshTimer()->isActive());
    QCOMPARE(log.document()->blockCount(), 1000);
}

void TestSerialCommLog::clearKeepsPendingLine()
{
    SerialCommLog log;
    log.slot_newData(SerialCommDir::Rx, "old");
    log.slot_refreshDisplay();
    log.slot_newData(SerialCommDir::Tx, "req");
    log.actions().first()->trigger();
    QVERIFY(log.lines().isEmpty());
    QVERIFY(log.refreshTimer()->isActive());
    log.slot_refreshDisplay();
    QCOMPARE(log.toPlainText(), QString());
    log.slot_newData(SerialCommDir::Rx, "ans");
    QCOMPARE(log.lines().size(), 2);
    QVERIFY(log.lines()[0].endsWith(QStringLiteral("req")));
}

void TestSerialCommLog::scrollFollowsOnlyAtBottom()
{
    SerialCommLog log;
    log.resize(300, 120);
    log.show();
    for (int i = 0; i < 200; ++i)
        log.slot_newData(SerialCommDir::Rx, "line");
    log.slot_refreshDisplay();
    QScrollBar* bar = log.verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    log.slot_newData(SerialCommDir::Rx, "more");
    log.slot_refreshDisplay();
    QCOMPARE(bar->value(), bar->maximum());

    bar->setValue(5);
    for (int i = 0; i < 20; ++i)
        log.slot_newData(SerialCommDir::Rx, "more");
    log.slot_refreshDisplay();
    QCOMPARE(bar->value(), 5);
}

void TestSerialCommLog::logFiles()
{
    const QString logDir = QDir::homePath() + QStringLiteral("/.zembo/log");
    QDir(logDir).removeRecursively();
    {
        // No log folder: the view works, no file, no message.
        SerialCommLog log;
        log.createLogFile(QStringLiteral("obd"));
        QVERIFY(!log.isLogFileOpen());
        log.slot_newData(SerialCommDir::Rx, "x");
        QCOMPARE(log.lines().size(), 1);
    }
    QVERIFY(QDir().mkpath(logDir));
    SerialCommLog log;
    log.createLogFile(QStringLiteral("obd"));
    QVERIFY(log.isLogFileOpen());
    const QString first = log.logFileName();
    QVERIFY(QFileInfo(first).fileName().contains(
        QRegularExpression(QStringLiteral("^obd_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.txt$"))));
    log.slot_newData(SerialCommDir::Tx, "ATZ\r");
    log.slot_newData(SerialCommDir::Tx, "ATE0\r");
    // Both sent lines are in the file at once, although one still waits for the view.
    log.slot_refreshDisplay();
    QFile file(first);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList fileLines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    file.close();
    QCOMPARE(fileLines.size(), 4);
    QVERIFY(fileLines[0].startsWith(QStringLiteral("obd log start ")));
    QVERIFY(fileLines[1].endsWith(QStringLiteral("ATZ\u240D")));
    QVERIFY(fileLines[2].endsWith(QStringLiteral("ATE0\u240D")));
    QCOMPARE(fileLines[3], QString());

    // Waiting for the next second makes the second file a distinct one.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss"));
    QTRY_VERIFY_WITH_TIMEOUT(
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss")) != stamp, 3000);
    log.slot_newData(SerialCommDir::Rx, "OK\r>", 5);
    log.createLogFile(QStringLiteral("obd"));
    QVERIFY(log.logFileName() != first);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(file.readAll()).contains(QStringLiteral("OK\u240D>\n")));
    file.close();

    // Twice within the same second with the same name: two files, each with
    // its own first line (a switch-on is a new file).
    SerialCommLog other;
    QString firstSame;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const QString before = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss"));
        other.createLogFile(QStringLiteral("same"));
        firstSame = other.logFileName();
        other.createLogFile(QStringLiteral("same"));
        if (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss")) == before)
            break;
    }
    QVERIFY(other.logFileName() != firstSame);
    QVERIFY(other.logFileName().endsWith(QStringLiteral("_2.txt")));
    other.slot_refreshDisplay();
    for (const QString& path : {firstSame, other.logFileName()}) {
        QFile same(path);
        QVERIFY(same.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(same.readAll()).count(QStringLiteral("same log start ")), 1);
    }
}

QTEST_MAIN(TestSerialCommLog)
#include "tst_serial_comm_log.moc"
