// The mail client: Base64 and quoted-printable bodies, the message header, and
// a message delivered to aiosmtpd (Debian's SMTP server) whose received copy
// Python's email package reads back.
#include "EmailAddress.h"
#include "MimeAttachment.h"
#include "MimeHtml.h"
#include "MimeMessage.h"
#include "QuotedPrintable.h"
#include "SmtpClient.h"

#include <QBuffer>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

class TestMail : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void base64Lines();
    void quotedPrintable();
    void headerAndInjection();
    void deliveredToAiosmtpd();
    void decodedByPython();
};

void TestMail::base64Lines()
{
    QTemporaryDir dir;
    for (int size : {57, 58}) {
        QFile file(dir.filePath(QStringLiteral("a%1.bin").arg(size)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'x'));
        file.close();
        MimeAttachment part(&file);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        part.writeContent(out);
        const QList<QByteArray> lines = out.data().split('\n');
        QCOMPARE(lines.at(0).size(), 77); // 76 and CR
        if (size == 58)
            QCOMPARE(lines.at(1).size(), 5);
    }
}

void TestMail::quotedPrintable()
{
    QByteArray all;
    for (int i = 0; i < 100; ++i)
        all.append(static_cast<char>(0x80 + i));
    const QString encoded = QuotedPrintable::encode(all);
    QCOMPARE(encoded.size(), 300);
    QCOMPARE(QuotedPrintable::decode(encoded), all);
    // A text line over SMTP's limit goes out quoted-printable, no line over 76.
    MimeHtml html(QString(2000, QLatin1Char('a')) + QStringLiteral("\n.dot"));
    const QString text = html.toString();
    QVERIFY(text.contains(QStringLiteral("quoted-printable")));
    for (const QString& line : text.split(QStringLiteral("\r\n")))
        QVERIFY(line.size() <= 77);
}

void TestMail::headerAndInjection()
{
    MimeMessage message;
    message.setSender(EmailAddress(QStringLiteral("me@example.org")));
    message.addTo(EmailAddress(QStringLiteral("you@example.org")));
    message.addBcc(EmailAddress(QStringLiteral("hidden@example.org")));
    message.setSubject(QStringLiteral("Prüfstand Ω"));
    QVERIFY(message.validate().isEmpty());
    const QString text = message.toString();
    QVERIFY(!text.contains(QStringLiteral("hidden")));
    QVERIFY(text.contains(QStringLiteral("Subject:  =?utf-8?B?")));
    QVERIFY(text.contains(QStringLiteral("\r\nDate: ")));
    QVERIFY(text.contains(QStringLiteral("\r\nMessage-ID: <")));
    message.setSubject(QStringLiteral("x\r\nBcc: evil@example.org"));
    QVERIFY(!message.validate().isEmpty());
    MimeMessage bad;
    bad.setSender(EmailAddress(QStringLiteral("me@example.org")));
    bad.addTo(EmailAddress(QStringLiteral("a@b.org>\r\nRCPT TO:<c@d.org")));
    QVERIFY(!bad.validate().isEmpty());
}

