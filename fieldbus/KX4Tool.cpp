#include "KX4Tool.h"

#include "McuThread.h"
#include "MySettings.h"
#include "RunThread.h"
#include "lib/Tools.h"

#include <QDebug>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMutexLocker>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <cmath>
#include <new>

static void initKx4Resource()
{
    Q_INIT_RESOURCE(firmware_kx4);
}

namespace {

KX4Tool::Sender& frameSender()
{
    static KX4Tool::Sender s;
    return s;
}

std::function<void()>& frameCommitter()
{
    static std::function<void()> c;
    return c;
}

std::atomic<double> g_pauseScale{1.0};

QString& imagePath()
{
    static QString path = QStringLiteral(":/firmware-KX4/current");
    return path;
}

// The module's pauses, in microseconds: it needs them to write flash and settings.
constexpr qint64 settingPauseUs = 51000;
constexpr qint64 pageStartPauseUs = 50000;
constexpr qint64 dataGroupPauseUs = 4160;
constexpr qint64 pageEndPauseUs = 51000;
constexpr qint64 enterUpdatePauseUs = 1000000;
constexpr qint64 updateEndPauseUs = 2000000;
constexpr qint64 canTestPauseUs = 500;
constexpr int canTestFrames = 10000;

} // namespace

// ---------------------------------------------------------------- the frame

uint32_t KX4ConfigurationCanFrame::value() const
{
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | uint32_t(bytes[3]);
}

void KX4ConfigurationCanFrame::setValue(uint32_t value)
{
    bytes[0] = uint8_t(value >> 24);
    bytes[1] = uint8_t(value >> 16);
    bytes[2] = uint8_t(value >> 8);
    bytes[3] = uint8_t(value);
}

uint8_t KX4ConfigurationCanFrame::computeCrc() const
{
    return Tools::crc8(bytes.data(), 6);
}

// ------------------------------------------------------------- static hooks

void KX4Tool::setSender(Sender s)
{
    frameSender() = std::move(s);
}

void KX4Tool::setCommitter(std::function<void()> c)
{
    frameCommitter() = std::move(c);
}

void KX4Tool::setPauseScale(double scale)
{
    g_pauseScale = scale;
}

void KX4Tool::setImagePath(const QString& path)
{
    imagePath() = path;
}

// ---------------------------------------------------------- construction

