// The HTML fragments the report interpreter inserts for the loaded runs: the
// run table and the legends under the graphs. They follow the on-screen table
// (column order of its header, hidden columns, colours and line styles) and
// are written for Qt's rich-text subset.
#include "ComparePlot.h"
#include "ComparePlotAxis.h"
#include "LoadedRunListModel.h"

#include <QDateTime>
#include <QHeaderView>
#include <QTableView>

namespace {

const QString styleBlock = QStringLiteral(
    "<style>table.runtable{\tborder-collapse: collapse;\tfont-size: 8pt;}"
    "table.runtable td{\twhite-space: nowrap;\tpadding-left: 7px;\tpadding-right: 7px;\tpadding-top: 4px;"
    "\tpadding-bottom: 4px;\tvertical-align: middle;}"
    "table.runtable tr.header td{\tfont-weight: bold;\tpadding: 7px;\tbackground-color: #F2F2F2;}"
    "table.runtable tr.header td.nocurve{\ttext-align: center;\tvertical-align: middle;}</style>");

const QString tableStart = QStringLiteral("<center><table class='runtable'>");
const QString tableEnd = QStringLiteral("</table></center>");

// Operator text may hold markup characters; only the angle brackets are
// replaced, so that the text cannot open or close elements of the report.
QString escapeAngles(QString text)
{
    return text.replace(QLatin1Char('<'), QStringLiteral("&#x3C;")).replace(QLatin1Char('>'), QStringLiteral("&#x3E;"));
}

} // namespace

QString LoadedRunListModel::reportStyleBlock()
{
    return styleBlock;
}

QList<LoadedRunListField> LoadedRunListModel::printableColumns() const
{
    QList<LoadedRunListField> columns;
    const QHeaderView* header = tableView ? tableView->horizontalHeader() : nullptr;
    const int count = header ? header->count() : LoadedRunListFieldCount;
    for (int visual = 0; visual < count; ++visual) {
        const int column = header ? header->logicalIndex(visual) : visual;
        if (column >= 0 && column < LoadedRunListFieldCount && isFieldEnabledOnPrint(LoadedRunListField(column)))
            columns.append(LoadedRunListField(column));
    }
    return columns;
}

QString LoadedRunListModel::reportHeaderRow(const QList<LoadedRunListField>& columns) const
{
    QString html = QStringLiteral("<tr class='header'>");
    for (LoadedRunListField column : columns)
        html += QStringLiteral("<td class='nocurve'>")
            + headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().replace(QLatin1Char('\n'), QStringLiteral("<br>"))
            + QStringLiteral("</td>");
    return html + QStringLiteral("</tr>");
}

QString LoadedRunListModel::reportRow(int row, QPageLayout::Orientation orientation,
                                      const QList<LoadedRunListField>& columns) const
{
    QString html = QStringLiteral("<tr>");
    for (LoadedRunListField column : columns) {
        if (column == LoadedRunListField::CreationTimestamp) {
            const RunData* run = runList.value(row);
            const QDateTime created = QDateTime::fromSecsSinceEpoch(
                run ? run->getRunInfoValue(RunListFields::creationTimestamp, QVariant()).toLongLong() : 0);
            html += QStringLiteral("<td style='text-align: center;'>") + created.toString(QStringLiteral("yyyy-MM-dd"))
                + (orientation == QPageLayout::Portrait ? QStringLiteral("<br>") : QStringLiteral(" "))
                + created.toString(QStringLiteral("hh:mm:ss")) + QStringLiteral("</td>");
        } else if (column >= LoadedRunListField::LeftInnerAxis && column <= LoadedRunListField::PeakEngineTorque) {
            html += generateResultTableRowLegendField(row, column, orientation);
        } else if (column == LoadedRunListField::Name || column == LoadedRunListField::Comment) {
            html += QStringLiteral("<td>") + escapeAngles(index(row, column).data(Qt::DisplayRole).toString())
                + QStringLiteral("</td>");
        } else {
            html += QStringLiteral("<td style='text-align: center;'>") + index(row, column).data(Qt::DisplayRole).toString()
                + QStringLiteral("</td>");
        }
    }
    return html + QStringLiteral("</tr>");
}

QString LoadedRunListModel::generateRunTable(QPageLayout::Orientation orientation) const
{
    const QList<LoadedRunListField> columns = printableColumns();
    QString html = styleBlock + tableStart + reportHeaderRow(columns);
    for (int row = 0; row < runList.size(); ++row)
        if (isRunVisible(row))
            html += reportRow(row, orientation, columns);
    return html + tableEnd;
}

