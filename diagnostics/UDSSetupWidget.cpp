#include "UDSSetupWidget.h"

#include "DTCDialog.h"
#include "LayoutLine.h"
#include "MyMenu.h"
#include "MySettings.h"
#include "ObdOptions.h"
#include "ObdThread.h"
#include "SerialCommLog.h"
#include "UDSChannelsManager.h"
#include "UsbObdInterface.h"
#include "UsbSerialObdInterface.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSpinBox>

namespace {

const QString kDeviceHint = QStringLiteral("Right-click to list available devices");

QStringList interfaceTypeLabels()
{
    if (theSettings.enumLabels.size() > 1 && theSettings.enumLabels.at(1))
        return *theSettings.enumLabels.at(1);
    return {QStringLiteral("-"), QStringLiteral("USB / Serial"), QStringLiteral("Bluetooth"),
            QStringLiteral("USB / UsbSerial")};
}

} // namespace

UDSSetupWidget* UDSSetupWidget::current = nullptr;

UDSSetupWidget::~UDSSetupWidget()
{
    if (current == this)
        current = nullptr;
}

UDSSetupWidget::UDSSetupWidget(QWidget* parent)
    : QTabWidget(parent)
{
    current = this;
    // No Bluetooth transport is built on this board, so the Bluetooth picker
    // has no device list behind it and offers no entries.
    auto* settingsPage = new QWidget(this);
    commLog = new SerialCommLog(this);
    addTab(settingsPage, tr("Settings"));
    channelsManager = new UDSChannelsManager(this);
    addTab(channelsManager, tr("Channels"));
    addTab(commLog, tr("Communication"));
    setObjectName(QStringLiteral("tabWidget_settings_obd"));
    theSettings.connectTabWidget(this);

    formLayout = new QFormLayout(settingsPage);
    formLayout->setLabelAlignment(Qt::AlignRight);

    checkBox_settings_obd_enable = new QCheckBox(settingsPage);
    checkBox_settings_obd_enable->setObjectName(QStringLiteral("checkBox_settings_obd_enable"));
    formLayout->addRow(tr("Enable OBD system"), checkBox_settings_obd_enable);

    comboBox_settings_obdInterfaceType = new QComboBox(settingsPage);
    comboBox_settings_obdInterfaceType->setObjectName(QStringLiteral("comboBox_settings_obdInterfaceType"));
    comboBox_settings_obdInterfaceType->addItems(interfaceTypeLabels());
    Tools::blockMouseWheelAdjustment(comboBox_settings_obdInterfaceType);
    formLayout->addRow(tr("OBD interface type"), comboBox_settings_obdInterfaceType);

    lineEdit_settings_obdSerialPort =
        addDeviceField(tr("USB / Serial interface port"), QStringLiteral("lineEdit_settings_obdSerialPort"));
    lineEdit_settings_obdSerialPort->setText(QStringLiteral("Right-click to list available ports"));
    lineEdit_settings_obdBluetoothName = addDeviceField(tr("Bluetooth interface (pair before use)"),
                                                        QStringLiteral("lineEdit_settings_obdBluetoothName"));
    lineEdit_settings_obdUsbSerialDevice =
        addDeviceField(tr("UsbSerial interface"), QStringLiteral("lineEdit_settings_obdUsbSerialDevice"));
    connect(lineEdit_settings_obdSerialPort, &QWidget::customContextMenuRequested, this,
            &UDSSetupWidget::slot_serialPort_customContextMenuRequested);
    connect(lineEdit_settings_obdBluetoothName, &QWidget::customContextMenuRequested, this,
            &UDSSetupWidget::slot_bluetoothName_customContextMenuRequested);
    connect(lineEdit_settings_obdUsbSerialDevice, &QWidget::customContextMenuRequested, this,
            &UDSSetupWidget::slot_usbSerial_customContextMenuRequested);

    comboBox_settings_obdBaudrate = new QComboBox(settingsPage);
    comboBox_settings_obdBaudrate->setObjectName(QStringLiteral("comboBox_settings_obdBaudrate"));
    comboBox_settings_obdBaudrate->addItems({QStringLiteral("19200"), QStringLiteral("38400"),
                                             QStringLiteral("57600"), QStringLiteral("115200"),
                                             QStringLiteral("256000"), QStringLiteral("500000"),
                                             QStringLiteral("1000000"), QStringLiteral("2000000")});
    comboBox_settings_obdBaudrate->setCurrentIndex(1);
    comboBox_settings_obdBaudrate->setToolTip(QStringLiteral("Default: 38400\nOBD Link EX: 115200"));
    Tools::blockMouseWheelAdjustment(comboBox_settings_obdBaudrate);
    formLayout->addRow(tr("Baudrate"), comboBox_settings_obdBaudrate);

    comboBox_settings_obdProtocol = new QComboBox(settingsPage);
    comboBox_settings_obdProtocol->setObjectName(QStringLiteral("comboBox_settings_obdProtocol"));
    comboBox_settings_obdProtocol->addItems({QStringLiteral("Automatic"),
                                             QStringLiteral("SAE J1850 PWM (41.6 kbaud)"),
                                             QStringLiteral("SAE J1850 VPW (10.4 kbaud)"),
                                             QStringLiteral("ISO 9141-2 (5 baud init)"),
                                             QStringLiteral("ISO 14230-4 KWP (5 baud init)"),
                                             QStringLiteral("ISO 14230-4 KWP (fast init)"),
                                             QStringLiteral("ISO 15765-4 CAN (11 bit ID, 500 kbaud)"),
                                             QStringLiteral("ISO 15765-4 CAN (29 bit ID, 500 kbaud)"),
                                             QStringLiteral("ISO 15765-4 CAN (11 bit ID, 250 kbaud)"),
                                             QStringLiteral("ISO 15765-4 CAN (29 bit ID, 250 kbaud)"),
                                             QStringLiteral("SAE J1939 CAN (29 bit ID, 250* kbaud)")});
    comboBox_settings_obdProtocol->setToolTip(tr("On some vehicles, automatic detection doesn't work and you may "
                                                 "need to set the protocol manually."));
    Tools::blockMouseWheelAdjustment(comboBox_settings_obdProtocol);
    formLayout->addRow(tr("Protocol"), comboBox_settings_obdProtocol);

    spinBox_settings_obdQueryDelay = new QSpinBox(settingsPage);
    spinBox_settings_obdQueryDelay->setObjectName(QStringLiteral("spinBox_settings_obdQueryDelay"));
    spinBox_settings_obdQueryDelay->setRange(0, 200);
    spinBox_settings_obdQueryDelay->setValue(0);
    spinBox_settings_obdQueryDelay->setToolTip(
        tr("Some vehicles can't handle unlimited speed and need delay between each query"));
    Tools::blockMouseWheelAdjustment(spinBox_settings_obdQueryDelay);
    formLayout->addRow(tr("Query delay [ms]"), spinBox_settings_obdQueryDelay);

    checkBox_settings_obd_autoCANHeaders = addCheckBox(
        tr("Automatic CAN headers (AT SH)"), QStringLiteral("checkBox_settings_obd_autoCANHeaders"), true,
        tr("Automatically set headers to address query only to the ECU that declared PID availability"));
    checkBox_settings_obd_logCommunication = addCheckBox(
        tr("Log communication"), QStringLiteral("checkBox_settings_obd_logCommunication"), false,
        tr("Log raw communication for preview in 'Communication' tab.\nThis option should be disabled during "
           "normal operation."));
    checkBox_settings_obd_readAllChannels =
        addCheckBox(tr("Force read on all channels"), QStringLiteral("checkBox_settings_obd_readAllChannels"), false,
                    tr("Ignore channel priorities and availability, and just force read on all channels"));
    checkBox_settings_obd_readAllAvailableOnceAfterConnection =
        addCheckBox(tr("Read all available channels once after connection"),
                    QStringLiteral("checkBox_settings_obd_readAllAvailableOnceAfterConnection"), false,
                    tr("Go through all available channels once after connection to load initial values"));
    checkBox_settings_obd_skipChannelsWithNoData =
        addCheckBox(tr("Skip reading channels with no data"),
                    QStringLiteral("checkBox_settings_obd_skipChannelsWithNoData"), true,
                    tr("If channel responds with NO DATA response, don't try to read it again until next vehicle "
                       "connection"));
    checkBox_settings_obd_keepLastValueOnFailedRead =
        addCheckBox(tr("Keep last channel value on failed read"),
                    QStringLiteral("checkBox_settings_obd_keepLastValueOnFailedRead"), false,
                    tr("If the read failed, keep old value instead of replacing it with NAN."));
    checkBox_settings_obd_readDiagnosticTroubleCodesAfterConnection =
        addCheckBox(tr("Read Diagnostic Trouble Codes after connection"),
                    QStringLiteral("checkBox_settings_obd_readDiagnosticTroubleCodesAfterConnection"), true,
                    QString());

    // The copy the OBD thread reads follows every change from here on,
    // including the values the bindings restore.
    followOptions();
    theSettings.connectComboBox(comboBox_settings_obdProtocol);
    theSettings.connectSpinBox(spinBox_settings_obdQueryDelay);
    for (QCheckBox* box : {checkBox_settings_obd_autoCANHeaders, checkBox_settings_obd_logCommunication,
                           checkBox_settings_obd_readAllChannels,
                           checkBox_settings_obd_readAllAvailableOnceAfterConnection,
                           checkBox_settings_obd_skipChannelsWithNoData,
                           checkBox_settings_obd_keepLastValueOnFailedRead,
                           checkBox_settings_obd_readDiagnosticTroubleCodesAfterConnection})
        theSettings.connectCheckBox(box);

    pushButton_readErrorCodes = new QPushButton(tr("Read Diagnostic Trouble Codes"), settingsPage);
    pushButton_clearErrorCodes = new QPushButton(tr("Clear Diagnostic Trouble Codes"), settingsPage);
    formLayout->addRow(pushButton_readErrorCodes);
    formLayout->addRow(pushButton_clearErrorCodes);
    formLayout->addRow(new LayoutLine(settingsPage));

    lineEdit_socketState = addStatusField(tr("Socket state"));
    lineEdit_socketError = addStatusField(tr("Socket error"));
    lineEdit_whatsGoingOn = addStatusField(tr("What's going on"));
    lineEdit_interfaceResponse = addStatusField(tr("Interface response"));
    lineEdit_interfaceName = addStatusField(tr("Interface name"));
    lineEdit_obdProtocol = addStatusField(tr("OBD protocol"));
    lineEdit_errorCounter = addStatusField(tr("Error counter"));

    formLayout->addRow(new LayoutLine(settingsPage));
    formLayout->addRow(new QLabel(tr("Event log"), settingsPage));
    plainTextEdit_eventLog = new QPlainTextEdit(settingsPage);
    plainTextEdit_eventLog->setReadOnly(true);
    // Each entry is a paragraph and the blank line after it.
    plainTextEdit_eventLog->setMaximumBlockCount(2 * maxEventLogEntries);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    policy.setVerticalStretch(1);
    plainTextEdit_eventLog->setSizePolicy(policy);
    formLayout->addRow(plainTextEdit_eventLog);

    connect(comboBox_settings_obdInterfaceType, &QComboBox::currentTextChanged, this, &UDSSetupWidget::slot_newEvent);
    for (QLineEdit* field : {lineEdit_settings_obdSerialPort, lineEdit_settings_obdBluetoothName,
                             lineEdit_settings_obdUsbSerialDevice, lineEdit_socketState, lineEdit_socketError,
                             lineEdit_whatsGoingOn, lineEdit_interfaceResponse, lineEdit_interfaceName,
                             lineEdit_obdProtocol})
        connect(field, &QLineEdit::textChanged, this, &UDSSetupWidget::slot_newEvent);

    slot_interfaceType_currentIndexChanged(comboBox_settings_obdInterfaceType->currentIndex());
}

