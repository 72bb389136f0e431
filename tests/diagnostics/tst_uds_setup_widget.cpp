#include "Channels.h"
#include "Diagnostics.h"
#include "MySettings.h"
#include "ObdOptions.h"
#include "ObdThread.h"
#include "RecordingAnswerer.h"
#include "SerialCommLog.h"
#include "UDSChannel.h"
#include "UDSChannelModel.h"
#include "UDSChannelsManager.h"
#include "UDSSetupWidget.h"
#include "MultipleSortFilterProxyModel.h"
#include "lib/Units.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

// The OBD page on a running OBD thread without a transport: defaults, row
// visibility, the event log, the option copy, the communication log switch,
// the trouble-code boxes and the channel list page.
class TestUdsSetupWidget : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void firstStartDefaults();
    void rowVisibility();
    void eventLog();
    void optionsReachTheCopy();
    void storedOptionsReEmittedByInit();
    void communicationLogFiles();
    void enableBoxAndStatusButton();
    void troubleCodeBoxes();
    void channelListPage();

private:
    QStringList eventLines() const;
    UDSSetupWidget* page = nullptr;
    QPushButton* statusButton = nullptr;
    RecordingAnswerer answerer;
};

void TestUdsSetupWidget::initTestCase()
{
    theUnits.init();
    theChannels.init();
    Diagnostics::registerHooks();
    QDir().mkpath(QDir::homePath() + QStringLiteral("/.zembo/log"));
    theObdThread = new ObdThread;
    theObdThread->start();
    page = new UDSSetupWidget;
    statusButton = new QPushButton;
    statusButton->setCheckable(true);
    page->statusBarButton = statusButton;
    page->init();
}

void TestUdsSetupWidget::cleanupTestCase()
{
    delete page;
    delete statusButton;
    theObdThread->quit();
    theObdThread->requestInterruption();
    theObdThread->wait();
    delete theObdThread;
    theObdThread = nullptr;
    theUDSChannelModel.clear();
}

QStringList TestUdsSetupWidget::eventLines() const
{
    QStringList lines;
    for (const QString& line : page->plainTextEdit_eventLog->toPlainText().split('\n')) {
        if (!line.isEmpty())
            lines.append(line.mid(15)); // after "hh:mm:ss.zzz - "
    }
    return lines;
}

void TestUdsSetupWidget::firstStartDefaults()
{
    // A picture of the page on request.
    if (!qEnvironmentVariableIsEmpty("ZEMBO_SHOT_DIR")) {
        page->resize(900, 900);
        page->show();
        QCoreApplication::processEvents();
        page->grab().save(qEnvironmentVariable("ZEMBO_SHOT_DIR") + QStringLiteral("/obd_page.png"));
    }
    QCOMPARE(page->objectName(), QStringLiteral("tabWidget_settings_obd"));
    QCOMPARE(page->count(), 3);
    QCOMPARE(page->tabText(0), QStringLiteral("Settings"));
    QCOMPARE(page->tabText(1), QStringLiteral("Channels"));
    QCOMPARE(page->tabText(2), QStringLiteral("Communication"));
    QVERIFY(!page->checkBox_settings_obd_enable->isChecked());
    QCOMPARE(page->comboBox_settings_obdInterfaceType->currentText(), QStringLiteral("-"));
    QCOMPARE(page->comboBox_settings_obdBaudrate->currentText(), QStringLiteral("38400"));
    QCOMPARE(page->comboBox_settings_obdProtocol->currentText(), QStringLiteral("Automatic"));
    QCOMPARE(page->comboBox_settings_obdProtocol->count(), 11);
    QCOMPARE(page->comboBox_settings_obdProtocol->itemText(10), QStringLiteral("SAE J1939 CAN (29 bit ID, 250* kbaud)"));
    QCOMPARE(page->spinBox_settings_obdQueryDelay->value(), 0);
    QCOMPARE(page->spinBox_settings_obdQueryDelay->maximum(), 200);
    const QList<QPair<QCheckBox*, bool>> boxes {
        {page->checkBox_settings_obd_autoCANHeaders, true},
        {page->checkBox_settings_obd_logCommunication, false},
        {page->checkBox_settings_obd_readAllChannels, false},
        {page->checkBox_settings_obd_readAllAvailableOnceAfterConnection, false},
        {page->checkBox_settings_obd_skipChannelsWithNoData, true},
        {page->checkBox_settings_obd_keepLastValueOnFailedRead, false},
        {page->checkBox_settings_obd_readDiagnosticTroubleCodesAfterConnection, true}};
    for (const auto& [box, checked] : boxes)
        QVERIFY2(box->isChecked() == checked, qPrintable(box->objectName()));
    QCOMPARE(page->lineEdit_settings_obdSerialPort->text(), QStringLiteral("Right-click to list available ports"));
    QCOMPARE(page->lineEdit_settings_obdBluetoothName->text(), QStringLiteral("Right-click to list available devices"));
    QCOMPARE(page->lineEdit_settings_obdUsbSerialDevice->text(),
             QStringLiteral("Right-click to list available devices"));
    QVERIFY(page->lineEdit_settings_obdSerialPort->isReadOnly());
    // The copy the OBD thread reads starts with the page.
    QCOMPARE(theObdOptions.enable.load(), false);
    QCOMPARE(theObdOptions.interfaceType.load(), 0);
    QCOMPARE(theObdOptions.skipChannelsWithNoData.load(), true);
    QCOMPARE(theObdOptions.readTroubleCodesAfterConnection.load(), true);
    // The bindings re-announced the device fields and the interface, once each.
    const QStringList lines = eventLines();
    QCOMPARE(lines.filter("Serial port changed: ").size(), 1);
    QCOMPARE(lines.filter("Bluetooth name changed: ").size(), 1);
    QCOMPARE(lines.filter("UsbSerial device changed: ").size(), 1);
    QCOMPARE(lines.filter("Interface type changed: ").size(), 1);
}

