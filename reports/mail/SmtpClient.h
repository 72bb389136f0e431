#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>

class MimeMessage;
class QTcpSocket;
class QTemporaryFile;

// An asynchronous SMTP client for one connection: plain, encrypted from the
// start, or upgraded with STARTTLS; AUTH PLAIN or LOGIN. Replies drive a state
// machine; progress is announced by signals. It times nothing itself (the
// owner times each step) except through the optional wait helpers.
//
// The message is written once into a private temporary file and streamed from
// there as the socket drains, so a large attachment costs disk, not memory.
class SmtpClient : public QObject
{
    Q_OBJECT
public:
    enum AuthMethod { AuthPlain = 0, AuthLogin = 1 };
    Q_ENUM(AuthMethod)
    enum SmtpError {
        ConnectionTimeoutError = 0,
        ResponseTimeoutError = 1,
        AuthenticationError = 2,
        MailSendingError = 3,
        ServerError = 4,
        ClientError = 5,
        SocketError = 6
    };
    Q_ENUM(SmtpError)
    enum ConnectionType { TcpConnection = 0, SslConnection = 1, TlsConnection = 2 };
    Q_ENUM(ConnectionType)
    enum ClientState {
        UnconnectedState = 0,
        ConnectingState = 1,
        ConnectedState = 2,
        ReadyState = 3,
        AuthenticatingState = 4,
        MailSendingState = 5,
        DisconnectingState = 6,
        ResetState = 7,
        _EHLO_State = 50,
        _TLS_State = 51,
        _READY_Connected = 52,
        _READY_Authenticated = 53,
        _READY_MailSent = 54,
        _READY_Encrypted = 55,
        _QUITTING_State = 56,
        _TLS_0_STARTTLS = 60,
        _TLS_1_ENCRYPT = 61,
        _TLS_2_EHLO = 62,
        _AUTH_PLAIN_0 = 70,
        _AUTH_LOGIN_0 = 71,
        _AUTH_LOGIN_1_USER = 72,
        _AUTH_LOGIN_2_PASS = 73,
        _MAIL_0_FROM = 81,
        _MAIL_1_RCPT_INIT = 82,
        _MAIL_2_RCPT = 83,
        _MAIL_3_DATA = 84,
        _MAIL_4_SEND_DATA = 85
    };
    Q_ENUM(ClientState)

    explicit SmtpClient(const QString& host = QStringLiteral("localhost"), int port = 25,
                        ConnectionType connectionType = TcpConnection);
    ~SmtpClient() override;

    const QString& getHost() const { return host; }
    int getPort() const { return port; }
    ConnectionType getConnectionType() const { return connectionType; }
    const QString& getName() const { return name; }
    void setName(const QString& value) { name = value; }
    const QString& getResponseText() const { return responseText; }
    int getResponseCode() const { return responseCode; }
    QTcpSocket* getSocket() const { return socket; }
    ClientState state() const { return clientState; }

    void connectToHost();
    void login(const QString& user, const QString& password, AuthMethod method);
    void login();
    void sendMail(const MimeMessage& email);
    void quit();
    void reset();

    bool waitForReadyConnected(int msec = 30000);
    bool waitForAuthenticated(int msec = 30000);
    bool waitForMailSent(int msec = 30000);
    bool waitForReset(int msec = 30000);
    bool waitForDisconnected(int msec = 30000);

Q_SIGNALS:
    void error(SmtpClient::SmtpError e);
    void stateChanged(SmtpClient::ClientState s);
    void readyConnected();
    void authenticated();
    void mailSent();
    void mailReset();
    void disconnected();
    // Part of the message went out; the owner's time-out counts from here.
    void sendingProgress(qint64 written, qint64 total);

protected Q_SLOTS:
    void socketStateChanged(QAbstractSocket::SocketState state);
    void socketError(QAbstractSocket::SocketError error);
    void socketReadyRead();
    void socketEncrypted();
    void socketBytesWritten(qint64 bytes);

private:
    void setConnectionType(ConnectionType type);
    void changeState(ClientState state);
    void processResponse();
    void sendMessage(const QString& text);
    bool prepareData();
    void pumpData();
    bool waitForEvent(int msec, const char* signal);

    QTcpSocket* socket = nullptr;
    ClientState clientState = UnconnectedState;
    QString host;
    int port;
    ConnectionType connectionType;
    QString name = QStringLiteral("localhost");
    QString user;
    QString password;
    AuthMethod authMethod = AuthPlain;

    QString responseText;
    int responseCode = 0;
    QByteArray lineBuffer;
    QString replyBuffer;
    int replyCode = -1;

    bool isReadyConnected = false;
    bool isAuthenticated = false;
    bool isMailSent = false;
    bool isReset = false;

    const MimeMessage* email = nullptr;
    int rcptType = 0;
    int rcptIndex = 0;

    QTemporaryFile* dataFile = nullptr;
    qint64 dataTotal = 0;
    qint64 dataSent = 0;
    bool dataAtLineStart = true;
    bool dataPendingCR = false;
    bool dataDone = false;
};
