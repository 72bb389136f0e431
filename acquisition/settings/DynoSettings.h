#pragma once

#include "ChannelId.h"
#include "DynoSettingId.h"
#include "DynoSettingsLinks.h"
#include "SettingWidgetType.h"
#include "SettingWizardId.h"
#include "SimulatedScenario.h"
#include "lib/Quantity.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointF>
#include <QStringList>
#include <QVariant>

#include <atomic>

class ACMTabWidget;
class DynoSetting;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QTabWidget;
class QWidget;
class QuantityComboBox;
class PointVectorEditor;
class RunChannel;
class WizardButton;

// The registry of the dyno settings: for every DynoSettingId one DynoSetting
// per channel (roller, load cell, frequency input, ...), each with its editor
// on a group page of the SETTINGS tab, bound to the settings store under
// "UserSetting/DynoSetting/<key>". A setting with an MCU configuration address
// writes every new value to the controller at once; there is no apply step.
//
// Nothing is registered until the MCU link confirms the controller firmware;
// then the catalogue (slot_initChannelsAndSettings) registers all settings for
// the connected board, builds the pages, attaches the rules between settings,
// marks the registry initialized and emits signal_settingsReady, once.
//
// GUI thread, except the lookups (getSetting, getSettingValueDouble and the
// settings' value()), which the run and brake-controller threads use once
// `initialized` reads true: the lists never change after that.
class DynoSettings : public QObject
{
    Q_OBJECT
public:
    explicit DynoSettings(ACMTabWidget* tabWidget);
    ~DynoSettings() override;

    using ComboBoxSlot = void (DynoSettings::*)(int index, int channel);

    void addSetting(DynoSettingId id, const QString& key, const QString& label, const QString& tooltip,
                    int channelCount, SettingWidgetType type, QVariant defaultValue, double minimum, double maximum,
                    Quantity quantity, bool hidden, bool notStored);
    // A section header above the setting registered next, on every page of the next tabbed group.
    void addHeader(const QString& text);

    // The setting of one channel; null for a channel the setting does not have.
    // An id that is not registered ends the program: it is a programming error.
    DynoSetting* getSetting(DynoSettingId id, int channel) const;
    double getSettingValueDouble(DynoSettingId id, int channel) const;

    // Shows or hides the editor of one channel together with its row label.
    void setSettingVisibility(DynoSettingId id, bool visible, int channel);
    static QLabel* getSettingLabel(QWidget* editor);
    // Connects the rule to every channel's combo box and applies it once with
    // the current choice, so dependent rows start as the restored values ask.
    void addComboBoxSlot(DynoSettingId id, ComboBoxSlot slot);
    // Binds two channels of a setting both ways; the target takes the source's value first.
    void syncSetting(DynoSetting* source, DynoSetting* target);
    void unsyncSetting(DynoSetting* a, DynoSetting* b);

    // The text a run's recorded value shows: a combo box's option, else the value.
    QString analyzeSettingValueToString(const QString& key, const QVariant& value) const;
    // Metres: half the active project's wheel diameter on a hub dyno, else half the roller's.
    double getRoadSpeedRadius(int roller) const;
    bool isSlipEstimationAvailable() const;

    // Mouse wheels over editors, or over any part of a compound editor,
    // change nothing and do not scroll the page.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void guardAgainstWheel(QObject* object);

    // Group pages: one tab per channel (plus "Help"), or a single page.
    void insertSettingsGroup(const QString& title, QString name, int channelCount, int maxChannelCount,
                             QList<SettingWizardId> wizardIds, QLabel* helpLabel);
    void insertSettingsGroupWithoutTabs(const QString& title, QString name, QList<SettingWizardId> wizardIds);

    // Ties the name, quantity and characteristic rows of inputs to their live channels.
    void setupAinChannelConfiguration(ChannelId channelId, DynoSettingId nameId, DynoSettingId quantityId,
                                      DynoSettingId characteristicId, int count, double minVoltage);
    void setupFreqChannelConfiguration(int count);

    // The simulated dyno's installer settings (a scenario's "[installer]"
    // lines): every entry is checked first, and one unknown key or value out
    // of range refuses them all (the result names the line); otherwise those
    // settings still at their defaults take the entry, logged in one line.
    QString seedInstallerSettings(const QList<SimulatedScenario::InstallerSetting>& entries, const QString& source);

