// Record forms: building one changes nothing, every way of leaving without Ok
// puts every kind of bound field back, Ok keeps the edits, and the name check
// refuses empty and taken names.
#include "AbstractParameterEditorDialog.h"
#include "ArgumentWidget.h"
#include "CanDataHexEdit.h"
#include "CanIdLineEdit.h"
#include "CanMaskLineEdit.h"
#include "ChannelSetup.h"
#include "ChannelSetupDescriptor.h"
#include "ChannelSetupWidget.h"
#include "ColorButton.h"
#include "Colors.h"
#include "FormStandIns.h"
#include "HexDataLineEdit.h"
#include "LogCapture.h"
#include "MenuDriver.h"
#include "ParameterEditorManager.h"
#include "QuantityComboBox.h"
#include "RecordingAnswerer.h"
#include "SpinBoxWithUnit.h"
#include "UnitComboBox.h"
#include "functions/Argument.h"
#include "functions/ArgumentType.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <memory>

namespace {

// A record with one field of every kind a form backs up.
struct Record {
    Record()
        : shortcut(new QShortcut(&shortcutHolder))
    {
        unit = theUnits.getUnitByQuantityAndName(Quantity::Power, QStringLiteral("kW"));
        speed = {25.0, theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("km/h"))};
        setup.key = QStringLiteral("C_engine");
        setup.displayName = QStringLiteral("Engine");
        setup.quantity = Quantity::Temperature;
        setup.unit = theUnits.getUnitByQuantityAndName(Quantity::Temperature, QStringLiteral("°C"));
        setup.decimals = 1;
        setup.alarmHigh = 393.15;
        setup.rangeMax = 400;
        setup.sanitize();
        argument.setConstant(2.5, false);
        argument.quantity = Quantity::Voltage;
        argument.unit = theUnits.getUnitByQuantityAndName(Quantity::Voltage, QStringLiteral("V"));
        trigger.setup.interval = 250;
        labels = {{0, QStringLiteral("OK")}, {1, QStringLiteral("Error")}};
        shortcut->setKey(QKeySequence(QStringLiteral("Ctrl+L")));
    }

    const Unit* unit = nullptr;
    double number = 1.25;
    ValueWithUnit speed;
    bool flag = true;
    qint32 count = 7;
    Endianness endianness = Endianness_little;
    Quantity quantity = Quantity::Pressure;
    quint32 mask = 0x1FFFFFFF;
    quint64 canData = 0x0102030405060708ull;
    QString name = QStringLiteral("engine");
    QByteArray bytes = QByteArrayLiteral("010C");
    ChannelSetup setup;
    Argument argument;
    Trigger trigger;
    NamedChannel channel;
    QMap<int, QString> labels;
    QColor color = QColor(10, 20, 30);
    QWidget shortcutHolder;
    QShortcut* shortcut;
    GamepadEvent gamepad;
};

// Every field as text, all 64 bits of the CAN word and every setup property
// included, so that a failed comparison names the field.
QStringList snapshot(const Record& record)
{
    QStringList fields;
    fields << QStringLiteral("unit=") + record.unit->name;
    fields << QStringLiteral("number=%1").arg(record.number, 0, 'g', 17);
    fields << QStringLiteral("speed=%1 %2").arg(record.speed.first, 0, 'g', 17).arg(record.speed.second->name);
    fields << QStringLiteral("flag=%1").arg(record.flag);
    fields << QStringLiteral("count=%1").arg(record.count);
    fields << QStringLiteral("endianness=%1").arg(int(record.endianness));
    fields << QStringLiteral("quantity=%1").arg(int(record.quantity));
    fields << QStringLiteral("mask=%1").arg(record.mask, 8, 16, QLatin1Char('0'));
    fields << QStringLiteral("canData=%1").arg(record.canData, 16, 16, QLatin1Char('0'));
    fields << QStringLiteral("name=") + record.name;
    fields << QStringLiteral("bytes=") + QString::fromLatin1(record.bytes.toHex());
    for (const auto& attribute : record.setup.xmlAttributes())
        fields << QStringLiteral("setup.") + attribute.first + QLatin1Char('=') + attribute.second;
    fields << QStringLiteral("setup.gate=") + record.setup.alarmGate->typeKey();
    for (const auto& attribute : record.argument.xmlAttributes())
        fields << QStringLiteral("argument.") + attribute.first + QLatin1Char('=') + attribute.second;
    fields << QStringLiteral("trigger=%1/%2").arg(record.trigger.setup.interval).arg(record.trigger.setup.mode);
    fields << QStringLiteral("child=") + record.channel.childName;
    fields << QStringLiteral("labels=") + ChannelSetup::stringFromLabels(record.labels);
    fields << QStringLiteral("color=") + record.color.name();
    fields << QStringLiteral("shortcut=") + record.shortcut->key().toString();
    fields << QStringLiteral("gamepad=") + record.gamepad.getSaveString();
    return fields;
}

