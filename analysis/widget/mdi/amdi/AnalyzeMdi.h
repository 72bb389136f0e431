#pragma once

#include "AMdiWidgetType.h"
#include "AbstractMdi.h"

class AbstractAMdiWidget;
class LoadedRunListModel;
class QItemSelectionModel;

// One ANALYZE desktop: the factory of the analysis widgets, the print ids
// (unique per widget type across all ANALYZE desktops of the manager) and a
// white background wherever no widget or picture is.
class AnalyzeMdi : public AbstractMdi
{
    Q_OBJECT
public:
    explicit AnalyzeMdi(MdiManager* manager);

    // Registers the ANALYZE desktop and its widget types; safe to call again.
    static void registerAnalyzeDesktop();
    // The loaded-run list and the table selection every new widget is bound to.
    static void setLoadedRuns(LoadedRunListModel* runs, QItemSelectionModel* selection);

    AbstractMdiWidget* addWidget(int type, const QRect& rect, bool stayOnTop) override;
    void setName(const QString& name) override;
    void postImportActions() override;
    bool offersWidgetType(int type) const override;
    int findFreePrintId(AMdiWidgetType type) const;

    MdiManager* manager = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
};
