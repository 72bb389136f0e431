// The CAN pages' dialogs and preview, the CAN monitor and the CANopen tool
// (also against the simulated CANopen node).
#include "Argument.h"
#include "CANChannelMonitorData.h"
#include "CANMonitor.h"
#include "CanIdLineEdit.h"
#include "CANMonitorModel.h"
#include "CANopenTool.h"
#include "CanDataHexEdit.h"
#include "CanInput.h"
#include "CanInputDialog.h"
#include "CanInputsModel.h"
#include "CanMessagePreview.h"
#include "CanOutputChannel.h"
#include "CanOutputChannelDialog.h"
#include "CanOutputMessage.h"
#include "CanOutputMessageDialog.h"
#include "CanOutputMessageModel.h"
#include "CanOutputsWidget.h"
#include "CanOutputChannelModel.h"
#include "ChannelSetup.h"
#include "HexDataLineEdit.h"
#include "HwInfo.h"
#include "MySettings.h"
#include "RecordingAnswerer.h"
#include "SimulatedCanopenNode.h"
#include "lib/Units.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QThread>

#include <array>
#include <atomic>
#include <thread>

namespace {

qint64 g_now = 1000000;
qint64 fakeClock()
{
    return g_now;
}

struct Sent {
    int bus;
    quint32 id;
    QByteArray bytes;
};
QList<Sent> g_sent;

void recordSend(uint8_t bus, uint32_t id, const uint8_t* data)
{
    g_sent.append({bus, id, QByteArray(reinterpret_cast<const char*>(data), 8)});
}

quint64 wordOf(std::initializer_list<int> bytes)
{
    quint64 w = 0;
    int shift = 56;
    for (int b : bytes) {
        w |= quint64(quint8(b)) << shift;
        shift -= 8;
    }
    return w;
}

canFrame_t frame(int bus, quint32 id, quint64 data)
{
    canFrame_t f;
    f.canData = data;
    f.canChannelAndId = (quint32(bus) << 31) | id;
    f.timestamp = 0;
    return f;
}

QStringList errorTexts(const RecordingAnswerer& answerer)
{
    QStringList texts;
    for (const auto& shown : answerer.shown) {
        if (shown.className == QLatin1String("QMessageBox"))
            texts.append(shown.text);
    }
    return texts;
}

QString hexBytes(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// The board side of the simulated node: frames the tool sends reach the
// node, the node's answers come back as received frames.
class NodeBus : public SimulatedCanPeer::Bus
{
public:
    void sendToBoard(int bus, uint32_t identifier, const uint8_t* d) override
    {
        quint64 w = 0;
        for (int k = 0; k < 8; ++k)
            w = (w << 8) | d[k];
        received.append(frame(bus, identifier, w));
    }
    QList<canFrame_t> received;
};

} // namespace

class TestCanTools : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void previewLayout_data();
    void previewLayout();
    void previewOverflowAndUnknown();
    void inputDialogRefusals_data();
    void inputDialogRefusals();
    void inputDialogCancelRoutesTheOldIdentifier();
    void inputDialogPreviewTakesMatchingFrames();
    void inputsPageKeysAndMenu();
    void outputsPagePreviewFollowsSelection();
    void outputSignalDialogEditsACopy();
    void repeatSendWhileDialogEdits();
    void monitorRows();
    void monitorRate();
    void canopenCommandBytes_data();
    void canopenCommandBytes();
    void canopenFramesIn();
    void canopenGeneratedConfiguration();
    void canopenAgainstSimulatedNode();
    void pictures();
};

void TestCanTools::initTestCase()
{
    theUnits.init();
    RunChannel::setWallClock(&fakeClock);
    CanOutputMessage::setSender(&recordSend);
    theCanInputsModel.loadFromFile();
}

void TestCanTools::init()
{
    g_sent.clear();
    while (theCanInputsModel.inputCount() > 0)
        theCanInputsModel.removeRows(0, 1);
    theHwInfo.liteVariant = false;
}

void TestCanTools::previewLayout_data()
{
    QTest::addColumn<int>("endianness");
    QTest::addColumn<QString>("labels");
    QTest::addColumn<QString>("maskTail");
    // An 8-bit field at byte offset 0: the rightmost cell, under byte 7 for
    // big endian and under byte 0 for little endian.
    QTest::newRow("big") << 0 << " byte 0   byte 1   byte 2   byte 3   byte 4   byte 5   byte 6   byte 7  "
                         << "XXXXXXXX 00000101 ";
    QTest::newRow("little") << 1 << " byte 7   byte 6   byte 5   byte 4   byte 3   byte 2   byte 1   byte 0  "
                            << "XXXXXXXX 00000101 ";
}

