// The SETTINGS tab inside the main window on the simulated dyno: page order
// and access keys, the Misc options across the settings store, the visibility
// rules, languages, the fan boot script and the autostart entry, units, the
// RUN WIDGETS grid under the lock, the watermark and the disk clean-up tool.
#include "AccessControlManager.h"
#include "AccessControlWidget.h"
#include "AnalysisHooks.h"
#include "BrandingImagePreview.h"
#include "ChannelSetup.h"
#include "ChannelSetupModel.h"
#include "DiskCleanupOption.h"
#include "DiskCleanupTool.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "MySettings.h"
#include "ProjectListModel.h"
#include "QuantityComboBox.h"
#include "RecordingAnswerer.h"
#include "RecordingCommandRunner.h"
#include "RunListModel.h"
#include "RunWidgetSetupRows.h"
#include "Settings.h"
#include "SpinBoxWithUnit.h"
#include "SystemRoot.h"
#include "UI.h"
#include "UnitComboBox.h"
#include "WatermarkWidget.h"
#include "lib/Units.h"
#include "rpiGPIO.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

class TestSettingsTab : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void pageOrderAndAccessKeys();
    void miscKeysDefaultsAndRanges();
    void visibilityRules();
    void languageCodes();
    void fanScript();
    void autostartEntry();
    void unitsSwitchEveryField();
    void protectedRowIsLocked();
    void watermarkOpacityAndCoalescing();
    void watermarkUnreadableFile();
    void diskCleanup();

private:
    MainUI* window = nullptr;
    Settings* settings = nullptr;
    RecordingAnswerer* answerer = nullptr;
    RecordingCommandRunner runner;
    QStringList boxTexts() const;
};

QStringList TestSettingsTab::boxTexts() const
{
    QStringList texts;
    for (const RecordingAnswerer::Shown& shown : answerer->shown)
        texts.append(shown.text);
    return texts;
}

void TestSettingsTab::initTestCase()
{
    answerer = new RecordingAnswerer;
    SystemCommandRunner::setInstance(&runner);
    MainWindowFixture::prepareProcess();
    window = MainWindowFixture::createWindow();
    QTRY_VERIFY_WITH_TIMEOUT(window->secondStageDone, 15000);
    settings = theUI->settings;
}

void TestSettingsTab::cleanupTestCase()
{
    MainWindowFixture::destroyWindow(window);
    SystemCommandRunner::setInstance(nullptr);
    delete answerer;
}

void TestSettingsTab::pageOrderAndAccessKeys()
{
    const QList<QPair<QString, QString>> expected {
        {"Project", ""},
        {"Channels", ""},
        {"Power correction", ""},
        {"OBD / UDS", ""},
        {"Watermark", "settings_watermark"},
        {"Report editor", "settings_reportEditor"},
        {"Result Screen editor", "settings_resultScreenEditor"},
        {"Online services", ""},
        {"Misc", "settings_misc"},
        {"Camera", ""},
        {"UI inputs", ""},
        {"Serial inputs", ""},
        {"Modbus", ""},
        {"Functions", ""},
        {"Remote control", ""},
        {"Maintenance", ""},
        {"Access control", ""},
        {"About", ""},
        {"CAN inputs", "settings_canInputs"},
        {"CAN outputs", ""},
    };
    QVERIFY(settings->count() > expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(settings->tabText(i), expected.at(i).first);
        QCOMPARE(settings->widget(i)->property("acmKey").toString(), expected.at(i).second);
    }
    // The dyno settings groups follow, each under its own key.
    for (int i = expected.size(); i < settings->count(); ++i)
        QVERIFY(settings->widget(i)->property("acmKey").toString().startsWith(QLatin1String("dynoSettings_")));
    QCOMPARE(settings->objectName(), QStringLiteral("tabWidget_settings"));
    QCOMPARE(settings->tabPosition(), QTabWidget::West);
    // West-side labels are horizontal: a tab is wider than high.
    const QRect tab = settings->tabBar()->tabRect(settings->indexOf(settings->accessControlWidget));
    QVERIFY2(tab.width() > tab.height(), qPrintable(QStringLiteral("%1x%2").arg(tab.width()).arg(tab.height())));
    // A picture to look at: ZEMBO_SHOT_DIR=folder.
    if (qEnvironmentVariableIsSet("ZEMBO_SHOT_DIR")) {
        settings->setCurrentIndex(settings->indexOf(settings->accessControlWidget) - 6); // "Misc"
        settings->grab().save(qEnvironmentVariable("ZEMBO_SHOT_DIR") + QStringLiteral("/settings_tab.png"));
    }
}

