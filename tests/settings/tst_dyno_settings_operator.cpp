// The dyno settings pages as an operator meets them, on the board with the
// most hidden options (device code 0): the mouse wheel over any part of any
// editor, arrow keys and type-ahead on options that the board or a rule hides,
// the steps of the loss-model coefficients, a start that leaves the stored
// values as they were, the controllers' help pictures, and the installer
// settings the simulated dyno takes from its scenario.
#include "SettingsFixture.h"

#include "ACMTabWidget.h"
#include "ArgumentWidget.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "DynoSettingsLossModelEditor.h"
#include "HwInfo.h"
#include "LogCapture.h"
#include "LossModelEditor.h"
#include "MySettings.h"
#include "SciNotDoubleSpinBox.h"
#include "SimulatedScenario.h"
#include "SpinBoxWithUnit.h"
#include "lib/Tools.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <cmath>

namespace {

constexpr uint8_t configAddressReg = 44;
const QString kStorePrefix = QStringLiteral("UserSetting/DynoSetting/");

QMap<QString, QVariant> storedDynoSettings()
{
    QMap<QString, QVariant> values;
    for (const QString& key : theSettings.allKeys()) {
        if (key.startsWith(kStorePrefix))
            values.insert(key, theSettings.value(key));
    }
    return values;
}

QByteArray storeFile()
{
    theSettings.sync();
    QFile file(theSettings.iniFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The innermost widget under the middle of w: where a real wheel event lands.
QWidget* underMouse(QWidget* w)
{
    QWidget* inner = w->childAt(w->rect().center());
    return inner ? inner : w;
}

void wheel(QWidget* target, int delta)
{
    const QPointF at = QPointF(target->rect().center());
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

QString kindOf(const QWidget* w)
{
    for (const QWidget* p = w; p; p = p->parentWidget()) {
        const QString name = QString::fromLatin1(p->metaObject()->className());
        if (name == QLatin1String("DynoSettingsLossModelEditor") || name == QLatin1String("ArgumentWidget")
            || name == QLatin1String("PointVectorEditor"))
            return name + QStringLiteral("/") + QString::fromLatin1(w->metaObject()->className());
    }
    return QString::fromLatin1(w->metaObject()->className());
}

} // namespace

class TestDynoSettingsOperator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void wheelChangesNothingOnAnyPage();
    void hiddenOptionsCannotBeChosen_data();
    void hiddenOptionsCannotBeChosen();
    void lossModelStepsByItsShownDigits();
    void startWithoutEditsKeepsTheStoreByteForByte();
    void controllerHelpPagesShowTheirPictures();
    void scenarioInstallerSection_data();
    void scenarioInstallerSection();
    void installerSettingsTakenWhereStillDefault();
    void badInstallerSettingsRefusedWhole_data();
    void badInstallerSettingsRefusedWhole();

private:
    DynoSetting* setting(DynoSettingId id, int channel) const { return fixture->registry->getSetting(id, channel); }
    template<class T> T* editor(DynoSettingId id, int channel) const
    {
        return qobject_cast<T*>(setting(id, channel)->widget);
    }
    int configWritesDuring(const std::function<void()>& work);
    QList<QWidget*> pages() const;

    SettingsFixture* fixture = nullptr;
    std::unique_ptr<QWidget> runTab;
    QComboBox* brakeModes = nullptr;
};

void TestDynoSettingsOperator::initTestCase()
{
    runTab = std::make_unique<QWidget>();
    brakeModes = new QComboBox(runTab.get());
    brakeModes->addItems({"Absorber OFF", "Torque control", "Torque c. joined", "Speed control", "Accel. control"});
    fixture = new SettingsFixture(0, [this](DynoSettings* registry) { registry->links.brakeControllerModes = brakeModes; });
    QVERIFY(fixture->start());
    QVERIFY(fixture->waitLinkIdle());
    QCOMPARE(int(theHwInfo.deviceCode), 0);
    fixture->tabs->show();
    QVERIFY(QTest::qWaitForWindowExposed(fixture->tabs.get()));
}

void TestDynoSettingsOperator::cleanupTestCase()
{
    delete fixture;
    runTab.reset();
}

int TestDynoSettingsOperator::configWritesDuring(const std::function<void()>& work)
{
    if (!fixture->waitLinkIdle())
        return -1;
    fixture->link.sim->clearTrace();
    work();
    fixture->waitLinkIdle();
    int writes = 0;
    for (const auto& entry : fixture->link.sim->trace())
        writes += entry.reg == configAddressReg;
    return writes;
}

QList<QWidget*> TestDynoSettingsOperator::pages() const
{
    QList<QWidget*> list;
    ACMTabWidget* groups = fixture->tabs.get();
    for (int g = 0; g < groups->count(); ++g) {
        auto* channels = qobject_cast<QTabWidget*>(groups->widget(g));
        if (!channels) {
            list << groups->widget(g);
            continue;
        }
        for (int c = 0; c < channels->count(); ++c)
            list << channels->widget(c);
    }
    return list;
}

void TestDynoSettingsOperator::wheelChangesNothingOnAnyPage()
{
    // An argument row is shown only for the source "argument".
    setting(DynoSettingId_pwmSource, 0)->setValue(1);
    QVERIFY(fixture->waitLinkIdle());
    const QMap<QString, QVariant> before = storedDynoSettings();
    QMap<QString, int> kinds;
    QStringList changed;
    const int writes = configWritesDuring([&] {
        ACMTabWidget* groups = fixture->tabs.get();
        for (int g = 0; g < groups->count(); ++g) {
            groups->setCurrentIndex(g);
            auto* channels = qobject_cast<QTabWidget*>(groups->widget(g));
            for (int c = 0; c < (channels ? channels->count() : 1); ++c) {
                if (channels)
                    channels->setCurrentIndex(c);
                QWidget* page = channels ? channels->widget(c) : groups->widget(g);
                QApplication::processEvents();
                auto* scroll = qobject_cast<QScrollArea*>(page);
                // Every value-holding part of every editor: spin boxes and
                // combo boxes, also those inside the loss-model, argument and
                // curve editors.
                QList<QWidget*> targets;
                for (QAbstractSpinBox* spin : page->findChildren<QAbstractSpinBox*>())
                    targets << spin;
                for (QComboBox* combo : page->findChildren<QComboBox*>())
                    targets << combo;
                for (QWidget* target : targets) {
                    if (!target->isVisible())
                        continue;
                    if (scroll)
                        scroll->ensureWidgetVisible(target);
                    const QString text = qobject_cast<QComboBox*>(target)
                                             ? static_cast<QComboBox*>(target)->currentText()
                                             : static_cast<QAbstractSpinBox*>(target)->text();
                    const int scrollBefore = scroll ? scroll->verticalScrollBar()->value() : 0;
                    for (int delta : {120, 120, -120, -120, -120})
                        wheel(underMouse(target), delta);
                    const QString after = qobject_cast<QComboBox*>(target)
                                              ? static_cast<QComboBox*>(target)->currentText()
                                              : static_cast<QAbstractSpinBox*>(target)->text();
                    if (after != text)
                        changed << QStringLiteral("%1 (%2): %3 -> %4")
                                       .arg(target->objectName(), kindOf(target), text, after);
                    if (scroll && scroll->verticalScrollBar()->value() != scrollBefore)
                        changed << QStringLiteral("page scrolled over %1").arg(kindOf(target));
                    ++kinds[kindOf(target)];
                }
            }
        }
        // The loss-model row tells its owner half a second after an edit.
        QTest::qWait(700);
    });
    QVERIFY2(changed.isEmpty(), qPrintable(changed.join(QLatin1Char('\n'))));
    QCOMPARE(storedDynoSettings(), before);
    QCOMPARE(writes, 0);
    // Every kind of editor had its turn, the parts of the compound ones included.
    for (const char* kind : {"QSpinBox", "QDoubleSpinBox", "SpinBoxWithUnit", "QComboBox", "QuantityComboBox",
                             "DynoSettingsLossModelEditor/SciNotDoubleSpinBox", "ArgumentWidget/QComboBox"})
        QVERIFY2(kinds.value(QString::fromLatin1(kind)) > 0, kind);
    setting(DynoSettingId_pwmSource, 0)->setValue(0);
}

void TestDynoSettingsOperator::hiddenOptionsCannotBeChosen_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("start");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected");
    const QList<int> down{Qt::Key_Down, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_End};
    const QList<int> up{Qt::Key_Up, Qt::Key_Up, Qt::Key_PageUp, Qt::Key_Home};
    // Code 0 offers only the pulse capture.
    QTest::newRow("input mode the board lacks") << int(DynoSettingId_freqInputMode) << 0 << 0 << down
                                                << QStringLiteral("pulse count") << 0;
    // Roller 2 cannot support itself; code 0 has no roller 3 or 4.
    QTest::newRow("a roller as its own support") << int(DynoSettingId_rollerSupportRoller) << 1 << 1 << down
                                                 << QStringLiteral("roller 2") << 1;
    // Load cell 2's controller does not subtract load cell 2.
    QTest::newRow("own load cell as subtrahend") << int(DynoSettingId_torquePidSpSubtrahend) << 1 << 2
                                                 << QList<int>{Qt::Key_Down} << QStringLiteral("load cell 2") << 4;
    // Speed controller 2 copies only from controller 1.
    QTest::newRow("copy from a later channel") << int(DynoSettingId_pidSyncSettingsCh) << 1 << 1 << down
                                               << QStringLiteral("3") << 1;
    QTest::newRow("copy from a later torque channel") << int(DynoSettingId_torquePidSyncSettingsCh) << 2 << 0
                                                      << down << QStringLiteral("4") << 2;
    // Up from an offered option skips the hidden ones below it.
    QTest::newRow("up past the own load cell") << int(DynoSettingId_torquePidSpSubtrahend) << 1 << 4
                                               << QList<int>{Qt::Key_Up} << QString() << 2;
    // -1: the RUN tab's mode selector, whose joined torque mode needs two
    // torque controllers on a speed or acceleration output.
    QTest::newRow("joined torque mode") << -1 << 0 << 1 << QList<int>{Qt::Key_Down} << QStringLiteral("Torque c")
                                        << 3;
}

void TestDynoSettingsOperator::hiddenOptionsCannotBeChosen()
{
    QFETCH(int, id);
    QFETCH(int, channel);
    QFETCH(int, start);
    QFETCH(QList<int>, keys);
    QFETCH(QString, typed);
    QFETCH(int, expected);
    QComboBox* combo = id < 0 ? brakeModes : editor<QComboBox>(DynoSettingId(id), channel);
    QVERIFY(combo);
    const int original = combo->currentIndex();
    combo->setCurrentIndex(start);
    QCOMPARE(combo->currentIndex(), start);
    QVERIFY(!Tools::isComboBoxOptionHidden(combo, start));
    for (int key : keys)
        QTest::keyClick(combo, Qt::Key(key));
    QCOMPARE(combo->currentIndex(), expected);
    if (!typed.isEmpty()) {
        QTest::qWait(QApplication::keyboardInputInterval() + 50);
        combo->setCurrentIndex(expected);
        QTest::keyClicks(combo, typed);
        QVERIFY2(!Tools::isComboBoxOptionHidden(combo, combo->currentIndex()),
                 qPrintable(combo->currentText()));
    }
    // The hidden options are still there: stored indices keep their meaning.
    QCOMPARE(combo->count(), id < 0 ? 5 : int(fixture->registry->optionLists.value(DynoSettingId(id))->size()));
    combo->setCurrentIndex(original);
}

void TestDynoSettingsOperator::lossModelStepsByItsShownDigits()
{
    auto* loss = editor<DynoSettingsLossModelEditor>(DynoSettingId_rollerInternalLossModel, 0);
    QVERIFY(loss);
    loss->setLossModel({0, 0, 0, 0, 0});
    SciNotDoubleSpinBox* c1 = loss->editor->fields[1];
    SciNotDoubleSpinBox* c2 = loss->editor->fields[2];
    // From 0 alone: the last digit of 1.0000E+00.
    QTest::keyClick(c2, Qt::Key_Up);
    QCOMPARE(c2->value(), 1e-4);
    c2->setValue(0);
    c1->setValue(2.5e-3);
    QTest::keyClick(c2, Qt::Key_Up);
    QVERIFY(std::fabs(c2->value() - 1e-7) < 1e-16);
    c1->setValue(1e-4);
    QTest::keyClick(c1, Qt::Key_Up);
    QVERIFY(std::fabs(c1->value() - 1.0001e-4) < 1e-15);
    QTest::keyClick(c1, Qt::Key_Down);
    QTest::keyClick(c1, Qt::Key_Down);
    QVERIFY(std::fabs(c1->value() - 9.999e-5) < 1e-15);
    // Stored half a second after the last edit, as the row does.
    QTRY_VERIFY(std::fabs(setting(DynoSettingId_rollerInternalLossModel, 0)->value().value<QList<double>>().value(1)
                          - 9.999e-5)
                < 1e-15);
    loss->setLossModel({});
}

void TestDynoSettingsOperator::startWithoutEditsKeepsTheStoreByteForByte()
{
    // Values with more digits than their editors show, in units other than SI.
    theSettings.setValue(kStorePrefix + QStringLiteral("roller_0_diameter"), 0.123456789012345);
    theSettings.setValue(kStorePrefix + QStringLiteral("roller_0_diameter/unit"), QStringLiteral("mm"));
    theSettings.setValue(kStorePrefix + QStringLiteral("absorberLock_rampTime"), 1.23456789);
    theSettings.setValue(kStorePrefix + QStringLiteral("absorberLock_rampTime/unit"), QStringLiteral("ms"));
    theSettings.setValue(kStorePrefix + QStringLiteral("accPID_1_rampLimit"), 2.096);
    QVERIFY(fixture->restart());
    QVERIFY(fixture->waitLinkIdle());
    const QByteArray before = storeFile();
    QVERIFY(before.contains("roller_0_diameter=0.123456789012345"));
    QVERIFY(before.contains("accPID_1_rampLimit=2.096"));
    QVERIFY(fixture->restart());
    QVERIFY(fixture->waitLinkIdle());
    QTest::qWait(700);
    const QByteArray after = storeFile();
    if (before != after) {
        const QList<QByteArray> a = before.split('\n');
        const QList<QByteArray> b = after.split('\n');
        for (int i = 0; i < std::max(a.size(), b.size()); ++i) {
            if (a.value(i) != b.value(i))
                qWarning() << "first difference:" << a.value(i) << "|" << b.value(i);
        }
    }
    QVERIFY(before == after);
    QCOMPARE(setting(DynoSettingId_rollerDiameter, 0)->value().toDouble(), 0.123456789012345);
    QCOMPARE(setting(DynoSettingId_absorberLockRampTime, 0)->value().toDouble(), 1.23456789);
    fixture->tabs->show();
}

void TestDynoSettingsOperator::controllerHelpPagesShowTheirPictures()
{
    LogCapture log;
    QVERIFY(fixture->restart());
    QCOMPARE(log.count(QStringLiteral("Help picture missing")), 0);
    int pictures = 0;
    ACMTabWidget* groups = fixture->tabs.get();
    for (int g = 0; g < groups->count(); ++g) {
        const QString title = groups->tabText(g);
        if (!QStringList{"Acceleration control", "Speed control", "Torque control", "Analog in control"}.contains(title))
            continue;
        auto* channels = qobject_cast<QTabWidget*>(groups->widget(g));
        QVERIFY(channels);
        QCOMPARE(channels->tabText(channels->count() - 1), QStringLiteral("Help"));
        auto* help = qobject_cast<QLabel*>(channels->widget(channels->count() - 1));
        QVERIFY(help);
        QVERIFY2(!help->pixmap().isNull(), qPrintable(title));
        // Drawn at the size of the page, so nothing is scaled.
        QCOMPARE(help->pixmap().size(), QSize(1000, 560));
        ++pictures;
    }
    QCOMPARE(pictures, 4);
    fixture->tabs->show();
}

void TestDynoSettingsOperator::scenarioInstallerSection_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("entries");
    QTest::newRow("plant, then installer") << "rollers 1\n[installer]\n# a comment\nroller_0_diameter 0.5\n"
                                              "roller_0_internalLossModel 0 2 0.02 0.0004 0\n"
                                           << QString() << 2;
    QTest::newRow("no section") << "rollers 1\nroller_diameter 0.5\n" << QString() << 0;
    QTest::newRow("no value") << "[installer]\ninertia_0\n" << "scenario line 2 not understood: \"inertia_0\"" << 0;
    QTest::newRow("not a number") << "\n[installer]\ninertia_0 sixty\n"
                                  << "scenario line 3 not understood: \"inertia_0 sixty\"" << 0;
    QTest::newRow("not finite") << "[installer]\ninertia_0 inf\n" << "scenario line 2 not understood: \"inertia_0 inf\""
                                << 0;
    QTest::newRow("a second section") << "[installer]\n[installer]\n"
                                      << "scenario line 2 not understood: \"[installer]\"" << 0;
    QTest::newRow("other section") << "[plant]\n" << "scenario line 1 not understood: \"[plant]\"" << 0;
}