KX4Tool::KX4Tool(QWidget* parent, int canBus) : QDialog(parent), bus(canBus & 1)
{
    initKx4Resource();
    image.setFileName(imagePath());
    if (image.open(QIODevice::ReadOnly))
        header = image.read(headerSize);
    if (header.size() < headerSize) {
        qDebug() << "Error reading current firmware header";
        header.clear();
    } else {
        imageVersion = QString::fromLatin1(header.constData(), int(qstrnlen(header.constData(), 128)));
        const auto* h = reinterpret_cast<const uint8_t*>(header.constData());
        pageSize = int(h[128]) | (int(h[129]) << 8);
        pageCount = int(h[130]) | (int(h[131]) << 8);
    }
    try {
        pageBuffer.reset(new uint8_t[size_t(std::max(pageSize, 1))]);
    } catch (const std::bad_alloc& e) {
        qDebug() << "firmware updater page allocation bad_alloc caught:" << e.what();
    }

    setWindowTitle(tr("KX4 Tool (CAN %1)").arg(bus + 1));
    resize(900, 700);

    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* help = new QLabel(
        tr("KX4 communication uses IDs 0x160 - 0x16a and 500kbps speed.") + QLatin1Char('\n')
            + tr("You should have only KX4 connected to CAN during configuration process.") + QLatin1Char('\n')
            + tr("Other devices should be disconnected.") + QLatin1Char('\n')
            + tr("0x160 ZR5 -> KX4 configuration frame") + QLatin1Char('\n')
            + tr("0x161 KX4 -> ZR5 configuration response") + QLatin1Char('\n') + tr("0x163 - 0x16a KX4 status frames")
            + QLatin1Char('\n')
            + tr("[current 10mA/5mA / bit][switch count / 10ms][temperature 0.1°C/bit][reserved]"),
        this);
    left->addWidget(help);
    left->addWidget(new QLabel(tr("Detected KX4 devices:"), this));
    deviceList = new QListWidget(this);
    left->addWidget(deviceList);
    layout->addLayout(left);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    scanButton = new QPushButton(tr("Scan for KX4 devices"), this);
    form->addRow(scanButton);
    assignButton = new QPushButton(tr("Assign selected KX4 to channel"), this);
    channelBox = new QSpinBox(this);
    channelBox->setRange(1, 8);
    form->addRow(assignButton, channelBox);
    currentRangeButton = new QPushButton(tr("Set current range [%]"), this);
    currentRangeBox = new QDoubleSpinBox(this);
    currentRangeBox->setRange(0, 100);
    currentRangeBox->setDecimals(0);
    currentRangeBox->setValue(100);
    form->addRow(currentRangeButton, currentRangeBox);
    fanButton = new QPushButton(tr("Test fan"), this);
    form->addRow(fanButton);
    outputButton = new QPushButton(tr("Test output"), this);
    outputButton->setToolTip(tr("Command the KX4 to output 5%DC 1000Hz PWM signal for 1.5s"));
    form->addRow(outputButton);
    upgradeButton = new QPushButton(tr("Upgrade firmware"), this);
    upgradeButton->setEnabled(false);
    form->addRow(upgradeButton);
    logPane = new QTextEdit(this);
    logPane->setReadOnly(true);
    form->addRow(logPane);
    layout->addLayout(form);

    responseTimer = new QTimer(this);
    responseTimer->setSingleShot(true);
    responseTimer->setInterval(1000);
    connect(responseTimer, &QTimer::timeout, this, &KX4Tool::slot_responseTimeout);
    selectionTimer = new QTimer(this);
    selectionTimer->setSingleShot(true);
    selectionTimer->setInterval(1000);
    connect(selectionTimer, &QTimer::timeout, this, &KX4Tool::slot_newDeviceSelection);
    stepTimer = new QTimer(this);
    stepTimer->setSingleShot(true);
    stepTimer->setTimerType(Qt::PreciseTimer);
    connect(stepTimer, &QTimer::timeout, this, &KX4Tool::runSteps);
    stepClock.start();

    connect(scanButton, &QPushButton::clicked, this, &KX4Tool::slot_scanForDevices);
    connect(assignButton, &QPushButton::clicked, this, &KX4Tool::slot_assignToChannel);
    connect(currentRangeButton, &QPushButton::clicked, this, &KX4Tool::slot_setCurrentRange);
    connect(fanButton, &QPushButton::clicked, this, &KX4Tool::slot_testFan);
    connect(outputButton, &QPushButton::clicked, this, &KX4Tool::slot_testPWM);
    connect(upgradeButton, &QPushButton::clicked, this, &KX4Tool::slot_upgradeFirmware);
    connect(deviceList, &QListWidget::itemSelectionChanged, selectionTimer, qOverload<>(&QTimer::start));
    if (theRunThread)
        connect(theRunThread, &RunThread::signal_newCanFrameBatch, this, &KX4Tool::slot_newCanFrameBatch,
                Qt::QueuedConnection);

    scanButton->click();
    show();
}

KX4Tool::~KX4Tool()
{
    image.close();
}

// ------------------------------------------------------------- frame sending

void KX4Tool::sendFrame(const KX4ConfigurationCanFrame& frame)
{
    if (frameSender())
        frameSender()(uint8_t(bus), hostIdentifier, frame.bytes.data());
    else if (theMCUThread)
        theMCUThread->sendCanData(uint8_t(bus), hostIdentifier, frame.bytes.data());
}

void KX4Tool::writeConfigurationFrame(KX4ConfigurationCanFrame& frame)
{
    frame.bytes[7] = frame.computeCrc();
    sendFrame(frame);
}

