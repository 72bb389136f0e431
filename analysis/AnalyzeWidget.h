#pragma once

#include "ChannelGroupId.h"
#include "ChannelId.h"
#include "MainGraphMasterChannel.h"

#include <QSplitter>

class ChannelSetup;
class LoadedRunListModel;
class MdiManager;
class QTableView;

// The ANALYZE tab: the loaded-runs table on top, the analysis desktops below.
// init() (once, when the settings are ready) creates the loaded-run list and
// registers the analysis setups of the main graph's power, torque and
// master-channel axes.
class AnalyzeWidget : public QSplitter
{
    Q_OBJECT
public:
    explicit AnalyzeWidget(QWidget* parent = nullptr);
    void init();

    ChannelSetup* getMasterChannelSetup(MainGraphMasterChannel channel) const;
    static ChannelId getChannelIdFromMainGraphMasterChannel(MainGraphMasterChannel channel);
    static ChannelSetup* getChannelFromQuickSelect(MainGraphMasterChannel channel);
    static QString getChannelKeyFromMainGraphMasterChannelKey(const QString& key);

    ChannelSetup* powerSetup = nullptr;
    ChannelSetup* torqueSetup = nullptr;
    ChannelSetup* engineSpeedSetup = nullptr;
    ChannelSetup* roadSpeedSetup = nullptr;
    ChannelSetup* timeSetup = nullptr;
    LoadedRunListModel* loadedRunListModel = nullptr;
    MdiManager* mdiManager = nullptr;
    QTableView* tableView_loadedRuns = nullptr;

public Q_SLOTS:
    void slot_masterChannelChanged();
    void slot_updateTableValueFontSize(int size);
};

// Adds the analysis setup of a built-in channel to a group of the analysis
// setup model.
void addSetupToGroup(ChannelGroupId group, ChannelId id);
