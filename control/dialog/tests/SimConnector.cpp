#include "SimConnector.h"

#include "BrakeController.h"
#include "BrakeControllerThread.h"
#include "Channels.h"
#include "Fonts.h"
#include "MySettings.h"
#include "RunChannel.h"
#include "SafeSpinBox.h"
#include "TestModeContext.h"

#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QTimer>
#include <QUdpSocket>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

quint16 portFromEnvironment(const char* name)
{
    bool ok = false;
    const int port = qEnvironmentVariableIntValue(name, &ok);
    return ok && port > 0 && port < 65536 ? quint16(port) : quint16(9996);
}

RunChannel* liveChannel(ChannelId id)
{
    if (!theChannels.isInitialized() || theChannels.getChannels(id).isEmpty())
        return nullptr;
    return theChannels.getChannel(id, 0);
}

qint32 int32At(const QByteArray& data, int offset)
{
    return qFromLittleEndian<qint32>(data.constData() + offset);
}

float floatAt(const QByteArray& data, int offset)
{
    const quint32 bits = qFromLittleEndian<quint32>(data.constData() + offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

quint16 SimConnector::localPort()
{
    return portFromEnvironment("ZEMBO_SIMCONNECTOR_LOCAL_PORT");
}

quint16 SimConnector::remotePort()
{
    return portFromEnvironment("ZEMBO_SIMCONNECTOR_REMOTE_PORT");
}

QByteArray SimConnector::request(Operation operation)
{
    QByteArray data(12, '\0');
    qToLittleEndian<qint32>(qint32(operation), data.data() + 8);
    return data;
}

QString SimConnector::nameField(const QByteArray& datagram, int offset)
{
    QString text;
    for (int i = 0; i < 50 && offset + 2 * i + 1 < datagram.size(); ++i)
        text.append(QChar(qFromLittleEndian<quint16>(datagram.constData() + offset + 2 * i)));
    return text.section(QLatin1Char('%'), 0, 0);
}

SimConnector::CarUpdate SimConnector::parseUpdate(const QByteArray& datagram)
{
    CarUpdate update;
    if (datagram.size() != updateSize)
        return update;
    update.throttle = floatAt(datagram, 56);
    update.rpm = floatAt(datagram, 68);
    update.gear = int32At(datagram, 76);
    // A record with a field that is no number would steer the absorber into nonsense.
    update.valid = std::isfinite(update.throttle) && std::isfinite(update.rpm);
    return update;
}

double SimConnector::throttlePercent(double target, double actual, double gain, double throttle)
{
    // A stale engine speed would make even a zero gain NaN: the simulator's throttle alone then.
    const double correction = std::isfinite(actual) ? (target - actual) * gain : 0.0;
    const double percent = (correction + throttle) * 100.0;
    if (!std::isfinite(percent))
        return std::isfinite(throttle) ? std::clamp(throttle * 100.0, 0.0, 100.0) : 0.0;
    return std::clamp(percent, 0.0, 100.0);
}

SimConnector::SimConnector(QWidget* parent)
    : AbstractTestDialog(parent)
{
    panel = TestModeContext::current().getPanel();
    engineSpeedChannel = liveChannel(ChannelId_engineSpeed);
    gearChannel = liveChannel(ChannelId_gearTarget);
    socket = new QUdpSocket(this);
    const bool bound = socket->bind(QHostAddress::Any, localPort());
    connect(socket, &QUdpSocket::readyRead, this, &SimConnector::slot_newSocketData);

    auto* form = new QFormLayout(this);
    lineEdit_ip = new QLineEdit(this);
    lineEdit_ip->setObjectName(QStringLiteral("simConnector_ip"));
    lineEdit_ip->setInputMethodHints(Qt::ImhDigitsOnly);
    theSettings.connectLineEdit(lineEdit_ip);
    form->addRow(tr("Assetto Corsa IP Address:"), lineEdit_ip);
    pushButton_connect = new QPushButton(tr("Connect"), this);
    connect(pushButton_connect, &QPushButton::clicked, this, [this] { slot_connect(false); });
    form->addRow(pushButton_connect);
    spinBox_gain = new QDoubleSpinBox(this);
    spinBox_gain->setObjectName(QStringLiteral("simConnector_revMatching_gain"));
    spinBox_gain->setRange(0, 100);
    spinBox_gain->setDecimals(6);
    spinBox_gain->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    spinBox_gain->setToolTip(tr("Add throttle if actual engine speed is below target"));
    theSettings.connectDoubleSpinBox(spinBox_gain);
    form->addRow(tr("Rev matching gain"), spinBox_gain);
    spinBox_throttleOnTimeout = new QDoubleSpinBox(this);
    spinBox_throttleOnTimeout->setObjectName(QStringLiteral("simConnector_throttleOnTimeout"));
    spinBox_throttleOnTimeout->setRange(0, 20);
    spinBox_throttleOnTimeout->setDecimals(1);
    spinBox_throttleOnTimeout->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    theSettings.connectDoubleSpinBox(spinBox_throttleOnTimeout);
    form->addRow(tr("Throttle on timeout [%]"), spinBox_throttleOnTimeout);
    label_status = new QLabel(this);
    label_status->setAlignment(Qt::AlignCenter);
    QFont big = theFonts.normalFont;
    big.setPointSize(20);
    label_status->setFont(big);
    label_status->setFrameStyle(QFrame::Box | QFrame::Plain);
    label_status->setLineWidth(2);
    form->addRow(label_status);
    label_info = new QLabel(this);
    label_info->setFrameStyle(QFrame::Box | QFrame::Plain);
    form->addRow(label_info);

    responseTimer = new QTimer(this);
    responseTimer->setSingleShot(true);
    responseTimer->setInterval(5000);
    connect(responseTimer, &QTimer::timeout, this, &SimConnector::slot_responseTimeout);

    if (bound) {
        slot_connect(true);
    } else {
        label_status->setText(tr("Error"));
        label_info->setText(tr("UDP port %1: %2").arg(localPort()).arg(socket->errorString()));
    }
    if (panel) {
        panel->setChannel(BrakeControllerChannel_engineSpeed);
        panel->setMode(BrakeControllerMode_speed);
    }
    setWindowTitle(tr("Sim Connector"));
    resize(300, height());
}

SimConnector::~SimConnector()
{
    const QHostAddress address(lineEdit_ip->text().trimmed());
    if (!address.isNull())
        socket->writeDatagram(request(Operation_dismiss), address, remotePort());
}

void SimConnector::send(Operation operation)
{
    if (socket->writeDatagram(request(operation), peer, remotePort()) < 0)
        qDebug() << "Sim connector: request" << int(operation) << "not sent:" << socket->errorString();
}

void SimConnector::slot_connect(bool quiet)
{
    const QHostAddress address(lineEdit_ip->text().trimmed());
    if (address.isNull()) {
        if (!quiet)
            label_status->setText(tr("Invalid IP address"));
        return;
    }
    if (socket->state() != QAbstractSocket::BoundState)
        return;
    peer = address;
    label_status->setText(tr("Connecting"));
    state = State_handshakeSent;
    send(Operation_handshake);
    responseTimer->start();
}

void SimConnector::slot_newSocketData()
{
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        if (state == State_notConnected)
            continue;
        // Only the simulator we asked may steer the engine.
        QHostAddress sender = datagram.senderAddress();
        bool sameAddress = sender.isEqual(peer, QHostAddress::TolerantConversion);
        if (!sameAddress || datagram.senderPort() != int(remotePort()))
            continue;
        handleDatagram(datagram.data());
    }
}

void SimConnector::handleDatagram(const QByteArray& data)
{
    if (state == State_handshakeSent) {
        if (data.size() != handshakeSize) {
            label_status->setText(tr("Error"));
            label_info->setText(tr("Invalid response size %1 %2").arg(data.size()).arg(handshakeSize));
            return;
        }
        label_status->setText(tr("Connected"));
        label_info->setText(tr("Car name: ") + nameField(data, 0) + tr("\nDriver name: ") + nameField(data, 100)
                            + tr("\nTrack name: ") + nameField(data, 208) + tr("\nTrack config: ")
                            + nameField(data, 308));
        if (int32At(data, 200) != 4242)
            qDebug() << Q_FUNC_INFO << "Identifier error" << int32At(data, 200);
        if (int32At(data, 204) != 1)
            qDebug() << Q_FUNC_INFO << "Version error" << int32At(data, 204);
        state = State_subscribed;
        send(Operation_subscribe);
        responseTimer->start();
        return;
    }
    if (data.size() != updateSize) {
        label_status->setText(tr("Error"));
        label_info->setText(tr("Invalid response size %1 %2").arg(data.size()).arg(updateSize));
        return;
    }
    const CarUpdate update = parseUpdate(data);
    if (!update.valid)
        return;
    responseTimer->start();
    if (data.at(0) != 'a')
        qDebug() << Q_FUNC_INFO << "Identifier error";
    if (int32At(data, 4) != updateSize)
        qDebug() << Q_FUNC_INFO << "Unknown data size" << int32At(data, 4);
    if (label_status->text() != tr("Connected")) {
        label_status->setText(tr("Connected"));
    }
    double target = update.rpm * 2.0 * M_PI / 60.0;
    if (panel && panel->spinBox_minEngineSpeed)
        target = std::max(target, panel->spinBox_minEngineSpeed->getValueSI());
    const double actual =
        engineSpeedChannel ? engineSpeedChannel->getValue() : std::numeric_limits<double>::quiet_NaN();
    if (theBrakeControllerThread)
        theBrakeControllerThread->externalEngineSpeedTarget.store(float(target));
    setThrottle(throttlePercent(target, actual, spinBox_gain->value(), update.throttle));
    if (gearChannel)
        gearChannel->setData(update.gear, QDateTime::currentMSecsSinceEpoch());
}

void SimConnector::setThrottle(double percent)
{
    const TestModeContext& context = TestModeContext::current();
    if (context.setThrottle)
        context.setThrottle(percent);
}

void SimConnector::slot_responseTimeout()
{
    setThrottle(spinBox_throttleOnTimeout->value());
    label_status->setText(tr("Timeout"));
    label_info->setText(tr("Timeout"));
}
