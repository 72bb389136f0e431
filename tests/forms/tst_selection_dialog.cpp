// The selection dialog: word filters, keys from the filter line, results as
// rows of the list given, and the remembered "Hide unavailable channels".
#include "AbstractChannel.h"
#include "ChannelSetup.h"
#include "Colors.h"
#include "MySettings.h"
#include "SelectionDialog.h"
#include "lib/Units.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <memory>
#include <vector>

namespace {

// Channels with a key and a display name, some of them unavailable.
struct ChannelList {
    void add(const QString& key, const QString& name, bool available = true)
    {
        auto channel = std::make_unique<AbstractChannel>();
        auto setup = std::make_unique<ChannelSetup>();
        setup->key = key;
        setup->displayName = name;
        channel->setup = setup.get();
        channel->available = available;
        pointers.append(channel.get());
        setupPointers.append(setup.get());
        channels.push_back(std::move(channel));
        setups.push_back(std::move(setup));
    }
    std::vector<std::unique_ptr<AbstractChannel>> channels;
    std::vector<std::unique_ptr<ChannelSetup>> setups;
    QList<AbstractChannel*> pointers;
    QList<ChannelSetup*> setupPointers;
};

ChannelList sampleChannels()
{
    ChannelList list;
    list.add(QStringLiteral("engine_speed"), QStringLiteral("Engine speed"));
    list.add(QStringLiteral("C_oil"), QStringLiteral("Oil temperature"), false);
    list.add(QStringLiteral("dyno_speed"), QStringLiteral("Road speed"));
    list.add(QStringLiteral("oil_pressure"), QStringLiteral("Engine oil pressure"));
    list.add(QStringLiteral("UDS_rpm"), QStringLiteral("Engine rpm (OBD)"), false);
    list.add(QStringLiteral("voltage_12"), QStringLiteral("+12V bus voltage"));
    return list;
}

QStringList shownKeys(const SelectionDialog& dialog)
{
    QStringList keys;
    QAbstractItemModel* model = dialog.tableView->model();
    for (int row = 0; row < model->rowCount(); ++row)
        keys << model->index(row, 0).data().toString();
    return keys;
}

} // namespace

class TestSelectionDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void wordFilters_data();
    void wordFilters();
    void resultIsTheRowOfTheListGiven();
    void keysFromTheFilterLine();
    void okWithoutARowCancels();
    void unavailableChannels();
    void setupsAndPairs();
};

void TestSelectionDialog::initTestCase()
{
    theUnits.init();
    theColors.init();
}

void TestSelectionDialog::init()
{
    theSettings.remove(QStringLiteral("UserSetting/channelSelection/hideUnavailableChannels"));
}

void TestSelectionDialog::wordFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("keys");
    const QStringList all = {"engine_speed", "C_oil", "dyno_speed", "oil_pressure", "UDS_rpm", "voltage_12"};
    QTest::newRow("no filter") << QString() << all;
    QTest::newRow("one word, any case") << "SPEED" << QStringList({"engine_speed", "dyno_speed"});
    QTest::newRow("two words in one column, any order")
        << "oil engine" << QStringList({"oil_pressure"});
    // "road" is in the name, "dyno" in the key: no single column holds both.
    QTest::newRow("words split over the columns") << "road dyno" << QStringList();
    QTest::newRow("a dot is any character") << "oil.p" << QStringList({"oil_pressure"});
    QTest::newRow("an open parenthesis hides everything") << "(" << QStringList();
    QTest::newRow("closed again") << "(obd)" << QStringList({"UDS_rpm"});
    QTest::newRow("plus has its meaning") << "+12" << QStringList();
}

void TestSelectionDialog::wordFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, keys);
    ChannelList channels = sampleChannels();
    SelectionDialog dialog;
    dialog.setContent(channels.pointers);
    QVERIFY(!dialog.tableView->currentIndex().isValid());
    QTest::keyClicks(dialog.filterEdit, filter);
    QCOMPARE(shownKeys(dialog), keys);
    // A filter that leaves rows makes the first one current.
    if (!keys.isEmpty() && !filter.isEmpty())
        QCOMPARE(dialog.tableView->currentIndex().row(), 0);
}

void TestSelectionDialog::resultIsTheRowOfTheListGiven()
{
    ChannelList channels = sampleChannels();
    SelectionDialog dialog;
    dialog.setContent(channels.pointers);
    QTest::keyClicks(dialog.filterEdit, QStringLiteral("speed"));
    // The second row shown is the third channel given.
    const QModelIndex second = dialog.tableView->model()->index(1, 1);
    Q_EMIT dialog.tableView->activated(second);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.getSelectedChannel(), channels.pointers.at(2));
}

