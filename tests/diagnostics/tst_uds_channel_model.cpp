#include "ChannelSetup.h"
#include "Channels.h"
#include "Diagnostics.h"
#include "FrameRecords.h"
#include "FrameVectors.h"
#include "MySettings.h"
#include "RecordedUdsChannels.h"
#include "RecordingAnswerer.h"
#include "UDSChannel.h"
#include "UDSChannelModel.h"
#include "lib/Units.h"

#include <QBrush>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QRegularExpression>
#include <QSet>
#include <cstring>

#include <cmath>
#include <limits>

class TestUdsChannelModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void tableCells();
    void lookUps();
    void fileRoundTripAndNames();
    void unreadableFileKept();
    void exportFailureReported();
    void keysAndDoubleClick();
    void recordedIdsDistinct();
    void parseFrames();
    void recordedRun();

private:
    UDSChannel* add(const QString& name, const QByteArray& command, int group = 0);
    QString settingsDir() const { return theSettings.settingsDir.absolutePath(); }
    RecordingAnswerer answerer;
};

UDSChannel* TestUdsChannelModel::add(const QString& name, const QByteArray& command, int group)
{
    auto* channel = new UDSChannel;
    channel->setChildName(name);
    channel->udsSetup.command = command;
    channel->udsSetup.equation = QStringLiteral("A");
    channel->udsSetup.priorityGroup = PriorityGroup(group);
    channel->updateAndCheckEquation(false);
    theUDSChannelModel.addChannels({channel});
    return channel;
}

void TestUdsChannelModel::initTestCase()
{
    theUnits.init();
    theChannels.init();
    Diagnostics::registerHooks();
}

void TestUdsChannelModel::cleanup()
{
    theUDSChannelModel.clear();
    theUDSChannelModel.saveTimer->stop();
    answerer.shown.clear();
}

void TestUdsChannelModel::tableCells()
{
    UDSChannelModel& model = theUDSChannelModel;
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 11);
    QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QStringLiteral("0"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Auto\nheader"));
    QVERIFY(!model.headerData(11, Qt::Horizontal).isValid());

    UDSChannel* rpm = add(QStringLiteral("rpm"), "010C", 5);
    rpm->udsSetup.supportBit = 3;
    rpm->udsSetup.vehicleParamId = VehicleParamId_engineSpeed;
    UDSChannel* idle = add(QStringLiteral("idle"), "0105", 0);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("1/5"));
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("0/1"));
    QCOMPARE(model.data(model.index(0, 5)).toString(), QStringLiteral("3"));
    QCOMPARE(model.data(model.index(1, 5)).toString(), QString());
    QCOMPARE(model.data(model.index(0, 6)).toString(), QStringLiteral("A[") + rpm->udsSetup.inputUnit->name + "]");
    QCOMPARE(model.data(model.index(0, 9)).toString(), QStringLiteral("VP_engineSpeed"));
    QCOMPARE(model.data(model.index(1, 9)).toString(), QString());
    QVERIFY(model.data(model.index(0, 4), Qt::FontRole).value<QFont>().bold());
    QVERIFY(!model.data(model.index(1, 4), Qt::FontRole).isValid());
    QVERIFY(!model.data(model.index(2, 0)).isValid());

    // Status colours: none, green, yellow, yellow, red.
    const struct {
        UDSResponse status;
        QColor colour;
    } colours[] = {{NotSupported, QColor()},
                   {Ok, QColor(175, 255, 175)},
                   {NoData, QColor(255, 255, 175)},
                   {NegativeResponse, QColor(255, 255, 175)},
                   {TooShort, QColor(255, 175, 175)},
                   {UnexpectedReply, QColor(255, 175, 175)}};
    for (const auto& entry : colours) {
        idle->slot_setStatus(entry.status);
        const QVariant brush = model.data(model.index(1, 3), Qt::BackgroundRole);
        QCOMPARE(brush.isValid(), entry.colour.isValid());
        if (brush.isValid())
            QCOMPARE(brush.value<QBrush>().color(), entry.colour);
        QCOMPARE(model.data(model.index(1, 10)).toInt(), int(entry.status));
    }

    // Value cells: one notification per refresh after new values, none otherwise.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.valuesChanged = true;
    model.slot_updateValueDisplay();
    model.slot_updateValueDisplay();
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex().column(), 7);
    QCOMPARE(changed.at(0).at(1).toModelIndex().column(), 8);
}

void TestUdsChannelModel::lookUps()
{
    UDSChannelModel& model = theUDSChannelModel;
    QVERIFY(!model.getChannelByKey(QStringLiteral("UDS_x")));
    add(QStringLiteral("a"), "0105");
    UDSChannel* b = add(QStringLiteral("b"), "01051");
    add(QStringLiteral("c"), "010");
    b->setup->hide = true;
    QCOMPARE(model.listChannelsForCommand("0105").size(), 2);
    QCOMPARE(model.listChannelsForCommand("").size(), 3);
    QCOMPARE(model.getChannelByKey(QStringLiteral("UDS_b")), b);
    QVERIFY(!model.getChannelByKey(QStringLiteral("b")));
    QCOMPARE(model.listForArgument(Quantity(-1)).size(), 3);
    QCOMPARE(model.getListForChannels().size(), 2);
    // The registry finds the family.
    QCOMPARE(theChannels.getChannelByKey(QStringLiteral("UDS_b")), b);
}