QCheckBox* UDSSetupWidget::addCheckBox(const QString& label, const QString& name, bool checked,
                                       const QString& toolTip)
{
    auto* box = new QCheckBox(formLayout->parentWidget());
    box->setObjectName(name);
    box->setChecked(checked);
    if (!toolTip.isEmpty())
        box->setToolTip(toolTip);
    formLayout->addRow(label, box);
    return box;
}

QLineEdit* UDSSetupWidget::addDeviceField(const QString& label, const QString& name)
{
    auto* field = new QLineEdit(kDeviceHint, formLayout->parentWidget());
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setToolTip(tr("Right click to list available devices"));
    field->setContextMenuPolicy(Qt::CustomContextMenu);
    formLayout->addRow(label, field);
    return field;
}

QLineEdit* UDSSetupWidget::addStatusField(const QString& label)
{
    auto* field = new QLineEdit(formLayout->parentWidget());
    field->setReadOnly(true);
    formLayout->addRow(label, field);
    return field;
}

void UDSSetupWidget::followOptions()
{
    ObdOptions& o = theObdOptions;
    auto on = [](int state) { return state != Qt::Unchecked; };
    o.enable = checkBox_settings_obd_enable->isChecked();
    o.interfaceType = comboBox_settings_obdInterfaceType->currentIndex();
    o.protocol = comboBox_settings_obdProtocol->currentIndex();
    o.queryDelayMs = spinBox_settings_obdQueryDelay->value();
    o.autoCANHeaders = checkBox_settings_obd_autoCANHeaders->isChecked();
    o.logCommunication = checkBox_settings_obd_logCommunication->isChecked();
    o.readAllChannels = checkBox_settings_obd_readAllChannels->isChecked();
    o.readAllAvailableOnceAfterConnection = checkBox_settings_obd_readAllAvailableOnceAfterConnection->isChecked();
    o.skipChannelsWithNoData = checkBox_settings_obd_skipChannelsWithNoData->isChecked();
    o.keepLastValueOnFailedRead = checkBox_settings_obd_keepLastValueOnFailedRead->isChecked();
    o.readTroubleCodesAfterConnection = checkBox_settings_obd_readDiagnosticTroubleCodesAfterConnection->isChecked();

    // Connected before any other receiver, so the copy is current when the
    // OBD thread is told of the change.
    connect(checkBox_settings_obd_enable, &QCheckBox::stateChanged, this, [on](int s) { theObdOptions.enable = on(s); });
    connect(comboBox_settings_obdInterfaceType, &QComboBox::currentIndexChanged, this,
            [](int i) { theObdOptions.interfaceType = i; });
    connect(comboBox_settings_obdProtocol, &QComboBox::currentIndexChanged, this,
            [](int i) { theObdOptions.protocol = i; });
    connect(spinBox_settings_obdQueryDelay, &QSpinBox::valueChanged, this,
            [](int v) { theObdOptions.queryDelayMs = v; });
    const std::pair<QCheckBox*, std::atomic<bool>*> boxes[] = {
        {checkBox_settings_obd_autoCANHeaders, &o.autoCANHeaders},
        {checkBox_settings_obd_logCommunication, &o.logCommunication},
        {checkBox_settings_obd_readAllChannels, &o.readAllChannels},
        {checkBox_settings_obd_readAllAvailableOnceAfterConnection, &o.readAllAvailableOnceAfterConnection},
        {checkBox_settings_obd_skipChannelsWithNoData, &o.skipChannelsWithNoData},
        {checkBox_settings_obd_keepLastValueOnFailedRead, &o.keepLastValueOnFailedRead},
        {checkBox_settings_obd_readDiagnosticTroubleCodesAfterConnection, &o.readTroubleCodesAfterConnection}};
    for (const auto& [box, flag] : boxes) {
        std::atomic<bool>* target = flag;
        connect(box, &QCheckBox::stateChanged, this, [target, on](int s) { target->store(on(s)); });
    }
}

