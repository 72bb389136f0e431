// The e-mail page against a scripted SMTP peer on loopback: odd but valid
// replies (multi-line, a bare final code, two replies in one packet, 251 to
// RCPT), malformed codes, a silent login and a rejected password, the busy
// box, and the mail template's tags.
#include "LoadedRunListModel.h"
#include "OnlineServices.h"
#include "ProjectListFieldId.h"
#include "RecordingAnswerer.h"
#include "ReportSources.h"
#include "RunData.h"
#include "RunFileTestSupport.h"
#include "RunListFieldId.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Answers each command line with the next scripted reply (bytes as given,
// possibly several replies or none); a DATA body is taken whole up to its
// final dot, which counts as one line.
class ScriptedSmtp : public QObject
{
public:
    explicit ScriptedSmtp(const QByteArray& greeting, const QList<QByteArray>& replies)
        : greeting(greeting), replies(replies)
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            socket = server.nextPendingConnection();
            socket->write(this->greeting);
            connect(socket, &QTcpSocket::readyRead, this, [this] { read(); });
        });
    }
    quint16 port() const { return server.serverPort(); }

    QList<QByteArray> lines;
    QByteArray data;

private:
    void read()
    {
        buffer += socket->readAll();
        for (;;) {
            if (inData) {
                const qsizetype end = buffer.indexOf("\r\n.\r\n");
                if (end < 0)
                    return;
                data = buffer.left(end + 2);
                buffer.remove(0, end + 5);
                inData = false;
                answer(QByteArrayLiteral("."));
                continue;
            }
            const qsizetype end = buffer.indexOf("\r\n");
            if (end < 0)
                return;
            const QByteArray line = buffer.left(end);
            buffer.remove(0, end + 2);
            answer(line);
        }
    }
    void answer(const QByteArray& line)
    {
        lines.append(line);
        const QByteArray reply = replies.isEmpty() ? QByteArray() : replies.takeFirst();
        if (reply.startsWith("354"))
            inData = true;
        if (!reply.isEmpty())
            socket->write(reply);
    }

    QTcpServer server;
    QTcpSocket* socket = nullptr;
    QByteArray greeting;
    QList<QByteArray> replies;
    QByteArray buffer;
    bool inData = false;
};

const QByteArray kEhlo = "250-smtp.example\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME\r\n";
const QByteArray kUser = "334 VXNlcm5hbWU6\r\n";
const QByteArray kPass = "334 UGFzc3dvcmQ6\r\n";

} // namespace

class TestMailPage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void conversation_data();
    void conversation();
    void busy();
    void parseTemplate_data();
    void parseTemplate();

private:
    QStringList boxes() const;
    bool waitForBox(int timeoutMs = 20000);

    QTemporaryDir dir;
    std::unique_ptr<RunFileTest::Database> database;
    RecordingAnswerer* answerer = nullptr;
    QWidget* parent = nullptr;
    LoadedRunListModel* runs = nullptr;
    OnlineServices* page = nullptr;
};

void TestMailPage::initTestCase()
{
    RunFileTest::prepareProcess();
    database = std::make_unique<RunFileTest::Database>(dir.filePath(QStringLiteral("db.sqlite")));
    answerer = new RecordingAnswerer;
    answerer->result = QDialog::Accepted;
    DialogAnswerer::install(answerer);
    parent = new QWidget;
    runs = new LoadedRunListModel(parent);
    auto* view = new QTableView(parent);
    view->setModel(runs);
    runs->setView(view);
    ReportSources::setLoadedRunsProvider([this] { return runs; });
    page = new OnlineServices(parent);
    page->lineEdit_mail_serverName->setText(QStringLiteral("127.0.0.1"));
    page->comboBox_mail_security->setCurrentIndex(0);
    page->lineEdit_mail_userName->setText(QStringLiteral("bench@example.org"));
    page->lineEdit_mail_password->setText(QStringLiteral("secret"));
    page->lineEdit_mail_yourEmail->setText(QStringLiteral("me@example.org"));
    page->lineEdit_mail_title->setText(QStringLiteral("Report"));
    page->textEdit_mail_template->setPlainText(QStringLiteral("<p>Hello</p>\n"));
    page->connectTimeout = 10000;
    page->loginTimeout = 4000;
    page->sendTimeout = 10000;
}

void TestMailPage::cleanupTestCase()
{
    ReportSources::setLoadedRunsProvider(nullptr);
    delete parent;
    DialogAnswerer::install(nullptr);
    delete answerer;
    database.reset();
}

void TestMailPage::init()
{
    answerer->shown.clear();
}

void TestMailPage::cleanup()
{
    page->resetSmtpSystem();
    runs->removeRows(0, runs->rowCount());
}

QStringList TestMailPage::boxes() const
{
    QStringList texts;
    for (const RecordingAnswerer::Shown& shown : answerer->shown)
        texts << shown.text;
    return texts;
}

bool TestMailPage::waitForBox(int timeoutMs)
{
    return QTest::qWaitFor([this] { return !answerer->shown.isEmpty(); }, timeoutMs);
}