    // Frames queued in the link above which registration waits for it to drain.
    static constexpr int kQueuedFramesLimit = 20;
    // A link whose queue does not shrink for this long is taken as stalled.
    static constexpr int kLinkStallMs = 2000;

    ACMTabWidget* tabWidget = nullptr;
    std::atomic<bool> initialized{false};
    QMap<DynoSettingId, QStringList*> optionLists;
    QMap<DynoSettingId, QList<int>> allowedOptions;
    QMap<DynoSettingId, quint32> mcuAddresses;
    QMap<SettingWizardId, QList<WizardButton*>> wizardButtons;
    QMap<int, QString> headers;
    QList<DynoSettingId> pendingIds;
    QList<QList<DynoSetting*>*> settings;
    DynoSettingsLinks links;

    // Measured by the last registration.
    qint64 registrationMs = 0;
    qint64 linkWaitMs = 0;
    bool linkStalled = false;

public Q_SLOTS:
    void slot_initChannelsAndSettings();

    void slot_hpAinInputModeChanged(int index, int channel);
    void slot_dynoTypeChanged(int index, int channel);
    void slot_pwmModeChanged(int index, int channel);
    void slot_pwmSourceChanged(int index, int channel);
    void slot_lsSourceChanged(int index, int channel);
    void slot_hsSourceChanged(int index, int channel);
    void slot_aoutSourceChanged(int index, int channel);
    void slot_torquePidSpSourceChanged(int index, int channel);
    void slot_torquePidSubtrahendSourceChanged(int index, int channel);
    void slot_analogPidSpSourceChanged(int index, int channel);
    void slot_freqInputSensorChanged(int index, int freqInput);
    void slot_freqInputModeChanged(int index, int freqInput);
    void slot_stepperSourceChanged(int index, int channel);
    void slot_supportRollerChanged(int index, int roller);
    void slot_pidSyncChChanged(int index, int pid);
    void slot_accPIDSyncChChanged(int index, int pid);
    void slot_torquePIDSyncChChanged(int index, int pid);

Q_SIGNALS:
    void signal_settingsReady();

private:
    void fillOptionListsAndAddresses();
    void fillAllowedOptions();
    void registerCatalogue();
    void arrangeFrequencyInputPages();
    void restrictChannelOptions();
    void setUpCurveEditors();
    void adjustToBoardVariant();
    // Under ZEMBO_SIMULATE=1, the installer settings of the scenario ZEMBO_SIM_SCENARIO names.
    void seedInstallerSettingsFromScenario();
    QString checkInstallerSetting(const SimulatedScenario::InstallerSetting& entry, DynoSetting** found) const;
    QWidget* createEditor(DynoSettingId id, SettingWidgetType type, const QVariant& defaultValue, double minimum,
                          double maximum, Quantity quantity);
    void bindToStore(DynoSetting* setting, Quantity quantity);
    // A stored option that is out of range or not offered on this board gives way to the default.
    void dropUnofferedStoredOption(QComboBox* combo, int defaultIndex);
    // After options were hidden: a current choice among them falls back to the default.
    void fallBackFromHiddenOption(DynoSettingId id, int channel, int defaultIndex);
    void waitForLinkQueue();
    void addSettingRow(QFormLayout* form, DynoSetting* setting);
    void showWizardButton(SettingWizardId id, int channel, bool visible);
    void setOptionHidden(DynoSettingId id, int channel, int option, bool hidden);
    void tieInput(QLineEdit* name, QuantityComboBox* quantity, PointVectorEditor* curve, RunChannel* channel,
                  const QString& xLabel, Quantity xQuantity, double xMin, double xMax,
                  const QList<QPointF>& defaultCurve);
    void followCopySelector(const QList<DynoSettingId>& ids, int index, int channel);
    void setUpCurveEditor(DynoSettingId id, int channel, const QString& xLabel, const QString& yLabel, double yMax,
                          const QList<QPointF>& defaultCurve);
    int channelCount(DynoSettingId id) const;

    qint64 linkWaitNs = 0;
    QTabWidget* frequencyInputPages = nullptr;
};

extern DynoSettings* theDynoSettings;
