// Colours and line styles of the row positions of the loaded-run list.
#include "LoadedRunListModel.h"

#include "DialogAnswerer.h"
#include "MySettings.h"

#include <QColorDialog>
#include <QInputDialog>

namespace {

QString colorKey(int row)
{
    return QStringLiteral("AnalyzeColorSetup/row%1").arg(row);
}

QString styleKey(int row)
{
    return QStringLiteral("AnalyzeLineStyleSetup/row%1").arg(row);
}

int hueOfColumn(int column)
{
    switch (column) {
    case LoadedRunListField::LeftInnerAxis:
    case LoadedRunListField::PeakEngineTorque: return 240;
    case LoadedRunListField::LeftOuterAxis:
    case LoadedRunListField::PeakWheelPower: return 60;
    case LoadedRunListField::RightInnerAxis:
    case LoadedRunListField::PeakEnginePower: return 0;
    case LoadedRunListField::RightOuterAxis:
    case LoadedRunListField::PeakLossPower: return 120;
    default: return -1;
    }
}

// A colour dialog through the answerer: the chosen colour, invalid when cancelled.
QColor askColor(const QColor& initial)
{
    QColorDialog dialog(initial);
    dialog.setWindowTitle(QString());
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return QColor();
    return dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor();
}

} // namespace

QColor LoadedRunListModel::defaultColor(int column)
{
    const int hue = hueOfColumn(column);
    return hue < 0 ? QColor(Qt::white) : QColor::fromHsv(hue, 255, 120, 255);
}

QColor LoadedRunListModel::getColor(int row, LoadedRunListField column) const
{
    if (row >= 0 && row < colorTable.size() && column >= 0 && column < LoadedRunListFieldCount &&
        colorTable.at(row).at(column).isValid())
        return colorTable.at(row).at(column);
    return defaultColor(column);
}

Qt::PenStyle LoadedRunListModel::getLineStyle(int row, LoadedRunListField column) const
{
    if (row < 0 || row >= lineStyleTable.size() || column < 0 || column >= LoadedRunListFieldCount)
        return Qt::SolidLine;
    const int style = lineStyleTable.at(row).at(column);
    return style >= 1 && style <= 5 ? Qt::PenStyle(style) : Qt::SolidLine;
}

void LoadedRunListModel::setColor(int row, LoadedRunListField column, const QColor& colour)
{
    if (row < 0 || column < 0 || column >= LoadedRunListFieldCount)
        return;
    expandColorTable(row);
    colorTable[row][column] = colour;
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell, {Qt::BackgroundRole, Qt::ForegroundRole});
    saveColorSetup(row);
}

void LoadedRunListModel::setLineStyle(int row, LoadedRunListField column, Qt::PenStyle style)
{
    if (row < 0 || column < 0 || column >= LoadedRunListFieldCount)
        return;
    expandLineStyleTable(row);
    lineStyleTable[row][column] = int(style);
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell, {Qt::BackgroundRole, Qt::ForegroundRole});
    saveLineStyleSetup(row);
}

void LoadedRunListModel::expandColorTable(int row)
{
    while (row >= colorTable.size()) {
        colorTable.append(colorTable.isEmpty() ? QList<QColor>(LoadedRunListFieldCount) : colorTable.last());
        saveColorSetup(int(colorTable.size()) - 1);
    }
}

void LoadedRunListModel::expandLineStyleTable(int row)
{
    while (row >= lineStyleTable.size()) {
        lineStyleTable.append(lineStyleTable.isEmpty() ? QList<int>(LoadedRunListFieldCount, 0)
                                                       : lineStyleTable.last());
        saveLineStyleSetup(int(lineStyleTable.size()) - 1);
    }
}

void LoadedRunListModel::loadColorSetup()
{
    colorTable.clear();
    for (int row = 0; theSettings.contains(colorKey(row)); ++row) {
        const QStringList names = theSettings.value(colorKey(row)).toStringList();
        QList<QColor> colours(LoadedRunListFieldCount);
        for (int c = 0; c < qMin(int(names.size()), LoadedRunListFieldCount); ++c) {
            const QColor colour = QColor::fromString(names.at(c));
            if (colour.isValid())
                colours[c] = colour;
        }
        colorTable.append(colours);
    }
}

