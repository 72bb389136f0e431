#pragma once

#include "AppVersion.h"
#include "lib/DeviceCode.h"
#include "lib/Quantity.h"

#include <QDir>
#include <QKeySequence>
#include <QList>
#include <QPointF>
#include <QSettings>
#include <QStorageInfo>
#include <QStringList>
#include <QTimer>
#include <QTranslator>

#include <functional>

class QAbstractSlider;
class QBluetoothAddress;
class QBluetoothLocalDevice;
class QCheckBox;
class QColor;
class QComboBox;
class QDoubleSpinBox;
class QHeaderView;
class QLineEdit;
class QMainWindow;
class QPlainTextEdit;
class QPrinter;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QWidget;
class Unit;

// The program's settings store: "settings.ini" in the configuration folder, plus
// the handles of that folder and its sub-folders. One object, theSettings,
// constructed before main so that every later stage finds the folders ready.
class MySettings : public QSettings
{
    Q_OBJECT
public:
    // The real store: the home directory as the system reports it.
    MySettings();
    // A store for another home directory. When `home` is `filesystemRoot`, the
    // configuration folder moves to `rootUserHome` while the ini file stays
    // under the root; tests pass stand-ins for "/" and "/home/pi".
    MySettings(const QString& home, const QString& filesystemRoot, const QString& rootUserHome);
    ~MySettings() override;

    void createSettingSubDir(QDir& dir, const QString& name);
    void initTranslator();
    void initChannelsSetup();
    void initEnumLabels();
    // Brings settings of the version that ran last forward, sets the board's
    // operating system up after a version change and asks for the default
    // system password to be replaced. Called once by the main window while it
    // is built; may show modal boxes, run system commands and reboot the board.
    void runNewVersionActions();
    void setDeviceCode(DeviceCode code);
    static QString encrypt(const QString& text);
    static QString decrypt(const QString& text);
    void makeSettingsBackup();
    void checkStorageSpace();
    // True when this many bytes free for the user are too few for recording runs.
    static bool isStorageSpaceLow(qint64 bytesAvailable);

    // A stored "@Invalid()" reads as missing: the caller's default answers.
    QVariant value(QAnyStringView key, const QVariant& defaultValue) const;
    QVariant value(QAnyStringView key) const { return QSettings::value(key); }

    QString iniFilePath() const { return fileName(); }

    // Hooks through which higher layers plug into the store without the store
    // linking them: the channel-setup models load in initChannelsSetup, the disk
    // clean-up dialog opens when storage runs low.
    static void setChannelsSetupLoader(std::function<void(MySettings&)> loader);
    static void setDiskCleanupOpener(std::function<void()> opener);
    // The id of the active project (-1 when none), stored at exit; and the name
    // of the first loaded run that printouts are named after (empty when no run
    // is loaded). The projects and analysis layers register them.
    static void setActiveProjectIdProvider(std::function<int()> provider);
    static void setPrintNameProvider(std::function<QString()> provider);
    // How the process ends after the set-up has asked for a reboot (exit code
    // given). By default the settings are synchronised and the process exits;
    // while system commands are only recorded it goes on. For tests.
    static void setProcessEnder(std::function<void(int)> ender);

    // Binding of widgets to keys: "UserSetting/" + object name (+ "/" + sub-key).
    // Each call restores the stored value with the widget's signals blocked,
    // connects the widget's change signal to the store and, for most kinds,
    // re-announces the current value so that the page and the store both see it.
    void connectCheckBox(QCheckBox* checkBox);
    void connectTabWidget(QTabWidget* tabWidget);
    void connectSlider(QAbstractSlider* slider);
    void connectSpinBox(QSpinBox* spinBox);
    void connectDoubleSpinBox(QDoubleSpinBox* spinBox);
    void connectLineEdit(QLineEdit* lineEdit);
    void connectLineEditPassword(QLineEdit* lineEdit);
    void connectTextEdit(QPlainTextEdit* textEdit);
    void connectComboBox(QComboBox* comboBox);
    void connectComboBoxText(QComboBox* comboBox);
    void connectHeaderView(QHeaderView* header);
    void connectSplitter(QSplitter* splitter);

