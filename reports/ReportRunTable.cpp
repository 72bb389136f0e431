#include "ReportRunTable.h"

#include "LoadedRunListModel.h"
#include "ReportTags.h"

#include <QHeaderView>
#include <QTableView>

namespace {

QString row(const LoadedRunListModel& runs, int r, const QList<int>& columns, QPageLayout::Orientation orientation)
{
    QString html = QStringLiteral("<tr>");
    for (int c : columns) {
        QString text = runs.index(r, c).data(Qt::DisplayRole).toString();
        if (orientation == QPageLayout::Portrait)
            text = ReportTags::escapeHtml(text).replace(QLatin1Char('@'), QStringLiteral("<br>@"));
        else
            text = ReportTags::escapeHtml(text);
        if (c == LoadedRunListFields::Name || c == LoadedRunListFields::Comment)
            html += QStringLiteral("<td>") + text + QStringLiteral("</td>");
        else
            html += QStringLiteral("<td style='text-align: center;'>") + text + QStringLiteral("</td>");
    }
    return html + QStringLiteral("</tr>");
}

QString table(const LoadedRunListModel& runs, const QList<int>& columns, QPageLayout::Orientation orientation,
              bool visibleOnly)
{
    // Cells do not wrap, so a row keeps one line per value as on screen.
    QString html = QStringLiteral(
        "<style>table.runtable{\tborder-collapse: collapse;\tfont-size: 8pt;}table.runtable td{\twhite-space: nowrap;"
        "\tpadding-left: 7px;\tpadding-right: 7px;\tpadding-top: 4px;\tpadding-bottom: 4px;\tvertical-align: middle;}"
        "table.runtable tr.header td{\tfont-weight: bold;\tpadding: 7px;\tbackground-color: #F2F2F2;}"
        "table.runtable tr.header td.nocurve{\ttext-align: center;\tvertical-align: middle;}</style>"
        "<center><table class='runtable'><tr class='header'>");
    for (int c : columns)
        html += QStringLiteral("<td class='nocurve'>")
            + ReportTags::escapeHtml(runs.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString())
                  .replace(QLatin1Char('\n'), QStringLiteral("<br>"))
            + QStringLiteral("</td>");
    html += QStringLiteral("</tr>");
    for (int r = 0; r < runs.rowCount(); ++r)
        if (!visibleOnly || runs.isRunVisible(r))
            html += row(runs, r, columns, orientation);
    return html + QStringLiteral("</table></center>");
}

} // namespace

QString ReportRunTable::generateRunTable(const LoadedRunListModel& runs, QPageLayout::Orientation orientation)
{
    QList<int> columns;
    for (int c = 4; c <= 25; ++c)
        if (runs.isFieldEnabledOnPrint(static_cast<LoadedRunListField>(c)))
            columns.append(c);
    return table(runs, columns, orientation, true);
}

QString ReportRunTable::generateLegend(const LoadedRunListModel& runs, bool mainGraph,
                                       QPageLayout::Orientation orientation, ComparePlot*)
{
    const QList<int> wanted = mainGraph ? QList<int>{24, 11, 8, 9, 10} : QList<int>{24, 5, 4, 6, 7};
    QList<int> columns;
    for (int c : wanted)
        if (runs.isColumnVisible(static_cast<LoadedRunListField>(c)))
            columns.append(c);
    return table(runs, columns, orientation, false);
}
