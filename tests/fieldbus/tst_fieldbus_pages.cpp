// The "Modbus" and "Serial inputs" pages: tables, keys and menus, the edit
// dialogs with their defaults, couplings and checks, and what New, Edit and
// Delete do to the polled interfaces and devices and their files.
#include "FieldBusTableActions.h"
#include "ModbusFunction.h"
#include "ModbusFunctionDialog.h"
#include "ModbusFunctionModel.h"
#include "ModbusInterface.h"
#include "ModbusInterfaceDialog.h"
#include "ModbusInterfaceModel.h"
#include "ModbusManager.h"
#include "MySettings.h"
#include "RecordingAnswerer.h"
#include "SerialInputChannel.h"
#include "SerialInputChannelDialog.h"
#include "SerialInputDevice.h"
#include "SerialInputDeviceDialog.h"
#include "SerialInputDevicesModel.h"
#include "SerialInputsManager.h"
#include "SerialInputsModel.h"
#include "ArgumentWidget.h"
#include "UnitComboBox.h"
#include "lib/Units.h"

#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace {

QStringList errorsShown(const RecordingAnswerer& answerer)
{
    QStringList texts;
    for (const RecordingAnswerer::Shown& s : answerer.shown)
        if (s.className == QLatin1String("QMessageBox"))
            texts.append(s.text);
    return texts;
}

bool rowVisible(QFormLayout* form, QWidget* field)
{
    int row = -1;
    QFormLayout::ItemRole role;
    form->getWidgetPosition(field, &row, &role);
    return row >= 0 && form->isRowVisible(row);
}

void press(QWidget* view, Qt::Key key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &event);
}

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TstFieldBusPages : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void modbusTablesFollowTheSelection();
    void newFunctionDefaultsCancelAndOk();
    void functionDialogCouplingsAndChecks();
    void removalsTakeExactlyTheSelectedRowsAndAreRefusedWhileRecording();
    void newInterfaceIsHeldUntilOk();
    void serialPageDevicesAndChannels();
    void serialChannelDialogChecksNames();

private:
    RecordingAnswerer* answerer = nullptr;
};

void TstFieldBusPages::initTestCase()
{
    theUnits.init();
    QDir().mkpath(theSettings.settingsDir.absolutePath());
}

void TstFieldBusPages::init()
{
    answerer = new RecordingAnswerer();
    theModbusInterfacesModel.removeRows(0, theModbusInterfacesModel.rowCount());
    theSerialDevicesModel.removeRows(0, theSerialDevicesModel.rowCount());
    QFile::remove(theSettings.settingsDir.filePath(QStringLiteral("modbus.xml")));
    QFile::remove(theSettings.settingsDir.filePath(QStringLiteral("serialInputDevices.xml")));
}

void TstFieldBusPages::cleanup()
{
    ModbusInterfaceModel::runRecording = nullptr;
    SerialInputDevicesModel::runRecording = nullptr;
    delete answerer;
    answerer = nullptr;
}

