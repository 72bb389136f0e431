#include "OnlineServices.h"

#include "AnalysisHooks.h"
#include "CustomSqlTableModel.h"
#include "LoadedRunListModel.h"
#include "MimeAttachment.h"
#include "MimeHtml.h"
#include "MimeMessage.h"
#include "MySettings.h"
#include "ProjectListModel.h"
#include "ReportSources.h"
#include "ReportTags.h"
#include "RunListModel.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QComboBox>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace {

OnlineServices* g_instance = nullptr;

// Test runs shorten the step time-outs ("connect,login,send" in ms).
void applyTestTimeouts(int& connect, int& login, int& send)
{
    if (qEnvironmentVariable("ZEMBO_TEST") != QLatin1String("1"))
        return;
    const QStringList parts = qEnvironmentVariable("ZEMBO_TEST_MAIL_TIMEOUTS").split(QLatin1Char(','));
    if (parts.size() != 3)
        return;
    connect = parts.at(0).toInt();
    login = parts.at(1).toInt();
    send = parts.at(2).toInt();
}

// An input dialog run through the answerer: the chosen item, or empty.
QString chooseItem(QWidget* parent, const QString& title, const QString& label, const QStringList& items)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    if (!items.isEmpty())
        dialog.setTextValue(items.first());
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

} // namespace

OnlineServices* OnlineServices::instance()
{
    return g_instance;
}

OnlineServices::OnlineServices(QWidget* parent)
    : QWidget(parent)
{
    g_instance = this;
    applyTestTimeouts(connectTimeout, loginTimeout, sendTimeout);

    auto* pageLayout = new QFormLayout(this);
    auto* group = new QGroupBox(tr("Email"), this);
    pageLayout->addRow(group);
    auto* form = new QFormLayout(group);

    lineEdit_mail_serverName = new QLineEdit(group);
    lineEdit_mail_serverName->setObjectName(QStringLiteral("lineEdit_mail_serverName"));
    form->addRow(tr("Server name"), lineEdit_mail_serverName);

    spinBox_mail_port = new QSpinBox(group);
    spinBox_mail_port->setObjectName(QStringLiteral("spinBox_mail_port"));
    spinBox_mail_port->setRange(0, 65535);
    spinBox_mail_port->setValue(465);
    spinBox_mail_port->setToolTip(
        QStringLiteral("Typical ports:\nPlain: 25\nSecure (SSL): 465\nSecure (STARTTLS): 587"));
    form->addRow(tr("Port"), spinBox_mail_port);

    comboBox_mail_security = new QComboBox(group);
    comboBox_mail_security->setObjectName(QStringLiteral("comboBox_mail_security"));
    comboBox_mail_security->addItems(
        {QStringLiteral("None"), QStringLiteral("SSL/TLS"), QStringLiteral("STARTTLS")});
    comboBox_mail_security->setCurrentIndex(1);
    form->addRow(tr("Security"), comboBox_mail_security);

    lineEdit_mail_userName = new QLineEdit(group);
    lineEdit_mail_userName->setObjectName(QStringLiteral("lineEdit_mail_userName"));
    form->addRow(tr("Username"), lineEdit_mail_userName);

    lineEdit_mail_password = new QLineEdit(group);
    lineEdit_mail_password->setObjectName(QStringLiteral("lineEdit_mail_password"));
    lineEdit_mail_password->setEchoMode(QLineEdit::Password);
    form->addRow(tr("Password"), lineEdit_mail_password);

    pushButton_testEmail = new QPushButton(tr("Test email"), group);
    form->addRow(pushButton_testEmail);

    lineEdit_mail_yourEmail = new QLineEdit(group);
    lineEdit_mail_yourEmail->setObjectName(QStringLiteral("lineEdit_mail_yourEmail"));
    form->addRow(tr("Your email"), lineEdit_mail_yourEmail);

    lineEdit_mail_title = new QLineEdit(group);
    lineEdit_mail_title->setObjectName(QStringLiteral("lineEdit_mail_title"));
    lineEdit_mail_title->setText(QStringLiteral("YourCompany - test report for ${project_info 0 customerName}"));
    form->addRow(tr("Title template"), lineEdit_mail_title);

    auto* templateLabel = new QLabel(tr("Email template"), group);
    templateLabel->setAlignment(Qt::AlignCenter);
    form->addRow(templateLabel);
    pushButton_insertItem = new QPushButton(tr("Insert item"), group);
    form->addRow(pushButton_insertItem);
    textEdit_mail_template = new QPlainTextEdit(group);
    textEdit_mail_template->setObjectName(QStringLiteral("textEdit_mail_template"));
    QFile defaultTemplate(QStringLiteral(":/resources/mailTemplate.html"));
    if (defaultTemplate.open(QIODevice::ReadOnly))
        textEdit_mail_template->setPlainText(QString::fromUtf8(defaultTemplate.readAll()));
    form->addRow(textEdit_mail_template);

    theSettings.connectLineEdit(lineEdit_mail_serverName);
    theSettings.connectSpinBox(spinBox_mail_port);
    theSettings.connectComboBox(comboBox_mail_security);
    theSettings.connectLineEdit(lineEdit_mail_userName);
    theSettings.connectLineEditPassword(lineEdit_mail_password);
    theSettings.connectLineEdit(lineEdit_mail_yourEmail);
    theSettings.connectLineEdit(lineEdit_mail_title);
    theSettings.connectTextEdit(textEdit_mail_template);

    timeoutTimer = new QTimer(this);
    timeoutTimer->setSingleShot(true);
    connect(timeoutTimer, &QTimer::timeout, this, &OnlineServices::slot_mailTimeout);
    connect(pushButton_testEmail, &QPushButton::clicked, this, &OnlineServices::slot_testEmail);
    connect(pushButton_insertItem, &QPushButton::clicked, this, &OnlineServices::slot_insertItem);

    AnalysisHooks& hooks = AnalysisHooks::instance();
    hooks.mailConfigured = [this] { return isMailSystemConfigured(); };
    hooks.sendRunFile = [this](const QString& recipient, const QString& path, const QString& comment) {
        sendRunFile(recipient, path, comment);
    };
}

