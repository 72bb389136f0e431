#include "SmtpClient.h"

#include "MimeMessage.h"

#include <QEventLoop>

#include <cctype>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTemporaryFile>
#include <QTimer>

namespace {

// A reply longer than this is no mail server talking.
constexpr qint64 maxReplyBytes = 64 * 1024;
// How much of the message may wait in the socket before more is read.
constexpr qint64 sendWindow = 256 * 1024;
constexpr qint64 readPiece = 64 * 1024;

} // namespace

SmtpClient::SmtpClient(const QString& host, int port, ConnectionType connectionType)
    : host(host)
    , port(port)
    , connectionType(connectionType)
{
    setConnectionType(connectionType);
}

SmtpClient::~SmtpClient() = default;

void SmtpClient::setConnectionType(ConnectionType type)
{
    connectionType = type;
    delete socket;
    if (type == TcpConnection) {
        socket = new QTcpSocket(this);
    } else {
        auto* ssl = new QSslSocket(this);
        // Tests bring their own certificate authority; verification stays on.
        const QString ca = qEnvironmentVariable("ZEMBO_TEST_SMTP_CA");
        if (qEnvironmentVariable("ZEMBO_TEST") == QLatin1String("1") && !ca.isEmpty()) {
            QSslConfiguration conf = ssl->sslConfiguration();
            conf.addCaCertificates(QSslCertificate::fromPath(ca));
            ssl->setSslConfiguration(conf);
        }
        connect(ssl, &QSslSocket::encrypted, this, &SmtpClient::socketEncrypted);
        socket = ssl;
    }
    connect(socket, &QAbstractSocket::stateChanged, this, &SmtpClient::socketStateChanged);
    connect(socket, &QAbstractSocket::errorOccurred, this, &SmtpClient::socketError);
    connect(socket, &QIODevice::readyRead, this, &SmtpClient::socketReadyRead);
    connect(socket, &QIODevice::bytesWritten, this, &SmtpClient::socketBytesWritten);
}

void SmtpClient::connectToHost()
{
    if (clientState == UnconnectedState)
        changeState(ConnectingState);
}

void SmtpClient::login(const QString& u, const QString& p, AuthMethod method)
{
    user = u;
    password = p;
    authMethod = method;
    login();
}

void SmtpClient::login()
{
    if (isReadyConnected && !isAuthenticated)
        changeState(AuthenticatingState);
}

void SmtpClient::sendMail(const MimeMessage& message)
{
    if (!isReadyConnected)
        return;
    isMailSent = false;
    email = &message;
    rcptType = 0;
    changeState(MailSendingState);
}

void SmtpClient::quit()
{
    changeState(_QUITTING_State);
}

void SmtpClient::reset()
{
    if (!isReadyConnected)
        return;
    isReset = false;
    changeState(ResetState);
}

bool SmtpClient::waitForEvent(int msec, const char* signal)
{
    QEventLoop loop;
    connect(this, signal, &loop, SLOT(quit()));
    connect(this, &SmtpClient::error, &loop, &QEventLoop::quit);
    if (msec > 0)
        QTimer::singleShot(msec, &loop, &QEventLoop::quit);
    loop.exec();
    return true;
}

bool SmtpClient::waitForReadyConnected(int msec)
{
    if (clientState == UnconnectedState)
        return false;
    if (isReadyConnected)
        return true;
    waitForEvent(msec, SIGNAL(readyConnected()));
    return isReadyConnected;
}

bool SmtpClient::waitForAuthenticated(int msec)
{
    if (!isReadyConnected)
        return false;
    if (isAuthenticated)
        return true;
    waitForEvent(msec, SIGNAL(authenticated()));
    return isAuthenticated;
}

bool SmtpClient::waitForMailSent(int msec)
{
    if (!isReadyConnected)
        return false;
    if (isMailSent)
        return true;
    waitForEvent(msec, SIGNAL(mailSent()));
    return isMailSent;
}