void TstFieldBusPages::modbusTablesFollowTheSelection()
{
    theModbusInterfacesModel.loadFromString(QStringLiteral(
        "<modbus><interface name=\"A\"><function name=\"Flow\" slaveId=\"1\" functionCode=\"3\" address=\"31\"/>"
        "<function name=\"Temp\" slaveId=\"171\" functionCode=\"4\" address=\"4096\"/></interface>"
        "<interface name=\"B\"/></modbus>"));
    ModbusManager page;
    page.init();
    QCOMPARE(page.functionModel->rowCount(), 0);
    // With no interface shown New is offered but disabled, and "N" opens nothing.
    answerer->menuChoice = QString();
    page.functionActions->contextMenu(QPoint(5, 5));
    QCOMPARE(answerer->menus.last(), QStringList{QStringLiteral("New    -  N")});
    press(page.functionsTable, Qt::Key_N);
    QVERIFY(answerer->shown.isEmpty());

    page.interfacesTable->selectRow(0);
    QCOMPARE(page.functionModel->rowCount(), 2);
    QCOMPARE(page.functionModel->index(0, 2).data().toString(), QStringLiteral("1:1f"));
    QCOMPARE(page.functionModel->index(1, 2).data().toString(), QStringLiteral("ab:1000"));
    QCOMPARE(page.functionModel->index(1, 1).data().toInt(), 4);
    QCOMPARE(page.functionModel->headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Value"));
    // The interfaces table's menu: Edit and Delete on a row, import, export of the selection.
    const QPoint onRow = page.interfacesTable->visualRect(page.interfacesTable->model()->index(0, 0)).center();
    page.interfaceActions->contextMenu(page.interfacesTable->viewport()->mapTo(page.interfacesTable, onRow));
    QCOMPARE(answerer->menus.last(),
             (QStringList{"Edit   -  Enter", "Delete -  Del", "New    -  N", "-", "Import file", "Export"}));

    page.interfacesTable->selectRow(1);
    QCOMPARE(page.functionModel->rowCount(), 0);
    page.interfacesTable->clearSelection();
    QCOMPARE(page.functionModel->shownInterface(), nullptr);
    // A removed interface leaves the functions table empty.
    page.interfacesTable->selectRow(0);
    theModbusInterfacesModel.removeRows(0, 1);
    QCOMPARE(page.functionModel->rowCount(), 0);
}

void TstFieldBusPages::newFunctionDefaultsCancelAndOk()
{
    theModbusInterfacesModel.loadFromString(QStringLiteral("<modbus><interface name=\"A\"/></modbus>"));
    ModbusManager page;
    page.init();
    page.interfacesTable->selectRow(0);
    ModbusInterface* interface = theModbusInterfacesModel.interface(0);
    const QString file = theSettings.settingsDir.filePath(QStringLiteral("modbus.xml"));

    answerer->respond = [&](QDialog* d) {
        auto* dialog = qobject_cast<ModbusFunctionDialog*>(d);
        if (!dialog)
            return 0;
        // Slave 1, "write single register", address 1, 0.1 s.
        const ModbusFunction* f = dialog->function;
        if (f->slaveId != 1 || f->functionCode != ModbusFunctionCode_writeSingleRegister || f->address != 1
            || f->responseWaitTime != 0.1 || !f->responseTextsEnabled)
            return -1;
        return int(QDialog::Rejected);
    };
    press(page.functionsTable, Qt::Key_N);
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.first().title, QStringLiteral("Modbus Function"));
    QCOMPARE(page.functionModel->rowCount(), 0);
    QCOMPARE(interface->functionList().size(), 0);
    QVERIFY(!QFile::exists(file));

    answerer->respond = [&](QDialog* d) {
        auto* dialog = qobject_cast<ModbusFunctionDialog*>(d);
        dialog->nameLineEdit->setText(QStringLiteral("Pressure"));
        return int(QDialog::Accepted);
    };
    page.functionModel->action_new();
    QCOMPARE(page.functionModel->rowCount(), 1);
    QCOMPARE(page.functionModel->index(0, 0).data().toString(), QStringLiteral("Pressure"));
    QVERIFY(!interface->functionList().first()->responseTextsEnabled);
    QVERIFY(readFile(file).contains(QStringLiteral("name=\"Pressure\"")));
}

void TstFieldBusPages::functionDialogCouplingsAndChecks()
{
    ModbusInterface interface;
    auto* function = new ModbusFunction();
    function->setChildName(QStringLiteral("Mine"));
    interface.addFunction(function);
    ModbusFunctionDialog dialog(nullptr, function, &interface);
    // A write: the argument and output unit rows, no input unit.
    QVERIFY(rowVisible(dialog.form, dialog.argumentWidget));
    QVERIFY(rowVisible(dialog.form, dialog.outputUnitCombo));
    QVERIFY(!rowVisible(dialog.form, dialog.inputUnitCombo));
    dialog.codeCombo->setCurrentIndex(dialog.codeCombo->findData(int(ModbusFunctionCode_readHoldingRegisters)));
    QCOMPARE(function->functionCode, ModbusFunctionCode_readHoldingRegisters);
    QVERIFY(!rowVisible(dialog.form, dialog.argumentWidget));
    QVERIFY(!rowVisible(dialog.form, dialog.outputUnitCombo));
    QVERIFY(rowVisible(dialog.form, dialog.inputUnitCombo));
    dialog.slot_updateQueryPreview();
    // 01 03 0001 0001 and the CRC crcmod's "modbus" gives: D5 CA.
    QCOMPARE(dialog.queryPreview->text().remove(QLatin1Char(' ')).toUpper(), QStringLiteral("010300010001D5CA"));

    // Multiplier 0, divider 0 and an empty name: three boxes, refused.
    function->multiplier = 0;
    function->divider = 0;
    dialog.nameLineEdit->setText(QString());
    QVERIFY(dialog.validate());
    QCOMPARE(errorsShown(*answerer).size(), 3);
    QCOMPARE(errorsShown(*answerer).at(0), QStringLiteral("Multiplier is set to '0'. Did you mean '1'?"));
    QCOMPARE(errorsShown(*answerer).at(1), QStringLiteral("Divider can't be set to '0'. Did you mean '1'?"));
    function->multiplier = 2;
    function->divider = 4;
    dialog.existingNames = {QStringLiteral("Other")};
    dialog.nameLineEdit->setText(QStringLiteral("Other"));
    QVERIFY(dialog.validate());
    dialog.nameLineEdit->setText(QStringLiteral("Mine"));
    QVERIFY(!dialog.validate());
}

