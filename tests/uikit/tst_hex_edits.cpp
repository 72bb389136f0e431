// Hexadecimal, CAN-mask, CAN-data and CAN-id edits: what they accept and
// refuse, and what they announce.
#include "CanDataHexEdit.h"
#include "CanIdLineEdit.h"
#include "CanMaskLineEdit.h"
#include "HexDataLineEdit.h"
#include "HexNumberValidator.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <cstdint>

namespace {

QLineEdit* field(CanIdLineEdit& edit, const char* name)
{
    return edit.findChild<QLineEdit*>(QLatin1String(name));
}

} // namespace

class TestHexEdits : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void validator_data();
    void validator();
    void hexData();
    void canMask();
    void canData();
    void canIdMirrorsEachKeystroke();
    void canIdRefusesMoreThan29Bits();
    void canIdSetter();
};

void TestHexEdits::validator_data()
{
    QTest::addColumn<quint64>("maximum");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");
    const int invalid = QValidator::Invalid;
    const int intermediate = QValidator::Intermediate;
    const int acceptable = QValidator::Acceptable;
    QTest::newRow("FF: empty") << quint64(0xFF) << "" << intermediate;
    QTest::newRow("FF: zero") << quint64(0xFF) << "0" << intermediate;
    QTest::newRow("FF: 1F") << quint64(0xFF) << "1F" << acceptable;
    QTest::newRow("FF: lower case") << quint64(0xFF) << "ff" << acceptable;
    QTest::newRow("FF: three digits") << quint64(0xFF) << "100" << invalid;
    QTest::newRow("FF: 001 too long") << quint64(0xFF) << "001" << invalid;
    QTest::newRow("FF: not hex") << quint64(0xFF) << "G" << invalid;
    QTest::newRow("29 bits: largest") << quint64(0x1FFFFFFF) << "1FFFFFFF" << acceptable;
    QTest::newRow("29 bits: one more") << quint64(0x1FFFFFFF) << "20000000" << invalid;
    QTest::newRow("32 bits: nine digits") << quint64(0xFFFFFFFF) << "0FFFFFFFF" << invalid;
    QTest::newRow("64 bits: largest") << quint64(UINT64_MAX) << "FFFFFFFFFFFFFFFF" << acceptable;
    QTest::newRow("64 bits: one leading zero") << quint64(UINT64_MAX) << "0FFFFFFFFFFFFFFFF" << acceptable;
    QTest::newRow("64 bits: beyond") << quint64(UINT64_MAX) << "10000000000000000" << invalid;
}

void TestHexEdits::validator()
{
    QFETCH(quint64, maximum);
    QFETCH(QString, text);
    QFETCH(int, state);
    HexNumberValidator validator;
    validator.maxValue = maximum;
    int pos = 0;
    QCOMPARE(int(validator.validate(text, pos)), state);
}