void LoadedRunListModel::loadLineStyleSetup()
{
    lineStyleTable.clear();
    for (int row = 0; theSettings.contains(styleKey(row)); ++row) {
        const QStringList values = theSettings.value(styleKey(row)).toStringList();
        QList<int> styles(LoadedRunListFieldCount, 0);
        for (int c = 0; c < qMin(int(values.size()), LoadedRunListFieldCount); ++c) {
            bool ok = false;
            const int style = values.at(c).toInt(&ok);
            styles[c] = ok ? style : 0;
        }
        lineStyleTable.append(styles);
    }
}

void LoadedRunListModel::saveColorSetup(int row)
{
    if (row < 0 || row >= colorTable.size())
        return;
    QStringList names;
    for (const QColor& colour : colorTable.at(row))
        names.append(colour.isValid() ? colour.name() : QStringLiteral("#xxxxxx"));
    theSettings.setValue(colorKey(row), names);
}

void LoadedRunListModel::saveLineStyleSetup(int row)
{
    if (row < 0 || row >= lineStyleTable.size())
        return;
    QStringList values;
    for (int style : lineStyleTable.at(row))
        values.append(QString::number(style));
    theSettings.setValue(styleKey(row), values);
}

void LoadedRunListModel::action_setColor(const QList<QModelIndex>& cells)
{
    QColor chosen;
    for (const QModelIndex& cell : cells) {
        const LoadedRunListField column = LoadedRunListField(cell.column());
        const QColor current = getColor(cell.row(), column);
        if (!chosen.isValid()) {
            chosen = askColor(current);
            if (!chosen.isValid())
                return;
        }
        if (chosen != current)
            setColor(cell.row(), column, chosen);
    }
}

void LoadedRunListModel::action_setColorForColumn(int column)
{
    const QColor colour = askColor(Qt::white);
    if (!colour.isValid())
        return;
    const int rows = qMax(int(runList.size()), int(colorTable.size()));
    for (int row = 0; row < rows; ++row)
        setColor(row, LoadedRunListField(column), colour);
}

void LoadedRunListModel::action_setColorForRow(int row)
{
    const QColor colour = askColor(Qt::white);
    if (!colour.isValid())
        return;
    for (int c = 0; c < LoadedRunListFieldCount; ++c)
        setColor(row, LoadedRunListField(c), colour);
}

void LoadedRunListModel::action_setStyle(const QList<QModelIndex>& cells)
{
    if (cells.isEmpty())
        return;
    bool ok = false;
    const Qt::PenStyle style =
        lineStyleDialog(getLineStyle(cells.first().row(), LoadedRunListField(cells.first().column())), &ok);
    if (!ok)
        return;
    for (const QModelIndex& cell : cells)
        setLineStyle(cell.row(), LoadedRunListField(cell.column()), style);
}

void LoadedRunListModel::action_setStyleForColumn(int column)
{
    bool ok = false;
    const Qt::PenStyle style = lineStyleDialog(Qt::SolidLine, &ok);
    if (!ok)
        return;
    const int rows = qMax(int(runList.size()), int(lineStyleTable.size()));
    for (int row = 0; row < rows; ++row)
        setLineStyle(row, LoadedRunListField(column), style);
}

void LoadedRunListModel::action_setStyleForRow(int row)
{
    bool ok = false;
    const Qt::PenStyle style = lineStyleDialog(Qt::SolidLine, &ok);
    if (!ok)
        return;
    for (int c = 0; c < LoadedRunListFieldCount; ++c)
        setLineStyle(row, LoadedRunListField(c), style);
}

Qt::PenStyle LoadedRunListModel::lineStyleDialog(Qt::PenStyle current, bool* ok)
{
    const QStringList items = {tr("Solid"), tr("Dash"), tr("Dot")};
    QInputDialog dialog(parentWidget);
    dialog.setWindowTitle(tr("Line style"));
    dialog.setLabelText(tr("Select line style"));
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    if (current >= 1 && current <= 3)
        dialog.setTextValue(items.at(int(current) - 1));
    const bool accepted = DialogAnswerer::exec(&dialog) == QDialog::Accepted;
    if (ok)
        *ok = accepted;
    const int found = items.indexOf(dialog.textValue());
    return found < 0 ? Qt::NoPen : Qt::PenStyle(found + 1);
}