QMap<QString, QString> fieldMap(const QStringList& fields)
{
    QMap<QString, QString> map;
    for (const QString& field : fields) {
        const int equals = field.indexOf(QLatin1Char('='));
        map.insert(field.left(equals), field.mid(equals + 1));
    }
    return map;
}

// A record dialog as the channel models build them: a form beside the
// channel-setup editor, the name row first, Ok and Cancel last.
class RecordDialog : public AbstractParameterEditorDialog
{
public:
    explicit RecordDialog(QWidget* parent = nullptr)
        : AbstractParameterEditorDialog(parent)
    {
    }

    void build(Record& record)
    {
        auto* box = new QHBoxLayout(this);
        auto* form = new QFormLayout;
        form->setLabelAlignment(Qt::AlignRight);
        box->addLayout(form);
        ParameterEditorManager* manager = parameterEditorManager;
        manager->layout = form;
        nameLineEdit = manager->addEditor_channelName(QStringLiteral("Name"), &record.channel);
        nameEdit = manager->addEditor(QStringLiteral("Text"), &record.name);
        manager->addLayoutLine();
        unitCombo = manager->addEditor(QStringLiteral("Unit"), &record.unit, Quantity::Power);
        numberBox = manager->addEditor(QStringLiteral("Number"), &record.number, -100, 100, 3);
        speedBox = manager->addEditor_withUnit(QStringLiteral("Speed"), &record.speed, Quantity::Speed, 0, 1000, 2);
        flagBox = manager->addEditor(QStringLiteral("Flag"), &record.flag);
        countBox = manager->addEditor(QStringLiteral("Count"), &record.count, 0, 100);
        endiannessCombo = manager->addEditor(QStringLiteral("Byte order"), &record.endianness);
        quantityCombo = manager->addEditor(QStringLiteral("Quantity"), &record.quantity);
        maskEdit = manager->addEditor_canMask(QStringLiteral("Mask"), &record.mask);
        canDataEdit = manager->addEditor_canDataHex(QStringLiteral("Data"), &record.canData);
        bytesEdit = manager->addEditor(QStringLiteral("Request"), &record.bytes);
        labelsEdit = manager->addEditor_enumLabels(QStringLiteral("Labels"), &record.labels);
        colorButton = manager->addEditor(QStringLiteral("Colour"), &record.color);
        shortcutWidget = manager->addEditor(QStringLiteral("Key"), record.shortcut);
        gamepadWidget = manager->addEditor(QStringLiteral("Game pad"), &record.gamepad);
        argumentWidget = manager->addEditor(&record.argument);
        triggerWidget = manager->addEditor(&record.trigger);
        form->addRow(buttonBox);
        setupWidget = manager->addEditor(&record.setup, true, true, box);
    }

    bool validate() override { return validateName(); }

