// The bins editor: the generator, the parser behind Ok, and the setup's
// change announcement when the bins are accepted.
#include "BinsEditorDialog.h"
#include "ChannelSetup.h"
#include "RecordingAnswerer.h"
#include "lib/Units.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <limits>

namespace {

QStringList lines(const QTextEdit* edit)
{
    QStringList all = edit->toPlainText().split(QLatin1Char('\n'));
    if (!all.isEmpty() && all.last().isEmpty())
        all.removeLast();
    return all;
}

void clickOk(BinsEditorDialog& dialog)
{
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

} // namespace

class TestBinsEditor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { theUnits.init(); }
    void showsTheBins();
    void generate_data();
    void generate();
    void accept_data();
    void accept();
    void cancelLeavesTheBins();
    void setupAnnouncesAcceptedBins();
};

void TestBinsEditor::showsTheBins()
{
    QList<double> bins = {0.5, 1234567.0, 2};
    BinsEditorDialog dialog(&bins, nullptr);
    QCOMPARE(dialog.binsTextEdit->toPlainText(), QStringLiteral("0.5\n1.23457e+06\n2\n"));
    QCOMPARE(dialog.size(), QSize(600, 800));
    QCOMPARE(dialog.startSpinBox->value(), 0.0);
    QCOMPARE(dialog.stepSpinBox->value(), 10.0);
    QCOMPARE(dialog.endSpinBox->value(), 100.0);
    QCOMPARE(dialog.stepSpinBox->minimum(), 0.001);
}

void TestBinsEditor::generate_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("end");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("notice");
    const QString capped = QStringLiteral("Bins generation stopped at 100 elements");
    QTest::newRow("defaults") << 0.0 << 10.0 << 100.0 << 11 << "100" << QString();
    QTest::newRow("hundred values reach the cap") << 1.0 << 1.0 << 100.0 << 100 << "100" << capped;
    QTest::newRow("longer range stops at the cap") << 1.0 << 1.0 << 1000.0 << 100 << "100" << capped;
    QTest::newRow("start above end clears") << 5.0 << 1.0 << 1.0 << 0 << QString() << QString();
    QTest::newRow("running sum of a fraction") << 0.0 << 0.1 << 0.3 << 3 << "0.2" << QString();
}

void TestBinsEditor::generate()
{
    QFETCH(double, start);
    QFETCH(double, step);
    QFETCH(double, end);
    QFETCH(int, count);
    QFETCH(QString, last);
    QFETCH(QString, notice);
    RecordingAnswerer answerer;
    QList<double> bins = {7};
    BinsEditorDialog dialog(&bins, nullptr);
    dialog.startSpinBox->setValue(start);
    dialog.stepSpinBox->setValue(step);
    dialog.endSpinBox->setValue(end);
    dialog.findChild<QPushButton*>()->click();
    const QStringList generated = lines(dialog.binsTextEdit);
    QCOMPARE(generated.size(), count);
    if (count > 0)
        QCOMPARE(generated.last(), last);
    QCOMPARE(answerer.shown.size(), notice.isEmpty() ? 0 : 1);
    if (!notice.isEmpty())
        QCOMPARE(answerer.shown.first().text, notice);
    // Generating only fills the text.
    QCOMPARE(bins, QList<double>({7}));
}

void TestBinsEditor::accept_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QList<double>>("result");
    const QList<double> untouched = {7};
    QTest::newRow("empty line dropped") << "1\n\n2\n5\n" << QString() << QList<double>({1, 2, 5});
    QTest::newRow("blanks around numbers") << " 1.5 \n2e1" << QString() << QList<double>({1.5, 20});
    QTest::newRow("empty text empties") << QString() << QString() << QList<double>();
    QTest::newRow("equal values") << "1\n1" << "Bins must be monotonically rising" << untouched;
    QTest::newRow("falling values") << "2\n1" << "Bins must be monotonically rising" << untouched;
    QTest::newRow("letters") << "1\nten" << "Error converting line to number" << untouched;
    QTest::newRow("infinite") << "1\ninf" << "Only finite numbers can be used" << untouched;
    QTest::newRow("not a number") << "nan\n1" << "Only finite numbers can be used" << untouched;
}

void TestBinsEditor::accept()
{
    QFETCH(QString, text);
    QFETCH(QString, refusal);
    QFETCH(QList<double>, result);
    RecordingAnswerer answerer;
    QList<double> bins = {7};
    BinsEditorDialog dialog(&bins, nullptr);
    dialog.binsTextEdit->setPlainText(text);
    clickOk(dialog);
    QCOMPARE(bins, result);
    if (refusal.isEmpty()) {
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(answerer.shown.isEmpty());
    } else {
        // Refused: the dialog stays with the operator's text.
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(answerer.shown.size(), 1);
        QCOMPARE(answerer.shown.first().text, refusal);
        QCOMPARE(dialog.binsTextEdit->toPlainText(), text);
    }
}

void TestBinsEditor::cancelLeavesTheBins()
{
    QList<double> bins = {1, 2};
    BinsEditorDialog dialog(&bins, nullptr);
    dialog.binsTextEdit->setPlainText(QStringLiteral("5\n6"));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(bins, QList<double>({1, 2}));
}

void TestBinsEditor::setupAnnouncesAcceptedBins()
{
    RecordingAnswerer answerer;
    ChannelSetup setup;
    QSignalSpy changed(&setup, &ChannelSetup::signal_setupChanged);
    answerer.respond = [](QDialog* dialog) {
        auto* bins = qobject_cast<BinsEditorDialog*>(dialog);
        if (!bins)
            return int(QDialog::Rejected);
        bins->binsTextEdit->setPlainText(QStringLiteral("10\n20\n40"));
        clickOk(*bins);
        return bins->result();
    };
    setup.editBins();
    QCOMPARE(setup.bins, QList<double>({10, 20, 40}));
    QCOMPARE(changed.count(), 1);

    answerer.respond = [](QDialog*) { return int(QDialog::Rejected); };
    setup.editBins();
    QCOMPARE(changed.count(), 1);
}

QTEST_MAIN(TestBinsEditor)
#include "tst_bins_editor.moc"