void TestSettingsTab::miscKeysDefaultsAndRanges()
{
    struct Check {
        const char* key;
        QVariant byDefault;
        double minimum;
        double maximum;
    };
    const double nan = std::nan("");
    const QList<Check> checks {
        {"checkBox_settings_alwaysStartInProjectsTab", false, nan, nan},
        {"checkBox_settings_activateLastProject", true, nan, nan},
        {"checkBox_settings_updateDTLossFactorOnGearboxChange", true, nan, nan},
        {"checkBox_settings_updateEngineInertiaOnDisplacementChange", true, nan, nan},
        {"checkBox_settings_automaticallyExportRunDataToCSV", false, nan, nan},
        {"doubleSpinBox_settings_csvExportSamplingValue", 0.1, 0.001, 86400},
        {"checkBox_settings_autoHideTestDialogOnRunStart", false, nan, nan},
        {"checkBox_calculateLossModelOnRunLoad", true, nan, nan},
        {"checkBox_automaticallyAcceptLossModel", true, nan, nan},
        {"spinBox_lossStageFinderStartThreshold", 0.7, 0.2, 0.9},
        {"checkBox_clearRunLossModelOnProjectActivation", false, nan, nan},
        {"checkBox_settings_autoUpdateRunTabLossModel", false, nan, nan},
        {"comboBox_settings_defaultDisplayRangeSelectionMode", 0, nan, nan},
        {"comboBox_settings_trackingLineMode", 0, nan, nan},
        {"spinBox_settings_resampleFrequency", 500, 1, 1000},
        {"spinBox_analyzeGraphValueFontSize", 12, 6, 40},
        {"spinBox_analyzeRunTableContentFontSize", 12, 6, 40},
        {"comboBox_settings_language", "en", nan, nan},
        {"checkBox_settings_fanAlwaysOn", false, nan, nan},
        {"checkBox_settings_startDynoWithSystem", false, nan, nan},
        {"checkBox_settings_checkForUpdates", true, nan, nan},
        {"checkBox_settings_useExperimentalUpdates", false, nan, nan},
        {"checkBox_settings_alarmSound", false, nan, nan},
        {"checkBox_settings_blockRunStartWhenAlarm", false, nan, nan},
        {"checkBox_settings_blockProgramExitWhenAlarm", false, nan, nan},
        {"rampTest_trackingThreshold", 2.7777777777777777, 0, INFINITY},
        {"rampTest_engineTrackingThreshold", 20.943951023931955, 0, INFINITY},
        {"spinBox_settings_autorangePadding", 2, 0, 20},
        {"checkBox_settings_absorberControlOnlyDuringRun", true, nan, nan},
        {"checkBox_settings_fullScreenAlarms", false, nan, nan},
    };
    for (const Check& check : checks) {
        const QString key = QStringLiteral("UserSetting/") + QLatin1String(check.key);
        QVERIFY2(theSettings.contains(key), check.key);
        const QVariant stored = theSettings.value(key);
        QWidget* widget = settings->findChild<QWidget*>(QLatin1String(check.key));
        QVERIFY2(widget, check.key);
        if (qobject_cast<QCheckBox*>(widget)) {
            QCOMPARE(stored.toInt() != 0, check.byDefault.toBool());
        } else if (auto* unit = qobject_cast<SpinBoxWithUnit*>(widget)) {
            QCOMPARE(stored.toDouble(), check.byDefault.toDouble());
            QCOMPARE(unit->decimals(), 0);
        } else if (check.byDefault.typeId() == QMetaType::QString) {
            QCOMPARE(stored.toString(), check.byDefault.toString());
        } else {
            QVERIFY2(std::abs(stored.toDouble() - check.byDefault.toDouble()) < 1e-12, check.key);
        }
        if (std::isnan(check.minimum))
            continue;
        if (auto* box = qobject_cast<QSpinBox*>(widget)) {
            QCOMPARE(double(box->minimum()), check.minimum);
            QCOMPARE(double(box->maximum()), check.maximum);
        } else if (auto* unit = qobject_cast<SpinBoxWithUnit*>(widget)) {
            QCOMPARE(unit->minimum(), unit->getUnit()->getUnitValue(check.minimum));
            QVERIFY(std::isinf(unit->maximum()) || unit->maximum() > 1e12);
        } else if (auto* box = qobject_cast<QDoubleSpinBox*>(widget)) {
            QCOMPARE(box->minimum(), check.minimum);
            QCOMPARE(box->maximum(), check.maximum);
        }
    }
    // A changed value reaches the store under its key.
    settings->spinBox_settings_autorangePadding->setValue(7);
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/spinBox_settings_autorangePadding")).toInt(), 7);
    QCOMPARE(ChannelSetup::autorangePaddingPercent(), 7.0);
    settings->spinBox_settings_autorangePadding->setValue(2);
}