void TestMailPage::conversation_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::addColumn<QString>("box");

    const QList<QByteArray> toTheEnd = {"250 sender ok\r\n", "251 forwarded\r\n", "354 go on\r\n", "250 queued\r\n",
                                        "221 bye\r\n"};
    QTest::newRow("multi-line replies, 251 to RCPT")
        << QByteArray("220-smtp.example\r\n220 ready\r\n")
        << (QList<QByteArray>{kEhlo, kUser, kPass, "235 ok\r\n"} + toTheEnd) << "Email successfully sent";
    QTest::newRow("a final 250 alone") << QByteArray("220 ready\r\n")
                                       << (QList<QByteArray>{"250-smtp.example\r\n250\r\n", kUser, kPass, "235 ok\r\n"}
                                           + toTheEnd)
                                       << "Email successfully sent";
    // The password prompt and the login's acceptance come in one packet; the
    // acceptance must still answer the password, not the user name.
    QTest::newRow("two replies in one packet")
        << QByteArray("220 ready\r\n") << (QList<QByteArray>{kEhlo, kUser, kPass + "235 ok\r\n", ""} + toTheEnd)
        << "Email successfully sent";
    QTest::newRow("2500 rejected") << QByteArray("2500 ready\r\n") << QList<QByteArray>{kEhlo} << "Mail";
    QTest::newRow("25x rejected") << QByteArray("220 ready\r\n") << QList<QByteArray>{"25x ok\r\n"} << "Mail";
    QTest::newRow("silent login") << QByteArray("220 ready\r\n") << QList<QByteArray>{kEhlo, ""}
                                  << "Mail server authentication timeout";
    QTest::newRow("535 is a client error")
        << QByteArray("220 ready\r\n") << QList<QByteArray>{kEhlo, kUser, kPass, "535 5.7.8 bad credentials\r\n"}
        << "Mail client error\nCode: 535\n535 5.7.8 bad credentials\r\n";
}

void TestMailPage::conversation()
{
    QFETCH(QByteArray, greeting);
    QFETCH(QList<QByteArray>, replies);
    QFETCH(QString, box);
    ScriptedSmtp server(greeting, replies);
    page->spinBox_mail_port->setValue(server.port());
    page->sendReportToYourself(QString());
    QVERIFY(waitForBox());
    // Nothing more follows the outcome (no success after an error or a time-out).
    QTest::qWait(200);
    const QStringList shown = boxes();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().startsWith(box), qPrintable(shown.first()));
    if (box.startsWith(QLatin1String("Email successfully"))) {
        QVERIFY(server.lines.contains("RCPT TO:<me@example.org>"));
        QVERIFY(server.data.contains("<p>Hello</p>"));
    } else if (box == QLatin1String("Mail")) {
        QVERIFY2(!shown.first().contains(QLatin1String("success")), qPrintable(shown.first()));
        QVERIFY(!server.lines.contains("MAIL FROM:<bench@example.org>"));
    }
    QCOMPARE(page->sendingState(), 0);
}

void TestMailPage::busy()
{
    ScriptedSmtp server("220 ready\r\n", {kEhlo, ""});
    page->spinBox_mail_port->setValue(server.port());
    page->sendReportToYourself(QString());
    QVERIFY(page->sendingState() != 0);
    page->sendReportToYourself(QString());
    QCOMPARE(boxes(), QStringList{QStringLiteral("Mail system busy. Another message sending in progress")});
    // A missing attachment is told and nothing is sent.
    page->resetSmtpSystem();
    answerer->shown.clear();
    page->sendReportToYourself(dir.filePath(QStringLiteral("missing.pdf")));
    QCOMPARE(page->sendingState(), 0);
    QVERIFY(boxes().value(0).startsWith(QLatin1String("Mail attachment cannot be read")));
    // A recipient that smuggles a command is refused before connecting.
    answerer->shown.clear();
    page->sendReport(QStringLiteral("a@b.org>\r\nRCPT TO:<c@d.org"), QString());
    QCOMPARE(page->sendingState(), 0);
    QVERIFY(boxes().value(0).startsWith(QLatin1String("Mail not sent")));
}

void TestMailPage::parseTemplate_data()
{
    QTest::addColumn<bool>("withRun");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("html");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("error");

    QTest::newRow("plain") << false << "no tags" << true << "no tags" << "";
    QTest::newRow("no run") << false << "${run_info 0 name}" << true << "RI(0,name)" << "";
    QTest::newRow("escaped in HTML") << true << "${project_info 0 brand}" << true << "A&amp;B &lt;i&gt;" << "";
    QTest::newRow("as is in a subject") << true << "${project_info 0 brand}" << false << "A&B <i>" << "";
    QTest::newRow("lone ${ keeps the rest") << false << "a ${run_info 0" << true << "a ${run_info 0"
                                            << "2 Error parsing file";
    QTest::newRow("unknown command") << false << "a${foo}b" << true << "ab" << "";
    // The scan goes on two characters on, so the tag's words remain as text.
    QTest::newRow("key not found") << true << "${run_info 0 nope}" << true << "run_info 0 nope}"
                                   << "2 run_info key not found nope";
}

void TestMailPage::parseTemplate()
{
    QFETCH(bool, withRun);
    QFETCH(QString, text);
    QFETCH(bool, html);
    QFETCH(QString, result);
    QFETCH(QString, error);
    if (withRun) {
        auto* run = new RunData(dir.filePath(QStringLiteral("r.h5")), true);
        run->projectInfo[ProjectListFields::brand] = QStringLiteral("A&B <i>");
        runs->appendRun(run);
    }
    QCOMPARE(page->parseTemplate(text, html), result);
    QCOMPARE(boxes(), error.isEmpty() ? QStringList() : QStringList{error});
}

QTEST_MAIN(TestMailPage)
#include "tst_mail_page.moc"