void TestHexEdits::hexData()
{
    HexDataLineEdit edit(2);
    QSignalSpy spy(&edit, &HexDataLineEdit::signal_valueChanged);
    edit.setValue(0x1A);
    QCOMPARE(edit.text(), QStringLiteral("001A"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.last().first().value<uint32_t>(), 26u);
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClicks(&edit, "5");
    QCOMPARE(edit.text(), QStringLiteral("001A"));

    HexDataLineEdit oneByte(1);
    oneByte.setValue(0xB);
    QCOMPARE(oneByte.text(), QStringLiteral("0B"));
    QTest::keyClicks(&oneByte, "1");
    QCOMPARE(oneByte.text(), QStringLiteral("0B"));
}

void TestHexEdits::canMask()
{
    CanMaskLineEdit edit;
    QSignalSpy spy(&edit, &CanMaskLineEdit::signal_maskChanged);
    edit.setCanMask(0x7FF);
    QCOMPARE(edit.text(), QStringLiteral("7FF"));
    QCOMPARE(spy.last().first().value<uint32_t>(), 2047u);
    edit.setCanMask(0xFFFFFFFF);
    QCOMPARE(edit.text(), QStringLiteral("FFFFFFFF"));
    QCOMPARE(spy.last().first().value<uint32_t>(), 0xFFFFFFFFu);
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClicks(&edit, "F");
    QCOMPARE(edit.text(), QStringLiteral("FFFFFFFF"));
}

void TestHexEdits::canData()
{
    CanDataHexEdit edit;
    QSignalSpy spy(&edit, &CanDataHexEdit::signal_dataChanged);
    edit.setCanData(0xAB);
    QCOMPARE(edit.text(), QStringLiteral("00000000000000AB"));
    QCOMPARE(spy.last().first().toULongLong(), 0xABull);
    edit.setCanData(0x0102030405060708ull);
    QCOMPARE(edit.text(), QStringLiteral("0102030405060708"));
    QCOMPARE(spy.last().first().toULongLong(), 0x0102030405060708ull);
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Delete);
    QCOMPARE(edit.text(), QString());
    QCOMPARE(spy.last().first().toULongLong(), 0ull);
}

void TestHexEdits::canIdMirrorsEachKeystroke()
{
    CanIdLineEdit edit;
    QLineEdit* hex = field(edit, "hex");
    QLineEdit* dec = field(edit, "dec");
    QSignalSpy spy(&edit, &CanIdLineEdit::signal_canIdChanged);
    QTest::keyClicks(hex, "7FF");
    QCOMPARE(dec->text(), QStringLiteral("2047"));
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(0).first().toInt(), 7);
    QCOMPARE(spy.at(1).first().toInt(), 127);
    QCOMPARE(spy.at(2).first().toInt(), 2047);

    spy.clear();
    dec->selectAll();
    QTest::keyClick(dec, Qt::Key_Delete);
    QCOMPARE(hex->text(), QStringLiteral("0"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().toInt(), 0);
}

void TestHexEdits::canIdRefusesMoreThan29Bits()
{
    CanIdLineEdit edit;
    QLineEdit* hex = field(edit, "hex");
    QLineEdit* dec = field(edit, "dec");
    QTest::keyClicks(hex, "20000000");
    QCOMPARE(hex->text(), QStringLiteral("2000000"));
    QTest::keyClicks(hex, "0");
    QCOMPARE(hex->text(), QStringLiteral("2000000"));

    dec->clear();
    QSignalSpy spy(&edit, &CanIdLineEdit::signal_canIdChanged);
    QTest::keyClicks(dec, "536870912");
    QCOMPARE(dec->text(), QStringLiteral("53687091"));
    for (const QList<QVariant>& announced : std::as_const(spy))
        QVERIFY(announced.first().toInt() <= CanIdLineEdit::kLargestId);
    QTest::keyClicks(dec, "1");
    QCOMPARE(dec->text(), QStringLiteral("536870911"));
    QCOMPARE(hex->text(), QStringLiteral("1FFFFFFF"));
}

void TestHexEdits::canIdSetter()
{
    CanIdLineEdit edit;
    QSignalSpy spy(&edit, &CanIdLineEdit::signal_canIdChanged);
    edit.setCanId(0x18FEF100);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(field(edit, "hex")->text(), QStringLiteral("18FEF100"));
    QCOMPARE(field(edit, "dec")->text(), QString::number(0x18FEF100));
    edit.setCanId(0x18FEF100);
    QCOMPARE(spy.count(), 1);
    // An identifier above 29 bits, say from a damaged file, is not taken.
    edit.setCanId(0x20000000);
    edit.setCanId(-5);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(field(edit, "hex")->text(), QStringLiteral("18FEF100"));

    edit.setReadOnly(true);
    QVERIFY(field(edit, "hex")->isReadOnly());
    QVERIFY(field(edit, "dec")->isReadOnly());
}

QTEST_MAIN(TestHexEdits)
#include "tst_hex_edits.moc"
