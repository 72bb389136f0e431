// Shortcut capture of a trigger row: the keys the program and the platform
// already use are refused with their own message and leave the old sequence;
// Backspace clears; the interval takes only multiples of 10 ms.
#include "RecordingAnswerer.h"
#include "ShortcutWidget.h"
#include "TriggerWidget.h"

#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

class TestShortcutCapture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void capture_data();
    void capture();
    void backspaceClears();
    void intervalKeepsMultiplesOfTen();
};

void TestShortcutCapture::capture_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("message");
    const QString hardcoded = QStringLiteral("This shortcut is already hardcoded for other use. Please select another one.");
    const QString single = QStringLiteral("Single key is not suitable for a shortcut. Use a key with modifier like Ctrl or Alt.");
    QTest::newRow("Alt+A") << int(Qt::AltModifier) << int(Qt::Key_A) << hardcoded;
    QTest::newRow("Alt+5") << int(Qt::AltModifier) << int(Qt::Key_5) << hardcoded;
    QTest::newRow("bare letter") << int(Qt::NoModifier) << int(Qt::Key_Q) << single;
    QTest::newRow("bare F8") << int(Qt::NoModifier) << int(Qt::Key_F8) << single;
    QTest::newRow("Ctrl+C") << int(Qt::ControlModifier) << int(Qt::Key_C)
                            << QStringLiteral("Shortcut %1 is not suitable for shortcut because it is system shortcut.")
                                   .arg(QKeySequence(Qt::CTRL | Qt::Key_C).toString(QKeySequence::NativeText));
    QTest::newRow("Ctrl+Alt+A") << int(Qt::ControlModifier | Qt::AltModifier) << int(Qt::Key_A) << QString();
    QTest::newRow("Alt+B") << int(Qt::AltModifier) << int(Qt::Key_B) << QString();
    QTest::newRow("bare F9") << int(Qt::NoModifier) << int(Qt::Key_F9) << QString();
    QTest::newRow("bare Pause") << int(Qt::NoModifier) << int(Qt::Key_Pause) << QString();
}

void TestShortcutCapture::capture()
{
    QFETCH(int, modifiers);
    QFETCH(int, key);
    QFETCH(QString, message);
    RecordingAnswerer answerer;
    ShortcutWidget button(nullptr);
    const QKeySequence before(Qt::CTRL | Qt::SHIFT | Qt::Key_F12);
    button.setKeySequence(before);
    QSignalSpy changed(&button, &ShortcutWidget::signal_sequenceChanged);
    button.show();
    button.setFocus();
    button.click();
    QVERIFY(button.isChecked());
    QTest::keyClick(&button, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    if (message.isEmpty()) {
        QVERIFY(answerer.shown.isEmpty());
        const QKeySequence expected {QKeyCombination(Qt::KeyboardModifiers(modifiers), Qt::Key(key))};
        QCOMPARE(button.keySequence, expected);
        QCOMPARE(changed.count(), 1);
        QVERIFY(!button.isChecked());
    } else {
        QCOMPARE(answerer.shown.size(), 1);
        QCOMPARE(answerer.shown.first().text, message);
        QCOMPARE(button.keySequence, before);
        QCOMPARE(changed.count(), 0);
        // Still capturing: the operator tries another key.
        QVERIFY(button.isChecked());
    }
}

void TestShortcutCapture::backspaceClears()
{
    RecordingAnswerer answerer;
    ShortcutWidget button(nullptr);
    button.setKeySequence(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A));
    QSignalSpy changed(&button, &ShortcutWidget::signal_sequenceChanged);
    button.show();
    button.setFocus();
    // Idle, the button ignores the keyboard.
    QTest::keyClick(&button, Qt::Key_Backspace);
    QCOMPARE(changed.count(), 0);
    button.click();
    QTest::keyClick(&button, Qt::Key_Control);
    QVERIFY(button.isChecked());
    QTest::keyClick(&button, Qt::Key_Backspace);
    QCOMPARE(changed.count(), 1);
    QVERIFY(button.keySequence.isEmpty());
    QVERIFY(!button.isChecked());
}

void TestShortcutCapture::intervalKeepsMultiplesOfTen()
{
    TriggerWidget row(nullptr);
    row.intervalSpinBox->setValue(15);
    QCOMPARE(row.intervalSpinBox->value(), 10);
    row.intervalSpinBox->setValue(40);
    QCOMPARE(row.intervalSpinBox->value(), 40);
}

QTEST_MAIN(TestShortcutCapture)
#include "tst_shortcut_capture.moc"
