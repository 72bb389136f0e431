#include "ReportFragments.h"

#include <QMetaObject>
#include <QObject>

bool ReportFragments::runTable(QObject* runs, QPageLayout::Orientation orientation, QString* html)
{
    return runs
        && QMetaObject::invokeMethod(runs, "generateRunTable", Qt::DirectConnection, Q_RETURN_ARG(QString, *html),
                                     Q_ARG(QPageLayout::Orientation, orientation));
}

bool ReportFragments::legend(QObject* runs, bool mainGraph, QPageLayout::Orientation orientation, ComparePlot* plot,
                             QString* html)
{
    return runs
        && QMetaObject::invokeMethod(runs, mainGraph ? "generateLegendMainGraph" : "generateLegendUserGraph",
                                     Qt::DirectConnection, Q_RETURN_ARG(QString, *html),
                                     Q_ARG(QPageLayout::Orientation, orientation), Q_ARG(ComparePlot*, plot));
}

bool ReportFragments::table(QObject* widget, const char* method, QString* html)
{
    return widget && QMetaObject::invokeMethod(widget, method, Qt::DirectConnection, Q_RETURN_ARG(QString, *html));
}