void TestMail::deliveredToAiosmtpd()
{
    QTemporaryDir dir;
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    const QString script = QStringLiteral(
        "import sys, asyncio, time\n"
        "from aiosmtpd.controller import Controller\n"
        "class H:\n"
        "    async def handle_DATA(self, server, session, envelope):\n"
        "        open(sys.argv[2], 'wb').write(envelope.original_content)\n"
        "        return '250 OK'\n"
        "c = Controller(H(), hostname='127.0.0.1', port=int(sys.argv[1]))\n"
        "c.start()\n"
        "print('ready', flush=True)\n"
        "sys.stdin.read()\n"
        "c.stop()\n");
    const QString raw = dir.filePath(QStringLiteral("raw.eml"));
    QProcess server;
    server.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, QString::number(port), raw});
    QVERIFY2(server.waitForReadyRead(30000), "aiosmtpd did not start");

    QFile attachmentFile(dir.filePath(QStringLiteral("report.pdf")));
    QVERIFY(attachmentFile.open(QIODevice::WriteOnly));
    attachmentFile.write(QByteArray(100000, 'P'));
    attachmentFile.close();
    MimeMessage message;
    message.setSender(EmailAddress(QStringLiteral("me@example.org")));
    message.addTo(EmailAddress(QStringLiteral("you@example.org")));
    message.setSubject(QStringLiteral("Report"));
    message.addPart(new MimeHtml(QStringLiteral("<p>one</p>\n.a dot line\n<p>two</p>\n")));
    message.addPart(new MimeAttachment(&attachmentFile));

    SmtpClient client(QStringLiteral("127.0.0.1"), port, SmtpClient::TcpConnection);
    client.connectToHost();
    QVERIFY(client.waitForReadyConnected(20000));
    client.sendMail(message);
    QVERIFY(client.waitForMailSent(20000));
    server.closeWriteChannel();
    QVERIFY(server.waitForFinished(20000));

    QProcess check;
    check.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"),
                 QStringLiteral("import sys, email, email.policy\n"
                                "raw = open(sys.argv[1], 'rb').read()\n"
                                "assert b'\\r\\n.a dot line' in raw, 'dot line'\n"
                                "assert all(len(l) <= 998 for l in raw.split(b'\\r\\n'))\n"
                                "assert b'\\n' not in raw.replace(b'\\r\\n', b'')\n"
                                "m = email.message_from_bytes(raw, policy=email.policy.default)\n"
                                "assert m['Subject'] == 'Report' and m['Date'].datetime\n"
                                "parts = list(m.iter_attachments())\n"
                                "assert parts[0].get_filename() == 'report.pdf'\n"
                                "assert parts[0].get_content() == open(sys.argv[2], 'rb').read()\n"
                                "print('ok')\n"),
                 raw, attachmentFile.fileName()});
    QVERIFY(check.waitForFinished(30000));
    QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());
}

// Our quoted-printable body and encoded subject read back by Python's quopri
// and email packages; soft line breaks never fall inside an escape.
void TestMail::decodedByPython()
{
    QTemporaryDir dir;
    // Escapes at every offset against the 76-character limit.
    QString html;
    for (int i = 0; i < 400; ++i)
        html += (i % 7 == 0) ? QStringLiteral("Ω=") : QString(QLatin1Char('a' + i % 26));
    html += QStringLiteral("\n.dot\n") + QString(1200, QLatin1Char('x')) + QStringLiteral("é\n");
    MimeMessage message;
    message.setSender(EmailAddress(QStringLiteral("me@example.org")));
    message.addTo(EmailAddress(QStringLiteral("you@example.org")));
    const QString subject = QStringLiteral("Prüfstand Ω – Leistung ") + QString(60, QLatin1Char('z'));
    message.setSubject(subject);
    message.addPart(new MimeHtml(html));
    const QByteArray raw = message.toString().toUtf8();
    for (const QByteArray& line : raw.split('\n')) {
        QVERIFY(line.size() <= 998);
        const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
        const qsizetype eq = text.lastIndexOf('=');
        // "=" as the last or next-to-last character would be a split escape,
        // unless it is the soft break itself.
        QVERIFY2(!(eq >= 0 && eq == text.size() - 2), text.constData());
    }
    QFile out(dir.filePath(QStringLiteral("m.eml")));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(raw);
    out.close();
    QFile expected(dir.filePath(QStringLiteral("body.txt")));
    QVERIFY(expected.open(QIODevice::WriteOnly));
    expected.write(html.toUtf8());
    expected.close();
    QProcess check;
    check.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"),
                 QStringLiteral("import sys, email, email.policy, quopri\n"
                                "raw = open(sys.argv[1], 'rb').read()\n"
                                "m = email.message_from_bytes(raw, policy=email.policy.default)\n"
                                "assert str(m['Subject']) == sys.argv[3], repr(str(m['Subject']))\n"
                                "part = next(p for p in m.walk() if p.get_content_type() == 'text/html')\n"
                                "assert part['Content-Transfer-Encoding'].lower() == 'quoted-printable'\n"
                                "body = part.get_payload(decode=False).encode('ascii')\n"
                                "want = open(sys.argv[2], 'rb').read().replace(b'\\n', b'\\r\\n')\n"
                                "got = quopri.decodestring(body)\n"
                                "assert got.rstrip(b'\\r\\n') == want.rstrip(b'\\r\\n'), (got[:80], want[:80])\n"
                                "print('ok')\n"),
                 out.fileName(), expected.fileName(), subject});
    QVERIFY(check.waitForFinished(30000));
    QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());
}

QTEST_GUILESS_MAIN(TestMail)
#include "tst_mail.moc"
