#include "AnalyzeWidget.h"

#include "AnalyzeMdi.h"
#include "ChannelSetup.h"
#include "ChannelSetupModel.h"
#include "Channels.h"
#include "DesktopHooks.h"
#include "HeaderProxyStyle.h"
#include "LoadedRunListModel.h"
#include "LoadedRunsViewDelegate.h"
#include "MdiManager.h"
#include "MySettings.h"
#include "RunChannel.h"
#include "RunListModel.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QPointer>
#include <QSpinBox>
#include <QTableView>

namespace {

QString analysisKeyOf(ChannelId id)
{
    const RunChannel* channel = theChannels.getChannel(id, 0);
    return channel ? channel->generateVectorChannelKey(-1, QString(), Quantity(-1)) : QString();
}

ChannelSetup* templateOf(ChannelId id)
{
    const RunChannel* channel = theChannels.getChannel(id, 0);
    return channel ? channel->setup : nullptr;
}

} // namespace

void addSetupToGroup(ChannelGroupId group, ChannelId id)
{
    const RunChannel* channel = theChannels.getChannel(id, 0);
    if (!channel || !channel->setup)
        return;
    const QString key = channel->generateVectorChannelKey(-1, QString(), channel->setup->quantity);
    theVectorChannelSetupModel.addSetupToGroup(int(group), key, channel->setup);
}

AnalyzeWidget::AnalyzeWidget(QWidget* parent)
    : QSplitter(Qt::Vertical, parent)
{
    setOpaqueResize(false);
    setChildrenCollapsible(false);
    setObjectName(QStringLiteral("splitter_analyze"));
    setStyleSheet(QStringLiteral("QSplitter::handle { background-color: #cccccc }"));
}

void AnalyzeWidget::init()
{
    if (loadedRunListModel)
        return;
    struct SetupRow {
        ChannelSetup** member;
        const char* key;
        const char* name;
        Quantity quantity;
        ChannelId templateId;
        ChannelGroupId group;
        QList<ChannelId> added;
        bool hidden;
    };
    const SetupRow rows[] = {
        {&powerSetup, "mainCompareGraph_power", QT_TR_NOOP("Engine Power"), Quantity::Power,
         ChannelId_enginePower, ChannelGroupId_power,
         {ChannelId_dynoLossPower, ChannelId_dynoOnWheelsPower, ChannelId_engineCorrectedPower}, true},
        {&torqueSetup, "mainCompareGraph_torque", QT_TR_NOOP("Engine Torque"), Quantity::Torque,
         ChannelId_engineTorque, ChannelGroupId_torque, {ChannelId_engineCorrectedTorque}, true},
        {&engineSpeedSetup, "mainCompareGraph_engineSpeed", QT_TR_NOOP("Engine Speed"), Quantity::RotationalSpeed,
         ChannelId_engineSpeed, ChannelGroupId_engineSpeed, {ChannelId_engineSpeed}, true},
        {&roadSpeedSetup, "mainCompareGraph_dynoSpeed", QT_TR_NOOP("Road Speed"), Quantity::Speed,
         ChannelId_dynoSpeed, ChannelGroupId_roadSpeed, {ChannelId_dynoSpeed}, true},
        {&timeSetup, "mainCompareGraph_time", QT_TR_NOOP("Selected Time"), Quantity::Time, ChannelId_selectedTime,
         ChannelGroupId_time, {ChannelId_selectedTime}, false},
    };
    for (const SetupRow& row : rows) {
        const QString key = QLatin1String(row.key);
        ChannelSetup* setup =
            theVectorChannelSetupModel.getSetup(key, tr(row.name), row.quantity, templateOf(row.templateId));
        *row.member = setup;
        if (setup && row.hidden)
            setup->hide = true;
        theVectorChannelSetupModel.addSetupToGroup(int(row.group), key, setup);
        for (ChannelId id : row.added)
            addSetupToGroup(row.group, id);
    }

    loadedRunListModel = new LoadedRunListModel(this);
    tableView_loadedRuns = new QTableView(this);
    tableView_loadedRuns->setObjectName(QStringLiteral("tableView_loadedRuns"));
    tableView_loadedRuns->setModel(loadedRunListModel);
    tableView_loadedRuns->installEventFilter(loadedRunListModel);
    tableView_loadedRuns->viewport()->installEventFilter(loadedRunListModel);
    connect(tableView_loadedRuns, &QTableView::doubleClicked, loadedRunListModel,
            &LoadedRunListModel::slot_indexDoubleClicked);
    QHeaderView* header = tableView_loadedRuns->horizontalHeader();
    header->setStretchLastSection(true);
    tableView_loadedRuns->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tableView_loadedRuns->verticalHeader()->hide();
    tableView_loadedRuns->setItemDelegate(new LoadedRunsViewDelegate(this));
    header->setObjectName(QStringLiteral("widget_analyze_loadedRunsTable/header"));
    header->setSectionsMovable(true);
    theSettings.connectHeaderView(header);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setDefaultAlignment(Qt::AlignCenter);
    auto* headerStyle = new HeaderProxyStyle(QApplication::style()->name());
    headerStyle->setParent(header);
    header->setStyle(headerStyle);
    tableView_loadedRuns->setDragEnabled(true);
    tableView_loadedRuns->setAcceptDrops(true);
    tableView_loadedRuns->setDragDropMode(QAbstractItemView::DragDrop);
    tableView_loadedRuns->setDefaultDropAction(Qt::MoveAction);
    tableView_loadedRuns->setDragDropOverwriteMode(false);
    tableView_loadedRuns->setDropIndicatorShown(true);
    tableView_loadedRuns->setSortingEnabled(true);
    tableView_loadedRuns->sortByColumn(-1, Qt::AscendingOrder);
    const QPointer<QTableView> view = tableView_loadedRuns;
    connect(loadedRunListModel, &LoadedRunListModel::signal_resetSortOrderIndicator, this, [view] {
        if (view)
            view->sortByColumn(-1, Qt::AscendingOrder);
    });
    loadedRunListModel->setView(tableView_loadedRuns);
    addWidget(tableView_loadedRuns);

    AnalyzeMdi::registerAnalyzeDesktop();
    AnalyzeMdi::setLoadedRuns(loadedRunListModel, tableView_loadedRuns->selectionModel());
    mdiManager = new MdiManager(this, MdiType_analyze);
    loadedRunListModel->desktopManager = mdiManager;
    addWidget(mdiManager);

    QComboBox* master = window()->findChild<QComboBox*>(QStringLiteral("comboBox_analyze_masterChannel"));
    if (master)
        connect(master, &QComboBox::currentIndexChanged, this, &AnalyzeWidget::slot_masterChannelChanged);
    mdiManager->initAfterSettings();
    if (master)
        theSettings.connectComboBox(master);
    theSettings.connectSplitter(this);
    if (auto* fontSize = window()->findChild<QSpinBox*>(QStringLiteral("spinBox_analyzeRunTableContentFontSize"))) {
        connect(fontSize, &QSpinBox::valueChanged, this, &AnalyzeWidget::slot_updateTableValueFontSize);
        slot_updateTableValueFontSize(fontSize->value());
    }

    // What the layers below ask of the list.
    const QPointer<LoadedRunListModel> model = loadedRunListModel;
    RunListModel::setLoadedRunQuery([model](const QString& file) { return model && model->isRunLoaded(file); });
    RunListModel::setLoadedRunRemover([model](const QString& file) {
        if (model)
            model->removeRunByFilename(file);
    });
    RunListModel::setLoadedRunsClearer([model] {
        if (model)
            model->removeAllRuns();
    });
    DesktopHooks* desktopHooks = DesktopHooks::instance();
    desktopHooks->loadedRuns = [model] {
        QList<PreviewRunVectors> runs;
        if (!model)
            return runs;
        for (const RunData* run : model->runs())
            runs.append(PreviewRunVectors{run->previewMaster, run->previewPower, run->previewPower});
        return runs;
    };
    desktopHooks->masterChannelId = [] {
        return int(getChannelIdFromMainGraphMasterChannel(MainGraphMasterChannel(LoadedRunListModel::masterChannel())));
    };
    connect(loadedRunListModel, &LoadedRunListModel::signal_runCountChanged, desktopHooks,
            &DesktopHooks::signal_loadedRunsChanged);
}