bool SmtpClient::waitForReset(int msec)
{
    if (!isReadyConnected)
        return false;
    if (isReset)
        return true;
    waitForEvent(msec, SIGNAL(mailReset()));
    return isReset;
}

bool SmtpClient::waitForDisconnected(int msec)
{
    if (!isReadyConnected)
        return false;
    waitForEvent(msec, SIGNAL(disconnected()));
    return !isReadyConnected;
}

void SmtpClient::sendMessage(const QString& text)
{
    socket->write(text.toUtf8() + "\r\n");
    socket->flush();
}

void SmtpClient::changeState(ClientState s)
{
    clientState = s;
    if (s <= DisconnectingState)
        emit stateChanged(s);

    switch (s) {
    case UnconnectedState:
        isReadyConnected = false;
        isAuthenticated = false;
        emit disconnected();
        break;
    case ConnectingState:
        if (connectionType == SslConnection)
            static_cast<QSslSocket*>(socket)->connectToHostEncrypted(host, static_cast<quint16>(port),
                                                                    QIODevice::ReadWrite,
                                                                    QAbstractSocket::AnyIPProtocol);
        else
            socket->connectToHost(host, static_cast<quint16>(port), QIODevice::ReadWrite,
                                  QAbstractSocket::AnyIPProtocol);
        break;
    case ConnectedState:
    case ReadyState:
        break;
    case AuthenticatingState:
        isAuthenticated = false;
        changeState(authMethod == AuthLogin ? _AUTH_LOGIN_0 : _AUTH_PLAIN_0);
        break;
    case MailSendingState:
        isMailSent = false;
        changeState(_MAIL_0_FROM);
        break;
    case DisconnectingState:
        socket->disconnectFromHost();
        isReadyConnected = false;
        break;
    case ResetState:
        sendMessage(QStringLiteral("RSET"));
        break;
    case _EHLO_State:
    case _TLS_2_EHLO:
        sendMessage(QStringLiteral("EHLO ") + name);
        break;
    case _TLS_State:
        changeState(_TLS_0_STARTTLS);
        break;
    case _READY_Connected:
        isReadyConnected = true;
        changeState(ReadyState);
        emit readyConnected();
        break;
    case _READY_Authenticated:
        isAuthenticated = true;
        user.clear();
        password.clear();
        authMethod = AuthPlain;
        changeState(ReadyState);
        emit authenticated();
        break;
    case _READY_MailSent:
        isMailSent = true;
        changeState(ReadyState);
        emit mailSent();
        break;
    case _READY_Encrypted:
        changeState(_READY_Connected);
        break;
    case _QUITTING_State:
        sendMessage(QStringLiteral("QUIT"));
        break;
    case _TLS_0_STARTTLS:
        sendMessage(QStringLiteral("STARTTLS"));
        break;
    case _TLS_1_ENCRYPT:
        // Whatever came after the go-ahead was sent in clear text before the
        // handshake; reading it as part of the encrypted dialogue would let a
        // man in the middle inject replies.
        socket->readAll();
        lineBuffer.clear();
        replyBuffer.clear();
        replyCode = -1;
        static_cast<QSslSocket*>(socket)->startClientEncryption();
        break;
    case _AUTH_PLAIN_0: {
        QByteArray credentials;
        credentials.append('\0');
        credentials.append(user.toUtf8());
        credentials.append('\0');
        credentials.append(password.toUtf8());
        sendMessage(QStringLiteral("AUTH PLAIN ") + QString::fromLatin1(credentials.toBase64()));
        break;
    }
    case _AUTH_LOGIN_0:
        sendMessage(QStringLiteral("AUTH LOGIN"));
        break;
    case _AUTH_LOGIN_1_USER:
        sendMessage(QString::fromLatin1(user.toUtf8().toBase64()));
        break;
    case _AUTH_LOGIN_2_PASS:
        sendMessage(QString::fromLatin1(password.toUtf8().toBase64()));
        break;
    case _MAIL_0_FROM:
        sendMessage(QStringLiteral("MAIL FROM:<") + email->getSender().getAddress() + QLatin1Char('>'));
        break;
    case _MAIL_1_RCPT_INIT:
        ++rcptType;
        if (rcptType >= 1 && rcptType <= 3) {
            rcptIndex = 0;
            changeState(_MAIL_2_RCPT);
        } else {
            changeState(_MAIL_3_DATA);
        }
        break;
    case _MAIL_2_RCPT: {
        const MimeMessage::RecipientType type = rcptType == 1 ? MimeMessage::ToRecipient
            : rcptType == 2                                   ? MimeMessage::CcRecipient
                                                              : MimeMessage::BccRecipient;
        const QList<EmailAddress>& list = email->getRecipients(type);
        if (rcptIndex >= list.size()) {
            changeState(_MAIL_1_RCPT_INIT);
        } else {
            sendMessage(QStringLiteral("RCPT TO:<") + list.at(rcptIndex).getAddress() + QLatin1Char('>'));
            ++rcptIndex;
        }
        break;
    }
    case _MAIL_3_DATA:
        sendMessage(QStringLiteral("DATA"));
        break;
    case _MAIL_4_SEND_DATA:
        if (!prepareData()) {
            emit error(ClientError);
            break;
        }
        pumpData();
        break;
    }
}

