// Delayed-signal editors: one announcement 300 ms after the last change of a
// burst, with the value held then; setters without signal drop a pending one.
#include "DelayedCheckBox.h"
#include "DelayedComboBox.h"
#include "DelayedDoubleSpinBox.h"
#include "DelayedLineEdit.h"
#include "DelayedSlider.h"
#include "DelayedSpinBox.h"
#include "DelayedTextEdit.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace {

// Coarse timers may fire up to 5 % early.
constexpr qint64 kEarliestMs = 280;

} // namespace

class TestDelayedEditors : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void burstOfKeystrokesGivesOneAnnouncement();
    void everyKindAnnouncesItsFinalValue();
    void settersWithoutSignalCancelPendingAnnouncements();
    void backToTheOldValueIsStillAnnounced();
    void unchangedValueAnnouncesNothing();
};

void TestDelayedEditors::burstOfKeystrokesGivesOneAnnouncement()
{
    DelayedLineEdit edit;
    QSignalSpy immediate(&edit, &QLineEdit::textChanged);
    QSignalSpy delayed(&edit, &DelayedLineEdit::signal_delayedTextChanged);
    QElapsedTimer clock;
    clock.start();
    qint64 lastKey = 0;
    for (const char* key : {"a", "b", "c", "d", "e"}) {
        QTest::keyClicks(&edit, key);
        lastKey = clock.elapsed();
        QTest::qWait(40);
    }
    QCOMPARE(immediate.count(), 5);
    QVERIFY(delayed.wait(2000));
    QVERIFY(clock.elapsed() - lastKey >= kEarliestMs);
    QTest::qWait(400);
    QCOMPARE(delayed.count(), 1);
    QCOMPARE(delayed.first().first().toString(), QStringLiteral("abcde"));
}

void TestDelayedEditors::everyKindAnnouncesItsFinalValue()
{
    DelayedSlider slider;
    slider.setRange(0, 100);
    DelayedCheckBox checkBox;
    checkBox.setTristate(true);
    DelayedComboBox combo;
    combo.addItems({"a", "b", "c"});
    DelayedDoubleSpinBox doubleSpin;
    DelayedSpinBox spin;
    DelayedTextEdit text;
    QCOMPARE(doubleSpin.stepType(), QAbstractSpinBox::AdaptiveDecimalStepType);

    QSignalSpy sliderSpy(&slider, &DelayedSlider::signal_delayedValueChanged);
    QSignalSpy checkSpy(&checkBox, &DelayedCheckBox::signal_delayedStateChanged);
    QSignalSpy comboSpy(&combo, &DelayedComboBox::signal_delayedCurrentIndexChanged);
    QSignalSpy doubleSpy(&doubleSpin, &DelayedDoubleSpinBox::signal_delayedValueChanged);
    QSignalSpy spinSpy(&spin, &DelayedSpinBox::signal_delayedValueChanged);
    QSignalSpy textSpy(&text, &DelayedTextEdit::signal_delayedTextChanged);

    slider.setValue(10);
    slider.setValue(20);
    checkBox.setChecked(true);
    checkBox.setCheckState(Qt::PartiallyChecked);
    combo.setCurrentIndex(1);
    combo.setCurrentIndex(2);
    doubleSpin.setValue(1.5);
    doubleSpin.setValue(2.5);
    spin.setValue(3);
    spin.setValue(4);
    text.setPlainText("one");
    text.setPlainText("two");

    QVERIFY(textSpy.wait(2000));
    QTest::qWait(100);
    QCOMPARE(sliderSpy.count(), 1);
    QCOMPARE(sliderSpy.first().first().toInt(), 20);
    QCOMPARE(checkSpy.count(), 1);
    QCOMPARE(checkSpy.first().first().toInt(), 1);
    QCOMPARE(comboSpy.count(), 1);
    QCOMPARE(comboSpy.first().first().toInt(), 2);
    QCOMPARE(doubleSpy.count(), 1);
    QCOMPARE(doubleSpy.first().first().toDouble(), 2.5);
    QCOMPARE(spinSpy.count(), 1);
    QCOMPARE(spinSpy.first().first().toInt(), 4);
    QCOMPARE(textSpy.count(), 1);
    QCOMPARE(textSpy.first().first().toString(), QStringLiteral("two"));
}

void TestDelayedEditors::settersWithoutSignalCancelPendingAnnouncements()
{
    DelayedSpinBox spin;
    DelayedLineEdit edit;
    DelayedCheckBox checkBox;
    DelayedComboBox combo;
    combo.addItems({"a", "b"});
    DelayedDoubleSpinBox doubleSpin;
    DelayedTextEdit text;
    QSignalSpy spinImmediate(&spin, &QSpinBox::valueChanged);
    QSignalSpy spinSpy(&spin, &DelayedSpinBox::signal_delayedValueChanged);
    QSignalSpy editSpy(&edit, &DelayedLineEdit::signal_delayedTextChanged);
    QSignalSpy checkSpy(&checkBox, &DelayedCheckBox::signal_delayedStateChanged);
    QSignalSpy comboSpy(&combo, &DelayedComboBox::signal_delayedCurrentIndexChanged);
    QSignalSpy doubleSpy(&doubleSpin, &DelayedDoubleSpinBox::signal_delayedValueChanged);
    QSignalSpy textSpy(&text, &DelayedTextEdit::signal_delayedTextChanged);

    // An edit of the operator is pending when the owner loads a value.
    spin.setValue(5);
    edit.setText("typed");
    checkBox.setChecked(true);
    combo.setCurrentIndex(1);
    doubleSpin.setValue(7);
    text.setPlainText("typed");
    QTest::qWait(50);
    spin.setValueWithoutSignal(9);
    edit.setTextWithoutSignal("loaded");
    checkBox.setCheckedWithoutSignal(false);
    combo.setCurrentIndexWithoutSignal(0);
    doubleSpin.setValueWithoutSignal(1);
    text.setTextWithoutSignal("loaded");

    QCOMPARE(spinImmediate.count(), 2);
    QTest::qWait(600);
    QCOMPARE(spinSpy.count(), 0);
    QCOMPARE(editSpy.count(), 0);
    QCOMPARE(checkSpy.count(), 0);
    QCOMPARE(comboSpy.count(), 0);
    QCOMPARE(doubleSpy.count(), 0);
    QCOMPARE(textSpy.count(), 0);
    QCOMPARE(spin.value(), 9);
    QCOMPARE(edit.text(), QStringLiteral("loaded"));
}

void TestDelayedEditors::backToTheOldValueIsStillAnnounced()
{
    DelayedCheckBox checkBox;
    QSignalSpy spy(&checkBox, &DelayedCheckBox::signal_delayedStateChanged);
    checkBox.setChecked(true);
    checkBox.setChecked(false);
    QVERIFY(spy.wait(2000));
    QTest::qWait(100);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().toInt(), 0);
}

void TestDelayedEditors::unchangedValueAnnouncesNothing()
{
    DelayedComboBox combo;
    combo.addItems({"a", "b"});
    combo.setCurrentIndex(1);
    QTest::qWait(400);
    QSignalSpy immediate(&combo, &QComboBox::currentIndexChanged);
    QSignalSpy delayed(&combo, &DelayedComboBox::signal_delayedCurrentIndexChanged);
    combo.setCurrentIndex(1);
    QTest::qWait(400);
    QCOMPARE(immediate.count(), 0);
    QCOMPARE(delayed.count(), 0);
}

QTEST_MAIN(TestDelayedEditors)
#include "tst_delayed_editors.moc"
