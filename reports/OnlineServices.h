#pragma once

#include "SmtpClient.h"

#include <QWidget>

class EmailAddress;
class MimeAttachment;
class MimeMessage;
class QComboBox;
class QFile;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;

// The e-mail page of the SETTINGS tab and the program's only mail sender: the
// SMTP account, the operator's address, the subject and body templates, and
// one message at a time for the print preview (report PDF), the ANALYZE run
// list (run files) and the test mail. Outcomes are told in message boxes.
class OnlineServices : public QWidget
{
    Q_OBJECT
public:
    explicit OnlineServices(QWidget* parent = nullptr);
    ~OnlineServices() override;

    // The page of this process (null before the SETTINGS tab is built).
    static OnlineServices* instance();

    bool isMailSystemConfigured() const;
    void sendEmail(const QString& recipients, const QString& subject, const QString& html,
                   const QString& attachmentPath);
    void sendReport(const QString& recipients, const QString& attachmentPath);
    void sendReportToYourself(const QString& attachmentPath);
    void sendRunFile(const QString& recipients, const QString& filePath, const QString& body);
    // The text with its run_info and project_info tags filled from the loaded
    // runs; values are HTML-escaped when the text is HTML.
    QString parseTemplate(const QString& text, bool html = true);
    void resetSmtpSystem();

    int sendingState() const { return state; }
    SmtpClient* client() const { return smtp; }

    QLineEdit* lineEdit_mail_serverName = nullptr;
    QSpinBox* spinBox_mail_port = nullptr;
    QComboBox* comboBox_mail_security = nullptr;
    QLineEdit* lineEdit_mail_userName = nullptr;
    QLineEdit* lineEdit_mail_password = nullptr;
    QLineEdit* lineEdit_mail_yourEmail = nullptr;
    QLineEdit* lineEdit_mail_title = nullptr;
    QPlainTextEdit* textEdit_mail_template = nullptr;
    QPushButton* pushButton_testEmail = nullptr;
    QPushButton* pushButton_insertItem = nullptr;

    // Step time-outs in milliseconds: becoming ready, logging in, and the
    // message going out (counted from the last progress, not from the start).
    int connectTimeout = 5000;
    int loginTimeout = 5000;
    int sendTimeout = 60000;

public Q_SLOTS:
    void slot_testEmail();
    void slot_mailTimeout();
    void slot_smtpReadyConnected();
    void slot_smtpAuthenticated();
    void slot_mailSent();
    void slot_smtpError(SmtpClient::SmtpError e);
    void slot_insertItem();

private:
    int state = 0;
    SmtpClient* smtp = nullptr;
    MimeMessage* message = nullptr;
    QFile* attachmentFile = nullptr;
    MimeAttachment* attachment = nullptr;
    QTimer* timeoutTimer = nullptr;
};