    QLineEdit* nameEdit = nullptr;
    UnitComboBox* unitCombo = nullptr;
    QDoubleSpinBox* numberBox = nullptr;
    SpinBoxWithUnit* speedBox = nullptr;
    QCheckBox* flagBox = nullptr;
    QSpinBox* countBox = nullptr;
    QComboBox* endiannessCombo = nullptr;
    QuantityComboBox* quantityCombo = nullptr;
    CanMaskLineEdit* maskEdit = nullptr;
    CanDataHexEdit* canDataEdit = nullptr;
    QLineEdit* bytesEdit = nullptr;
    QPlainTextEdit* labelsEdit = nullptr;
    ColorButton* colorButton = nullptr;
    ShortcutWidget* shortcutWidget = nullptr;
    GamepadEventWidget* gamepadWidget = nullptr;
    ArgumentWidget* argumentWidget = nullptr;
    TriggerWidget* triggerWidget = nullptr;
    ChannelSetupWidget* setupWidget = nullptr;
};

// What an operator does to every row, through the editors.
void editEverything(RecordDialog& dialog)
{
    dialog.nameLineEdit->setText(QStringLiteral("cylinderHead"));
    dialog.nameEdit->setText(QStringLiteral("changed"));
    dialog.unitCombo->setUnit(QStringLiteral("PS"));
    dialog.numberBox->setValue(-42.5);
    dialog.speedBox->setValue(80);
    dialog.speedBox->slot_setUnit(theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("mph")));
    dialog.flagBox->setChecked(false);
    dialog.countBox->setValue(99);
    dialog.endiannessCombo->setCurrentIndex(0);
    dialog.quantityCombo->setQuantity(Quantity::Torque);
    dialog.maskEdit->setText(QStringLiteral("7FF"));
    // Only the upper four bytes change: all eight must come back.
    dialog.canDataEdit->setText(QStringLiteral("AABBCCDD05060708"));
    dialog.bytesEdit->setText(QStringLiteral("0902"));
    dialog.labelsEdit->setPlainText(QStringLiteral("5=Five"));
    dialog.colorButton->setColor(Qt::yellow);
    dialog.shortcutWidget->setKeySequence(QKeySequence(QStringLiteral("Ctrl+K")));
    Q_EMIT dialog.gamepadWidget->signal_eventChanged(QStringLiteral("2:7"));
    dialog.argumentWidget->typeCombo->setCurrentIndex(ArgumentType_null);
    dialog.triggerWidget->modeCombo->setCurrentIndex(1);
    dialog.triggerWidget->intervalSpinBox->setValue(5000);
    dialog.setupWidget->displayNameEdit->setText(QStringLiteral("Head temperature"));
    dialog.setupWidget->alarmHighSpinBox->setValue(150);
    dialog.setupWidget->decimalsSpinBox->setValue(3);
}

} // namespace

class TestRecordForms : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void buildingWritesAndAnnouncesNothing();
    void leavingWithoutOkRestoresEveryKind_data();
    void leavingWithoutOkRestoresEveryKind();
    void cancelWithoutEditsAnnouncesOnce();
    void okKeepsEditsAndAnnouncesPendingSetupChange();
    void nameCheck_data();
    void nameCheck();
    void enumerationRows();
    void smallRows();
    void baudRateMenu();
    void rowsWithoutForm();
};

void TestRecordForms::initTestCase()
{
    theUnits.init();
    theColors.init();
    theChannelSetupDescriptor.init();
}

void TestRecordForms::buildingWritesAndAnnouncesNothing()
{
    Record record;
    const QStringList before = snapshot(record);
    RecordDialog dialog;
    QSignalSpy changed(dialog.parameterEditorManager, &ParameterEditorManagerBase::signal_parametersChanged);
    QSignalSpy setupChanged(&record.setup, &ChannelSetup::signal_setupChanged);
    QSignalSpy argumentChanged(&record.argument, &Argument::signal_updateWidget);
    dialog.build(record);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Past the setup editor's delay: nothing was held back either.
    QTest::qWait(650);
    QCOMPARE(snapshot(record), before);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(setupChanged.count(), 0);
    QCOMPARE(argumentChanged.count(), 0);
    QCOMPARE(dialog.parameterEditorManager->getBackups().size(), 19);
}