void TestCanTools::previewLayout()
{
    QFETCH(int, endianness);
    QFETCH(QString, labels);
    QFETCH(QString, maskTail);
    CanMessagePreview preview;
    preview.slot_setEndiannessInt(endianness);
    preview.setCanId(0x18FEF100);
    preview.setPreviewData(0x0102030405060705ull);
    preview.updateExtractionMask(8, 0, 0);
    QCOMPARE(preview.byteLabel->text(), labels);
    QCOMPARE(preview.idLabel->text(),
             QStringLiteral("  MSB                         0x18FEF100                         LSB  "));
    QCOMPARE(preview.dataLabel->text(),
             QStringLiteral("  0x01     0x02     0x03     0x04     0x05     0x06     0x07     0x05   "));
    QCOMPARE(preview.maskLabel->text().size(), 72);
    QVERIFY(preview.maskLabel->text().endsWith(maskTail));
    QVERIFY(!preview.maskOverflows());
}

void TestCanTools::previewOverflowAndUnknown()
{
    CanMessagePreview preview;
    QCOMPARE(preview.dataLabel->text(), QString(8, QChar()).fill(QLatin1Char('x')).replace(QLatin1String("x"), QLatin1String("   ??    ")));
    // Byte offset 7, bit offset 4, 8 bits: only bits 60 to 63 are marked, in red.
    preview.updateExtractionMask(8, 7, 4);
    QVERIFY(preview.maskOverflows());
    QCOMPARE(preview.highlightMask(), 0xF000000000000000ull);
    QVERIFY(preview.maskLabel->styleSheet().contains(QLatin1String("red")));
    // A start past the word marks nothing and reads nothing.
    preview.updateExtractionMask(8, 8, 0);
    QCOMPARE(preview.highlightMask(), 0ull);
    preview.updateExtractionMask(64, 0, 0);
    QCOMPARE(preview.highlightMask(), ~0ull);
    QVERIFY(!preview.maskLabel->styleSheet().contains(QLatin1String("red")));
    // A new byte order shows placeholders until the next frame.
    preview.setPreviewData(1);
    preview.slot_setEndianness(Endianness_little);
    QVERIFY(!preview.dataKnown());
}

void TestCanTools::inputDialogRefusals_data()
{
    QTest::addColumn<double>("multiplier");
    QTest::addColumn<double>("divider");
    QTest::addColumn<quint32>("mask");
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<int>("byteOffset");
    QTest::addColumn<bool>("enumerated");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QStringList>("errors");
    const QString mul = QStringLiteral("Multiplier is set to '0'. Did you mean '1'?");
    const QString div = QStringLiteral("Divider can't be set to '0'. Did you mean '1'?");
    const QString msk = QStringLiteral("Mask is set to 0. Did you mean '0xffffffff'?");
    const QString range = QStringLiteral(
        "You are trying to extract data out of range. Please check 'Bit count', 'Byte offset', 'Bit offset'.");
    const QString enumWarning =
        QStringLiteral("Your are using bitfield or enumerated quantity with\n multiplier!=1 || divider !=1 || offset!=0");
    QTest::newRow("all three zero, in order") << 0.0 << 0.0 << 0u << 8 << 0 << false << true
                                              << QStringList {mul, div, msk};
    QTest::newRow("56 + 16 past the word") << 1.0 << 1.0 << ~0u << 16 << 7 << false << true << QStringList {range};
    QTest::newRow("56 + 8 fits") << 1.0 << 1.0 << ~0u << 8 << 7 << false << false << QStringList {};
    QTest::newRow("enumerated with multiplier 2 only warns")
        << 2.0 << 1.0 << ~0u << 8 << 0 << true << false << QStringList {enumWarning};
}

void TestCanTools::inputDialogRefusals()
{
    QFETCH(double, multiplier);
    QFETCH(double, divider);
    QFETCH(quint32, mask);
    QFETCH(int, bitCount);
    QFETCH(int, byteOffset);
    QFETCH(bool, enumerated);
    QFETCH(bool, refused);
    QFETCH(QStringList, errors);
    RecordingAnswerer answerer;
    CanInput input;
    input.setChildName(QStringLiteral("Speed"));
    if (enumerated)
        input.setup->slot_setQuantity(Quantity::Enumerated);
    CanInputDialog dialog(nullptr, &input);
    input.def.multiplier = multiplier;
    input.def.divider = divider;
    input.def.canMask = mask;
    input.def.bitCount = bitCount;
    input.def.byteOffset = byteOffset;
    QCOMPARE(dialog.validate(), refused);
    QCOMPARE(errorTexts(answerer), errors);
}