void KX4Tool::writeReg(KX4Register command)
{
    writeReg(command, 0);
}

void KX4Tool::writeReg(KX4Register command, uint32_t value)
{
    KX4ConfigurationCanFrame frame;
    frame.setValue(value);
    frame.bytes[4] = uint8_t(command);
    writeConfigurationFrame(frame);
}

void KX4Tool::writeRegRaw(KX4Register command, uint32_t value)
{
    KX4ConfigurationCanFrame frame;
    frame.bytes[0] = uint8_t(value);
    frame.bytes[1] = uint8_t(value >> 8);
    frame.bytes[2] = uint8_t(value >> 16);
    frame.bytes[3] = uint8_t(value >> 24);
    frame.bytes[4] = uint8_t(command);
    writeConfigurationFrame(frame);
}

void KX4Tool::writeSetting(KX4Setting id, uint32_t value)
{
    KX4ConfigurationCanFrame frame;
    frame.setValue(value);
    frame.bytes[4] = uint8_t(KX4Register::writeSetting);
    frame.bytes[5] = uint8_t(id);
    writeConfigurationFrame(frame);
}

void KX4Tool::getSetting(KX4Setting id)
{
    KX4ConfigurationCanFrame frame;
    frame.bytes[4] = uint8_t(KX4Register::readSetting);
    frame.bytes[5] = uint8_t(id);
    writeConfigurationFrame(frame);
}

void KX4Tool::commit()
{
    if (frameCommitter())
        frameCommitter()();
    else if (theMCUThread)
        QMetaObject::invokeMethod(theMCUThread, &McuThread::slot_commitWriteReg, Qt::QueuedConnection);
}

bool KX4Tool::sendTalkingToMessage()
{
    const QList<QListWidgetItem*> selected = deviceList->selectedItems();
    if (selected.isEmpty()) {
        newInfoToLog(tr("Select KX4 device first"));
        return true;
    }
    const QString text = selected.first()->text();
    bool ok = false;
    uint32_t serial = text.toUInt(&ok);
    if (!ok)
        serial = 0;
    writeReg(KX4Register::talkingTo, serial);
    newInfoToLog(tr("Talking to ") + text);
    return false;
}

void KX4Tool::checkFirmware()
{
    if (!sendTalkingToMessage())
        writeReg(KX4Register::firmwareText);
}

void KX4Tool::newInfoToLog(const QString& text)
{
    logPane->append(text);
    qDebug().noquote() << "KX4Tool" << text;
}

// ------------------------------------------------------------------- tones

uint32_t KX4Tool::toneWord(float frequencyHz, float durationS, float duty)
{
    if (durationS > 5.1f)
        durationS = 5.1f;
    const auto frequency = uint32_t(int64_t(frequencyHz * 10.0f)) & 0xFFFFu;
    const auto dutyByte = uint32_t(int64_t(duty * 255.0f)) & 0xFFu;
    const auto durationByte = uint32_t(int64_t(durationS * 50.0f)) & 0xFFu;
    return (frequency << 16) | (dutyByte << 8) | durationByte;
}

void KX4Tool::playNote(int deviceRow, float frequencyHz, float durationS, float duty)
{
    quint32 serial = 0;
    {
        QMutexLocker lock(&serialMutex);
        if (deviceRow < 0 || deviceRow >= serials.size())
            return;
        serial = serials.at(deviceRow);
    }
    writeReg(KX4Register::talkingTo, serial);
    if (duty < 0.0f || duty > 1.0f)
        return;
    writeReg(KX4Register::tone, toneWord(frequencyHz, durationS, duty));
}

QList<quint32> KX4Tool::serialNumbers() const
{
    QMutexLocker lock(&serialMutex);
    return serials;
}

