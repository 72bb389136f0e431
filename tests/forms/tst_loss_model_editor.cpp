// The loss-model editor: clipboard text, zeroing, one announcement per burst
// of changes, loading from another run, and no negative coefficient kept.
#include "LossModelEditor.h"
#include "RecordingAnswerer.h"
#include "SciNotDoubleSpinBox.h"
#include "functions/AbstractRunData.h"
#include "lib/Units.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// A run file as the cache of opened runs would give it.
class StoredRun : public AbstractRunData
{
public:
    VectorChannel* getChannelByRunKey(const QString&) const override { return nullptr; }
    QVariant getProjectInfoValue(int, const QVariant& defaultValue) const override { return defaultValue; }
    int loadDynoSettings() override { return loadResult; }
    QVariant getSettingValue(int setting, int instance, const QVariant& defaultValue) const override
    {
        if (setting == LossModelEditor::kLossModelSettingId && instance == 0 && !lossModel.isEmpty())
            return QVariant::fromValue(lossModel);
        return defaultValue;
    }
    int loadResult = 0;
    QList<double> lossModel;
};

QMap<QString, StoredRun*> g_runs;

} // namespace

class TestLossModelEditor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void copy();
    void paste_data();
    void paste();
    void zeroAnnouncesOnce();
    void burstOfTypingAnnouncesOnce();
    void loadFromRun_data();
    void loadFromRun();
};

void TestLossModelEditor::initTestCase()
{
    theUnits.init();
    AbstractRunData::setOpener([](const QString& path) -> AbstractRunData* { return g_runs.value(path); });
}

void TestLossModelEditor::copy()
{
    QList<double> model = {0, 0.5, 0.01, 0, 1e-6};
    LossModelEditor editor(&model, nullptr);
    editor.slot_copyToClipboard();
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("0.0000E+00 5.0000E-01 1.0000E-02 0.0000E+00 1.0000E-06"));
    // What Copy writes pastes back to the same list.
    QList<double> other = {9, 9, 9, 9, 9};
    LossModelEditor second(&other, nullptr);
    second.slot_pasteFromClipboard();
    QCOMPARE(other, model);
    // The constant term is kept but never shown.
    QVERIFY(editor.fields[0]->isHidden());
    QVERIFY(!editor.fields[0]->isEnabled());
}

void TestLossModelEditor::paste_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<double>>("model");
    QTest::addColumn<int>("announcements");
    QTest::newRow("three numbers") << "1 2 3" << QList<double>({1, 2, 3, 0, 0}) << 1;
    QTest::newRow("seven numbers keep five") << "1 2 3 4 5 6 7" << QList<double>({1, 2, 3, 4, 5}) << 1;
    QTest::newRow("leading space shifts") << " 1 2" << QList<double>({0, 1, 2, 0, 0}) << 1;
    QTest::newRow("words read as 0") << "x 2 y" << QList<double>({0, 2, 0, 0, 0}) << 1;
    // Stored as 0, not only shown as 0.
    QTest::newRow("negative coefficients") << "-1 0.5 -2e-3 4 -5" << QList<double>({0, 0.5, 0, 4, 0}) << 1;
    QTest::newRow("unchanged list") << "0 0 0 0 0" << QList<double>({0, 0, 0, 0, 0}) << 0;
    QTest::newRow("only the hidden constant") << "7" << QList<double>({7, 0, 0, 0, 0}) << 1;
}

void TestLossModelEditor::paste()
{
    QFETCH(QString, text);
    QFETCH(QList<double>, model);
    QFETCH(int, announcements);
    QList<double> coefficients = {0, 0, 0};
    LossModelEditor editor(&coefficients, nullptr);
    editor.reloadLossModel();
    QSignalSpy changed(&editor, &LossModelEditor::signal_lossModelChanged);
    QApplication::clipboard()->setText(text);
    editor.slot_pasteFromClipboard();
    QCOMPARE(coefficients, model);
    QTest::qWait(700);
    QCOMPARE(changed.count(), announcements);
}