void TestDynoSettingsOperator::scenarioInstallerSection()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    QFETCH(int, entries);
    QString problem;
    const SimulatedScenario scenario = SimulatedScenario::fromText(text, &problem);
    QCOMPARE(problem, error);
    QCOMPARE(int(scenario.installerSettings.size()), entries);
    if (entries == 2) {
        QCOMPARE(scenario.installerSettings.at(0).line, 4);
        QCOMPARE(scenario.installerSettings.at(0).key, QStringLiteral("roller_0_diameter"));
        QCOMPARE(scenario.installerSettings.at(1).values, (QList<double>{0, 2, 0.02, 0.0004, 0}));
    }
    // The scenarios that come with the program read.
    for (const char* name : {"full-throttle", "speed-hold", "inertia-constant-torque", "standing"}) {
        const QString path = qEnvironmentVariable("ZEMBO_SOURCE_DIR") + QStringLiteral("/platform/scenarios/")
                             + QString::fromLatin1(name) + QStringLiteral(".txt");
        const SimulatedScenario shipped = SimulatedScenario::fromFile(path, &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY(!shipped.installerSettings.isEmpty());
    }
}

void TestDynoSettingsOperator::installerSettingsTakenWhereStillDefault()
{
    const auto entry = [](int line, const char* key, QList<double> values) {
        return SimulatedScenario::InstallerSetting{line, QString::fromLatin1(key), values};
    };
    // Roller 1 at its defaults; roller 2's inertia set by the installer already.
    setting(DynoSettingId_rollerDiameter, 0)->setValue(1.0);
    setting(DynoSettingId_inertia, 0)->setValue(0.0);
    setting(DynoSettingId_rollerInternalLossModel, 0)->setValue(QVariant::fromValue(QList<double>{}));
    setting(DynoSettingId_inertia, 1)->setValue(3.0);
    LogCapture log;
    int writes = 0;
    QString problem;
    writes = configWritesDuring([&] {
        problem = fixture->registry->seedInstallerSettings(
            {entry(10, "roller_0_diameter", {0.5}), entry(11, "inertia_0", {60}),
             entry(12, "roller_0_internalLossModel", {0, 2, 0.02, 0.0004, 0}), entry(13, "inertia_1", {7})},
            QStringLiteral("scenario \"test\""));
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(setting(DynoSettingId_rollerDiameter, 0)->value().toDouble(), 0.5);
    QCOMPARE(setting(DynoSettingId_inertia, 0)->value().toDouble(), 60.0);
    QCOMPARE(setting(DynoSettingId_rollerInternalLossModel, 0)->value().value<QList<double>>(),
             (QList<double>{0, 2, 0.02, 0.0004, 0}));
    QCOMPARE(setting(DynoSettingId_inertia, 1)->value().toDouble(), 3.0);
    // Stored, and the addressed diameter sent to the controller.
    QCOMPARE(theSettings.value(kStorePrefix + QStringLiteral("inertia_0")).toDouble(), 60.0);
    QCOMPARE(writes, 1);
    QCOMPARE(log.count(QStringLiteral("Installer settings of scenario \"test\" taken: roller_0_diameter=0.5, "
                                      "inertia_0=60, roller_0_internalLossModel=0 2 0.02 0.0004 0; already set: "
                                      "inertia_1")),
             1);
    QCOMPARE(int(log.messages().filter(QStringLiteral("Installer settings")).size()), 1);

    // A second start finds them set and leaves them.
    setting(DynoSettingId_inertia, 0)->setValue(55.0);
    fixture->registry->seedInstallerSettings({entry(1, "inertia_0", {60})}, QStringLiteral("scenario \"test\""));
    QCOMPARE(setting(DynoSettingId_inertia, 0)->value().toDouble(), 55.0);
    setting(DynoSettingId_inertia, 1)->setValue(0.0);
}

void TestDynoSettingsOperator::badInstallerSettingsRefusedWhole_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown setting") << "roller_diameter" << QList<double>{0.5}
                                     << "scenario line 8: no dyno setting \"roller_diameter\" on this board";
    QTest::newRow("a roller the board lacks") << "roller_2_diameter" << QList<double>{0.5}
                                              << "scenario line 8: no dyno setting \"roller_2_diameter\" on this board";
    QTest::newRow("below the minimum") << "roller_0_diameter" << QList<double>{0.0}
                                       << "scenario line 8: 0 is out of range for \"roller_0_diameter\" (0.001 to inf)";
    QTest::newRow("above the maximum") << "absorberLock_value" << QList<double>{1.5}
                                       << "scenario line 8: 1.5 is out of range for \"absorberLock_value\" (0 to 1)";
    QTest::newRow("two values for one") << "inertia_0" << QList<double>{1, 2}
                                        << "scenario line 8: \"inertia_0\" takes one value";
    QTest::newRow("an option the board hides") << "freqInput_0_mode" << QList<double>{1}
                                               << "scenario line 8: option 1 of \"freqInput_0_mode\" is not offered on "
                                                  "this board";
    QTest::newRow("a fractional count") << "freqInput_0_signalsPerRotation" << QList<double>{1.5}
                                        << "scenario line 8: 1.5 is out of range for "
                                           "\"freqInput_0_signalsPerRotation\" (1 to 2147483647)";
    QTest::newRow("negative loss") << "roller_0_internalLossModel" << QList<double>{0, -1}
                                   << "scenario line 8: loss-model coefficient -1 is negative";
    QTest::newRow("a text setting") << "ain_0_name" << QList<double>{1}
                                    << "scenario line 8: \"ain_0_name\" cannot be given in a scenario";
}

void TestDynoSettingsOperator::badInstallerSettingsRefusedWhole()
{
    QFETCH(QString, key);
    QFETCH(QList<double>, values);
    QFETCH(QString, error);
    setting(DynoSettingId_inertia, 0)->setValue(0.0);
    LogCapture log;
    QString problem;
    const int writes = configWritesDuring([&] {
        problem = fixture->registry->seedInstallerSettings(
            {{7, QStringLiteral("inertia_0"), {60}}, {8, key, values}}, QStringLiteral("scenario \"bad\""));
    });
    QCOMPARE(problem, error);
    // Nothing taken, not even the good line before it.
    QCOMPARE(setting(DynoSettingId_inertia, 0)->value().toDouble(), 0.0);
    QCOMPARE(writes, 0);
    QCOMPARE(log.count(QStringLiteral("Installer settings of scenario \"bad\" refused, none taken: ") + error), 1);
}

QTEST_MAIN(TestDynoSettingsOperator)
#include "tst_dyno_settings_operator.moc"