void UDSSetupWidget::init()
{
    if (initialised)
        return;
    initialised = true;
    ObdThread* obd = theObdThread;

    connect(comboBox_settings_obdInterfaceType, &QComboBox::currentIndexChanged, this,
            &UDSSetupWidget::slot_interfaceType_currentIndexChanged);
    if (obd) {
        connect(checkBox_settings_obd_enable, &QCheckBox::stateChanged, obd, &ObdThread::slot_interfaceTypeChanged);
        connect(comboBox_settings_obdInterfaceType, &QComboBox::currentIndexChanged, obd,
                &ObdThread::slot_interfaceTypeChanged);
        connect(comboBox_settings_obdProtocol, &QComboBox::currentIndexChanged, obd,
                &ObdThread::slot_interfaceTypeChanged);
        if (UsbObdInterface* serial = obd->serialTransport())
            connect(lineEdit_settings_obdSerialPort, &QLineEdit::textChanged, serial,
                    &UsbObdInterface::slot_setPortName);
        if (auto* usbSerial = qobject_cast<UsbSerialObdInterface*>(obd->interfaceForType(3)))
            connect(lineEdit_settings_obdUsbSerialDevice, &QLineEdit::textChanged, usbSerial,
                    &UsbSerialObdInterface::slot_setDevice);
        connect(comboBox_settings_obdBaudrate, &QComboBox::currentTextChanged, obd,
                &ObdThread::slot_baudrateChanged);
        connect(obd, &ObdThread::signal_whatsGoingOn, lineEdit_whatsGoingOn, &QLineEdit::setText);
        connect(obd, &ObdThread::signal_transportWhatsGoingOn, lineEdit_whatsGoingOn, &QLineEdit::setText);
        connect(obd, &ObdThread::signal_socketStateTxt, lineEdit_socketState, &QLineEdit::setText);
        connect(obd, &ObdThread::signal_socketErrorTxt, lineEdit_socketError, &QLineEdit::setText);
        connect(obd, &ObdThread::signal_elmResponse, lineEdit_interfaceResponse, &QLineEdit::setText);
        connect(obd, &ObdThread::signal_elmName, lineEdit_interfaceName, &QLineEdit::setText);
        connect(obd, &ObdThread::signal_obdProtocol, lineEdit_obdProtocol, &QLineEdit::setText);
        connect(obd, &ObdThread::signal_errorCounter, lineEdit_errorCounter, &QLineEdit::setText);
    }
    connect(checkBox_settings_obd_logCommunication, &QCheckBox::stateChanged, this,
            &UDSSetupWidget::slot_logCommunicationCheckboxChanged);
    slot_logCommunicationCheckboxChanged(checkBox_settings_obd_logCommunication->checkState());
    if (obd) {
        connect(pushButton_readErrorCodes, &QPushButton::clicked, obd, &ObdThread::slot_readErrorCodesRequested);
        connect(obd, &ObdThread::signal_errorCodesCleared, this, &UDSSetupWidget::slot_errorCodesCleared);
        connect(obd, &ObdThread::signal_errorCodesList, this, &UDSSetupWidget::slot_errorCodesList);
    }
    connect(pushButton_clearErrorCodes, &QPushButton::clicked, this, &UDSSetupWidget::slot_confirmClearErrorCodes);

    theSettings.connectLineEdit(lineEdit_settings_obdSerialPort);
    theSettings.connectLineEdit(lineEdit_settings_obdBluetoothName);
    theSettings.connectLineEdit(lineEdit_settings_obdUsbSerialDevice);
    theSettings.connectCheckBox(checkBox_settings_obd_enable);
    theSettings.connectComboBox(comboBox_settings_obdInterfaceType);
    theSettings.connectComboBox(comboBox_settings_obdBaudrate);

    if (statusBarButton)
        Tools::cloneCheckBoxToButton(checkBox_settings_obd_enable, statusBarButton);

    channelsManager->init();
}