void KX4Tool::refreshSerialNumbers()
{
    QList<quint32> list;
    for (int i = 0; i < deviceList->count(); ++i) {
        bool ok = false;
        const uint32_t serial = deviceList->item(i)->text().toUInt(&ok);
        list.append(ok ? serial : 0);
    }
    QMutexLocker lock(&serialMutex);
    serials = list;
}

// ---------------------------------------------------------- operator actions

void KX4Tool::slot_scanForDevices()
{
    deviceList->clear();
    refreshSerialNumbers();
    writeReg(KX4Register::scan);
}

void KX4Tool::slot_newDeviceSelection()
{
    if (deviceList->selectedItems().isEmpty() || sendTalkingToMessage())
        return;
    writeReg(KX4Register::firmwareText);
    getSetting(KX4Setting::outputChannel);
    getSetting(KX4Setting::currentRange);
}

void KX4Tool::slot_assignToChannel()
{
    if (busy() || sendTalkingToMessage())
        return;
    const uint32_t value = uint32_t(channelBox->value() - 1);
    writeSetting(KX4Setting::outputChannel, value);
    newInfoToLog(tr("Assign to channel ") + channelBox->text());
    commit();
    pause(settingPauseUs);
    then([this, value] {
        // The read carries the same value bytes as the write.
        KX4ConfigurationCanFrame frame;
        frame.setValue(value);
        frame.bytes[4] = uint8_t(KX4Register::readSetting);
        frame.bytes[5] = uint8_t(KX4Setting::outputChannel);
        writeConfigurationFrame(frame);
    });
    runSteps();
}

void KX4Tool::slot_setCurrentRange()
{
    if (busy() || sendTalkingToMessage())
        return;
    const auto value = uint32_t(currentRangeBox->value() / 100.0 * 4095.0);
    writeSetting(KX4Setting::currentRange, value);
    newInfoToLog(tr("Set current range ") + currentRangeBox->text() + QLatin1Char('%'));
    commit();
    pause(settingPauseUs);
    then([this] { getSetting(KX4Setting::currentRange); });
    runSteps();
}

void KX4Tool::slot_testFan()
{
    if (sendTalkingToMessage())
        return;
    writeReg(KX4Register::fanTest);
    newInfoToLog(tr("Turn ON fan for 1s"));
}

void KX4Tool::slot_testPWM()
{
    if (sendTalkingToMessage())
        return;
    // 10000 = 1000.0 Hz, duty 12/255, 75 × 20 ms = 1.5 s.
    writeReg(KX4Register::tone, 0x27100C4Bu);
    newInfoToLog(tr("Test output: PWM 5%DC, Frequency: 1000Hz, Duration: 1.5s"));
}

void KX4Tool::slot_testCAN()
{
    if (busy())
        return;
    sendTalkingToMessage();
    for (int i = 0; i < canTestFrames; ++i) {
        then([this, i] { writeReg(KX4Register::echo, uint32_t(i)); });
        pause(canTestPauseUs);
    }
    runSteps();
}

// ------------------------------------------------------------------ replies

void KX4Tool::slot_newCanFrameBatch(QList<canFrame_t> canFrameBatch)
{
    for (const canFrame_t& frame : canFrameBatch) {
        if (int(frame.canChannelAndId >> 31) != bus || (frame.canChannelAndId & 0x1FFFFFFFu) != moduleIdentifier)
            continue;
        // A sequence stands for one blocking exchange: replies that arrive
        // meanwhile are handled when it ends.
        if (busy() || !pendingFrames.isEmpty())
            pendingFrames.append(frame);
        else
            newCanFrame(frame);
    }
}

void KX4Tool::handlePendingFrames()
{
    while (!pendingFrames.isEmpty() && !busy())
        newCanFrame(pendingFrames.takeFirst());
}