void TestUdsSetupWidget::rowVisibility()
{
    QFormLayout* form = page->formLayout;
    QWidget* rows[] = {page->lineEdit_settings_obdSerialPort, page->lineEdit_settings_obdBluetoothName,
                       page->lineEdit_settings_obdUsbSerialDevice, page->comboBox_settings_obdBaudrate};
    // Per interface index: serial port, Bluetooth, UsbSerial, baud rate.
    const bool expected[4][4] = {{false, false, false, false},
                                 {true, false, false, true},
                                 {false, true, false, false},
                                 {false, false, true, true}};
    for (int index : {1, 2, 3, 0}) {
        page->comboBox_settings_obdInterfaceType->setCurrentIndex(index);
        for (int r = 0; r < 4; ++r)
            QVERIFY2(form->isRowVisible(rows[r]) == expected[index][r], qPrintable(QString::number(index)));
        QVERIFY(form->isRowVisible(page->comboBox_settings_obdProtocol));
        QCOMPARE(theObdOptions.interfaceType.load(), index);
    }
}

void TestUdsSetupWidget::eventLog()
{
    page->plainTextEdit_eventLog->clear();
    page->comboBox_settings_obdInterfaceType->setCurrentIndex(1);
    page->lineEdit_socketState->setText("open");
    page->lineEdit_socketState->setText("open");
    page->lineEdit_socketError->setText("gone");
    page->lineEdit_whatsGoingOn->setText("Checking connection with a vehicle");
    page->lineEdit_interfaceResponse->setText("OK");
    page->lineEdit_interfaceName->setText("ELM327 v1.5");
    page->lineEdit_obdProtocol->setText("AUTO, ISO 15765-4 (CAN 11/500)");
    page->lineEdit_errorCounter->setText("3");
    page->comboBox_settings_obdInterfaceType->setCurrentIndex(0);
    const QStringList expected {"Interface type changed: USB / Serial", "Socket state: open", "Socket error: gone",
                                "Checking connection with a vehicle", "Interface response: OK",
                                "Interface name: ELM327 v1.5", "OBD protocol: AUTO, ISO 15765-4 (CAN 11/500)",
                                "Interface type changed: -"};
    QCOMPARE(eventLines(), expected);
    // Entries are time-stamped paragraphs with a blank line after each.
    const QString text = page->plainTextEdit_eventLog->toPlainText();
    QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d - Interface type changed: USB / Serial\\n\\n")
                .match(text)
                .hasMatch());

    // The serial-port picker: a chosen port is one entry and is stored; the
    // same port again changes nothing.
    page->plainTextEdit_eventLog->clear();
    answerer.respondMenu = [](QMenu* menu) -> QAction* {
        auto* action = menu->addAction(QStringLiteral("ttyOBD0"));
        return action;
    };
    page->slot_serialPort_customContextMenuRequested(QPoint(1, 1));
    page->slot_serialPort_customContextMenuRequested(QPoint(1, 1));
    answerer.respondMenu = nullptr;
    QCOMPARE(eventLines(), QStringList {"Serial port changed: ttyOBD0"});
    QCOMPARE(theSettings.value("UserSetting/lineEdit_settings_obdSerialPort").toString(), QStringLiteral("ttyOBD0"));

    // A missing adapter reports every second for as long as the program runs.
    for (int i = 0; i < UDSSetupWidget::maxEventLogEntries + 50; ++i)
        page->lineEdit_whatsGoingOn->setText(QString::number(i));
    const QStringList lines = eventLines();
    QCOMPARE(lines.size(), UDSSetupWidget::maxEventLogEntries);
    QCOMPARE(lines.last(), QString::number(UDSSetupWidget::maxEventLogEntries + 49));
}