OnlineServices::~OnlineServices()
{
    resetSmtpSystem();
    if (g_instance == this) {
        g_instance = nullptr;
        AnalysisHooks::instance().mailConfigured = nullptr;
        AnalysisHooks::instance().sendRunFile = nullptr;
    }
}

bool OnlineServices::isMailSystemConfigured() const
{
    return !lineEdit_mail_serverName->text().isEmpty() && !lineEdit_mail_userName->text().isEmpty()
        && !lineEdit_mail_password->text().isEmpty();
}

void OnlineServices::sendEmail(const QString& recipients, const QString& subject, const QString& html,
                               const QString& attachmentPath)
{
    if (state != 0) {
        Tools::showInfo(tr("Mail system busy. Another message sending in progress"));
        return;
    }
    auto* msg = new MimeMessage(true);
    msg->setSender(EmailAddress(lineEdit_mail_userName->text(), QString()));
    for (const QString& piece : recipients.split(QLatin1Char(','), Qt::SkipEmptyParts))
        msg->addTo(EmailAddress(piece.trimmed(), QString()));
    msg->setSubject(subject);
    auto* body = new MimeHtml;
    body->setHtml(html);
    msg->addPart(body);

    QFile* file = nullptr;
    MimeAttachment* part = nullptr;
    if (!attachmentPath.isEmpty()) {
        // A missing or unreadable file would go out as an empty attachment
        // and be reported as sent.
        file = new QFile(attachmentPath);
        if (!file->open(QIODevice::ReadOnly)) {
            delete file;
            delete msg;
            Tools::showError(tr("Mail attachment cannot be read: ") + attachmentPath);
            return;
        }
        file->close();
        part = new MimeAttachment(file);
        msg->addPart(part);
    }
    // Refused before any connection: header injection through project data
    // or addresses a server would misread.
    const QString problem = msg->validate();
    if (!problem.isEmpty()) {
        delete msg;
        delete file;
        Tools::showError(tr("Mail not sent") + QStringLiteral(": ") + problem);
        return;
    }
    message = msg;
    attachmentFile = file;
    attachment = part;

    smtp = new SmtpClient(lineEdit_mail_serverName->text(), spinBox_mail_port->value(),
                          static_cast<SmtpClient::ConnectionType>(comboBox_mail_security->currentIndex()));
    smtp->setParent(this);
    connect(smtp, &SmtpClient::readyConnected, this, &OnlineServices::slot_smtpReadyConnected);
    connect(smtp, &SmtpClient::error, this, &OnlineServices::slot_smtpError);
    connect(smtp, &SmtpClient::sendingProgress, this, [this] {
        if (state == 3)
            timeoutTimer->start(sendTimeout);
    });
    state = 1;
    timeoutTimer->start(connectTimeout);
    smtp->connectToHost();
}