void AnalyzeWidget::slot_masterChannelChanged()
{
    if (!loadedRunListModel)
        return;
    const int rows = loadedRunListModel->rowCount();
    if (rows > 0)
        emit loadedRunListModel->dataChanged(loadedRunListModel->index(0, LoadedRunListField::PeakLossPower),
                                             loadedRunListModel->index(rows - 1, LoadedRunListField::PeakEngineTorque));
    emit DesktopHooks::instance()->signal_loadedRunsChanged();
}

void AnalyzeWidget::slot_updateTableValueFontSize(int size)
{
    if (!tableView_loadedRuns || size <= 0)
        return;
    QFont font = tableView_loadedRuns->font();
    font.setPointSize(size);
    tableView_loadedRuns->setFont(font);
}

ChannelSetup* AnalyzeWidget::getMasterChannelSetup(MainGraphMasterChannel channel) const
{
    switch (int(channel)) {
    case 0: return engineSpeedSetup;
    case 1: return roadSpeedSetup;
    default: return timeSetup;
    }
}

ChannelId AnalyzeWidget::getChannelIdFromMainGraphMasterChannel(MainGraphMasterChannel channel)
{
    switch (int(channel)) {
    case 1: return ChannelId_dynoSpeed;
    case 2: return ChannelId_time;
    default: return ChannelId_engineSpeed;
    }
}

ChannelSetup* AnalyzeWidget::getChannelFromQuickSelect(MainGraphMasterChannel channel)
{
    QString key;
    switch (int(channel)) {
    case 0: key = QStringLiteral("engine_speed_ω"); break;
    case 1: key = QStringLiteral("dyno_speed_v"); break;
    default: key = QStringLiteral("selectedTime_t"); break;
    }
    return theVectorChannelSetupModel.getSetup(key, QString(), Quantity(-1), nullptr);
}

QString AnalyzeWidget::getChannelKeyFromMainGraphMasterChannelKey(const QString& key)
{
    if (key == QLatin1String("mainCompareGraph_dynoSpeed"))
        return analysisKeyOf(ChannelId_dynoSpeed);
    if (key == QLatin1String("mainCompareGraph_time"))
        return analysisKeyOf(ChannelId_selectedTime);
    return analysisKeyOf(ChannelId_engineSpeed);
}
