// The argument editor: source types, units of a constant, the channel picker
// and its lock to a quantity, refused keys, and showing without writing.
#include "ArgumentLineEdit.h"
#include "ArgumentWidget.h"
#include "ChannelFamily.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "Colors.h"
#include "InputChannelsModel.h"
#include "MySettings.h"
#include "QuantityComboBox.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "SelectionDialog.h"
#include "UnitComboBox.h"
#include "functions/Argument.h"
#include "functions/ArgumentType.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QComboBox>
#include <QFile>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <cmath>

namespace {

// Stands in for the functions model: a few live channels of chosen quantities.
class TestFamily : public ChannelFamily
{
public:
    RunChannel* getChannelByKey(const QString& key) const override
    {
        for (RunChannel* channel : channels) {
            if (channel->setup->key == key)
                return channel;
        }
        return nullptr;
    }
    QList<AbstractChannel*> listChannelsForArgument(Quantity quantity) const override
    {
        QList<AbstractChannel*> list;
        for (RunChannel* channel : channels) {
            if (int(quantity) < 0 || channel->setup->quantity == quantity)
                list.append(channel);
        }
        return list;
    }
    QList<AbstractChannel*> getListForChannels() const override { return {}; }
    QList<RunChannel*> channels;
};

TestFamily g_family;

const Unit* unitOf(Quantity quantity, const char* name)
{
    return theUnits.getUnitByQuantityAndName(quantity, QString::fromUtf8(name));
}

} // namespace

class TestArgumentWidget : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void showingWritesNothing();
    void switchingTheSourceType();
    void constantInAnotherUnit();
    void pickerLockedToLogic();
    void pickerWithoutChannels();
    void refusedChannelKey();
    void boundToTheSettings();
    void keyOfAnUnreadableFileIsKept();
};

void TestArgumentWidget::initTestCase()
{
    theUnits.init();
    theColors.init();
    const struct {
        const char* key;
        Quantity quantity;
    } channels[] = {{"F_runActive", Quantity::Logic}, {"F_fanOn", Quantity::Logic}, {"F_rpm", Quantity::RotationalSpeed}};
    for (const auto& entry : channels) {
        auto* channel = new RunChannel(8, QString::fromLatin1(entry.key), 0, QString::fromLatin1(entry.key),
                                       entry.quantity);
        g_family.channels.append(channel);
    }
    theChannels.registerFamily(Channels::Family_functions, &g_family);
}

void TestArgumentWidget::cleanupTestCase()
{
    theChannels.registerFamily(Channels::Family_functions, nullptr);
    qDeleteAll(g_family.channels);
}

void TestArgumentWidget::showingWritesNothing()
{
    // More digits than the field shows: showing must not round the constant.
    Argument argument;
    argument.quantity = Quantity::Speed;
    argument.unit = unitOf(Quantity::Speed, "km/h");
    argument.setConstant(0.123456789012345, false);
    ArgumentWidget widget(nullptr, &argument);
    QCOMPARE(widget.typeCombo->currentIndex(), int(ArgumentType_constant));
    QCOMPARE(widget.valueEdit->text(), QStringLiteral("0.444444"));
    QVERIFY(!widget.unitCombo->isHidden());
    QCOMPARE(argument.getConstant(), 0.123456789012345);
    // A new source announced by the argument is shown, again without writing.
    argument.setConstant(0.987654321098765, true);
    QCOMPARE(widget.valueEdit->text(), QStringLiteral("3.555556"));
    QCOMPARE(argument.getConstant(), 0.987654321098765);
}

void TestArgumentWidget::switchingTheSourceType()
{
    Argument argument;
    argument.setChannel(g_family.channels.at(2), false);
    ArgumentWidget widget(nullptr, &argument);
    QCOMPARE(widget.valueEdit->text(), QStringLiteral("F_rpm"));
    QVERIFY(widget.valueEdit->isReadOnly());
    QVERIFY(widget.unitCombo->isHidden());

    widget.typeCombo->setCurrentIndex(ArgumentType_constant);
    QVERIFY(widget.valueEdit->text().isEmpty());
    QVERIFY(!widget.unitCombo->isHidden());
    QCOMPARE(argument.getType(), ArgumentType_constant);
    QCOMPARE(argument.getConstant(), 0.0);

    widget.typeCombo->setCurrentIndex(ArgumentType_null);
    QVERIFY(!widget.valueEdit->isEnabled());
    QCOMPARE(argument.getType(), ArgumentType_null);

    // From an empty value field too the argument takes the new type.
    widget.typeCombo->setCurrentIndex(ArgumentType_constant);
    QCOMPARE(argument.getType(), ArgumentType_constant);
    QTest::keyClicks(widget.valueEdit, QStringLiteral("12.5"));
    QCOMPARE(argument.getConstant(), 12.5);

    // A double click on a constant opens nothing.
    RecordingAnswerer answerer;
    Q_EMIT widget.valueEdit->signal_mouseDoubleClicked();
    QVERIFY(answerer.shown.isEmpty());
}

void TestArgumentWidget::constantInAnotherUnit()
{
    Argument argument;
    argument.quantity = Quantity::Speed;
    argument.unit = unitOf(Quantity::Speed, "km/h");
    argument.setConstant(10 / 3.6, false);
    ArgumentWidget widget(nullptr, &argument);
    QCOMPARE(widget.valueEdit->text(), QStringLiteral("10.000000"));
    widget.unitCombo->setUnit(QStringLiteral("mph"));
    QCOMPARE(argument.unit->name, QStringLiteral("mph"));
    QCOMPARE(widget.valueEdit->text(), QStringLiteral("6.213712"));
    // The same speed, up to the six decimals of the shown number.
    QVERIFY(std::abs(argument.getConstant() - 10 / 3.6) < 1e-6);
}

