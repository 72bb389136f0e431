#pragma once

#include "lib/Quantity.h"

#include <QAbstractTableModel>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QPoint>
#include <QString>
#include <QStringList>

class ChannelSetup;
class QDomDocument;
class QFile;
class QTimer;

enum ChannelSetupType : int {
    ChannelSetupType_run = 0,     // live channels, "runVariables.xml"
    ChannelSetupType_analyze = 1  // recorded channels in analysis, "analyzeVariables.xml"
};

// The shared channel setups of one kind of channel, by channel key, kept in an
// XML file of the configuration folder (also the format of channel presets).
// Setups are only ever added and rewritten, never removed, so a pointer handed
// out stays valid for the whole process. Saves 500 ms after the last change,
// and at once when the program quits with a change still waiting.
//
// Threads: everything runs in the model's (GUI) thread, except getSetup, which
// a recalculation worker may call: a setup it needs that does not exist yet is
// made without parent, handed to the GUI thread and adopted there by a queued
// call, so no object gets a parent in another thread and no worker waits for
// the GUI.
class ChannelSetupModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ChannelSetupModel(ChannelSetupType type, QObject* parent = nullptr);
    ~ChannelSetupModel() override;

    // The start-up load: the user file when it exists, else the defaults. A user
    // file that cannot be read is kept as "<name>.bad", the operator is told,
    // and the defaults load. Later saves go to `userPath`.
    void initLoadFromFile(const QString& userPath, const QString& defaultPath);
    // The setup of `key`, made when missing; null for an empty key. A quantity
    // other than -1 is forced on the setup (with that quantity's default unit).
    ChannelSetup* getSetup(const QString& key, const QString& displayName, Quantity quantity,
                           const ChannelSetup* templateSetup);
    void addSetupToGroup(int group, const QString& key, ChannelSetup* templateSetup);
    QList<ChannelSetup*> getChannelsSetupsList() const;
    void loadFromString(const QString& xmlText, bool strict);
    void parseFile(QFile* file, bool strict);
    void importPreset(const QString& fileName);
    // Binds every alarm gate to the channel its key names; run once the live
    // channels exist.
    void resolveAlarmGates();

    void action_loadDefault();
    void action_importPreset();
    void action_exportPreset();
    // Lets the operator pick a preset of this kind from the manufacturer's
    // online library and loads it like an imported file.
    void action_importPresetFromServer();
    // Opens the setup of row `row` in the modal setup editor; Cancel puts back
    // the values the setup had when it opened.
    void action_editChannel(int row);

    QString filePath() const { return userFilePath; }
    QString getModelKey() const { return modelKey; }
    bool isSavePending() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    // Lets the settings store load both models at start-up
    // (MySettings::initChannelsSetup).
    static void registerStartupLoader();

public Q_SLOTS:
    // Key, double-click and context-menu requests of a table view showing the
    // model (rows of the model, never of a proxy).
    void slot_keyEvent(const QList<int>& rows, int row, int key);
    void slot_doubleClickEvent(int row);
    void slot_contextMenuEvent(const QList<int>& rows, int column, const QPoint& position);
    void slot_saveToFile();
    void slot_channelSetupChanged();
    // Writes a change that still waits for the save timer.
    void slot_saveIfPending();

private:
    ChannelSetup* makeSetup(const QString& key, const QString& displayName, Quantity quantity,
                            const ChannelSetup* templateSetup) const;
    static void adjustSetup(ChannelSetup* setup, Quantity quantity, const ChannelSetup* templateSetup);
    ChannelSetup* getSetupFromWorker(const QString& key, const QString& displayName, Quantity quantity,
                                     const ChannelSetup* templateSetup);
    void insertSetup(ChannelSetup* setup);
    void adoptPending();
    void loadDocument(const QDomDocument& document, bool strict);
    bool keepMalformedUserFile(const QString& reason);

    QString userFilePath;
    QTimer* saveTimer = nullptr;
    // Written only in the model's thread, under `mutex`; read there without it.
    QMap<QString, ChannelSetup*> setups;
    QStringList keys;
    QList<QList<ChannelSetup*>> groups;
    bool propagating = false;
    QString modelKey;
    QString libraryFolder;
    QString defaultFilePath;
    // Setups made by worker threads, waiting for the GUI thread to adopt them.
    QMap<QString, ChannelSetup*> pending;
    mutable QMutex mutex;
};

extern ChannelSetupModel theRunChannelSetupModel;
extern ChannelSetupModel theVectorChannelSetupModel;
