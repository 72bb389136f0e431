#pragma once

#include "ChannelId.h"

#include <QWidget>

class LoadedRunListModel;
class MdiManager;
class QTableView;
class QVBoxLayout;

// STAND-IN until run analysis is built: the ANALYZE tab's page. After init it
// holds the loaded-run list, its table and an ANALYZE desktop manager.
class AnalyzeWidget : public QWidget
{
    Q_OBJECT
public:
    enum MainGraphMasterChannel { MasterEngineSpeed = 0, MasterRoadSpeed = 1, MasterTime = 2 };

    explicit AnalyzeWidget(QWidget* parent = nullptr);
    void init();
    static ChannelId getChannelIdFromMainGraphMasterChannel(MainGraphMasterChannel channel);

    LoadedRunListModel* loadedRunListModel = nullptr;
    QTableView* tableView_loadedRuns = nullptr;
    MdiManager* mdiManager = nullptr;

private:
    QVBoxLayout* layout = nullptr;
};