void TestArgumentWidget::pickerLockedToLogic()
{
    RecordingAnswerer answerer;
    Argument argument;
    ArgumentWidget widget(nullptr, &argument);
    widget.typeCombo->setCurrentIndex(ArgumentType_channel);
    widget.setLockedQuantity(Quantity::Logic);
    QVERIFY(!widget.quantityCombo->isEnabled());
    QCOMPARE(widget.quantityCombo->currentQuantity(), Quantity::Logic);

    QStringList offered;
    answerer.respond = [&offered](QDialog* dialog) {
        auto* picker = qobject_cast<SelectionDialog*>(dialog);
        for (int row = 0; row < picker->itemModel->rowCount(); ++row)
            offered << picker->itemModel->item(row, 0)->text();
        Q_EMIT picker->tableView->activated(picker->tableView->model()->index(1, 0));
        return picker->result();
    };
    Q_EMIT widget.valueEdit->signal_mouseDoubleClicked();
    QCOMPARE(offered, QStringList({"F_runActive", "F_fanOn"}));
    QCOMPARE(answerer.shown.first().title, QStringLiteral("Select Item"));
    QCOMPARE(argument.getChannel(), g_family.channels.at(1));
    QCOMPARE(widget.valueEdit->text(), QStringLiteral("F_fanOn"));
}

void TestArgumentWidget::pickerWithoutChannels()
{
    RecordingAnswerer answerer;
    Argument argument;
    ArgumentWidget widget(nullptr, &argument);
    widget.typeCombo->setCurrentIndex(ArgumentType_channel);
    widget.quantityCombo->setQuantity(Quantity::Inertia);
    widget.slot_showValueSelector();
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().className, QStringLiteral("QMessageBox"));
    QCOMPARE(answerer.shown.first().text,
             QStringLiteral("No channel with type \"%1\" is available")
                 .arg(theUnits.quantityNames.at(int(Quantity::Inertia))));
}

void TestArgumentWidget::refusedChannelKey()
{
    RecordingAnswerer answerer;
    Argument argument;
    argument.setChannel(g_family.channels.at(0), false);
    ArgumentWidget widget(nullptr, &argument);
    widget.valueEdit->setText(QStringLiteral("F_missing"));
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().text, QStringLiteral("Channel key 'F_missing' is invalid for argument"));
    QVERIFY(widget.valueEdit->text().isEmpty());
    QCOMPARE(argument.getType(), ArgumentType_channel);
    QCOMPARE(argument.getChannel(), nullptr);
}

void TestArgumentWidget::boundToTheSettings()
{
    theSettings.setValue(QStringLiteral("UserSetting/DynoSetting/gate/type"), 2);
    theSettings.setValue(QStringLiteral("UserSetting/DynoSetting/gate/value"), QStringLiteral("F_runActive"));
    Argument argument;
    ArgumentWidget widget(nullptr, &argument);
    widget.setObjectName(QStringLiteral("DynoSetting/gate"));
    theSettings.connectArgumentWidget(&widget);
    QCOMPARE(widget.valueEdit->objectName(), QStringLiteral("DynoSetting/gate/value"));
    QCOMPARE(argument.getChannel(), g_family.channels.at(0));
    widget.typeCombo->setCurrentIndex(ArgumentType_null);
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/DynoSetting/gate/type")).toInt(), 0);
}

// One input-channel file that cannot be read must not wipe the settings that
// name its channels: the key stays as stored (and is logged); a key of a
// family whose file was read is still refused.
void TestArgumentWidget::keyOfAnUnreadableFileIsKept()
{
    RecordingAnswerer answerer;
    QFile file(theSettings.settingsDir.filePath(QStringLiteral("inputChannels.xml")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<inputChannels><inputChannel name=\"Lamp\"");
    file.close();
    theInputChannelsModel.loadFromFile();
    QCOMPARE(answerer.shown.size(), 1); // the unreadable file is reported
    QVERIFY(theInputChannelsModel.keyOfUnreadFile(QStringLiteral("I_Lamp")));
    QVERIFY(!theInputChannelsModel.keyOfUnreadFile(QStringLiteral("F_Lamp")));

    theSettings.setValue(QStringLiteral("UserSetting/DynoSetting/lamp/type"), 2);
    theSettings.setValue(QStringLiteral("UserSetting/DynoSetting/lamp/value"), QStringLiteral("I_Lamp"));
    Argument argument;
    ArgumentWidget widget(nullptr, &argument);
    widget.setObjectName(QStringLiteral("DynoSetting/lamp"));
    theSettings.connectArgumentWidget(&widget);
    QCOMPARE(widget.valueEdit->text(), QStringLiteral("I_Lamp"));
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/DynoSetting/lamp/value")).toString(),
             QStringLiteral("I_Lamp"));
    QCOMPARE(argument.getType(), ArgumentType_channel);
    QCOMPARE(argument.getChannel(), nullptr);
    QCOMPARE(answerer.shown.size(), 1);

    widget.valueEdit->setText(QStringLiteral("F_missing"));
    QCOMPARE(answerer.shown.size(), 2);
    QVERIFY(widget.valueEdit->text().isEmpty());
}

QTEST_MAIN(TestArgumentWidget)
#include "tst_argument_widget.moc"
