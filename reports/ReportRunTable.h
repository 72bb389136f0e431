#pragma once

#include <QPageLayout>
#include <QString>

class ComparePlot;
class LoadedRunListModel;

// The HTML table of the visible loaded runs in their printable columns, for
// the report's run_table tag, and the legend under a graph.
class ReportRunTable
{
public:
    static QString generateRunTable(const LoadedRunListModel& runs, QPageLayout::Orientation orientation);
    static QString generateLegend(const LoadedRunListModel& runs, bool mainGraph, QPageLayout::Orientation orientation,
                                  ComparePlot* plot);
};
