#include "AnalyzeWidget.h"

#include "LoadedRunListModel.h"
#include "MdiManager.h"

#include <QTableView>
#include <QVBoxLayout>

AnalyzeWidget::AnalyzeWidget(QWidget* parent)
    : QWidget(parent)
{
    layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void AnalyzeWidget::init()
{
    if (loadedRunListModel)
        return;
    loadedRunListModel = new LoadedRunListModel(this);
    tableView_loadedRuns = new QTableView(this);
    tableView_loadedRuns->setObjectName(QStringLiteral("tableView_loadedRuns"));
    tableView_loadedRuns->setModel(loadedRunListModel);
    tableView_loadedRuns->setMaximumHeight(120);
    mdiManager = new MdiManager(this, MdiType_analyze);
    mdiManager->initAfterSettings();
    layout->addWidget(tableView_loadedRuns);
    layout->addWidget(mdiManager, 1);
}

ChannelId AnalyzeWidget::getChannelIdFromMainGraphMasterChannel(MainGraphMasterChannel channel)
{
    switch (channel) {
    case MasterEngineSpeed: return ChannelId_engineSpeed;
    case MasterRoadSpeed: return ChannelId_dynoSpeed;
    case MasterTime: return ChannelId_time;
    }
    return ChannelId_time;
}
