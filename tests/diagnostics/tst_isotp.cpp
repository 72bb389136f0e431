#include "ISOTPAssembler.h"

#include <QTest>

class TestIsotp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void frames_data();
    void frames();
};

// Each row feeds a sequence of frames (hex, separated by '|') and gives what the
// last frame returns, the buffer and the bytes still outstanding.
void TestIsotp::frames_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("remaining");

    QTest::newRow("single") << QByteArray("0322F19000000000") << true << QByteArray("22F190") << 0;
    QTest::newRow("single empty") << QByteArray("00AABBCCDDEEFF11") << true << QByteArray() << 0;
    QTest::newRow("single 8..15") << QByteArray("0322F19000000000|0801020304050607") << false << QByteArray() << 0;
    QTest::newRow("first") << QByteArray("100A62F190010203") << false << QByteArray("62F190010203") << 4;
    QTest::newRow("first+consecutive") << QByteArray("100A62F190010203|2104050607AABBCC") << true
                                       << QByteArray("62F19001020304050607") << 0;
    QTest::newRow("wrong sequence abandons") << QByteArray("100A62F190010203|2204050607AABBCC") << false
                                             << QByteArray() << 0;
    QTest::newRow("first declaring 0") << QByteArray("1000010203040506") << false << QByteArray() << 0;
    QTest::newRow("flow control") << QByteArray("100A62F190010203|3000000000000000") << false
                                  << QByteArray("62F190010203") << 4;
    QTest::newRow("stray consecutive") << QByteArray("0322F19000000000|2101020304050607") << false
                                       << QByteArray("22F190") << 0;
    QTest::newRow("single ends reception") << QByteArray("100A62F190010203|021001|2104050607AABBCC") << false
                                           << QByteArray("1001") << 0;
    QTest::newRow("first restarts") << QByteArray("100A62F190010203|1008AABBCCDDEEFF|211122") << true
                                    << QByteArray("AABBCCDDEEFF1122") << 0;
}

void TestIsotp::frames()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, complete);
    QFETCH(QByteArray, buffer);
    QFETCH(int, remaining);
    ISOTPAssembler a;
    bool result = false;
    for (const QByteArray& hex : input.split('|')) {
        QByteArray frame = QByteArray::fromHex(hex);
        frame.append(QByteArray(8 - frame.size(), '\0'));
        result = a.addData(reinterpret_cast<const unsigned char*>(frame.constData()));
    }
    QCOMPARE(result, complete);
    QCOMPARE(a.buffer.toHex().toUpper(), buffer);
    QCOMPARE(a.remainingBytes, remaining);
}

QTEST_GUILESS_MAIN(TestIsotp)
#include "tst_isotp.moc"