QString LoadedRunListModel::generateRunTableRow(int row, QPageLayout::Orientation orientation,
                                                QList<LoadedRunListField> columns) const
{
    if (columns.isEmpty())
        columns = printableColumns();
    return reportRow(row, orientation, columns);
}

QString LoadedRunListModel::generateResultTableRowLegendField(int row, LoadedRunListField column,
                                                              QPageLayout::Orientation orientation) const
{
    if (!isFieldVisible(row, column))
        return QStringLiteral("<td></td>");
    const QString colour = getColor(row, column).name();
    const Qt::PenStyle style = getLineStyle(row, column);
    const QString border = style == Qt::DashLine  ? QStringLiteral("dashed")
                           : style == Qt::DotLine ? QStringLiteral("dotted")
                                                  : QStringLiteral("solid");
    QString content = column <= LoadedRunListField::RightOuterAxis ? QStringLiteral("\u2588\u2588")
                                                                   : index(row, column).data(Qt::DisplayRole).toString();
    if (orientation == QPageLayout::Portrait)
        content.replace(QLatin1Char('@'), QStringLiteral("<br>@"));
    // One pass: placeholders inside the content stay as they are.
    return QStringLiteral("<td style='font-weight: bold; color: %1; background-color: %2; text-align: center; "
                          "border-bottom-style: %3; border-bottom-color: %1; border-bottom-width: 1px; "
                          "border-left: solid white 1px;'>%4</td>")
        .arg(colour, QStringLiteral("white"), border, content);
}

QString LoadedRunListModel::generateLegendCommon(QList<LoadedRunListField> columns, QList<PlotAxis> axes,
                                                 QPageLayout::Orientation orientation, ComparePlot* plot) const
{
    // The lists are parallel; a column without an axis entry has nothing to pair with.
    const qsizetype pairs = std::min(columns.size(), axes.size());
    columns.resize(pairs);
    axes.resize(pairs);
    for (qsizetype i = pairs - 1; i >= 0; --i) {
        const PlotAxis axis = axes.at(i);
        bool axisShown = true;
        if (axis != PlotAxis_none) {
            // Without a plot there is no axis to explain.
            const ComparePlotAxis* plotAxis = plot && axis >= 0 && axis < 5 ? plot->axes[axis] : nullptr;
            axisShown = plotAxis && plotAxis->qcpAxis && plotAxis->qcpAxis->visible();
        }
        if (!axisShown || !isColumnVisible(columns.at(i))) {
            columns.removeAt(i);
            axes.removeAt(i);
        }
    }

    // The rows are built from the remaining columns directly: when none remain,
    // a row must stay empty like the header instead of falling back to the
    // run table's columns.
    QString html = styleBlock + tableStart + reportHeaderRow(columns);
    // Hidden runs too: their curves may be off, but a reader still finds the run.
    for (int row = 0; row < runList.size(); ++row)
        html += reportRow(row, orientation, columns);
    return html + tableEnd;
}

QString LoadedRunListModel::generateLegendMainGraph(QPageLayout::Orientation orientation, ComparePlot* plot) const
{
    return generateLegendCommon({LoadedRunListField::Name, LoadedRunListField::LeftOuterAxis,
                                 LoadedRunListField::PeakEngineTorque, LoadedRunListField::PeakLossPower,
                                 LoadedRunListField::PeakWheelPower, LoadedRunListField::PeakEnginePower,
                                 LoadedRunListField::RightOuterAxis},
                                {PlotAxis_none, PlotAxis_leftOuter, PlotAxis_left, PlotAxis_right, PlotAxis_right,
                                 PlotAxis_right, PlotAxis_rightOuter},
                                orientation, plot);
}

QString LoadedRunListModel::generateLegendUserGraph(QPageLayout::Orientation orientation, ComparePlot* plot) const
{
    return generateLegendCommon({LoadedRunListField::Name, LoadedRunListField::LeftOuterAxis,
                                 LoadedRunListField::LeftInnerAxis, LoadedRunListField::RightInnerAxis,
                                 LoadedRunListField::RightOuterAxis},
                                {PlotAxis_none, PlotAxis_leftOuter, PlotAxis_left, PlotAxis_right, PlotAxis_rightOuter},
                                orientation, plot);
}