bool SmtpClient::prepareData()
{
    delete dataFile;
    dataFile = new QTemporaryFile(this);
    if (!dataFile->open())
        return false;
    email->writeToDevice(*dataFile);
    if (!dataFile->flush())
        return false;
    dataTotal = dataFile->size();
    dataSent = 0;
    dataFile->seek(0);
    dataAtLineStart = true;
    dataPendingCR = false;
    dataDone = false;
    return true;
}

void SmtpClient::pumpData()
{
    while (!dataDone && socket->bytesToWrite() < sendWindow) {
        const QByteArray chunk = dataFile->read(readPiece);
        QByteArray out;
        out.reserve(chunk.size() + chunk.size() / 32 + 8);
        // Every line ends in CR LF on the wire and a line starting with a
        // period gets a second one, so no text of the message can end DATA.
        for (const char c : chunk) {
            if (dataPendingCR) {
                dataPendingCR = false;
                out += "\r\n";
                dataAtLineStart = true;
                if (c == '\n')
                    continue;
            }
            if (c == '\r') {
                dataPendingCR = true;
                continue;
            }
            if (c == '\n') {
                out += "\r\n";
                dataAtLineStart = true;
                continue;
            }
            if (dataAtLineStart && c == '.')
                out += '.';
            out += c;
            dataAtLineStart = false;
        }
        dataSent += chunk.size();
        if (dataFile->atEnd() || chunk.isEmpty()) {
            if (dataPendingCR) {
                out += "\r\n";
                dataAtLineStart = true;
            }
            if (!dataAtLineStart)
                out += "\r\n";
            out += ".\r\n";
            dataDone = true;
            delete dataFile;
            dataFile = nullptr;
        }
        socket->write(out);
    }
}

void SmtpClient::socketBytesWritten(qint64)
{
    if (clientState != _MAIL_4_SEND_DATA)
        return;
    emit sendingProgress(dataSent, dataTotal);
    if (!dataDone && dataFile)
        pumpData();
}

void SmtpClient::socketStateChanged(QAbstractSocket::SocketState state)
{
    if (state == QAbstractSocket::UnconnectedState)
        changeState(UnconnectedState);
    else if (state == QAbstractSocket::ConnectedState)
        changeState(ConnectedState);
}

void SmtpClient::socketError(QAbstractSocket::SocketError)
{
    emit error(SocketError);
}

void SmtpClient::socketEncrypted()
{
    if (clientState == _TLS_1_ENCRYPT)
        changeState(_TLS_2_EHLO);
}

