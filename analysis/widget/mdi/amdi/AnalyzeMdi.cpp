#include "AnalyzeMdi.h"

#include "AMdiColorMap.h"
#include "AMdiImage.h"
#include "AMdiMainGraph.h"
#include "AMdiResultTable.h"
#include "AMdiUserGraph.h"
#include "AMdiXYTable.h"
#include "LoadedRunListModel.h"
#include "MdiManager.h"
#include "MdiWidgetTypes.h"
#include "MySettings.h"

#include <QFile>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPaintEvent>
#include <QPointer>
#include <QItemSelectionModel>
#include <QSet>

namespace {

QPointer<LoadedRunListModel> g_runs;
QPointer<QItemSelectionModel> g_selection;

AbstractAMdiWidget* createOfType(int type, AbstractMdi* desktop)
{
    switch (type) {
    case AMdiWidgetType_mainGraph: return new AMdiMainGraph(desktop);
    case AMdiWidgetType_userGraph: return new AMdiUserGraph(desktop);
    case AMdiWidgetType_resultTable: return new AMdiResultTable(desktop);
    case AMdiWidgetType_colorMap: return new AMdiColorMap(desktop);
    case AMdiWidgetType_xyTable: return new AMdiXYTable(desktop);
    case AMdiWidgetType_image: return new AMdiImage(desktop);
    default: return nullptr;
    }
}

} // namespace

void AnalyzeMdi::registerAnalyzeDesktop()
{
    if (MdiWidgetTypes::hasDesktopFactory(MdiType_analyze))
        return;
    MdiWidgetTypes::registerDesktopFactory(MdiType_analyze,
                                           [](MdiManager* m) -> AbstractMdi* { return new AnalyzeMdi(m); });
    for (int type = 0; type < AMdiWidgetTypeCount; ++type)
        MdiWidgetTypes::registerFactory(MdiType_analyze, type,
                                        [type](AbstractMdi* d) { return createOfType(type, d); });
}

void AnalyzeMdi::setLoadedRuns(LoadedRunListModel* runs, QItemSelectionModel* selection)
{
    g_runs = runs;
    g_selection = selection;
}

AnalyzeMdi::AnalyzeMdi(MdiManager* desktopManager)
    : AbstractMdi(desktopManager, MdiType_analyze)
    , manager(desktopManager)
{
    if (!desktopFile)
        desktopFile = new QFile(this);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

bool AnalyzeMdi::offersWidgetType(int type) const
{
    return type >= 0 && type < AMdiWidgetTypeCount;
}

AbstractMdiWidget* AnalyzeMdi::addWidget(int type, const QRect& rect, bool)
{
    if (type < 0 || type >= AMdiWidgetTypeCount)
        return nullptr;
    const int id = findFreePrintId(AMdiWidgetType(type));
    AbstractAMdiWidget* widget = createOfType(type, this);
    widget->init(g_runs, g_selection);
    widget->printId = id;
    placeWidget(widget, type, rect);
    return widget;
}

void AnalyzeMdi::setName(const QString& newName)
{
    setNameInFolder(newName, theSettings.desktopsAnalyzeDir.absolutePath());
}

int AnalyzeMdi::findFreePrintId(AMdiWidgetType type) const
{
    QSet<int> used;
    QObject* root = manager ? static_cast<QObject*>(manager) : static_cast<QObject*>(const_cast<AnalyzeMdi*>(this));
    for (const AbstractAMdiWidget* widget : root->findChildren<AbstractAMdiWidget*>()) {
        if (widget->widgetType == type)
            used.insert(widget->printId);
    }
    int id = 0;
    while (id < 1000 && used.contains(id))
        ++id;
    return id;
}

void AnalyzeMdi::postImportActions()
{
    const QList<AbstractAMdiWidget*> found = findChildren<AbstractAMdiWidget*>();
    for (AbstractAMdiWidget* widget : found)
        widget->printId = -1;
    for (AbstractAMdiWidget* widget : found)
        widget->printId = findFreePrintId(AMdiWidgetType(widget->widgetType));
}

void AnalyzeMdi::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    QRegion region = event->region();
    for (QMdiSubWindow* sub : subWindowList())
        region -= sub->geometry();
    painter.setClipRegion(region);
    if (!backgroundPixmap.isNull()) {
        painter.drawPixmap(0, 0, backgroundPixmap);
        region -= QRect(QPoint(0, 0), backgroundPixmap.size());
    }
    if (!region.isEmpty()) {
        painter.setClipRegion(region);
        painter.fillRect(region.boundingRect(), Qt::white);
    }
}