void TestUdsSetupWidget::optionsReachTheCopy()
{
    ObdOptions& o = theObdOptions;
    page->checkBox_settings_obd_enable->setChecked(true);
    QCOMPARE(o.enable.load(), true);
    page->checkBox_settings_obd_enable->setChecked(false);
    QCOMPARE(o.enable.load(), false);
    page->comboBox_settings_obdProtocol->setCurrentIndex(7);
    QCOMPARE(o.protocol.load(), 7);
    page->spinBox_settings_obdQueryDelay->setValue(35);
    QCOMPARE(o.queryDelayMs.load(), 35);
    const QList<QPair<QCheckBox*, std::atomic<bool>*>> boxes {
        {page->checkBox_settings_obd_autoCANHeaders, &o.autoCANHeaders},
        {page->checkBox_settings_obd_readAllChannels, &o.readAllChannels},
        {page->checkBox_settings_obd_readAllAvailableOnceAfterConnection, &o.readAllAvailableOnceAfterConnection},
        {page->checkBox_settings_obd_skipChannelsWithNoData, &o.skipChannelsWithNoData},
        {page->checkBox_settings_obd_keepLastValueOnFailedRead, &o.keepLastValueOnFailedRead},
        {page->checkBox_settings_obd_readDiagnosticTroubleCodesAfterConnection, &o.readTroubleCodesAfterConnection}};
    for (const auto& [box, flag] : boxes) {
        const bool before = box->isChecked();
        box->setChecked(!before);
        QVERIFY2(flag->load() == !before, qPrintable(box->objectName()));
        QCOMPARE(theSettings.value("UserSetting/" + box->objectName()).toInt(), before ? 0 : 2);
        box->setChecked(before);
        QVERIFY2(flag->load() == before, qPrintable(box->objectName()));
    }
    page->comboBox_settings_obdProtocol->setCurrentIndex(0);
    page->spinBox_settings_obdQueryDelay->setValue(0);
}