void UDSSetupWidget::slot_interfaceType_currentIndexChanged(int index)
{
    formLayout->setRowVisible(lineEdit_settings_obdSerialPort, index == 1);
    formLayout->setRowVisible(lineEdit_settings_obdBluetoothName, index == 2);
    formLayout->setRowVisible(lineEdit_settings_obdUsbSerialDevice, index == 3);
    formLayout->setRowVisible(comboBox_settings_obdBaudrate, index == 1 || index == 3);
}

void UDSSetupWidget::pickDevice(QLineEdit* field, const QPoint& pos, const QStringList& entries, bool fixedFont)
{
    MyMenu menu(field);
    if (fixedFont)
        menu.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (const QString& entry : entries)
        menu.addAction(entry);
    if (QAction* chosen = DialogAnswerer::execMenu(&menu, field->mapToGlobal(pos)))
        field->setText(chosen->text());
}

void UDSSetupWidget::slot_serialPort_customContextMenuRequested(const QPoint& pos)
{
    QStringList ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.append(info.portName());
    pickDevice(lineEdit_settings_obdSerialPort, pos, ports, false);
}

void UDSSetupWidget::slot_bluetoothName_customContextMenuRequested(const QPoint& pos)
{
    pickDevice(lineEdit_settings_obdBluetoothName, pos, QStringList(), true);
}