void TestSettingsTab::visibilityRules()
{
    auto visible = [](QWidget* field) {
        auto* form = qobject_cast<QFormLayout*>(field->parentWidget()->layout());
        int row = -1;
        QFormLayout::ItemRole role;
        form->getWidgetPosition(field, &row, &role);
        QWidget* label = form->itemAt(row, QFormLayout::LabelRole) ? form->itemAt(row, QFormLayout::LabelRole)->widget()
                                                                    : nullptr;
        return !field->isHidden() && (!label || !label->isHidden());
    };
    settings->checkBox_settings_automaticallyExportRunDataToCSV->setChecked(false);
    QVERIFY(!visible(settings->doubleSpinBox_settings_csvExportSamplingValue));
    settings->checkBox_settings_automaticallyExportRunDataToCSV->setChecked(true);
    QVERIFY(visible(settings->doubleSpinBox_settings_csvExportSamplingValue));
    settings->checkBox_settings_automaticallyExportRunDataToCSV->setChecked(false);

    settings->checkBox_settings_checkForUpdates->setChecked(false);
    QVERIFY(!visible(settings->checkBox_settings_useExperimentalUpdates));
    QVERIFY(!visible(settings->pushButton_settings_checkForUpdatesNow));
    settings->checkBox_settings_checkForUpdates->setChecked(true);
    QVERIFY(visible(settings->checkBox_settings_useExperimentalUpdates));
    QVERIFY(visible(settings->pushButton_settings_checkForUpdatesNow));
}