void TestUdsChannelModel::fileRoundTripAndNames()
{
    UDSChannelModel& model = theUDSChannelModel;
    UDSChannel* speed = add(QStringLiteral("Speed"), "010D", 2);
    speed->udsSetup.header = "7E0";
    speed->udsSetup.prefixCommands = "ATSH7E0";
    speed->udsSetup.supportBit = 7;
    const QString text = model.setupToString();
    QVERIFY(text.startsWith(QStringLiteral("<UDSChannels>")));

    // Importing the same document twice: the second copy is "Speed 1";
    // foreign elements and top-level nodes are skipped.
    model.clear();
    const QString withForeign = QStringLiteral("<!-- x --><UDSChannels><other/><UDSChannel name=\"Speed\" "
                                               "command=\"010D\"/><UDSChannel command=\"01\"/></UDSChannels>");
    model.loadFromString(withForeign, false);
    model.loadFromString(withForeign, false);
    QCOMPARE(model.listInputNames(),
             QList<QString>({QStringLiteral("Speed"), QString(), QStringLiteral("Speed 1"), QStringLiteral(" 1")}));
    QVERIFY(!model.saveTimer->isActive());

    // Duplicating Speed and Speed 1 together gives Speed 2 and Speed 3.
    model.clear();
    model.loadFromString(text, false);
    model.loadFromString(text, false);
    QVERIFY(model.action_duplicate({0, 1}));
    QCOMPARE(model.listInputNames(), QList<QString>({QStringLiteral("Speed"), QStringLiteral("Speed 1"),
                                                     QStringLiteral("Speed 2"), QStringLiteral("Speed 3")}));
    QVERIFY(model.saveTimer->isActive());
    QCOMPARE(model.saveTimer->interval(), 500);
    QVERIFY(model.saveTimer->isSingleShot());
    QCOMPARE(model.channel(3)->udsSetup.header, QByteArray("7E0"));
    QCOMPARE(model.channel(3)->udsSetup.prefixCommands, QByteArray("ATSH7E0"));
    QCOMPARE(int(model.channel(3)->udsSetup.priorityGroup), 2);

    // Saved and loaded again: every channel comes back the same.
    model.loadFromFile();
    model.clear();
    model.loadFromString(text, false);
    model.slot_saveToFile();
    QFile file(QDir(settingsDir()).filePath(QStringLiteral("UDSChannels.xml")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString saved = QString::fromUtf8(file.readAll());
    file.close();
    model.clear();
    model.loadFromFile();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.channel(0)->udsSetup.supportBit, 7);
    // Ids differ between loads, the rest is equal.
    QString again = model.setupToString();
    auto dropIds = [](QString s) {
        return s.remove(QRegularExpression(QStringLiteral(" uniqueId=\"\\d+\"")));
    };
    QCOMPARE(dropIds(again), dropIds(saved));
}

void TestUdsChannelModel::unreadableFileKept()
{
    UDSChannelModel model;
    const QString path = QDir(settingsDir()).filePath(QStringLiteral("UDSChannels.xml"));
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".bad"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<UDSChannels><UDSChannel name=\"a\"");
    }
    QSignalSpy errors(&model, &UDSChannelModel::signal_emitError);
    model.loadFromFile();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(errors.size(), 1);
    QVERIFY(QFile::exists(path + QStringLiteral(".bad")));
    QFile bad(path + QStringLiteral(".bad"));
    QVERIFY(bad.open(QIODevice::ReadOnly));
    QCOMPARE(bad.readAll(), QByteArray("<UDSChannels><UDSChannel name=\"a\""));
}

void TestUdsChannelModel::exportFailureReported()
{
    add(QStringLiteral("x"), "0100");
    answerer.files = {QStringLiteral("/nonexistent-folder/out.xml")};
    answerer.result = 1;
    theUDSChannelModel.action_export({0});
    bool reported = false;
    for (const RecordingAnswerer::Shown& shown : answerer.shown)
        reported = reported || shown.text.contains(QStringLiteral("Error opening output file"));
    QVERIFY(reported);

    const QString good = QDir(settingsDir()).filePath(QStringLiteral("export.xml"));
    answerer.files = {good};
    theUDSChannelModel.action_export({0});
    QFile file(good);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("name=\"x\""));
}