void TstFieldBusPages::removalsTakeExactlyTheSelectedRowsAndAreRefusedWhileRecording()
{
    theModbusInterfacesModel.loadFromString(QStringLiteral(
        "<modbus><interface name=\"A\"><function name=\"F0\"/><function name=\"F1\"/><function name=\"F2\"/>"
        "<function name=\"F3\"/></interface><interface name=\"B\"/><interface name=\"C\"/>"
        "<interface name=\"D\"/></modbus>"));
    ModbusManager page;
    page.init();
    page.interfacesTable->selectRow(0);
    // Rows 2 and 0, selected in that order.
    auto* selection = page.functionsTable->selectionModel();
    selection->select(page.functionModel->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(page.functionModel->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(FieldBusTableActions::selectedRows(page.functionsTable), (QList<int>{2, 0}));
    press(page.functionsTable, Qt::Key_Delete);
    QCOMPARE(theModbusInterfacesModel.getUsedChannelNames(), (QList<QString>{"F1", "F3"}));
    QVERIFY(readFile(theSettings.settingsDir.filePath(QStringLiteral("modbus.xml"))).contains("F3"));

    // While a run records nothing is removed: later ids would shift.
    ModbusInterfaceModel::runRecording = [] { return true; };
    QVERIFY(page.functionModel->action_remove({0}));
    QCOMPARE(page.functionModel->rowCount(), 2);
    theModbusInterfacesModel.action_remove({1});
    QCOMPARE(theModbusInterfacesModel.rowCount(), 4);
    QVERIFY(errorsShown(*answerer).contains(QStringLiteral("Modbus functions cannot be removed while a run is recorded")));
    ModbusInterfaceModel::runRecording = nullptr;

    // Interfaces 3 and 1, selected in that order.
    page.interfacesTable->clearSelection();
    auto* interfaces = page.interfacesTable->selectionModel();
    interfaces->select(theModbusInterfacesModel.index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    interfaces->select(theModbusInterfacesModel.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    press(page.interfacesTable, Qt::Key_Delete);
    QCOMPARE(theModbusInterfacesModel.rowCount(), 2);
    QCOMPARE(theModbusInterfacesModel.interface(0)->name, QStringLiteral("A"));
    QCOMPARE(theModbusInterfacesModel.interface(1)->name, QStringLiteral("C"));
}

void TstFieldBusPages::newInterfaceIsHeldUntilOk()
{
    bool heldWhileOpen = false;
    answerer->respond = [&](QDialog* d) {
        auto* dialog = qobject_cast<ModbusInterfaceDialog*>(d);
        if (!dialog)
            return 0;
        heldWhileOpen = dialog->interface->held;
        dialog->interface->name = QStringLiteral("New line");
        return int(QDialog::Rejected);
    };
    theModbusInterfacesModel.action_new();
    QVERIFY(heldWhileOpen);
    QCOMPARE(theModbusInterfacesModel.rowCount(), 0);
    answerer->respond = [&](QDialog* d) {
        auto* dialog = qobject_cast<ModbusInterfaceDialog*>(d);
        dialog->interface->name = QStringLiteral("New line");
        return int(QDialog::Accepted);
    };
    QSignalSpy selectLast(&theModbusInterfacesModel, &ModbusInterfaceModel::signal_selectLast);
    theModbusInterfacesModel.action_new();
    QCOMPARE(selectLast.size(), 1);
    QCOMPARE(theModbusInterfacesModel.rowCount(), 1);
    QVERIFY(!theModbusInterfacesModel.interface(0)->held);
    QCOMPARE(theModbusInterfacesModel.interface(0)->name, QStringLiteral("New line"));

    // Edit, then Cancel: the old values come back.
    answerer->respond = [&](QDialog* d) {
        auto* dialog = qobject_cast<ModbusInterfaceDialog*>(d);
        dialog->interface->name = QStringLiteral("Changed");
        d->reject();
        return int(QDialog::Rejected);
    };
    QVERIFY(theModbusInterfacesModel.action_edit(0, false));
    QCOMPARE(theModbusInterfacesModel.interface(0)->name, QStringLiteral("New line"));
    QVERIFY(!theModbusInterfacesModel.action_edit(1, true));
}

void TstFieldBusPages::serialPageDevicesAndChannels()
{
    theSerialDevicesModel.loadFromString(QStringLiteral(
        "<serialInputDevices><device name=\"D\"><channel name=\"Temp\" command=\"T?\" multiplier=\"2\"/>"
        "<channel name=\"Hum\" command=\"H?\"/></device><device name=\"E\"/></serialInputDevices>"));
    SerialInputsManager page;
    page.init();
    // Channels need a device: "N" without one does nothing.
    press(page.channelsTable, Qt::Key_N);
    QVERIFY(answerer->shown.isEmpty());
    page.devicesTable->selectRow(0);
    QCOMPARE(page.channelModel->rowCount(), 2);
    QCOMPARE(page.channelModel->columnCount(), 8);
    QCOMPARE(page.channelModel->index(0, 7).data().toString(), QStringLiteral("T?"));
    QCOMPARE(page.channelModel->index(0, 4).data().toDouble(), 2.0);
    answerer->menuChoice = QString();
    page.deviceActions->contextMenu(QPoint(1, page.devicesTable->height() - 2));
    QCOMPARE(answerer->menus.last(),
             (QStringList{"New    -  N", "-", "Import file", "Import from server", "Export"}));

    // New channel: polling paused while the dialog is open, then resumed; Ok adds and saves.
    SerialInputDevice* device = theSerialDevicesModel.device(0);
    bool pausedWhileOpen = false;
    answerer->respond = [&](QDialog* d) {
        auto* dialog = qobject_cast<SerialInputChannelDialog*>(d);
        if (!dialog)
            return 0;
        pausedWhileOpen = device->channelEditPause;
        dialog->nameLineEdit->setText(QStringLiteral("Press"));
        dialog->channel->command = QStringLiteral("P?");
        return int(QDialog::Accepted);
    };
    press(page.channelsTable, Qt::Key_N);
    QVERIFY(pausedWhileOpen);
    QVERIFY(!device->channelEditPause);
    QCOMPARE(page.channelModel->rowCount(), 3);
    QCOMPARE(page.channelModel->index(2, 7).data().toString(), QStringLiteral("P?"));
    QVERIFY(readFile(theSettings.settingsDir.filePath(QStringLiteral("serialInputDevices.xml"))).contains("P?"));

    // Device edit: Cancel restores; the device is started again either way.
    answerer->respond = [&](QDialog* d) {
        auto* dialog = qobject_cast<SerialInputDeviceDialog*>(d);
        if (!dialog)
            return 0;
        pausedWhileOpen = dialog->device->deviceEditPause;
        dialog->device->def.name = QStringLiteral("Renamed");
        d->reject();
        return int(QDialog::Rejected);
    };
    QVERIFY(theSerialDevicesModel.action_edit(0, false));
    QVERIFY(pausedWhileOpen);
    QVERIFY(!device->deviceEditPause);

    // A removed device empties the channels table; removal is refused while recording.
    SerialInputDevicesModel::runRecording = [] { return true; };
    QVERIFY(page.channelModel->action_remove({0}));
    QCOMPARE(page.channelModel->rowCount(), 3);
    SerialInputDevicesModel::runRecording = nullptr;
    theSerialDevicesModel.action_remove({0});
    QCOMPARE(page.channelModel->rowCount(), 0);
    QCOMPARE(theSerialDevicesModel.rowCount(), 1);

    // The 257th device is refused.
    QString many = QStringLiteral("<serialInputDevices>");
    for (int i = 0; i < 260; ++i)
        many += QStringLiteral("<device name=\"%1\"/>").arg(i);
    theSerialDevicesModel.loadFromString(many + QStringLiteral("</serialInputDevices>"));
    QCOMPARE(theSerialDevicesModel.rowCount(), 256);
    answerer->shown.clear();
    answerer->respond = nullptr;
    theSerialDevicesModel.action_new();
    QCOMPARE(errorsShown(*answerer), QStringList{QStringLiteral("Maximum 256 devices are available")});
}

void TstFieldBusPages::serialChannelDialogChecksNames()
{
    SerialInputDevice device;
    SerialInputChannel channel;
    channel.setChildName(QStringLiteral("Temp"));
    SerialInputChannelDialog dialog(nullptr, &channel, &device);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Serial Input Channel"));
    dialog.existingNames = {QStringLiteral("Hum")};
    dialog.nameLineEdit->setText(QStringLiteral("Hum"));
    QVERIFY(dialog.validate());
    dialog.nameLineEdit->setText(QStringLiteral("Temp"));
    QVERIFY(!dialog.validate());
    channel.multiplier = 0;
    QVERIFY(dialog.validate());
    QVERIFY(errorsShown(*answerer).contains(QStringLiteral("Multiplier is set to '0'. Did you mean '1'?")));
}

QTEST_MAIN(TstFieldBusPages)
#include "tst_fieldbus_pages.moc"