void TestSettingsTab::languageCodes()
{
    QTemporaryDir user;
    for (const char* name : {"zembo_fr.qm", "zembo_de.qm", "zembo_template.ts", "notes.QM"}) {
        QFile file(user.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QStringList codes = Settings::languageCodes(user.path(), QStringLiteral(":/translations/"));
    QCOMPARE(codes.first(), QStringLiteral("en"));
    QCOMPARE(codes.count(QStringLiteral("fr")), 1);
    QVERIFY(codes.contains(QStringLiteral("de")));
    QVERIFY(codes.contains(QStringLiteral("hu")));
    QVERIFY(!codes.contains(QStringLiteral("template")));
    QCOMPARE(codes.size(), QSet<QString>(codes.begin(), codes.end()).size());
    // The page offers what the program's folders hold.
    QCOMPARE(settings->comboBox_settings_language->itemText(0), QStringLiteral("en"));
}

void TestSettingsTab::fanScript()
{
    const QString script = SystemRoot::filePath(QStringLiteral("/etc/init.d/dyno_fan_on.sh"));
    QFile::remove(script);
    runner.clear();
    settings->checkBox_settings_fanAlwaysOn->setChecked(true);
    const QList<QStringList> arguments = runner.argumentLists();
    QCOMPARE(runner.commandLines().size(), 2);
    QVERIFY(runner.commandLines().at(0).startsWith(QLatin1String("sudo install -m 0755 ")));
    QVERIFY(runner.commandLines().at(0).endsWith(QLatin1String(" /etc/init.d/dyno_fan_on.sh")));
    // Written in a private folder, never in a fixed shared path.
    QVERIFY(!arguments.at(0).at(2).startsWith(QLatin1String("/tmp/dyno_fan_on.sh")));
    QCOMPARE(runner.commandLines().at(1), QStringLiteral("sudo update-rc.d dyno_fan_on.sh defaults"));
    QVERIFY(theRPIGPIO.fanStaysOnAtExit);
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/checkBox_settings_fanAlwaysOn")).toInt(), int(Qt::Checked));

    // In place already: nothing to run.
    QDir().mkpath(QFileInfo(script).absolutePath());
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Settings::fanScriptText());
    file.close();
    runner.clear();
    settings->slot_updateFanConfiguration(Qt::Checked);
    QVERIFY(runner.commandLines().isEmpty());

    settings->checkBox_settings_fanAlwaysOn->setChecked(false);
    QCOMPARE(runner.commandLines(), QStringList({QStringLiteral("sudo update-rc.d dyno_fan_on.sh remove"),
                                                 QStringLiteral("sudo rm -f /etc/init.d/dyno_fan_on.sh")}));
    QVERIFY(!theRPIGPIO.fanStaysOnAtExit);
    QVERIFY(Settings::fanScriptText().startsWith("#!/bin/bash\n### BEGIN INIT INFO\n# Provides: dyno_fan_on.sh\n"));
    QVERIFY(Settings::fanScriptText().endsWith("### END INIT INFO\npinctrl set 26 pu dh\n"));
}

void TestSettingsTab::autostartEntry()
{
    const QString path = QDir::homePath() + QStringLiteral("/.config/autostart/zembo.desktop");
    QCOMPARE(Settings::autostartEntryPath(), path);
    runner.clear();
    settings->checkBox_settings_startDynoWithSystem->setChecked(true);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[Desktop Entry]\nType=Application\nExec=sh -c \"$(ls -t ") +
                                 QDir::homePath().toUtf8() +
                                 "/Desktop/Zembo_* | head -n 1)\"\nX-GNOME-Autostart-enabled=true\n");
    file.close();
    // An entry in place is left as it is.
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("mine\n");
    file.close();
    settings->slot_updateAutostartConfiguration(Qt::Checked);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("mine\n"));
    file.close();
    settings->checkBox_settings_startDynoWithSystem->setChecked(false);
    QVERIFY(!QFile::exists(path));
    // No shell is ever asked.
    QVERIFY(runner.commandLines().isEmpty());
}

void TestSettingsTab::unitsSwitchEveryField()
{
    const Unit* kmh = theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("km/h"));
    QVERIFY(kmh);
    settings->comboBox_settings_unitsQuantity->setQuantity(Quantity::Speed);
    settings->comboBox_settings_unitsUnit->setUnit(kmh);
    QSignalSpy saves(theRunListModel, &CustomSqlTableModel::signal_requestModelConfigurationSave);
    settings->slot_updateUnits();
    int speedFields = 0;
    for (CustomSqlTableModel* model : {static_cast<CustomSqlTableModel*>(theProjectListModel),
                                       static_cast<CustomSqlTableModel*>(theRunListModel)}) {
        for (const TableModelFieldDescriptor* d : std::as_const(model->fieldDescriptors)) {
            if (d && d->quantity == Quantity::Speed) {
                QCOMPARE(d->unit, kmh);
                ++speedFields;
            }
        }
    }
    QVERIFY(speedFields > 0);
    QCOMPARE(saves.size(), 1);
    int setups = 0;
    for (const ChannelSetup* setup : theVectorChannelSetupModel.getChannelsSetupsList()) {
        if (setup->quantity == Quantity::Speed) {
            QCOMPARE(setup->unit, kmh);
            ++setups;
        }
    }
    QVERIFY(setups > 0);
}

void TestSettingsTab::protectedRowIsLocked()
{
    auto* label = new QLabel(QStringLiteral("Test widget"));
    auto* visible = new QCheckBox;
    auto* isProtected = new QCheckBox;
    settings->addRunWidgetSetupRow(label, visible, isProtected, QStringLiteral("testRow_"));
    QCOMPARE(visible->objectName(), QStringLiteral("testRow_visible"));
    QVERIFY(visible->isChecked());
    isProtected->setChecked(true);
    QVERIFY(!visible->isEnabled());
    isProtected->setChecked(false);
    QVERIFY(visible->isEnabled());
    theACM.lock();
    QVERIFY(!isProtected->isEnabled());
    theACM.unlock();
    QVERIFY(isProtected->isEnabled());
}

