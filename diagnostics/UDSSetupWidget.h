#pragma once

#include <QList>
#include <QMetaObject>
#include <QString>
#include <QTabWidget>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QPlainTextEdit;
class QPoint;
class QPushButton;
class QSpinBox;
class SerialCommLog;
class UDSChannelsManager;

// The "OBD / UDS" settings page: the OBD options ("Settings"), the channel
// list ("Channels") and the raw adapter traffic ("Communication"). The page
// is the one home of the OBD options; every change reaches theObdOptions at
// once, which is what the OBD thread, the polling order and the channels
// read. The constructor builds the widgets; init() wires them to the OBD
// thread once that thread and its transports exist.
class UDSSetupWidget : public QTabWidget
{
    Q_OBJECT
public:
    // The event log keeps this many newest entries; a missing adapter adds
    // one every second for as long as the program runs.
    static constexpr int maxEventLogEntries = 1000;

    explicit UDSSetupWidget(QWidget* parent = nullptr);
    ~UDSSetupWidget() override;

    // The page of the program, for the analyser's generation of channels;
    // the last page built that still exists.
    static UDSSetupWidget* current;

    // Wires the page to theObdThread and binds the interface options; once.
    void init();

    // The status bar's checkable OBD button, kept in step with the enable
    // box by init() when set before it.
    QPushButton* statusBarButton = nullptr;

    QFormLayout* formLayout = nullptr;
    SerialCommLog* commLog = nullptr;
    UDSChannelsManager* channelsManager = nullptr;
    QCheckBox* checkBox_settings_obd_enable = nullptr;
    QComboBox* comboBox_settings_obdInterfaceType = nullptr;
    QLineEdit* lineEdit_settings_obdSerialPort = nullptr;
    QLineEdit* lineEdit_settings_obdBluetoothName = nullptr;
    QLineEdit* lineEdit_settings_obdUsbSerialDevice = nullptr;
    QCheckBox* checkBox_settings_obd_logCommunication = nullptr;
    QCheckBox* checkBox_settings_obd_readAllChannels = nullptr;
    QCheckBox* checkBox_settings_obd_readAllAvailableOnceAfterConnection = nullptr;
    QCheckBox* checkBox_settings_obd_skipChannelsWithNoData = nullptr;
    QCheckBox* checkBox_settings_obd_keepLastValueOnFailedRead = nullptr;
    QCheckBox* checkBox_settings_obd_readDiagnosticTroubleCodesAfterConnection = nullptr;
    QComboBox* comboBox_settings_obdBaudrate = nullptr;
    QComboBox* comboBox_settings_obdProtocol = nullptr;
    QSpinBox* spinBox_settings_obdQueryDelay = nullptr;
    QCheckBox* checkBox_settings_obd_autoCANHeaders = nullptr;
    QPushButton* pushButton_readErrorCodes = nullptr;
    QPushButton* pushButton_clearErrorCodes = nullptr;
    QLineEdit* lineEdit_socketState = nullptr;
    QLineEdit* lineEdit_socketError = nullptr;
    QLineEdit* lineEdit_whatsGoingOn = nullptr;
    QLineEdit* lineEdit_interfaceResponse = nullptr;
    QLineEdit* lineEdit_interfaceName = nullptr;
    QLineEdit* lineEdit_obdProtocol = nullptr;
    QLineEdit* lineEdit_errorCounter = nullptr;
    QPlainTextEdit* plainTextEdit_eventLog = nullptr;

public Q_SLOTS:
    void slot_interfaceType_currentIndexChanged(int index);
    void slot_serialPort_customContextMenuRequested(const QPoint& pos);
    void slot_bluetoothName_customContextMenuRequested(const QPoint& pos);
    void slot_usbSerial_customContextMenuRequested(const QPoint& pos);
    void slot_confirmClearErrorCodes();
    void slot_logCommunicationCheckboxChanged(int state);
    void slot_errorCodesCleared();
    void slot_errorCodesList(QList<QString> list);
    void slot_newEvent(const QString& text);

private:
    QCheckBox* addCheckBox(const QString& label, const QString& name, bool checked, const QString& toolTip);
    QLineEdit* addDeviceField(const QString& label, const QString& name);
    QLineEdit* addStatusField(const QString& label);
    void pickDevice(QLineEdit* field, const QPoint& pos, const QStringList& entries, bool fixedFont);
    void followOptions();

    QMetaObject::Connection logConnection;
    bool initialised = false;
};