QString OnlineServices::parseTemplate(const QString& text, bool html)
{
    LoadedRunListModel* runs = ReportSources::loadedRuns();
    const int runCount = runs ? runs->rowCount() : 0;
    const QString open = QStringLiteral("${");
    QString result;
    qsizetype p = 0;
    while (p < text.size()) {
        const qsizetype start = text.indexOf(open, p);
        if (start < 0) {
            result += text.mid(p);
            break;
        }
        if (start > p) {
            result += text.mid(p, start - p);
            p = start;
            continue;
        }
        const qsizetype j = text.indexOf(QLatin1Char('}'), p);
        if (j < 0) {
            // The rest stays as it is: a lone "${" must not end the text.
            Tools::showError(QString::number(p) + QStringLiteral(" Error parsing file"));
            result += text.mid(p);
            break;
        }
        const QStringList words = ReportTags::splitWords(text.mid(p + 2, j - p - 2));
        const QString& command = words.first();
        if (command != QLatin1String("run_info") && command != QLatin1String("project_info")) {
            qDebug() << "Unknown command" << words;
            p = j + 1;
            continue;
        }
        if (words.size() < 3) {
            Tools::showError(QString::number(p + 2) + QLatin1Char(' ') + command + QStringLiteral(" syntax error. Usage: ${")
                             + command + QStringLiteral(" runNumber keyName}"));
            p += 2;
            continue;
        }
        bool ok = false;
        const int n = words.at(1).toInt(&ok, 10);
        if (!ok || n < 0 || n >= runCount) {
            result += QStringLiteral("%1(%2,%3)")
                          .arg(command == QLatin1String("run_info") ? QStringLiteral("RI") : QStringLiteral("PI"))
                          .arg(ok ? n : 0)
                          .arg(html ? ReportTags::escapeHtml(words.at(2)) : words.at(2));
            p = j + 1;
            continue;
        }
        CustomSqlTableModel* table = ReportTags::tableFor(command);
        const int fieldId = table ? table->fieldDescriptorIdByDatabaseKey(words.at(2)) : -1;
        if (fieldId < 0) {
            Tools::showError(QString::number(p + 2) + QLatin1Char(' ') + command + QStringLiteral(" key not found ")
                             + words.at(2));
            p += 2;
            continue;
        }
        const QString value = ReportTags::runValue(runs->runAt(n), command, fieldId, QString());
        result += html ? ReportTags::escapeHtml(value) : value;
        p = j + 1;
    }
    return result;
}

void OnlineServices::sendReport(const QString& recipients, const QString& attachmentPath)
{
    const QString subject = parseTemplate(lineEdit_mail_title->text(), false);
    const QString body = parseTemplate(textEdit_mail_template->toPlainText(), true);
    sendEmail(recipients, subject, body, attachmentPath);
}

void OnlineServices::sendReportToYourself(const QString& attachmentPath)
{
    sendReport(lineEdit_mail_yourEmail->text(), attachmentPath);
}

void OnlineServices::sendRunFile(const QString& recipients, const QString& filePath, const QString& body)
{
    sendEmail(recipients, QFileInfo(filePath).fileName(), body, filePath);
}

void OnlineServices::resetSmtpSystem()
{
    timeoutTimer->stop();
    state = 0;
    if (smtp) {
        smtp->blockSignals(true);
        smtp->quit();
        smtp->deleteLater();
        smtp = nullptr;
    }
    delete message;
    message = nullptr;
    delete attachmentFile;
    attachmentFile = nullptr;
    attachment = nullptr;
}