void UDSSetupWidget::slot_usbSerial_customContextMenuRequested(const QPoint& pos)
{
    pickDevice(lineEdit_settings_obdUsbSerialDevice, pos, UsbSerialObdInterface::listDevices(), true);
}

void UDSSetupWidget::slot_confirmClearErrorCodes()
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"),
                    QStringLiteral("Are you sure you want to clear diagnostic trouble codes?"),
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::NoButton);
    if (DialogAnswerer::exec(&box) != QMessageBox::Yes)
        return;
    if (theObdThread)
        QMetaObject::invokeMethod(theObdThread, &ObdThread::slot_clearErrorCodesRequested, Qt::QueuedConnection);
}

void UDSSetupWidget::slot_logCommunicationCheckboxChanged(int state)
{
    if (state != Qt::Unchecked) {
        commLog->createLogFile(QStringLiteral("obd"));
        if (theObdThread && !logConnection)
            logConnection = connect(theObdThread, &ObdThread::signal_newDataToLog, commLog,
                                    &SerialCommLog::slot_newData);
    } else if (logConnection) {
        disconnect(logConnection);
        logConnection = QMetaObject::Connection();
    }
}

void UDSSetupWidget::slot_errorCodesCleared()
{
    Tools::showInfo(tr("Diagnostic Trouble Codes cleared"));
}