void TestSelectionDialog::keysFromTheFilterLine()
{
    ChannelList channels = sampleChannels();
    SelectionDialog dialog;
    dialog.setContent(channels.pointers);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Nothing current yet: the keys move nothing.
    QTest::keyClick(dialog.filterEdit, Qt::Key_Down);
    QVERIFY(!dialog.tableView->currentIndex().isValid());
    dialog.tableView->setCurrentIndex(dialog.tableView->model()->index(0, 0));
    QTest::keyClick(dialog.filterEdit, Qt::Key_Up);
    QCOMPARE(dialog.tableView->currentIndex().row(), 0);
    QTest::keyClick(dialog.filterEdit, Qt::Key_Down);
    QCOMPARE(dialog.tableView->currentIndex().row(), 1);
    QTest::keyClick(dialog.filterEdit, Qt::Key_PageDown);
    QCOMPARE(dialog.tableView->currentIndex().row(), 5);
    QTest::keyClick(dialog.filterEdit, Qt::Key_PageUp);
    QCOMPARE(dialog.tableView->currentIndex().row(), 0);
    // The keys stayed in the filter line.
    QVERIFY(dialog.filterEdit->text().isEmpty());
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.getSelectedChannel(), channels.pointers.first());
}

void TestSelectionDialog::okWithoutARowCancels()
{
    ChannelList channels = sampleChannels();
    SelectionDialog dialog;
    dialog.setContent(channels.pointers);
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.getSelectedChannel(), nullptr);

    SelectionDialog empty;
    empty.setContent(QList<std::pair<QString, QString>>());
    empty.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(empty.result(), int(QDialog::Rejected));
    QCOMPARE(empty.getSelectedKey(), QString());
}

void TestSelectionDialog::unavailableChannels()
{
    ChannelList channels = sampleChannels();
    {
        SelectionDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select Item"));
        dialog.setContent(channels.pointers);
        QVERIFY(!dialog.hideUnavailableCheckBox->isHidden());
        QCOMPARE(shownKeys(dialog).size(), 6);
        // Greyed while listed.
        QCOMPARE(dialog.itemModel->item(1, 0)->background().color(), QColor(230, 230, 230));
        QCOMPARE(dialog.itemModel->item(1, 1)->background().color(), QColor(230, 230, 230));
        QCOMPARE(dialog.itemModel->item(0, 0)->background().style(), Qt::NoBrush);

        QTest::keyClicks(dialog.filterEdit, QStringLiteral("oil"));
        dialog.hideUnavailableCheckBox->setChecked(true);
        // Gone at once, and the filter still applies to the new rows.
        QCOMPARE(shownKeys(dialog), QStringList({"oil_pressure"}));
        Q_EMIT dialog.tableView->activated(dialog.tableView->model()->index(0, 0));
        QCOMPARE(dialog.getSelectedChannel(), channels.pointers.at(3));
    }
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/channelSelection/hideUnavailableChannels")).toInt(),
             int(Qt::Checked));
    // The next dialog starts with the choice.
    SelectionDialog next;
    QVERIFY(next.hideUnavailableCheckBox->isChecked());
    next.setContent(channels.pointers);
    QCOMPARE(shownKeys(next), QStringList({"engine_speed", "dyno_speed", "oil_pressure", "voltage_12"}));
}

void TestSelectionDialog::setupsAndPairs()
{
    ChannelList channels = sampleChannels();
    SelectionDialog setups(nullptr, QStringLiteral("Pick a setup"));
    setups.setContent(channels.setupPointers);
    QVERIFY(setups.hideUnavailableCheckBox->isHidden());
    QCOMPARE(setups.windowTitle(), QStringLiteral("Pick a setup"));
    QTest::keyClicks(setups.filterEdit, QStringLiteral("bus"));
    setups.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(setups.getSelectedSetup(), channels.setupPointers.last());

    SelectionDialog pairs;
    pairs.setContent(QList<std::pair<QString, QString>>(
        {{QStringLiteral("vehicleMass"), QStringLiteral("Vehicle mass")},
         {QStringLiteral("wheelDiameter"), QStringLiteral("Wheel diameter")}}));
    QVERIFY(pairs.hideUnavailableCheckBox->isHidden());
    QCOMPARE(pairs.itemModel->item(1, 0)->text(), QStringLiteral("wheelDiameter"));
    QCOMPARE(pairs.itemModel->item(1, 1)->text(), QStringLiteral("Wheel diameter"));
    Q_EMIT pairs.tableView->activated(pairs.tableView->model()->index(1, 1));
    QCOMPARE(pairs.getSelectedKey(), QStringLiteral("wheelDiameter"));
}

QTEST_MAIN(TestSelectionDialog)
#include "tst_selection_dialog.moc"