void KX4Tool::newCanFrame(const canFrame_t& canFrame)
{
    KX4ConfigurationCanFrame frame;
    for (int i = 0; i < 8; ++i)
        frame.bytes[size_t(i)] = uint8_t(canFrame.canData >> (56 - 8 * i));
    if (!frame.crcValid())
        newInfoToLog(QStringLiteral("Invalid CRC in KX4 response"));
    const uint32_t value = frame.value();
    switch (frame.code()) {
    case 1:
        qDebug() << "KX4 ECHO" << value;
        break;
    case 3:
        for (int i = 0; i < 4; ++i) {
            const uint8_t byte = frame.bytes[size_t(i)];
            if (byte == 0) {
                const QString text = replyText;
                replyText.clear();
                if (!text.isEmpty())
                    checkDeviceInfo(text);
                break;
            }
            replyText.append(QChar(ushort(byte)));
        }
        break;
    case 6:
        firmwareCRC(value);
        break;
    case 7:
        firmwareFlashError(value);
        break;
    case 10:
        newInfoToLog(tr("KX4 serial number ") + QString::number(value));
        deviceList->addItem(QString::number(value));
        refreshSerialNumbers();
        deviceList->setCurrentRow(0);
        break;
    case 13:
        if (frame.bytes[5] == uint8_t(KX4Setting::outputChannel)) {
            newInfoToLog(tr("Assigned to channel") + QStringLiteral(" %1").arg(value + 1));
            channelBox->setValue(int(value + 1));
        } else if (frame.bytes[5] == uint8_t(KX4Setting::currentRange)) {
            const auto percent = qint64(std::round(double(value) * 100.0 / 4095.0));
            newInfoToLog(tr("Current range set to") + QStringLiteral(" %1%").arg(percent));
            currentRangeBox->setValue(double(percent));
        } else {
            newInfoToLog(QStringLiteral("Setting %1 value: %2").arg(frame.bytes[5]).arg(value));
        }
        break;
    case 14:
        qDebug() << "KX4 debug number" << value;
        break;
    default:
        break;
    }
}

void KX4Tool::checkDeviceInfo(const QString& text)
{
    if (text == imageVersion) {
        upgradeButton->setEnabled(false);
        return;
    }
    newInfoToLog(tr("Firmware in device: ") + text);
    newInfoToLog(tr("Available update: ") + imageVersion);
    upgradeButton->setEnabled(true);
}

// ---------------------------------------------------------- firmware update

void KX4Tool::slot_upgradeFirmware()
{
    if (busy())
        return;
    if (sendTalkingToMessage()) {
        newInfoToLog(QStringLiteral("Error activating device (talking to)"));
        return;
    }
    upgradeButton->setEnabled(false);
    newInfoToLog(tr("Starting firmware update"));
    image.seek(headerSize);
    writeReg(KX4Register::enterFirmwareUpdate);
    commit();
    pause(enterUpdatePauseUs);
    then([this] {
        sendTalkingToMessage();
        noError = true;
        updateIsActive = true;
        pageIndex = 0;
        setEnabled(false);
        sendPage();
    });
    runSteps();
}

void KX4Tool::sendPage()
{
    if (!updateIsActive)
        return;
    if (pageIndex >= pageCount) {
        updateEnd();
        return;
    }
    if (theSettings.developerMode) {
        // The first 32 pages (the loader's) stay as they are.
        while (pageIndex <= 31 && pageIndex < pageCount) {
            image.read(pageSize);
            image.read(1);
            ++pageIndex;
        }
        if (pageIndex >= pageCount) {
            updateEnd();
            return;
        }
    }
    if (!pageBuffer || image.read(reinterpret_cast<char*>(pageBuffer.get()), pageSize) != pageSize) {
        noError = false;
        qDebug() << "Error reading firmware file. Page" << pageIndex;
        updateEnd();
        return;
    }
    char check = 0;
    if (image.read(&check, 1) != 1) {
        noError = false;
        qDebug() << "Error reading firmware file. Page" << pageIndex << "checksum";
        updateEnd();
        return;
    }
    checkByte = uint8_t(check);
    sendFirmwarePage(uint32_t(pageIndex), uint32_t(pageSize), pageBuffer.get());
    then([this] { responseTimer->start(); });
    runSteps();
}