void TestUdsSetupWidget::storedOptionsReEmittedByInit()
{
    // A second page on stored values: every option reaches the copy from the
    // bindings alone, the interface ones through init().
    theSettings.setValue("UserSetting/checkBox_settings_obd_enable", 2);
    theSettings.setValue("UserSetting/comboBox_settings_obdInterfaceType", 3);
    theSettings.setValue("UserSetting/comboBox_settings_obdProtocol", 6);
    theSettings.setValue("UserSetting/spinBox_settings_obdQueryDelay", 12);
    theSettings.setValue("UserSetting/checkBox_settings_obd_autoCANHeaders", 0);
    theSettings.setValue("UserSetting/checkBox_settings_obd_keepLastValueOnFailedRead", 2);
    theSettings.setValue("UserSetting/lineEdit_settings_obdUsbSerialDevice", "A1B2 = ELM adapter");
    UDSSetupWidget second;
    QCOMPARE(theObdOptions.protocol.load(), 6);
    QCOMPARE(theObdOptions.queryDelayMs.load(), 12);
    QCOMPARE(theObdOptions.autoCANHeaders.load(), false);
    QCOMPARE(theObdOptions.keepLastValueOnFailedRead.load(), true);
    // Before init the interface options are the widgets' defaults.
    QCOMPARE(second.comboBox_settings_obdInterfaceType->currentIndex(), 0);
    second.init();
    QCOMPARE(theObdOptions.enable.load(), true);
    QCOMPARE(theObdOptions.interfaceType.load(), 3);
    QCOMPARE(second.lineEdit_settings_obdUsbSerialDevice->text(), QStringLiteral("A1B2 = ELM adapter"));
    QVERIFY(second.formLayout->isRowVisible(second.lineEdit_settings_obdUsbSerialDevice));
    const QString log = second.plainTextEdit_eventLog->toPlainText();
    QVERIFY(log.contains("UsbSerial device changed: A1B2 = ELM adapter"));
    QVERIFY(log.contains("Interface type changed: USB / UsbSerial"));
    for (const char* key : {"checkBox_settings_obd_enable", "comboBox_settings_obdInterfaceType",
                            "comboBox_settings_obdProtocol", "spinBox_settings_obdQueryDelay",
                            "checkBox_settings_obd_autoCANHeaders", "checkBox_settings_obd_keepLastValueOnFailedRead",
                            "lineEdit_settings_obdUsbSerialDevice"})
        theSettings.remove(QStringLiteral("UserSetting/") + key);
    // Back to the first page's state.
    for (QCheckBox* box : {page->checkBox_settings_obd_autoCANHeaders, page->checkBox_settings_obd_keepLastValueOnFailedRead}) {
        box->toggle();
        box->toggle();
    }
    page->comboBox_settings_obdInterfaceType->setCurrentIndex(1);
    page->comboBox_settings_obdInterfaceType->setCurrentIndex(0);
    page->checkBox_settings_obd_enable->setChecked(true);
    page->checkBox_settings_obd_enable->setChecked(false);
}

void TestUdsSetupWidget::communicationLogFiles()
{
    QDir logDir(QDir::homePath() + QStringLiteral("/.zembo/log"));
    const int before = logDir.entryList({"obd_*.txt"}, QDir::Files).size();
    page->checkBox_settings_obd_logCommunication->setChecked(true);
    QVERIFY(theObdOptions.logCommunication.load());
    emit theObdThread->signal_newDataToLog(SerialCommDir::Tx, "010C\r", 0);
    emit theObdThread->signal_newDataToLog(SerialCommDir::Rx, "410C1AF8\r\r>", 12);
    QCOMPARE(page->commLog->pendingTxLine().isEmpty(), true);
    page->commLog->slot_refreshDisplay();
    QCOMPARE(page->commLog->lines().size(), 2);
    page->checkBox_settings_obd_logCommunication->setChecked(false);
    QVERIFY(!theObdOptions.logCommunication.load());
    emit theObdThread->signal_newDataToLog(SerialCommDir::Tx, "010D\r", 0);
    QVERIFY(page->commLog->pendingTxLine().isEmpty());
    page->checkBox_settings_obd_logCommunication->setChecked(true);
    page->checkBox_settings_obd_logCommunication->setChecked(false);
    QCOMPARE(logDir.entryList({"obd_*.txt"}, QDir::Files).size(), before + 2);
}

void TestUdsSetupWidget::enableBoxAndStatusButton()
{
    QCOMPARE(statusButton->isChecked(), page->checkBox_settings_obd_enable->isChecked());
    page->checkBox_settings_obd_enable->setChecked(true);
    QVERIFY(statusButton->isChecked());
    statusButton->click();
    QVERIFY(!page->checkBox_settings_obd_enable->isChecked());
    QVERIFY(!theObdOptions.enable.load());
    statusButton->click();
    QVERIFY(page->checkBox_settings_obd_enable->isChecked());
    QVERIFY(theObdOptions.enable.load());
    page->checkBox_settings_obd_enable->setChecked(false);
    QVERIFY(!statusButton->isChecked());
}