void UDSSetupWidget::slot_errorCodesList(QList<QString> list)
{
    if (list.isEmpty()) {
        Tools::showInfo(tr("No Diagnostic Trouble Codes present"));
        return;
    }
    DTCDialog dialog(list, this);
    DialogAnswerer::exec(&dialog);
}

void UDSSetupWidget::slot_newEvent(const QString& text)
{
    const QObject* from = sender();
    QString prefix;
    if (from == comboBox_settings_obdInterfaceType)
        prefix = tr("Interface type changed: ");
    else if (from == lineEdit_settings_obdSerialPort)
        prefix = tr("Serial port changed: ");
    else if (from == lineEdit_settings_obdBluetoothName)
        prefix = tr("Bluetooth name changed: ");
    else if (from == lineEdit_settings_obdUsbSerialDevice)
        prefix = tr("UsbSerial device changed: ");
    else if (from == lineEdit_socketState)
        prefix = tr("Socket state: ");
    else if (from == lineEdit_socketError)
        prefix = tr("Socket error: ");
    else if (from == lineEdit_interfaceResponse)
        prefix = tr("Interface response: ");
    else if (from == lineEdit_interfaceName)
        prefix = tr("Interface name: ");
    else if (from == lineEdit_obdProtocol)
        prefix = tr("OBD protocol: ");
    plainTextEdit_eventLog->appendPlainText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz"))
                                            + QStringLiteral(" - ") + prefix + text + QLatin1Char('\n'));
}