void KX4Tool::sendFirmwarePage(uint32_t index, uint32_t size, const uint8_t* data)
{
    if (size % 4 != 0) {
        qDebug() << "Invalid page size";
        return;
    }
    writeReg(KX4Register::firmwarePageStart, index);
    commit();
    pause(pageStartPauseUs);
    // The page is copied: the buffer is read again for the next page only
    // after this one is confirmed, but a copy keeps the steps self-contained.
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    for (uint32_t i = 0; i < size; i += 4) {
        if (i % 16 == 0) {
            then([this] { commit(); });
            pause(dataGroupPauseUs);
        }
        then([this, bytes, i] {
            KX4ConfigurationCanFrame frame;
            for (uint32_t k = 0; k < 4; ++k)
                frame.bytes[k] = uint8_t(bytes.at(int(i + k)));
            frame.bytes[4] = uint8_t(KX4Register::firmwareData);
            writeConfigurationFrame(frame);
        });
    }
    then([this] { commit(); });
    pause(pageEndPauseUs);
}

void KX4Tool::firmwareCRC(uint32_t value)
{
    responseTimer->stop();
    if (value == checkByte) {
        newInfoToLog(QString::asprintf("PAGE %d OF %d", pageIndex + 1, pageCount));
        ++pageIndex;
        sendPage();
        return;
    }
    newInfoToLog(QStringLiteral("Firmware checksum error. Page %1").arg(pageIndex));
    noError = false;
    updateEnd();
}

void KX4Tool::firmwareFlashError(uint32_t code)
{
    responseTimer->stop();
    noError = false;
    newInfoToLog(QStringLiteral("Firmware flash write error %1").arg(code));
    updateEnd();
}

void KX4Tool::slot_responseTimeout()
{
    newInfoToLog(QStringLiteral("Response timeout"));
    noError = false;
    updateEnd();
}

void KX4Tool::updateEnd()
{
    if (noError && pageCount != 0 && pageIndex == pageCount) {
        writeReg(KX4Register::firmwareUpdateEnd);
        newInfoToLog(tr("Firmware updated"));
        commit();
        pause(updateEndPauseUs);
        then([this] {
            updateIsActive = false;
            if (!sendTalkingToMessage())
                writeReg(KX4Register::firmwareText);
            setEnabled(true);
            emit signal_updateFinished(true);
        });
        runSteps();
        return;
    }
    newInfoToLog(QStringLiteral("Firmware update error"));
    updateIsActive = false;
    setEnabled(true);
    emit signal_updateFinished(false);
}

// ------------------------------------------------------------ step sequence

bool KX4Tool::busy() const
{
    return stepsRunning || !steps.isEmpty();
}

void KX4Tool::then(std::function<void()> action)
{
    steps.append(Step{std::move(action), 0});
}

void KX4Tool::pause(qint64 microseconds)
{
    steps.append(Step{nullptr, microseconds});
}

void KX4Tool::runSteps()
{
    // Steps that an action adds run from the loop already going.
    if (stepTimer->isActive() || inStepLoop)
        return;
    if (!stepsRunning) {
        stepsRunning = true;
        stepDueUs = stepClock.nsecsElapsed() / 1000;
    }
    inStepLoop = true;
    while (!steps.isEmpty()) {
        Step step = steps.takeFirst();
        if (step.action) {
            step.action();
            continue;
        }
        const auto scaled = qint64(double(step.pauseUs) * g_pauseScale.load());
        if (scaled <= 0)
            continue;
        // Anchored to the planned time, so the pauses add up as written.
        stepDueUs += scaled;
        const qint64 remainingUs = stepDueUs - stepClock.nsecsElapsed() / 1000;
        if (remainingUs > 0) {
            stepTimer->start(int((remainingUs + 999) / 1000));
            inStepLoop = false;
            return;
        }
    }
    inStepLoop = false;
    stepsRunning = false;
    handlePendingFrames();
}