void TestCanTools::inputDialogCancelRoutesTheOldIdentifier()
{
    auto* input = new CanInput();
    input->setChildName(QStringLiteral("Rpm"));
    input->def.canId = 0x100;
    theCanInputsModel.addInput(input);
    theCanInputsModel.rebuildParsingMap();
    RecordingAnswerer answerer;
    answerer.respond = [](QDialog* dialog) {
        auto* edit = qobject_cast<CanInputDialog*>(dialog);
        if (!edit)
            return int(QMessageBox::Ok);
        edit->canIdEdit->setCanId(0x200);
        // The edit is live: the new identifier is routed at once.
        theCanInputsModel.slot_newCanFrameBatch({frame(0, 0x200, 7)});
        edit->reject();
        return int(QDialog::Rejected);
    };
    QVERIFY(theCanInputsModel.action_editInput(0, false));
    QCOMPARE(input->def.canId, 0x100);
    QCOMPARE(input->getValue(), 7.0);
    theCanInputsModel.slot_newCanFrameBatch({frame(0, 0x100, 9)});
    QCOMPARE(input->getValue(), 9.0);
}

void TestCanTools::inputDialogPreviewTakesMatchingFrames()
{
    CanInput input;
    input.setChildName(QStringLiteral("Oil"));
    input.def.canId = 0x123;
    input.def.channelId = 1;
    input.def.endianness = Endianness_little;
    CanInputDialog dialog(nullptr, &input);
    QVERIFY(!dialog.preview->dataKnown());
    // Other bus, other identifier: nothing. The last matching frame of the
    // batch stays, byte-reversed for a little-endian input.
    dialog.slot_newCanFrameBatch({frame(0, 0x123, 1), frame(1, 0x124, 2)});
    QVERIFY(!dialog.preview->dataKnown());
    dialog.slot_newCanFrameBatch({frame(1, 0x123, wordOf({1, 2})), frame(1, 0x123, wordOf({3, 4, 5, 6, 7, 8, 9, 10}))});
    QCOMPARE(dialog.preview->word(), wordOf({10, 9, 8, 7, 6, 5, 4, 3}));
    // Masks as the model routes: mask 0x7F0 with 0x120 takes 0x12F; with
    // 0x125 (bits outside the mask) nothing.
    dialog.canIdEdit->setCanId(0x120);
    input.def.canMask = 0x7F0;
    dialog.slot_canMaskChanged();
    dialog.slot_newCanFrameBatch({frame(1, 0x12F, 1)});
    QVERIFY(dialog.preview->dataKnown());
    dialog.canIdEdit->setCanId(0x125);
    dialog.slot_newCanFrameBatch({frame(1, 0x125, 1), frame(1, 0x12F, 1)});
    QVERIFY(!dialog.preview->dataKnown());
    dialog.reject();
}

