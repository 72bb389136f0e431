#pragma once

#include <QPageLayout>
#include <QString>

class ComparePlot;
class QObject;

// The HTML pieces of a report that the analysis offers by name: the run
// table and graph legends of the loaded-run list, the report tables of the
// result table and the X-Y table. Called through the meta-object, so the
// report needs no more of those classes than their published methods.
class ReportFragments
{
public:
    // "generateRunTable(QPageLayout::Orientation)" of the loaded-run list.
    static bool runTable(QObject* runs, QPageLayout::Orientation orientation, QString* html);
    // "generateLegendMainGraph" or "generateLegendUserGraph"
    // (QPageLayout::Orientation, ComparePlot*) of the loaded-run list.
    static bool legend(QObject* runs, bool mainGraph, QPageLayout::Orientation orientation, ComparePlot* plot,
                       QString* html);
    // A method without arguments returning the HTML ("generateReportTable").
    static bool table(QObject* widget, const char* method, QString* html);
};
