#include "OBDAnalyzer.h"

#include "ObdServiceNames.h"
#include "RunThread.h"
#include "UDSChannel.h"
#include "UDSChannelModel.h"
#include "UDSSetupWidget.h"
#include "WizardButton.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString serviceName(int code)
{
    return _serviceStrings.value(code, QStringLiteral("unknown"));
}

bool isExtendedPhysicalRequest(int id)
{
    return (id & 0xFFFF00FF) == 0x18DA00F1;
}

} // namespace

OBDAnalyzer::OBDAnalyzer(QWidget* parent, int canChannel)
    : QDialog(parent)
{
    refreshTimer = new QTimer(this);
    logFile = new QFile(this);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss"));
    logFile->setFileName(QDir::homePath() + QStringLiteral("/.zembo/log/CAN_OBD_Analyze_") + stamp
                         + QStringLiteral(".txt"));
    logFile->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    logStream.setDevice(logFile);
    if (logFile->isOpen())
        logStream << "CAN OBD Analyzer log start " << stamp << "\n";
    this->canChannel = canChannel;

    auto* layout = new QVBoxLayout(this);
    trafficView = new QPlainTextEdit(this);
    trafficView->setReadOnly(true);
    layout->addWidget(trafficView);
    layout->addWidget(new QLabel(tr("Detected service 22 data"), this));
    servicesView = new QPlainTextEdit(this);
    servicesView->setReadOnly(true);
    layout->addWidget(servicesView);
    auto* clearButton = new QPushButton(tr("Clear"), this);
    connect(clearButton, &QPushButton::clicked, this, &OBDAnalyzer::slot_clear);
    layout->addWidget(clearButton);
    generateButton = new QPushButton(tr("Generate UDS channels"), this);
    connect(generateButton, &QPushButton::clicked, this, &OBDAnalyzer::slot_generateUDSChannels);
    generateButton->setEnabled(false);
    layout->addWidget(generateButton);

    refreshTimer->setInterval(refreshMs);
    refreshTimer->setSingleShot(true);
    connect(refreshTimer, &QTimer::timeout, this, &OBDAnalyzer::slot_refreshDisplay);
    if (theRunThread)
        connect(theRunThread, &RunThread::signal_newCanFrameBatch, this, &OBDAnalyzer::slot_newCanFrameBatch);
    setWindowTitle(tr("OBD / UDS Analyzer"));
    resize(800, 600);
}

OBDAnalyzer::~OBDAnalyzer()
{
    logStream.flush();
    logFile->close();
}

void OBDAnalyzer::registerOpener()
{
    WizardButton::registerOpener(SettingWizardId_obdUdsAnalyzer, [](WizardButton& button) {
        auto* analyzer = new OBDAnalyzer(&button, button.index);
        analyzer->show();
        DialogAnswerer::exec(analyzer);
        delete analyzer;
    });
}

void OBDAnalyzer::slot_newCanFrameBatch(QList<canFrame_t> canFrameBatch)
{
    for (const canFrame_t& frame : std::as_const(canFrameBatch))
        processFrame(frame);
}

