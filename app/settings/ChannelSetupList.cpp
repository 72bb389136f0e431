#include "ChannelSetupList.h"

#include "ChannelSetupModel.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "MyTableViewSearchHeader.h"
#include "MyTableView.h"

#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Columns of the setup tables.
constexpr int kGroupId = 1;
constexpr int kTimeOffset = 22;
// Live-only properties: colour, alarm delay, alarm gate, sampling.
constexpr int kLiveOnly[] = {8, 18, 19, 21};

} // namespace

ChannelSetupList::ChannelSetupList(QWidget* parent)
    : QWidget(parent)
{
}

void ChannelSetupList::delayedInit()
{
    if (tabWidget)
        return;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tabWidget = new QTabWidget(this);
    layout->addWidget(tabWidget);
    addTable(&theRunChannelSetupModel, tr("Live setup"), false);
    addTable(&theVectorChannelSetupModel, tr("Analyze setup"), true);
}

void ChannelSetupList::addTable(ChannelSetupModel* model, const QString& title, bool analyze)
{
    auto* view = new MyTableView(tabWidget, QStringLiteral("channelSetupList_")
                                                + (analyze ? QStringLiteral("analyze") : QStringLiteral("run")));
    view->setModel(model);
    view->hideColumn(kGroupId);
    view->hideColumn(kTimeOffset);
    if (analyze) {
        for (int column : kLiveOnly)
            view->hideColumn(column);
    }
    tabWidget->addTab(view, title);
    connect(view, &MyTableView::signal_keyEvent, model,
            [model](const QList<int>& rows, int current, int key, int) { model->slot_keyEvent(rows, current, key); });
    connect(view, &MyTableView::signal_doubleClicked, model, &ChannelSetupModel::slot_doubleClickEvent);
    connect(view, &MyTableView::signal_contextMenuEvent, model, &ChannelSetupModel::slot_contextMenuEvent);
    theSettings.connectMyTableView(view);
}
