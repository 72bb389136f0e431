#pragma once

#include "DynoSettingId.h"
#include "SettingWidgetType.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariant>

#include <atomic>

class DynoSetting;
class QFormLayout;
class QTabWidget;
class QWidget;

// STAND-IN until the dyno settings registry is built: it brings the channel
// model up when the MCU has confirmed its firmware, registers the handful of
// settings the main window and the RUN panel read (load-cell auto-zero, dyno
// type, engine-speed source, slip estimation, support rollers) on one page of
// the SETTINGS tab, bound to the settings store, and announces that the
// settings are ready. Nothing is sent to the MCU yet.
class DynoSettings : public QObject
{
    Q_OBJECT
public:
    explicit DynoSettings(QTabWidget* tabWidget);
    ~DynoSettings() override;

    // The setting of one channel; null for a channel the setting does not have.
    // An id that is not registered ends the program, as it is a programming error.
    DynoSetting* getSetting(DynoSettingId id, int channel) const;
    double getSettingValueDouble(DynoSettingId id, int channel) const;
    bool isSlipEstimationAvailable() const;

    QTabWidget* tabWidget = nullptr;
    std::atomic<bool> initialized{false};
    QList<QList<DynoSetting*>*> settings;

public Q_SLOTS:
    void slot_initChannelsAndSettings();

Q_SIGNALS:
    void signal_settingsReady();

private:
    void addSetting(DynoSettingId id, const QString& key, const QString& label, int channelCount,
                    SettingWidgetType type, const QVariant& defaultValue, double minimum, double maximum,
                    const QStringList& options = {});

    QWidget* page = nullptr;
    QFormLayout* form = nullptr;
};

extern DynoSettings* theDynoSettings;