void SmtpClient::socketReadyRead()
{
    if (!socket->isOpen()) {
        emit error(SocketError);
        return;
    }
    while (socket->canReadLine()) {
        const QByteArray raw = socket->readLine(maxReplyBytes);
        QByteArray body = raw;
        while (body.endsWith('\n') || body.endsWith('\r'))
            body.chop(1);
        const QString line = QString::fromUtf8(raw);
        // A reply line is three digits and then a blank, a hyphen or its end;
        // continuation lines carry the code of their reply.
        bool ok = body.size() >= 3 && std::isdigit(static_cast<unsigned char>(body.at(0)))
            && std::isdigit(static_cast<unsigned char>(body.at(1)))
            && std::isdigit(static_cast<unsigned char>(body.at(2)))
            && (body.size() == 3 || body.at(3) == ' ' || body.at(3) == '-');
        const int code = ok ? body.left(3).toInt() : 0;
        if (ok && replyCode >= 0 && code != replyCode)
            ok = false;
        replyBuffer += line;
        if (ok && body.size() > 3 && body.at(3) == '-') {
            replyCode = code;
            if (replyBuffer.size() > maxReplyBytes) {
                replyBuffer.clear();
                replyCode = -1;
                emit error(ServerError);
                return;
            }
            continue;
        }
        responseText = replyBuffer;
        responseCode = ok ? code : 0;
        replyBuffer.clear();
        replyCode = -1;
        const ClientState before = clientState;
        if (responseCode >= 400 && responseCode <= 499)
            emit error(ServerError);
        else if (responseCode >= 500 && responseCode <= 599)
            emit error(ClientError);
        else
            processResponse();
        // The owner may have dropped this client, or the handshake began.
        if (before == _TLS_0_STARTTLS || clientState == _TLS_1_ENCRYPT || signalsBlocked())
            return;
    }
    if (socket->bytesAvailable() > maxReplyBytes) {
        socket->readAll();
        emit error(ServerError);
    }
}

void SmtpClient::processResponse()
{
    auto expect = [this](int code, ClientState next, SmtpError otherwise) {
        if (responseCode == code)
            changeState(next);
        else
            emit error(otherwise);
    };
    switch (clientState) {
    case ConnectedState:
        expect(220, _EHLO_State, ServerError);
        break;
    case _EHLO_State:
        expect(250, connectionType == TlsConnection ? _TLS_State : _READY_Connected, ServerError);
        break;
    case _TLS_0_STARTTLS:
        expect(220, _TLS_1_ENCRYPT, ServerError);
        break;
    case _TLS_2_EHLO:
        expect(250, _READY_Encrypted, ServerError);
        break;
    case _AUTH_PLAIN_0:
        expect(235, _READY_Authenticated, AuthenticationError);
        break;
    case _AUTH_LOGIN_0:
        expect(334, _AUTH_LOGIN_1_USER, AuthenticationError);
        break;
    case _AUTH_LOGIN_1_USER:
        expect(334, _AUTH_LOGIN_2_PASS, AuthenticationError);
        break;
    case _AUTH_LOGIN_2_PASS:
        expect(235, _READY_Authenticated, AuthenticationError);
        break;
    case _MAIL_0_FROM:
        expect(250, _MAIL_1_RCPT_INIT, MailSendingError);
        break;
    case _MAIL_2_RCPT:
        // 251: the server forwards the mail; accepted as well.
        if (responseCode == 251)
            changeState(_MAIL_2_RCPT);
        else
            expect(250, _MAIL_2_RCPT, MailSendingError);
        break;
    case _MAIL_3_DATA:
        expect(354, _MAIL_4_SEND_DATA, MailSendingError);
        break;
    case _MAIL_4_SEND_DATA:
        if (!dataDone) {
            // A reply before the end of the data is the server giving up.
            emit error(MailSendingError);
            break;
        }
        expect(250, _READY_MailSent, MailSendingError);
        break;
    case ResetState:
        if (responseCode == 250) {
            isReset = true;
            emit mailReset();
            changeState(ReadyState);
        } else {
            emit error(ServerError);
        }
        break;
    case _QUITTING_State:
        expect(221, DisconnectingState, ClientError);
        break;
    default:
        break;
    }
}