void OnlineServices::slot_testEmail()
{
    QInputDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("email"));
    dialog.setLabelText(tr("Test email recipient"));
    dialog.setTextValue(lineEdit_mail_userName->text());
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return;
    const QString recipient = dialog.textValue();
    if (recipient.isEmpty())
        return;
    sendEmail(recipient, parseTemplate(lineEdit_mail_title->text(), false),
              parseTemplate(textEdit_mail_template->toPlainText(), true), QString());
}

void OnlineServices::slot_mailTimeout()
{
    const int timedOut = state;
    // The client goes first: a reply arriving while the box is open must not
    // be reported as a sent mail after the time-out was.
    resetSmtpSystem();
    if (timedOut == 1)
        Tools::showError(tr("Mail server connection timeout"));
    else if (timedOut == 2)
        Tools::showError(tr("Mail server authentication timeout"));
    else if (timedOut == 3)
        Tools::showError(tr("Mail sending timeout"));
}

void OnlineServices::slot_smtpReadyConnected()
{
    if (!smtp)
        return;
    state = 2;
    timeoutTimer->start(loginTimeout);
    connect(smtp, &SmtpClient::authenticated, this, &OnlineServices::slot_smtpAuthenticated,
            Qt::UniqueConnection);
    smtp->login(lineEdit_mail_userName->text(), lineEdit_mail_password->text(), SmtpClient::AuthLogin);
}

void OnlineServices::slot_smtpAuthenticated()
{
    if (!smtp || !message)
        return;
    state = 3;
    timeoutTimer->start(sendTimeout);
    connect(smtp, &SmtpClient::mailSent, this, &OnlineServices::slot_mailSent, Qt::UniqueConnection);
    smtp->sendMail(*message);
}

void OnlineServices::slot_mailSent()
{
    resetSmtpSystem();
    Tools::showInfo(tr("Email successfully sent"));
}

void OnlineServices::slot_smtpError(SmtpClient::SmtpError e)
{
    const QString code = smtp ? QStringLiteral("\nCode: ") + QString::number(smtp->getResponseCode())
            + QStringLiteral("\n") + smtp->getResponseText()
                              : QString();
    QString text;
    switch (e) {
    case SmtpClient::AuthenticationError:
        text = tr("Mail authentication error") + code;
        break;
    case SmtpClient::MailSendingError:
        text = tr("Mail sending error") + code;
        break;
    case SmtpClient::ServerError:
        text = tr("Mail server error") + code;
        break;
    case SmtpClient::ClientError:
        text = tr("Mail client error") + code;
        break;
    case SmtpClient::SocketError:
        text = tr("Mail socket error");
        break;
    case SmtpClient::ConnectionTimeoutError:
    case SmtpClient::ResponseTimeoutError:
        text = tr("SmtpClient timeout error");
        break;
    }
    resetSmtpSystem();
    Tools::showError(text);
}

void OnlineServices::slot_insertItem()
{
    const QString item = chooseItem(this, tr("Select item"), tr("Select item"),
                                    {QStringLiteral("run_info"), QStringLiteral("project_info")});
    if (item.isEmpty())
        return;
    QInputDialog numberDialog(this);
    numberDialog.setInputMode(QInputDialog::IntInput);
    numberDialog.setWindowTitle(tr("Run number"));
    numberDialog.setLabelText(tr("Run number in table (starts from 0)"));
    numberDialog.setIntRange(0, 2147483647);
    numberDialog.setIntStep(1);
    numberDialog.setIntValue(0);
    if (DialogAnswerer::exec(&numberDialog) != QDialog::Accepted)
        return;
    const bool run = item == QLatin1String("run_info");
    CustomSqlTableModel* table = ReportTags::tableFor(item);
    const QString key = chooseItem(this, run ? tr("Run property") : tr("Project property"),
                                   run ? tr("Select run property") : tr("Select project property"),
                                   table ? table->getKeysForTemplates() : QStringList());
    if (key.isEmpty())
        return;
    textEdit_mail_template->insertPlainText(
        QStringLiteral("${%1 %2 %3}").arg(item).arg(numberDialog.intValue()).arg(key));
}