void TestUdsSetupWidget::troubleCodeBoxes()
{
    QSignalSpy going(theObdThread, &ObdThread::signal_whatsGoingOn);
    answerer.shown.clear();
    answerer.result = QMessageBox::No;
    page->pushButton_clearErrorCodes->click();
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.at(0).title, QStringLiteral("Confirm"));
    QCOMPARE(answerer.shown.at(0).text, QStringLiteral("Are you sure you want to clear diagnostic trouble codes?"));
    answerer.result = QMessageBox::Yes;
    page->pushButton_clearErrorCodes->click();
    QTRY_COMPARE(going.size(), 1);
    QCOMPARE(going.at(0).at(0).toString(), QStringLiteral("Diagnostic trouble codes clear requested"));
    QTest::qWait(50);
    QCOMPARE(going.size(), 1); // the refused clear never arrived

    answerer.shown.clear();
    emit theObdThread->signal_errorCodesList({});
    emit theObdThread->signal_errorCodesCleared();
    answerer.result = QDialog::Accepted;
    emit theObdThread->signal_errorCodesList({"P0301", "U0100"});
    QCOMPARE(answerer.shown.size(), 3);
    QCOMPARE(answerer.shown.at(0).text, QStringLiteral("No Diagnostic Trouble Codes present"));
    QCOMPARE(answerer.shown.at(1).text, QStringLiteral("Diagnostic Trouble Codes cleared"));
    QCOMPARE(answerer.shown.at(2).className, QStringLiteral("DTCDialog"));
    QCOMPARE(answerer.shown.at(2).title, QStringLiteral("Diagnostic Trouble Codes"));
}

void TestUdsSetupWidget::channelListPage()
{
    UDSChannelsManager* list = page->channelsManager;
    QTableView* table = list->tableView;
    QVERIFY(table->isColumnHidden(UDSChannelModel::ColumnAvailability));
    QCOMPARE(list->comboBox_availabilityFilter->objectName(), QStringLiteral("OBDChannelAvailabilityFilter"));
    QVERIFY(!list->pushButton_emptyListWarning->isHidden());

    auto add = [](const QString& name, int group) {
        auto* channel = new UDSChannel;
        channel->setChildName(name);
        channel->udsSetup.command = "010C";
        channel->udsSetup.equation = QStringLiteral("A");
        channel->udsSetup.priorityGroup = PriorityGroup(group);
        channel->updateAndCheckEquation(false);
        theUDSChannelModel.addChannels({channel});
        return channel;
    };
    UDSChannel* rpm = add("Engine rpm", 1);
    QVERIFY(list->pushButton_emptyListWarning->isHidden());
    add("Oil temp", 0);
    add("RPM oil pump", 2);
    auto names = [table, list] {
        // The proxy filters again 1 ms after the last change.
        list->proxyModel->slot_invalidateFilterUpdateAllFiltersEmptyFlag();
        QStringList out;
        for (int r = 0; r < table->model()->rowCount(); ++r)
            out.append(table->model()->index(r, UDSChannelModel::ColumnName).data().toString());
        return out;
    };
    list->lineEdit_filter->setText("oil rpm");
    QCOMPARE(names(), QStringList {"RPM oil pump"});
    list->lineEdit_filter->clear();
    // "Available": status 0 only, never-read channels too are hidden.
    rpm->slot_setStatus(Ok);
    list->comboBox_availabilityFilter->setCurrentIndex(1);
    QCOMPARE(names(), QStringList {"Engine rpm"});
    // "Selected" drops the status filter and hides group "0/1".
    list->comboBox_availabilityFilter->setCurrentIndex(2);
    QCOMPARE(names(), (QStringList {"Engine rpm", "RPM oil pump"}));
    QCOMPARE(theSettings.value("UserSetting/OBDChannelAvailabilityFilter").toInt(), 2);
    list->comboBox_availabilityFilter->setCurrentIndex(0);
    QCOMPARE(names().size(), 3);

    answerer.shown.clear();
    emit theUDSChannelModel.signal_emitError("file unreadable");
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.at(0).text, QStringLiteral("UDS file unreadable"));

    theUDSChannelModel.clear();
    QVERIFY(!list->pushButton_emptyListWarning->isHidden());
}

QTEST_MAIN(TestUdsSetupWidget)
#include "tst_uds_setup_widget.moc"