void TestRecordForms::leavingWithoutOkRestoresEveryKind_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("Cancel button") << QStringLiteral("cancel");
    QTest::newRow("Escape key") << QStringLiteral("escape");
    QTest::newRow("window close button") << QStringLiteral("close");
}

void TestRecordForms::leavingWithoutOkRestoresEveryKind()
{
    QFETCH(QString, way);
    Record record;
    const QStringList before = snapshot(record);
    RecordDialog dialog;
    dialog.build(record);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // What the setup's users last heard it say.
    QString heardName;
    double heardAlarm = 0;
    connect(&record.setup, &ChannelSetup::signal_setupChanged, this, [&]() {
        heardName = record.setup.displayName;
        heardAlarm = record.setup.alarmHigh;
    });
    QSignalSpy changed(dialog.parameterEditorManager, &ParameterEditorManagerBase::signal_parametersChanged);

    editEverything(dialog);
    // Every kind was really changed, so that the restore has something to do.
    const QMap<QString, QString> was = fieldMap(before);
    const QMap<QString, QString> now = fieldMap(snapshot(record));
    for (auto it = was.cbegin(); it != was.cend(); ++it) {
        const bool checked = !it.key().contains(QLatin1Char('.'))
                             || QStringList({"setup.displayName", "setup.alarmHigh", "setup.decimals", "argument.type"})
                                    .contains(it.key());
        if (checked)
            QVERIFY2(now.value(it.key()) != it.value(), qPrintable(QStringLiteral("not edited: ") + it.key()));
    }
    QCOMPARE(record.canData, 0xAABBCCDD05060708ull);
    QVERIFY(changed.count() > 0);
    changed.clear();

    if (way == QStringLiteral("cancel"))
        dialog.buttonBox->button(QDialogButtonBox::Cancel)->click();
    else if (way == QStringLiteral("escape"))
        QTest::keyClick(&dialog, Qt::Key_Escape);
    else
        dialog.close();

    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(snapshot(record), before);
    QCOMPARE(record.canData, 0x0102030405060708ull);
    // At least the restore's own announcement (the held-back setup edit may come first).
    QVERIFY(changed.count() >= 1);
    // The setup's edit was announced before the restore and the restore after it.
    QCOMPARE(heardName, QStringLiteral("Engine"));
    QCOMPARE(heardAlarm, 393.15);
}

void TestRecordForms::cancelWithoutEditsAnnouncesOnce()
{
    Record record;
    const QStringList before = snapshot(record);
    RecordDialog dialog;
    dialog.build(record);
    QSignalSpy changed(dialog.parameterEditorManager, &ParameterEditorManagerBase::signal_parametersChanged);
    QSignalSpy setupChanged(&record.setup, &ChannelSetup::signal_setupChanged);
    dialog.parameterEditorManager->slot_restoreBackups();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(setupChanged.count(), 0);
    QCOMPARE(snapshot(record), before);
    // The backups stay: a second restore writes the same again.
    dialog.parameterEditorManager->slot_restoreBackups();
    QCOMPARE(changed.count(), 2);
    QCOMPARE(snapshot(record), before);
}

void TestRecordForms::okKeepsEditsAndAnnouncesPendingSetupChange()
{
    Record record;
    RecordDialog dialog;
    dialog.existingNames = {QStringLiteral("intake")};
    dialog.build(record);
    QSignalSpy setupChanged(&record.setup, &ChannelSetup::signal_setupChanged);
    editEverything(dialog);
    const QStringList edited = snapshot(record);
    // Ok well within the setup editor's delay.
    QCOMPARE(setupChanged.count(), 0);
    dialog.buttonBox->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(setupChanged.count(), 1);
    QCOMPARE(snapshot(record), edited);
    QCOMPARE(record.setup.displayName, QStringLiteral("Head temperature"));
}