void OBDAnalyzer::processFrame(const canFrame_t& frame)
{
    if (int(frame.canChannelAndId >> 31) != canChannel)
        return;
    const int id = int(frame.canChannelAndId & 0x1FFFFFFF);
    unsigned char data[8];
    for (int i = 0; i < 8; ++i)
        data[i] = (unsigned char)(frame.canData >> (56 - 8 * i));
    findService22(id, data);

    QString hex;
    for (unsigned char byte : data)
        hex += hex2(byte) + QLatin1Char(' ');
    const QString shortId = hex2(id);
    const QString longId = QStringLiteral("%1").arg(id, 8, 16, QLatin1Char('0')).toUpper();
    QString entry;
    bool request = false;
    if (id == 0x7DF) {
        entry = QStringLiteral("\nBroadcast request ") + shortId + QLatin1Char(' ') + hex
                + QStringLiteral("\nECU ID: Broadcast");
        request = true;
    } else if (id >= 0x7E0 && id <= 0x7E7) {
        entry = QStringLiteral("\nRequest ") + shortId + QLatin1Char(' ') + hex + QStringLiteral("\nECU ID: ")
                + QString::number(id - 0x7E0);
        request = true;
    } else if (id >= 0x7E8 && id <= 0x7EF) {
        entry = QStringLiteral("\nResponse ") + shortId + QLatin1Char(' ') + hex + QStringLiteral("\nECU ID: ")
                + QString::number(id - 0x7E8);
    } else if (id == 0x18DB33F1) {
        entry = QStringLiteral("\nBroadcast request ") + longId + QLatin1Char(' ') + hex
                + QStringLiteral("\nECU ID: Broadcast");
        request = true;
    } else if (isExtendedPhysicalRequest(id)) {
        entry = QStringLiteral("\nRequest ") + longId + QLatin1Char(' ') + hex + QStringLiteral("\nECU ID: ")
                + QString::number((id >> 8) & 0xFF);
        request = true;
    } else if ((id & 0x1FFFFF00) == 0x18DAF100) {
        entry = QStringLiteral("\nResponse ") + longId + QLatin1Char(' ') + hex + QStringLiteral("\nECU ID: ")
                + QString::number(id & 0xFF);
    } else {
        return;
    }

    ISOTPAssembler& assembler = trafficAssemblers[id];
    if (assembler.addData(data)) {
        const QByteArray m = assembler.buffer;
        const int len = int(m.size());
        auto at = [&m](int i) { return int(quint8(m.at(i))); };
        if (len > 0 && request) {
            entry += QStringLiteral("\nService: ") + hex2(at(0)) + QLatin1Char(' ') + serviceName(at(0));
            if (len > 1 && at(0) == 0x01)
                entry += QStringLiteral("\nPID: ") + hex2(at(1));
            else if (len > 2 && at(0) == 0x22)
                entry += QStringLiteral("\nPID: ") + QStringLiteral("%1").arg(at(1) * 256 + at(2), 4, 16, QLatin1Char('0')).toUpper();
        } else if (len > 0 && at(0) == 0x7F) {
            entry += QStringLiteral("\nNegative response");
            if (len > 2) {
                entry += QStringLiteral("\nRejected service: ") + serviceName(at(1));
                entry += QStringLiteral("\nReason: ") + _negativeResponseStrings.value(at(2), QStringLiteral("unknown"));
            }
        } else if (len > 0) {
            const int s = at(0) - 0x40;
            // A first byte below 0x40 is no positive response; its number is
            // shown as the byte itself rather than as a negative difference.
            entry += QStringLiteral("\nService: ") + hex2(s < 0 ? at(0) : s) + QLatin1Char(' ') + serviceName(s);
            int first = -1;
            if (len > 1 && s == 0x01) {
                entry += QStringLiteral("\nPID: ") + hex2(at(1));
                first = 2;
            } else if (len > 2 && s == 0x22) {
                entry += QStringLiteral("\nPID: ") + QStringLiteral("%1").arg(at(1) * 256 + at(2), 4, 16, QLatin1Char('0')).toUpper();
                first = 3;
            }
            if (first >= 0) {
                entry += QStringLiteral("\nDATA: ");
                for (int i = first; i < len; ++i)
                    entry += hex2(at(i)) + QLatin1Char(' ');
            }
        }
    }
    if (!entry.isEmpty())
        addLine(entry);
}