void TestLossModelEditor::zeroAnnouncesOnce()
{
    QList<double> coefficients = {1, 2, 3, 4, 5};
    LossModelEditor editor(&coefficients, nullptr);
    editor.reloadLossModel();
    QTest::qWait(600);
    QSignalSpy changed(&editor, &LossModelEditor::signal_lossModelChanged);
    editor.slot_lossModelZero();
    QCOMPARE(coefficients, QList<double>({0, 0, 0, 0, 0}));
    QCOMPARE(editor.fields[3]->value(), 0.0);
    QCOMPARE(changed.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, 1000);
    QTest::qWait(600);
    QCOMPARE(changed.count(), 1);
}

void TestLossModelEditor::burstOfTypingAnnouncesOnce()
{
    QList<double> coefficients;
    LossModelEditor editor(&coefficients, nullptr);
    QSignalSpy changed(&editor, &LossModelEditor::signal_lossModelChanged);
    editor.fields[1]->setValue(1.5);
    QTest::qWait(100);
    editor.fields[2]->setValue(0.25);
    QTest::qWait(100);
    editor.fields[4]->setValue(1e-7);
    QCOMPARE(coefficients, QList<double>({0, 1.5, 0.25, 0, 1e-7}));
    QTest::qWait(700);
    QCOMPARE(changed.count(), 1);
    // No negative coefficient can be typed.
    editor.fields[3]->setValue(-4);
    QCOMPARE(coefficients.at(3), 0.0);
}

void TestLossModelEditor::loadFromRun_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QList<double>>("model");
    const QList<double> untouched = {1, 2, 3, 4, 5};
    QTest::newRow("cancelled") << QString() << QString() << untouched;
    QTest::newRow("cannot open") << "/runs/missing.h5" << "Can't open file /runs/missing.h5" << untouched;
    QTest::newRow("settings unreadable") << "/runs/broken.h5" << "Error loading loss model from file" << untouched;
    QTest::newRow("no loss model") << "/runs/none.h5" << "No loss model present in selected run" << untouched;
    QTest::newRow("stored model") << "/runs/good.h5" << QString() << QList<double>({0.5, 0.1, 0.02, 0.003, 4e-4});
    // Negative entries are stored as 0 and the list holds five entries.
    QTest::newRow("negative and longer") << "/runs/odd.h5" << QString() << QList<double>({0, 2, 0, 4, 5});
}

void TestLossModelEditor::loadFromRun()
{
    QFETCH(QString, path);
    QFETCH(QString, error);
    QFETCH(QList<double>, model);
    StoredRun broken;
    broken.loadResult = 3;
    StoredRun none;
    StoredRun good;
    good.lossModel = {0.5, 0.1, 0.02, 0.003, 4e-4};
    StoredRun odd;
    odd.lossModel = {-1, 2, -3, 4, 5, 6};
    g_runs = {{QStringLiteral("/runs/broken.h5"), &broken},
              {QStringLiteral("/runs/none.h5"), &none},
              {QStringLiteral("/runs/good.h5"), &good},
              {QStringLiteral("/runs/odd.h5"), &odd}};

    RecordingAnswerer answerer;
    answerer.respond = [&path](QDialog* dialog) {
        return qobject_cast<QFileDialog*>(dialog) && path.isEmpty() ? int(QDialog::Rejected)
                                                                    : int(QDialog::Accepted);
    };
    if (!path.isEmpty())
        answerer.files = {path};
    QList<double> coefficients = {1, 2, 3, 4, 5};
    LossModelEditor editor(&coefficients, nullptr);
    editor.reloadLossModel();
    QTest::qWait(600);
    QSignalSpy changed(&editor, &LossModelEditor::signal_lossModelChanged);
    editor.slot_loadModelFromAnotherRun();
    QCOMPARE(answerer.shown.first().title, QStringLiteral("Select run log file for Loss Model creation"));
    QCOMPARE(coefficients, model);
    if (error.isEmpty()) {
        QCOMPARE(answerer.shown.size(), 1);
    } else {
        QCOMPARE(answerer.shown.size(), 2);
        QCOMPARE(answerer.shown.last().text, error);
    }
    QTest::qWait(700);
    QCOMPARE(changed.count(), error.isEmpty() && !path.isEmpty() ? 1 : 0);
    if (path == QStringLiteral("/runs/odd.h5"))
        QCOMPARE(editor.fields[2]->value(), 0.0);
}

QTEST_MAIN(TestLossModelEditor)
#include "tst_loss_model_editor.moc"