void TestRecordForms::nameCheck_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("empty") << QString() << QStringLiteral("Name cannot be empty");
    QTest::newRow("taken") << QStringLiteral("intake") << QStringLiteral("Channel with name intake already exists");
    QTest::newRow("taken in another case") << QStringLiteral("Intake") << QString();
    QTest::newRow("blanks only") << QStringLiteral("   ") << QString();
    QTest::newRow("own name") << QStringLiteral("engine") << QString();
}

void TestRecordForms::nameCheck()
{
    QFETCH(QString, name);
    QFETCH(QString, refusal);
    RecordingAnswerer answerer;
    Record record;
    RecordDialog dialog;
    // The opener leaves the edited record's own name out.
    dialog.existingNames = {QStringLiteral("intake"), QStringLiteral("exhaust")};
    dialog.build(record);
    dialog.show();
    dialog.nameLineEdit->setText(name);
    dialog.buttonBox->button(QDialogButtonBox::Ok)->click();
    if (refusal.isEmpty()) {
        QVERIFY(answerer.shown.isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(record.channel.childName, name);
    } else {
        QCOMPARE(answerer.shown.size(), 1);
        QCOMPARE(answerer.shown.first().text, refusal);
        // Refused: still open, the edit still in the record.
        QVERIFY(dialog.isVisible());
        QCOMPARE(record.channel.childName, name);
    }
}

void TestRecordForms::enumerationRows()
{
    QWidget parent;
    ParameterEditorManager manager(&parent);
    auto* form = new QFormLayout(&parent);
    manager.layout = form;

    // A stored value no item has selects the first item and stays.
    auto parity = static_cast<QSerialPort::Parity>(1);
    QComboBox* parityCombo = manager.addEditor(QStringLiteral("Parity"), &parity);
    QCOMPARE(parityCombo->currentIndex(), 0);
    QCOMPARE(int(parity), 1);
    parityCombo->setCurrentIndex(2);
    QCOMPARE(parity, QSerialPort::OddParity);

    // Of two items with the stored value the later one is selected.
    qint32 doubled = 4;
    QComboBox* twice = manager.addEditor_comboBox(
        QStringLiteral("Twice"), &doubled, {{4, QStringLiteral("first")}, {4, QStringLiteral("second")}});
    QCOMPARE(twice->currentText(), QStringLiteral("second"));

    auto stopBits = QSerialPort::TwoStop;
    QComboBox* stopCombo = manager.addEditor(QStringLiteral("Stop"), &stopBits);
    QCOMPARE(stopCombo->currentText(), QStringLiteral("Two stop"));
    QCOMPARE(stopCombo->itemData(1).toInt(), 3);

    SamplingMode sampling = SamplingMode::Interpolate;
    QComboBox* samplingCombo = manager.addEditor(QStringLiteral("Sampling"), &sampling);
    QCOMPARE(samplingCombo->itemText(0), QStringLiteral("sample and hold ⋰⋱⋰⋱⋰⋱"));
    QCOMPARE(samplingCombo->currentIndex(), 1);
    samplingCombo->setCurrentIndex(0);
    QCOMPARE(sampling, SamplingMode::SampleAndHold);

    PriorityGroup group = PriorityGroup_1000;
    QComboBox* groupCombo = manager.addEditor(QStringLiteral("Poll rate"), &group);
    QCOMPARE(groupCombo->count(), 13);
    QCOMPARE(groupCombo->currentText(), QStringLiteral("1/1000"));

    ModbusFunctionCode code = ModbusFunctionCode_readInputRegisters;
    QComboBox* codeCombo = manager.addEditor(QStringLiteral("Function"), &code);
    QCOMPARE(codeCombo->currentText(), QStringLiteral("0x04 Read input registers"));

    // Without a registry every vehicle parameter is listed, "-" first.
    auto parameter = static_cast<VehicleParamId>(-1);
    QComboBox* parameterCombo = manager.addEditor(QStringLiteral("Vehicle"), &parameter);
    QCOMPARE(parameterCombo->count(), 23);
    QCOMPARE(parameterCombo->itemText(0), QStringLiteral("-"));
    QCOMPARE(parameterCombo->currentIndex(), 0);
    parameterCombo->setCurrentIndex(19);
    QCOMPARE(int(parameter), 18);
}

void TestRecordForms::smallRows()
{
    QWidget parent;
    ParameterEditorManager manager(&parent);
    manager.layout = new QFormLayout(&parent);

    // A 0-based connector shown 1-based.
    int connector = 0;
    QSpinBox* connectorBox = manager.addEditor_withOffset(QStringLiteral("CAN"), &connector, 1, 2);
    QCOMPARE(connectorBox->value(), 1);
    connectorBox->setValue(2);
    QCOMPARE(connector, 1);

    auto dataBits = QSerialPort::Data8;
    QSpinBox* bitsBox = manager.addEditor(QStringLiteral("Bits"), &dataBits);
    QCOMPARE(bitsBox->minimum(), 5);
    QCOMPARE(bitsBox->maximum(), 8);
    bitsBox->setValue(7);
    QCOMPARE(dataBits, QSerialPort::Data7);

    // Typed text becomes its bytes.
    QByteArray request;
    QLineEdit* requestEdit = manager.addEditor(QStringLiteral("Request"), &request);
    QTest::keyClicks(requestEdit, QStringLiteral("010D"));
    QCOMPARE(request, QByteArrayLiteral("010D"));

    int identifier = 0x7DF;
    CanIdLineEdit* idEdit = manager.addEditor_canId(QStringLiteral("Id"), &identifier);
    idEdit->setCanId(0x7E8);
    QCOMPARE(identifier, 0x7E8);

    int word = 0x1234;
    HexDataLineEdit* wordEdit = manager.addEditor_hex16(QStringLiteral("Word"), &word);
    QCOMPARE(wordEdit->text(), QStringLiteral("1234"));
    wordEdit->setText(QStringLiteral("BEEF"));
    QCOMPARE(word, 0xBEEF);

    // A value slot reached by anything but one of the form's editors writes nothing.
    QSignalSpy changed(&manager, &ParameterEditorManagerBase::signal_parametersChanged);
    QVERIFY(QMetaObject::invokeMethod(&manager, "slot_int", Qt::DirectConnection, Q_ARG(int, 5)));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(word, 0xBEEF);
}

void TestRecordForms::baudRateMenu()
{
    QWidget parent;
    ParameterEditorManager manager(&parent);
    manager.layout = new QFormLayout(&parent);
    int baudRate = 500000;
    QSpinBox* baudBox = manager.addEditor_baudrate(QStringLiteral("Baud"), &baudRate);
    QCOMPARE(baudBox->minimum(), 10);
    QCOMPARE(baudBox->maximum(), 2147483647);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    MenuDriver driver({QStringLiteral("9600")});
    Q_EMIT baudBox->customContextMenuRequested(QPoint(2, 2));
    QVERIFY(driver.opened);
    QCOMPARE(driver.entries,
             QStringList({"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
    QCOMPARE(baudRate, 9600);
}

void TestRecordForms::rowsWithoutForm()
{
    LogCapture log;
    QWidget parent;
    ParameterEditorManager manager(&parent);
    QString text = QStringLiteral("kept");
    QLineEdit* edit = manager.addEditor(QStringLiteral("Text"), &text);
    QCOMPARE(edit->parentWidget(), &parent);
    QCOMPARE(edit->text(), QStringLiteral("kept"));
    edit->setText(QStringLiteral("typed"));
    QCOMPARE(text, QStringLiteral("typed"));
    manager.addLayoutLine();
    QCOMPARE(log.count(QStringLiteral("Layout not set")), 1);
    ChannelSetup setup;
    manager.addEditor(&setup, false, false, nullptr);
    QCOMPARE(log.count(QStringLiteral("Layout not set")), 2);
    QVERIFY(manager.channelSetupWidget);
}

QTEST_MAIN(TestRecordForms)
#include "tst_record_forms.moc"