void TestCanTools::inputsPageKeysAndMenu()
{
    RecordingAnswerer answerer;
    for (const char* name : {"A", "B", "C", "D"}) {
        auto* input = new CanInput();
        input->setChildName(QString::fromLatin1(name));
        theCanInputsModel.addInput(input);
    }
    auto names = [] { return theCanInputsModel.listInputNames(); };
    // Up without Alt, and Alt+Up on the first row, do nothing.
    theCanInputsModel.slot_keyEvent({0}, 0, Qt::Key_Up, Qt::AltModifier);
    theCanInputsModel.slot_keyEvent({1}, 1, Qt::Key_Up, Qt::NoModifier);
    QCOMPARE(names(), (QStringList {"A", "B", "C", "D"}));
    theCanInputsModel.slot_keyEvent({1}, 1, Qt::Key_Up, Qt::AltModifier);
    theCanInputsModel.slot_keyEvent({2}, 2, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(names(), (QStringList {"B", "A", "D", "C"}));
    theCanInputsModel.slot_keyEvent({3, 0}, 0, Qt::Key_D, Qt::NoModifier);
    QCOMPARE(names(), (QStringList {"B", "A", "D", "C", "C_1", "B_1"}).mid(0, 4) + names().mid(4));
    QCOMPARE(names().size(), 6);
    QVERIFY(names().at(4) != QLatin1String("C") && names().at(4).startsWith(QLatin1Char('C')));
    // Rows selected 3 then 1: exactly those go.
    theCanInputsModel.slot_keyEvent({3, 1}, 1, Qt::Key_Delete, Qt::NoModifier);
    QCOMPARE(names().mid(0, 2), (QStringList {"B", "D"}));
    QCOMPARE(names().size(), 4);

    theHwInfo.liteVariant = true;
    theCanInputsModel.slot_contextMenuEvent({1}, 0, QPoint());
    QVERIFY(!answerer.menus.last().contains(QStringLiteral("Swap channel")));
    QVERIFY(answerer.menus.last().contains(QStringLiteral("J1939 change source address")));
    theHwInfo.liteVariant = false;
    theCanInputsModel.slot_contextMenuEvent({}, 0, QPoint());
    QCOMPARE(answerer.menus.last(),
             (QStringList {"New        -  N", "-", "-", "Show CAN monitor", "-", "Import file", "Import from server",
                           "Import Ecumaster .canx", "Import .DBC file", "Simulate Ecumaster .trace"}));
    CanInputDialog dialog(nullptr, theCanInputsModel.input(0));
    QCOMPARE(dialog.channelSpinBox->maximum(), 2);
    dialog.reject();
}

void TestCanTools::outputsPagePreviewFollowsSelection()
{
    RecordingAnswerer answerer;
    CanOutputsWidget page;
    page.init();
    CanOutputMessageModel* model = theCanOutputMessageModel;
    QVERIFY(model);
    auto* message = new CanOutputMessage();
    message->canId = 0x321;
    message->endianness = Endianness_little;
    message->initialData = 0x0807060504030201ull;
    auto* signal = new CanOutputChannel();
    signal->argument->setConstant(5, false);
    message->addChannel(signal);
    model->addOutput(message);
    page.tableView->selectRow(model->messageCount() - 1);
    QCOMPARE(page.channelModel->message(), message);
    QVERIFY(page.preview->isEnabled());
    QCOMPARE(page.preview->word(), 0x0807060504030205ull);
    QCOMPARE(page.preview->highlightMask(), ~0ull);
    page.channelTableView->selectRow(0);
    QCOMPARE(page.preview->highlightMask(), 0xFFull);
    QVERIFY(page.preview->byteLabel->text().startsWith(QLatin1String(" byte 7")));
    // Removing the shown message leaves the signal table and the preview.
    model->action_remove({model->messageCount() - 1});
    QCOMPARE(page.channelModel->message(), nullptr);
    QVERIFY(!page.preview->isEnabled());
    QCOMPARE(page.preview->word(), 0ull);
    // N on the signal table without a message does nothing.
    page.channelModel->action_new();
    QCOMPARE(page.channelModel->rowCount(), 0);
    QVERIFY(answerer.shown.isEmpty());
}

void TestCanTools::outputSignalDialogEditsACopy()
{
    RecordingAnswerer answerer;
    CanOutputMessage message;
    auto* signal = new CanOutputChannel();
    signal->argument->setConstant(3, false);
    message.addChannel(signal);
    {
        CanOutputChannelDialog dialog(nullptr, &message, 0);
        dialog.edited->multiplier = 0;
        dialog.edited->divider = 0;
        QVERIFY(dialog.validate());
        QCOMPARE(errorTexts(answerer), (QStringList {QStringLiteral("Multiplier is set to '0'. Did you mean '1'?"),
                                                     QStringLiteral("Divider can't be set to '0'. Did you mean '1'?")}));
        dialog.edited->multiplier = 1;
        dialog.edited->divider = 1;
        // Edits reach the message as whole new signals; Cancel puts the old
        // values back the same way.
        auto* bitCount = dialog.findChildren<QSpinBox*>().at(0);
        QCOMPARE(bitCount->value(), 8);
        bitCount->setValue(4);
        QVERIFY(message.channels.at(0) != signal);
        QCOMPARE(message.channels.at(0)->bitCount, 4);
        QCOMPARE(message.updateData(), 3ull);
        dialog.reject();
    }
    QCOMPARE(message.channels.at(0)->bitCount, 8);
    QCOMPARE(message.channels.at(0)->multiplier, 1.0);

    CanOutputMessage live;
    live.canId = 0x10;
    {
        CanOutputMessageDialog dialog(nullptr, &live);
        QCOMPARE(dialog.channelSpinBox->maximum(), 2);
        dialog.findChild<QComboBox*>()->setCurrentIndex(1);
        QCOMPARE(live.endianness, Endianness_little);
        dialog.reject();
    }
    QCOMPARE(live.endianness, Endianness_big);
    theHwInfo.liteVariant = true;
    CanOutputMessageDialog single(nullptr, &live);
    QCOMPARE(single.channelSpinBox->maximum(), 1);
    single.reject();
}

void TestCanTools::repeatSendWhileDialogEdits()
{
    // A second thread shoots the message as the trigger thread does, while
    // the signal dialog moves the last signal's field (the last one wins over
    // the zeros of the others) and the page's preview rebuilds the word:
    // every frame sent is one whole rebuild (the byte in one place).
    RecordingAnswerer answerer;
    CanOutputMessage message;
    for (int i = 0; i < 8; ++i) {
        auto* signal = new CanOutputChannel();
        signal->argument->setConstant(i == 7 ? 0xAB : 0, false);
        signal->isSigned = Signedness_unsigned;
        signal->byteOffset = i;
        message.addChannel(signal);
    }
    QList<quint64> words;
    QMutex wordsMutex;
    CanOutputMessage::setSender([&](uint8_t, uint32_t, const uint8_t* d) {
        quint64 w = 0;
        for (int k = 0; k < 8; ++k)
            w = (w << 8) | d[k];
        QMutexLocker lock(&wordsMutex);
        words.append(w);
    });
    std::atomic<bool> stop {false};
    std::atomic<int> shots {0};
    std::thread shooter([&] {
        while (!stop.load()) {
            message.slot_send();
            ++shots;
        }
    });
    // Edits only once the shooter runs, and it keeps shooting after them.
    while (shots.load() == 0)
        QThread::yieldCurrentThread();
    {
        CanOutputChannelDialog dialog(nullptr, &message, 7);
        QSpinBox* byteOffset = dialog.findChildren<QSpinBox*>().at(1);
        for (int round = 0; round < 200; ++round) {
            byteOffset->setValue(round % 8);
            message.updateData();
        }
        dialog.reject();
    }
    for (const int seen = shots.load(); shots.load() < seen + 10;)
        QThread::yieldCurrentThread();
    stop = true;
    shooter.join();
    CanOutputMessage::setSender(&recordSend);
    QVERIFY(words.size() > 0);
    for (quint64 w : std::as_const(words)) {
        bool whole = false;
        for (int k = 0; k < 8; ++k)
            whole = whole || w == (0xABull << (8 * k));
        QVERIFY2(whole, qPrintable(QString::number(w, 16)));
    }
    QCOMPARE(message.updateData(), 0xABull << 56);
}

void TestCanTools::monitorRows()
{
    CANMonitorModel model;
    model.updateTimer->stop();
    model.slot_newCanFrameBatch({frame(1, 0x123, wordOf({1, 2, 3, 4, 5, 6, 7, 8})), frame(0, 0x123, 0),
                                 frame(1, 0x123, wordOf({1, 2, 3, 4, 5, 6, 7, 8}))});
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toInt(), 2);
    QCOMPARE(model.data(model.index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("0x123 (291)"));
    QCOMPARE(model.data(model.index(1, 0), Qt::DisplayRole).toInt(), 1);
    QCOMPARE(model.data(model.index(0, 4), Qt::DisplayRole).toInt(), 2);
    QCOMPARE(model.data(model.index(0, 3), Qt::DisplayRole).toString(), QStringLiteral("0.0"));
    QVERIFY(model.data(model.index(0, 2), Qt::DisplayRole).toString().isEmpty());
    model.slot_updateUI();
    QCOMPARE(model.data(model.index(0, 2), Qt::DisplayRole).toString(), QStringLiteral("01 02 03 04 05 06 07 08 "));
    QCOMPARE(model.data(model.index(0, 5), Qt::DisplayRole).toString().size(), 12);
    QCOMPARE(model.headerData(0, Qt::Vertical, Qt::DisplayRole).toInt(), 1);
    QCOMPARE(model.data(model.index(0, 1), Qt::UserRole).toUInt(), 0x123u);
}

void TestCanTools::monitorRate()
{
    static qint64 now = 0;
    CANMonitorModel::setClock([] { return now; });
    CANMonitorModel model;
    model.updateTimer->stop();
    now = 50000;
    // Every 10 ms for 3 s: the rate appears after the first second and is
    // recomputed about once a second.
    QList<float> rates;
    for (int i = 0; i < 300; ++i) {
        model.processFrame(frame(0, 0x55, quint64(i)));
        rates.append(model.row(0).frequency);
        now += 10;
    }
    CANMonitorModel::setClock(nullptr);
    QCOMPARE(rates.at(100), 0.0f);
    QVERIFY(qAbs(rates.at(101) - 100.0f) < 1.5f);
    QVERIFY(qAbs(rates.at(299) - 100.0f) < 1.5f);
    QCOMPARE(model.row(0).count, 300);
}

void TestCanTools::canopenCommandBytes_data()
{
    QTest::addColumn<int>("specifier");
    QTest::addColumn<int>("dataBytes");
    QTest::addColumn<bool>("expedited");
    QTest::addColumn<bool>("size");
    QTest::addColumn<QString>("command");
    QTest::newRow("starting values") << 1 << 1 << true << true << "2F";
    QTest::newRow("download 4 bytes") << 1 << 4 << true << true << "23";
    QTest::newRow("download 2 bytes") << 1 << 2 << true << true << "2B";
    QTest::newRow("upload") << 2 << 4 << false << false << "40";
}

void TestCanTools::canopenCommandBytes()
{
    QFETCH(int, specifier);
    QFETCH(int, dataBytes);
    QFETCH(bool, expedited);
    QFETCH(bool, size);
    QFETCH(QString, command);
    CANopenTool tool(nullptr, 0);
    tool.specifierCombo->setCurrentIndex(specifier);
    tool.dataBytesSpinBox->setValue(dataBytes);
    tool.expeditedCheckBox->setChecked(expedited);
    tool.sizeSpecifiedCheckBox->setChecked(size);
    QCOMPARE(tool.requestCommand->text(), command);
    // Typed back, the byte sets the same editors.
    tool.specifierCombo->setCurrentIndex(6);
    tool.requestCommand->setText(command);
    QCOMPARE(tool.specifierCombo->currentIndex(), specifier);
    QCOMPARE(tool.dataBytesSpinBox->value(), dataBytes);
    QCOMPARE(tool.expeditedCheckBox->isChecked(), expedited);
    QCOMPARE(tool.sizeSpecifiedCheckBox->isChecked(), size);
    QCOMPARE(tool.requestCommand->text(), command);
}

void TestCanTools::canopenFramesIn()
{
    CANopenTool tool(nullptr, 0);
    QCOMPARE(tool.windowTitle(), QStringLiteral("CANopen Tool (CAN 1)"));
    tool.nodeIdSpinBox->setValue(5);
    tool.requestIndex->setText(QStringLiteral("1017"));
    tool.requestSubindex->setText(QStringLiteral("00"));
    tool.requestData->setText(QStringLiteral("000003E8"));
    tool.slot_sendSDO();
    QCOMPARE(g_sent.size(), 1);
    QCOMPARE(g_sent.at(0).id, 0x605u);
    QCOMPARE(hexBytes(g_sent.at(0).bytes), QStringLiteral("2F 17 10 00 E8 03 00 00"));
    QCOMPARE(tool.requestBytes->text(), QStringLiteral(" 2F  17  10  00  E8  03  00  00 "));
    tool.slot_commandGoOperational();
    tool.slot_commandGoPreOperational();
    tool.slot_commandSync();
    QCOMPARE(hexBytes(g_sent.at(1).bytes), QStringLiteral("01 00 00 00 00 00 00 00"));
    QCOMPARE(hexBytes(g_sent.at(2).bytes), QStringLiteral("80 00 00 00 00 00 00 00"));
    QCOMPARE(g_sent.at(3).id, 0x080u);

    tool.newCanFrame(frame(0, 0x585, wordOf({0x43, 0x17, 0x10, 0x00, 0xE8, 0x03, 0x00, 0x00})));
    QCOMPARE(tool.responseCommand->text(), QStringLiteral("43"));
    QCOMPARE(tool.responseIndex->text(), QStringLiteral("1017"));
    QCOMPARE(tool.responseSubindex->text(), QStringLiteral("00"));
    QCOMPARE(tool.responseData->text(), QStringLiteral("000003E8"));
    const quint64 tpdo = wordOf({1, 2, 3, 4, 5, 6, 7, 8});
    tool.newCanFrame(frame(1, 0x185, tpdo)); // other bus
    QCOMPARE(tool.tpdoDisplays[0]->text().remove(QLatin1Char(' ')).toULongLong(nullptr, 16), 0ull);
    tool.newCanFrame(frame(0, 0x185, tpdo));
    QCOMPARE(tool.tpdoDisplays[0]->text().remove(QLatin1Char(' ')).toUpper(), QStringLiteral("0807060504030201"));
    tool.nodeIdSpinBox->setValue(6);
    QCOMPARE(tool.tpdoDisplays[0]->text().remove(QLatin1Char(' ')).toULongLong(nullptr, 16), 0ull);
    tool.newCanFrame(frame(0, 0x185, tpdo)); // node 5 while 6 is shown
    QCOMPARE(tool.tpdoDisplays[0]->text().remove(QLatin1Char(' ')).toULongLong(nullptr, 16), 0ull);
    QCOMPARE(tool.responseCommand->text(), QStringLiteral("43"));
}

void TestCanTools::canopenGeneratedConfiguration()
{
    RecordingAnswerer answerer;
    answerer.respond = [](QDialog* dialog) {
        return qobject_cast<QMessageBox*>(dialog) ? int(QMessageBox::Ok) : int(QDialog::Accepted);
    };
    CanOutputsWidget page;
    page.init();
    CanOutputMessageModel* model = theCanOutputMessageModel;
    const int before = model->messageCount();
    CANopenTool tool(nullptr, 1);
    tool.nodeIdSpinBox->setValue(5);
    tool.addRpdoCanOutput(1);
    QCOMPARE(model->messageCount(), before + 1);
    CanOutputMessage* rpdo = model->message(before);
    QCOMPARE(rpdo->canId, 0x305u);
    QCOMPARE(rpdo->channelId, 1u);
    QCOMPARE(rpdo->endianness, Endianness_little);
    QCOMPARE(rpdo->comment, QStringLiteral("CANopen RPDO 2 - node 5"));
    tool.addRpdoCanOutput(1);
    QCOMPARE(model->messageCount(), before + 1);
    QVERIFY(errorTexts(answerer).contains(QStringLiteral("A similar message already exists. It will be opened for editing.")));

    tool.nodeIdSpinBox->setValue(10);
    tool.requestIndex->setText(QStringLiteral("1A00"));
    tool.requestSubindex->setText(QStringLiteral("01"));
    tool.slot_messageFromSDO();
    QCOMPARE(model->message(model->messageCount() - 1)->comment,
             QStringLiteral("CANopen RSDO - node a - index 0x1a00 - sub index 0x1"));
    QCOMPARE(model->message(model->messageCount() - 1)->initialData,
             CANopenTool::sdoRequestWord(0x2F, 0x1A00, 1, 0));
    tool.slot_addGoOperationalToCANOutputs();
    CanOutputMessage* start = model->message(model->messageCount() - 1);
    QCOMPARE(start->comment, QStringLiteral("CANopen start"));
    QCOMPARE(hexBytes(QByteArray(reinterpret_cast<const char*>(start->frameBytes(start->initialData).data()), 8)),
             QStringLiteral("01 00 00 00 00 00 00 00"));

    // A cancelled dialog keeps nothing.
    answerer.respond = [](QDialog*) { return int(QDialog::Rejected); };
    const int count = model->messageCount();
    tool.addRpdoCanOutput(3);
    QCOMPARE(model->messageCount(), count);
    model->action_remove({});
    while (model->messageCount() > before)
        model->removeRows(model->messageCount() - 1, 1);
}

void TestCanTools::canopenAgainstSimulatedNode()
{
    RecordingAnswerer answerer;
    answerer.result = QDialog::Accepted;
    SimulatedCanopenNode node(0, 5);
    NodeBus bus;
    CanOutputMessage::setSender([&node, &bus](uint8_t b, uint32_t id, const uint8_t* data) {
        recordSend(b, id, data);
        node.frameFromBoard(bus, b, id, data);
    });
    CANopenTool tool(nullptr, 0);
    tool.nodeIdSpinBox->setValue(5);

    // Expedited download of 4 bytes, then an upload reads it back.
    tool.dataBytesSpinBox->setValue(4);
    tool.requestIndex->setText(QStringLiteral("1017"));
    tool.requestData->setText(QStringLiteral("000003E8"));
    tool.slot_sendSDO();
    QCOMPARE(hexBytes(g_sent.last().bytes), QStringLiteral("23 17 10 00 E8 03 00 00"));
    QCOMPARE(node.object(0x1017, 0), 0x3E8u);
    tool.requestCommand->setText(QStringLiteral("40"));
    tool.slot_sendSDO();
    tool.slot_newCanFrameBatch(bus.received);
    QCOMPARE(tool.responseCommand->text(), QStringLiteral("43"));
    QCOMPARE(tool.responseIndex->text(), QStringLiteral("1017"));
    QCOMPARE(tool.responseData->text(), QStringLiteral("000003E8"));
    // An object the node lacks: the abort reply is shown as it came.
    bus.received.clear();
    tool.requestIndex->setText(QStringLiteral("2000"));
    tool.slot_sendSDO();
    tool.slot_newCanFrameBatch(bus.received);
    QCOMPARE(tool.responseCommand->text(), QStringLiteral("80"));
    QCOMPARE(tool.responseData->text(), QStringLiteral("06020000"));

    // Operational: TPDOs every 10 ms; pre-operational stops them.
    bus.received.clear();
    node.advance(bus, 0);
    QVERIFY(bus.received.isEmpty());
    tool.slot_commandGoOperational();
    QVERIFY(node.operational());
    for (qint64 t = 0; t <= 30000; t += 1000)
        node.advance(bus, t);
    QCOMPARE(bus.received.size(), 4 * 4);

    // The generated input decodes TPDO1: its byte 0, the counter's low byte.
    tool.addCanInput(0);
    QCOMPARE(theCanInputsModel.inputCount(), 1);
    CanInput* input = theCanInputsModel.input(0);
    QCOMPARE(input->getChildName(), QStringLiteral("CANopen TPDO 1 - node 5"));
    QCOMPARE(input->def.canId, 0x185);
    theCanInputsModel.slot_newCanFrameBatch(bus.received);
    tool.slot_newCanFrameBatch(bus.received);
    QCOMPARE(input->getValue(), 4.0);
    QCOMPARE(tool.tpdoDisplays[1]->text().remove(QLatin1Char(' ')).toUpper(), QStringLiteral("2625242322020004"));

    tool.slot_commandGoPreOperational();
    bus.received.clear();
    node.advance(bus, 100000);
    QVERIFY(bus.received.isEmpty());
    CanOutputMessage::setSender(&recordSend);
}

void TestCanTools::pictures()
{
    // Pictures of the windows on request, to look at them.
    const QString dir = qEnvironmentVariable("ZEMBO_SHOT_DIR");
    if (dir.isEmpty())
        QSKIP("ZEMBO_SHOT_DIR not set");
    CanInput input;
    input.setChildName(QStringLiteral("Oil temperature"));
    input.def.canId = 0x18FEEE00;
    input.def.endianness = Endianness_little;
    input.def.bitCount = 12;
    CanInputDialog inputDialog(nullptr, &input);
    inputDialog.slot_newCanFrameBatch({frame(0, 0x18FEEE00, wordOf({0x5A, 0x3C, 1, 2, 3, 4, 5, 6}))});
    inputDialog.show();
    QTest::qWait(100);
    inputDialog.grab().save(dir + QStringLiteral("/can_input_dialog.png"));
    inputDialog.reject();
    CANopenTool tool(nullptr, 0);
    tool.nodeIdSpinBox->setValue(5);
    tool.newCanFrame(frame(0, 0x185, wordOf({1, 2, 3, 4, 5, 6, 7, 8})));
    tool.show();
    QTest::qWait(100);
    tool.grab().save(dir + QStringLiteral("/canopen_tool.png"));
    CANMonitorModel::setClock(nullptr);
    CANMonitor monitor;
    monitor.model->slot_newCanFrameBatch({frame(1, 0x123, wordOf({1, 2, 3, 4, 5, 6, 7, 8})), frame(0, 0x7E8, 5)});
    monitor.model->slot_updateUI();
    monitor.show();
    QTest::qWait(100);
    monitor.grab().save(dir + QStringLiteral("/can_monitor.png"));
    CanOutputsWidget page;
    page.init();
    auto* message = new CanOutputMessage();
    message->canId = 0x321;
    message->comment = QStringLiteral("Dyno speed");
    auto* signal = new CanOutputChannel();
    signal->argument->setConstant(300, false);
    signal->bitCount = 16;
    message->addChannel(signal);
    theCanOutputMessageModel->addOutput(message);
    page.tableView->selectRow(theCanOutputMessageModel->messageCount() - 1);
    page.channelTableView->selectRow(0);
    page.resize(1000, 600);
    page.show();
    QTest::qWait(100);
    page.grab().save(dir + QStringLiteral("/can_outputs_page.png"));
    theCanOutputMessageModel->action_remove({theCanOutputMessageModel->messageCount() - 1});
}

QTEST_MAIN(TestCanTools)
#include "tst_can_tools.moc"