void TestSettingsTab::watermarkOpacityAndCoalescing()
{
    WatermarkWidget* page = settings->watermarkWidget;
    BrandingImagePreview* preview = page->imageLabel_settings_brandingImage;
    QTemporaryDir folder;
    QImage red(40, 20, QImage::Format_ARGB32);
    red.fill(QColor(255, 0, 0));
    const QString path = folder.filePath(QStringLiteral("logo.png"));
    QVERIFY(red.save(path));
    preview->setImage(path);
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/imageLabel_settings_brandingImage")).toString(), path);

    QSignalSpy pixmaps(preview, &BrandingImagePreview::signal_pixmapChanged);
    QSignalSpy userGraph(page, &WatermarkWidget::signal_userGraphWatermarkChanged);
    // The analysis graphs subscribe through their hooks, for their lifetime.
    AnalysisHooks& hooks = AnalysisHooks::instance();
    QVERIFY(hooks.brandingChanged && hooks.brandingPixmap && hooks.watermarkAllPlots);
    QList<EnhancedPixmap> graphSaw;
    auto* graph = new QObject;
    hooks.brandingChanged(graph, [&graphSaw](const EnhancedPixmap& p) { graphSaw.append(p); });
    page->horizontalSlider_branding_scale->setValue(80);
    page->horizontalSlider_branding_horizontalPosition->setValue(20);
    page->horizontalSlider_branding_verticalPosition->setValue(70);
    page->horizontalSlider_branding_opacity->setValue(128);
    QTRY_COMPARE(pixmaps.size(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(pixmaps.size(), 1);
    const EnhancedPixmap prepared = pixmaps.first().first().value<EnhancedPixmap>();
    QCOMPARE(prepared.scale, 80);
    QCOMPARE(prepared.xPosition, 20);
    QCOMPARE(prepared.yPosition, 70);
    // Opacity 128 moves each channel 127/255 of the way towards white.
    const QColor pixel = prepared.toImage().pixelColor(10, 10);
    QVERIFY2(std::abs(pixel.green() - 127) <= 1 && pixel.red() == 255,
             qPrintable(QStringLiteral("%1 %2 %3").arg(pixel.red()).arg(pixel.green()).arg(pixel.blue())));
    QCOMPARE(graphSaw.size(), 1);
    QCOMPARE(hooks.brandingPixmap().toImage(), prepared.toImage());
    delete graph;
    // The user graph gets it only while the scope box is checked.
    QVERIFY(userGraph.first().first().value<EnhancedPixmap>().isNull());
    QVERIFY(!hooks.watermarkAllPlots());
    page->checkBox_branding_applyWatermarkToAllPlots->setChecked(true);
    QVERIFY(hooks.watermarkAllPlots());
    QTRY_COMPARE(userGraph.size(), 2);
    QVERIFY(!userGraph.last().first().value<EnhancedPixmap>().isNull());
    page->checkBox_branding_applyWatermarkToAllPlots->setChecked(false);
    page->horizontalSlider_branding_opacity->setValue(255);
    QTRY_COMPARE(pixmaps.size(), 3);
    QCOMPARE(pixmaps.last().first().value<EnhancedPixmap>().toImage().pixelColor(10, 10), QColor(255, 0, 0));

    // "Restore default": the built-in image when no branding.png was placed.
    preview->setImage(QString());
    page->slot_loadDefaultImage();
    QCOMPARE(preview->imagePath(), QStringLiteral(":/resources/branding/kolvo_dyno.png"));
    QVERIFY(!preview->image.isNull());
}

void TestSettingsTab::watermarkUnreadableFile()
{
    BrandingImagePreview* preview = settings->watermarkWidget->imageLabel_settings_brandingImage;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("broken.png"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    answerer->shown.clear();
    preview->setImage(path);
    QCOMPARE(answerer->shown.size(), 1);
    QVERIFY(answerer->shown.first().text.contains(QDir::toNativeSeparators(path)));
    QVERIFY(answerer->shown.first().text.startsWith(QStringLiteral("imageLabel_settings_brandingImage: cannot load ")));
    QVERIFY(preview->imagePath().isEmpty());
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/imageLabel_settings_brandingImage")).toString(), QString());
}

void TestSettingsTab::diskCleanup()
{
    // Runs: short and slow (two conditions), long, never analysed, and one file
    // no row names.
    QSqlDatabase db = theRunListModel->database();
    auto addRun = [&](const QString& name, double length, double road, bool analysed) {
        QFile file(theSettings.runsDir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1024, 'x'));
        file.close();
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO runs2 (projectId, filename, runLength, peakRoadSpeed, "
                                      "peakEngineSpeed, selectionStart, selectionEnd) VALUES (1, ?, ?, ?, 500, ?, ?)"));
        insert.addBindValue(theSettings.runsDir.filePath(name));
        insert.addBindValue(length);
        insert.addBindValue(road);
        insert.addBindValue(analysed ? QVariant(1.0) : QVariant());
        insert.addBindValue(analysed ? QVariant(2.0) : QVariant());
        QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
    };
    for (const QString& name : RunListModel::listRunsFolder())
        theSettings.runsDir.remove(name);
    QSqlQuery(db).exec(QStringLiteral("DELETE FROM runs2"));
    addRun(QStringLiteral("short_slow.h5"), 1, 1, true);
    addRun(QStringLiteral("long.h5"), 400, 30, true);
    addRun(QStringLiteral("fine.h5"), 60, 30, false);
    QFile orphan(theSettings.runsDir.filePath(QStringLiteral("orphan.h5")));
    QVERIFY(orphan.open(QIODevice::WriteOnly));
    orphan.close();
    theRunListModel->select();

    QStringList questions;
    int failedStep = -1;
    auto fail = [&](int step) {
        failedStep = step;
        return int(QDialog::Rejected);
    };
    answerer->respond = [&](QDialog* dialog) {
        auto* tool = qobject_cast<DiskCleanupTool*>(dialog);
        if (!tool) {
            if (auto* box = qobject_cast<QMessageBox*>(dialog))
                questions.append(box->text());
            return int(questions.size() == 1 ? QMessageBox::No : QMessageBox::Yes);
        }
        // Nothing to clean before a scan.
        if (tool->cleanButton->isEnabled())
            return fail(1);
        tool->minLength->checkBox->setChecked(true);
        tool->minRoadSpeed->checkBox->setChecked(true);
        tool->scanButton->click();
        if (tool->minLength->label->text() != QStringLiteral("File count: 1 ( 0 MB )"))
            return fail(2);
        if (!tool->summary->text().contains(QStringLiteral("Files to remove: 1 ( 0 MB )")))
            return fail(3);
        // Changing a value forgets that condition's files until the next scan.
        tool->minLength->spinBox->setValueSI(5);
        if (tool->minLength->label->text() != QStringLiteral("File count: ?? ( ?? MB )"))
            return fail(4);
        tool->maxLength->checkBox->setChecked(true);
        tool->neverAnalyzed->checkBox->setChecked(true);
        tool->notInDatabase->checkBox->setChecked(true);
        tool->scanButton->click();
        if (tool->finalFileList.size() != 4)
            return fail(5);
        tool->cleanButton->click(); // answered No: lists kept
        if (tool->finalFileList.size() != 4 || !tool->cleanButton->isEnabled())
            return fail(6);
        tool->cleanButton->click(); // Yes
        if (!tool->finalFileList.isEmpty() || tool->cleanButton->isEnabled())
            return fail(7);
        failedStep = 0;
        return int(QDialog::Accepted);
    };
    answerer->shown.clear();
    { DiskCleanupTool tool(nullptr); }
    QCOMPARE(failedStep, 0);
    answerer->respond = nullptr;
    QCOMPARE(questions.size(), 2);
    QCOMPARE(questions.first().count(QStringLiteral("short_slow.h5")), 1);
    QCOMPARE(RunListModel::listRunsFolder(), QStringList());
    QSqlQuery left(db);
    QVERIFY(left.exec(QStringLiteral("SELECT count(*) FROM runs2")));
    QVERIFY(left.next());
    QCOMPARE(left.value(0).toInt(), 0);
}

QTEST_MAIN(TestSettingsTab)
#include "tst_settings_tab.moc"