void TestUdsChannelModel::keysAndDoubleClick()
{
    UDSChannelModel& model = theUDSChannelModel;
    add(QStringLiteral("a"), "01");
    add(QStringLiteral("b"), "02");
    add(QStringLiteral("c"), "03");
    QTableView view;
    view.setModel(&model);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.installEventFilter(&model);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    view.setCurrentIndex(model.index(0, 4));
    QTest::keyClick(&view, Qt::Key_Up, Qt::AltModifier); // first row: nothing moves
    QCOMPARE(model.listInputNames().first(), QStringLiteral("a"));
    QTest::keyClick(&view, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(model.listInputNames(), QList<QString>({"b", "a", "c"}));
    QCOMPARE(view.currentIndex().row(), 1);
    QVERIFY(model.saveTimer->isActive());
    QTest::keyClick(&view, Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(&view, Qt::Key_Down, Qt::AltModifier); // last row: consumed, nothing moves
    QCOMPARE(model.listInputNames(), QList<QString>({"b", "c", "a"}));
    QCOMPARE(view.currentIndex().row(), 2);
    // Plain Up reaches the view.
    QTest::keyClick(&view, Qt::Key_Up);
    QCOMPARE(view.currentIndex().row(), 1);

    // Double-click on the group toggles "0/1" and "1/1".
    model.action_setPriority({0}, PriorityGroup_5);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("1/5"));
    model.slot_doubleClicked(model.index(0, 0));
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("0/1"));
    model.slot_doubleClicked(model.index(0, 0));
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("1/1"));
    model.action_disableAll();
    for (int row = 0; row < model.rowCount(); ++row)
        QCOMPARE(int(model.channel(row)->udsSetup.priorityGroup), 0);

    // D with a selection duplicates; Delete removes what nobody uses without asking.
    view.selectRow(2);
    QTest::keyClick(&view, Qt::Key_D);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.listInputNames().last(), QStringLiteral("a 1"));
    view.clearSelection();
    view.selectRow(3);
    QTest::keyClick(&view, Qt::Key_Delete);
    QCOMPARE(model.listInputNames(), QList<QString>({"b", "c", "a"}));
    QVERIFY(answerer.shown.isEmpty());
}

void TestUdsChannelModel::recordedIdsDistinct()
{
    UDSChannel* first = add(QStringLiteral("a"), "01");
    auto* second = new UDSChannel;
    second->setChildName(QStringLiteral("b"));
    second->setLogId(first->logId());
    auto* third = new UDSChannel;
    third->setChildName(QStringLiteral("c"));
    third->setLogId(quint16(first->logId() + 1));
    theUDSChannelModel.addChannels({second, third});
    QSet<quint16> ids {first->logId(), second->logId(), third->logId()};
    QCOMPARE(ids.size(), 3);
}

void TestUdsChannelModel::parseFrames()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QList<channelFrame_t> frames = {{1.0, 7, 1500}, {2.0, 9, 1600}, {nan, 7, 1700},
                                          {3.0, 5, 1800}, {4.0, 7, 4294967295u}};
    QList<QList<double>> times;
    QList<QList<double>> values;
    UDSChannelModel::parseFrames({7, 9, 11}, frames.constData(), frames.size(), &times, &values);
    QCOMPARE(times.size(), 3);
    QCOMPARE(times[0], QList<double>({1.5, 1.7, 4294967.295}));
    QCOMPARE(values[0].size(), 3);
    QCOMPARE(values[0][0], 1.0);
    QVERIFY(std::isnan(values[0][1]));
    QCOMPARE(times[1], QList<double>({1.6}));
    QVERIFY(times[2].isEmpty() && values[2].isEmpty());

    times.clear();
    values.clear();
    UDSChannelModel::parseFrames({}, frames.constData(), frames.size(), &times, &values);
    QVERIFY(times.isEmpty() && values.isEmpty());
    UDSChannelModel::parseFrames({1, 2}, nullptr, 0, &times, &values);
    QCOMPARE(times.size(), 2);
    QVERIFY(times[0].isEmpty());
}

void TestUdsChannelModel::recordedRun()
{
    UDSChannel* a = add(QStringLiteral("a"), "010C", 1);
    UDSChannel* b = add(QStringLiteral("b"), "010D", 1);
    const QString text = theUDSChannelModel.setupToString();
    const quint16 idA = a->logId();
    const quint16 idB = b->logId();
    RecordedUdsChannels recorded(text);
    QCOMPARE(recorded.channelCount(), 2);
    FrameVectors vectors;
    const channelFrame_t frames[] = {{10.0, idA, 100}, {20.0, idB, 150}, {11.0, idA, 200}, {99.0, 60000, 250}};
    char* storage = vectors.resize(FrameId_udsInputChannel, 4);
    memcpy(storage, frames, sizeof(frames));
    const QList<RecordedChannelSeries> series = recorded.split(vectors);
    QCOMPARE(series.size(), 2);
    QCOMPARE(series[0].values, QList<double>({10.0, 11.0}));
    QCOMPARE(series[0].times, QList<double>({0.1, 0.2}));
    QCOMPARE(series[1].values, QList<double>({20.0}));
    // A run's channels never join the polling order nor the live list.
    QCOMPARE(recorded.model()->channel(0)->logId(), idA);
    QCOMPARE(theUDSChannelModel.rowCount(), 2);
}

QTEST_MAIN(TestUdsChannelModel)
#include "tst_uds_channel_model.moc"