void OBDAnalyzer::findService22(int id, const unsigned char* data)
{
    const bool extendedRequest = lastRequestId == 0x18DB33F1 || isExtendedPhysicalRequest(lastRequestId);
    const bool response = id == lastRequestId + 8 || (lastRequestId == 0x7DF && id >= 0x7E8 && id <= 0x7EF)
                          || (extendedRequest && (id & 0xFFFFFF00) == 0x18DAF100);
    if (!response) {
        if ((id >= 0x700 && id <= 0x7FF) || id == 0x18DB33F1 || isExtendedPhysicalRequest(id)) {
            lastRequestId = id;
            lastRequestData = QByteArray(reinterpret_cast<const char*>(data) + 2, 2);
        }
        return;
    }
    ISOTPAssembler& assembler = service22Assemblers[id];
    if (!assembler.addData(data))
        return;
    const QByteArray m = assembler.buffer;
    const int len = int(m.size());
    if (len <= 3 || lastRequestData.size() != 2 || quint8(m.at(0)) != 0x62 || m.at(1) != lastRequestData.at(0)
        || m.at(2) != lastRequestData.at(1))
        return;
    const QByteArray idHex = QByteArray::number(lastRequestId, 16).toUpper();
    const QByteArray command = QByteArray("22") + m.mid(1, 2).toHex().toUpper();
    const QByteArray key = idHex + ' ' + command;
    if (detectedServices.contains(key))
        return;
    Service22 record;
    record.header = idHex;
    record.command = command;
    for (int i = 3; i < len; ++i)
        record.data += m.mid(i, 1).toHex().toUpper() + ' ';
    record.dataLength = len - 3;
    detectedServices.insert(key, record);
    refreshServicesDisplay();
}

void OBDAnalyzer::addLine(const QString& line)
{
    lines.append(line);
    if (lines.size() > maxLines)
        lines.removeFirst();
    if (!refreshTimer->isActive())
        refreshTimer->start();
    if (logFile->isOpen())
        logStream << line << "\n";
}

void OBDAnalyzer::slot_refreshDisplay()
{
    QScrollBar* bar = trafficView->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    trafficView->setPlainText(lines.join(QLatin1Char('\n')));
    if (atEnd)
        bar->setValue(bar->maximum());
    // What was shown is on disk too, so a crash keeps the log up to the view.
    if (logFile->isOpen())
        logStream.flush();
}

void OBDAnalyzer::refreshServicesDisplay()
{
    generateButton->setEnabled(!detectedServices.isEmpty());
    QString text;
    for (auto it = detectedServices.cbegin(); it != detectedServices.cend(); ++it)
        text += QString::fromLatin1(it->header + ' ' + it->command + " : " + it->data) + QLatin1Char('\n');
    servicesView->setPlainText(text);
}

void OBDAnalyzer::slot_clear()
{
    lines.clear();
    slot_refreshDisplay();
    detectedServices.clear();
    refreshServicesDisplay();
}

void OBDAnalyzer::slot_generateUDSChannels()
{
    QInputDialog input(this);
    input.setWindowTitle(tr("Generate UDS Channels"));
    input.setLabelText(tr("Channel name prefix"));
    input.setTextValue(QString());
    if (DialogAnswerer::exec(&input) != QDialog::Accepted)
        return;
    const QString prefix = input.textValue();
    if (prefix.isEmpty())
        return;
    QComboBox* interfaceType = UDSSetupWidget::current ? UDSSetupWidget::current->comboBox_settings_obdInterfaceType : nullptr;
    const int savedIndex = interfaceType ? interfaceType->currentIndex() : 0;
    if (interfaceType)
        interfaceType->setCurrentIndex(0);
    const QString name = Tools::generateUniqueName(theUDSChannelModel.listInputNames(), prefix);
    QList<UDSChannel*> created;
    for (auto it = detectedServices.cbegin(); it != detectedServices.cend(); ++it) {
        auto* channel = new UDSChannel;
        channel->setChildName(name);
        channel->udsSetup.header = it->header;
        channel->udsSetup.command = it->command;
        QString equation = QStringLiteral("A");
        for (int i = 0; i <= it->dataLength - 2; ++i)
            equation = QStringLiteral("(%1*256+%2)").arg(equation, QString(QChar('B' + i)));
        channel->udsSetup.equation = equation;
        channel->updateAndCheckEquation(false);
        created.append(channel);
    }
    theUDSChannelModel.addChannels(created, false);
    if (interfaceType)
        interfaceType->setCurrentIndex(savedIndex);
    Tools::showInfo(tr("Channels generated"));
}