    // The program's own widgets live in layers above this one. Their bindings
    // are member templates (MySettingsOwnWidgets.h): they compile where the
    // caller includes the widget, so the store neither includes nor links the
    // widgets' libraries. The parameter names give the widget class each expects.
    template<class QuantityComboBox> void connectQuantityComboBox(QuantityComboBox* comboBox);
    template<class UnitComboBox> void connectUnitComboBox(UnitComboBox* comboBox);
    template<class SpinBoxWithUnit> void connectSpinBoxWithUnit(SpinBoxWithUnit* spinBox);
    template<class ColorButton> void connectColorButton(ColorButton* button);
    template<class IconButton> void connectIconButton(IconButton* button);
    template<class LineEditWithHistory> void connectLineEditWithHistory(LineEditWithHistory* lineEdit);
    template<class ShortcutWidget> void connectShortcutWidget(ShortcutWidget* widget);
    template<class ArgumentWidget> void connectArgumentWidget(ArgumentWidget* argumentWidget);
    template<class PointVectorEditor> void connectPointVectorEditor(PointVectorEditor* editor);
    // Writes the axis sub-keys of the sending characteristic editor. A member
    // template like its binding (which connects it), so not a declared slot.
    template<class PointVectorEditor> void setting_PointVectorEditor_SetupChangedSlot();
    template<class DynoSettingsLossModelEditor> void connectDynoSettingsLossModelEditor(DynoSettingsLossModelEditor* editor);
    template<class MySQLTableView> void connectMyTableView(MySQLTableView* table);
    template<class BrandingImagePreview> void connectImageLabel(BrandingImagePreview* preview);
    template<class AbstractTestDialog> void connectDialogPosition(AbstractTestDialog* dialog);

    // Window state at start and exit, and the printer choices of reports.
    void initUI(QMainWindow* window);
    void closingProcedure(QMainWindow* window);
    void getPrinterSettings(QPrinter& printer);
    void savePrinterSettings(const QPrinter& printer);

public Q_SLOTS:
    void slot_pairBluetoothDevice(const QBluetoothAddress& address);

    // Change slots of bound widgets. None remembers its widget: each forms the
    // key from the sender's object name at the time of the change.
    void setting_variant_ChangedSlot(const QVariant& value);
    void setting_LineEdit_ChangedSlot();
    void setting_LineEditPassword_ChangedSlot();
    void setting_TextEdit_ChangedSlot();
    void setting_Splitter_ChangedSlot();
    // Header views wait: a drag emits a burst, the state is written once after it.
    void setting_QHeaderView_ChangedSlot_Trigger();
    void setting_QHeaderView_ChangedSlot_Apply();
    void setting_QHeaderView_SortOrderChanged();
    void setting_Quantity_ChangedSlot(Quantity quantity);
    void setting_SpinBoxWithUnit_ValueChangedSlot(double val);
    void setting_SpinBoxWithUnit_UnitChangedSlot(const Unit* unit);
    void setting_SpinBoxWithUnit_ConfigurationChangedSlot();
    void setting_QColor_ChangedSlot(const QColor& color);
    void setting_KeySequence_ChangedSlot(const QKeySequence& sequence);
    void setting_PointVector_ChangedSlot(const QList<QPointF>& vector);
    void setting_DynoSettingsLossModel_ChangedSlot(const QList<double>& lossModel);
    void setting_Dialog_Closed();

public:
    QList<QStringList*> enumLabels;
    bool oldComboBoxFormat = false;
    // Started with the "dev" option; set by the main window. It skips only the
    // default-password check.
    bool developerMode = false;
    QList<QObject*> pendingHeaderViews;
    QTimer* headerSaveTimer = nullptr;
    QString keyPrefix;
    QBluetoothLocalDevice* bluetoothDevice = nullptr;
    AppVersion version;
    QDir settingsDir;
    QDir runsDir;
    QDir mediaDir;
    QDir desktopsDir;
    QDir closedDesktopsDir;
    QDir desktopsAnalyzeDir;
    QDir closedDesktopsAnalyzeDir;
    QDir translationsDir;
    QStorageInfo storageInfo;

private:
    // "UserSetting/" + the object's current name.
    QString bindingKey(const QObject* widget) const;
    QString senderKey() const;
    // Restore helpers shared by the binding templates.
    void restoreSpinBoxWithUnitConfiguration(QWidget* spinBox, const QString& key);
    void restoreDialogGeometry(QWidget* dialog, const QString& key);

    // Version migration and first-run set-up (MySettingsMigration.cpp).
    void runMigrationSteps(const AppVersion& previous, const QString& script);
    void correctModelRollerInertia(const QString& script);
    void installModelActuators(const QString& script);
    void importRawSettings(const QString& resource);
    bool mergeModelFunctions(float lock1Voltage, float lock2Voltage);
    void moveLowSideOutputsToPwm();
    // True when it ended the process for a reboot.
    bool runFirstRunSetup(const AppVersion& previous);
    void refreshTranslationTemplate();
    static bool isCpu3Isolated();
    bool requestCpu3Isolation();
    void endProcessForReboot();
    void checkDefaultPassword();

    void construct(const QString& home, const QString& filesystemRoot, const QString& rootUserHome);
    void storeDeviceCode(int code);
    static QString iniFileFor(const QString& home);
};

#include "MySettingsOwnWidgets.h"

extern QTranslator theTranslator;
extern MySettings theSettings;
