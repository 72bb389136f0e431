#include "AMdiResultTableModel.h"

#include "AMdiResultTable.h"
#include "AMdiTableModelItem.h"
#include "AnalyzeWidget.h"
#include "ChannelSetup.h"
#include "ChannelSetupDialog.h"
#include "ChannelSetupModel.h"
#include "DialogAnswerer.h"
#include "LoadedRunListModel.h"
#include "MyMenu.h"
#include "PathSaver.h"
#include "RunData.h"
#include "SafeSpinBox.h"
#include "SelectionDialog.h"
#include "lib/Tools.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDebug>
#include <QDialog>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QTableView>
#include <QTextStream>

#include <cmath>
#include <limits>

namespace {

const QColor kMasterBackground(245, 245, 245);
const QColor kMinimumBackground(200, 255, 255);
const QColor kMaximumBackground(255, 200, 200);

// Run names and cell texts are user text: kept literal inside the report's HTML.
QString escapeHtml(QString text)
{
    text.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    text.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    text.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    return text;
}

QString csvField(QString text)
{
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

SafeSpinBox* stepBox(QWidget* parent, double value)
{
    auto* box = new SafeSpinBox(parent);
    // Steps are plain numbers in the master channel's display unit.
    box->setDecimals(4);
    box->setRange(0.0001, std::numeric_limits<double>::infinity());
    box->setValue(value);
    return box;
}

} // namespace

AMdiResultTableModel::AMdiResultTableModel(AMdiResultTable* owner)
    : QAbstractTableModel(owner)
    , widget(owner)
{
    stepDialog = new QDialog(widget);
    stepDialog->setWindowTitle(tr("Master Channel Step"));
    auto* form = new QFormLayout(stepDialog);
    form->setLabelAlignment(Qt::AlignRight);
    engineSpeedStep = stepBox(stepDialog, 500);
    roadSpeedStep = stepBox(stepDialog, 20);
    timeStep = stepBox(stepDialog, 1);
    form->addRow(tr("Engine speed step"), engineSpeedStep);
    form->addRow(tr("Road speed step"), roadSpeedStep);
    form->addRow(tr("Time step"), timeStep);
    stepDialog->resize(400, 60);
    for (SafeSpinBox* box : {engineSpeedStep, roadSpeedStep, timeStep})
        connect(box, &QDoubleSpinBox::valueChanged, widget, &AMdiResultTable::slot_queueRecalculation);
    setMasterChannel(MainGraphMasterChannel_engineSpeed);
    widget->slot_queueRecalculation();
}

AMdiResultTableModel::~AMdiResultTableModel()
{
    qDeleteAll(items);
}

void AMdiResultTableModel::setModels(LoadedRunListModel* runs, QItemSelectionModel* selection)
{
    runList = runs;
    runSelection = selection;
    if (!runList)
        return;
    connect(runList, &LoadedRunListModel::signal_runVisibilityChanged, this, &AMdiResultTableModel::slot_setRunVisible);
    connect(runList, &QAbstractItemModel::rowsInserted, this, &AMdiResultTableModel::slot_rowsInserted);
    connect(runList, &QAbstractItemModel::rowsRemoved, this, &AMdiResultTableModel::slot_rowsRemoved);
    connect(runList, &QAbstractItemModel::dataChanged, this, &AMdiResultTableModel::slot_dataChanged);
    for (int row = 0; row < runList->rowCount(); ++row)
        insertRow(row);
}

void AMdiResultTableModel::setMasterChannel(MainGraphMasterChannel channel)
{
    masterChannel = channel;
    const char* key = channel == MainGraphMasterChannel_roadSpeed ? "mainCompareGraph_dynoSpeed"
                      : channel == MainGraphMasterChannel_time    ? "mainCompareGraph_time"
                                                                  : "mainCompareGraph_engineSpeed";
    masterSetup = theVectorChannelSetupModel.getSetup(QString::fromLatin1(key), QString(), Quantity(-1), nullptr);
}

double AMdiResultTableModel::getStep() const
{
    switch (masterChannel) {
    case MainGraphMasterChannel_roadSpeed: return roadSpeedStep->value();
    case MainGraphMasterChannel_time: return timeStep->value();
    default: return engineSpeedStep->value();
    }
}

void AMdiResultTableModel::recalculate()
{
    for (AMdiTableModelItem* item : items)
        item->update(getStep(), masterSetup);
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1));
    updateMasterRange();
}

void AMdiResultTableModel::updateMasterRange()
{
    beginResetModel();
    if (items.isEmpty()) {
        firstStep = -1;
        lastStep = -2;
    } else {
        firstStep = INT_MAX;
        lastStep = INT_MIN;
        for (const AMdiTableModelItem* item : items) {
            firstStep = std::min(firstStep, item->firstStep);
            lastStep = std::max<int>(lastStep, item->firstStep + int(item->sampleIndexes.size()) - 1);
        }
    }
    endResetModel();
}

int AMdiResultTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(0, lastStep - firstStep + 1);
}

int AMdiResultTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(items.size() * channels.size()) + 1;
}

QVariant AMdiResultTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const int step = firstStep + index.row();
    const int column = index.column();
    const int run = channels.isEmpty() ? 0 : (column - 1) / int(channels.size());
    const int channel = channels.isEmpty() ? 0 : (column - 1) % int(channels.size());
    switch (role) {
    case Qt::TextAlignmentRole: return int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (column == 0)
            return masterSetup ? Tools::stringFromDouble(step * getStep(), masterSetup->decimals) : QVariant();
        return items.at(run)->stringData(channel, step, diffMode && run > 0 ? items.first() : nullptr);
    case Qt::BackgroundRole: {
        if (column == 0)
            return kMasterBackground;
        const int flag = items.at(run)->getMinMaxFlag(channel, step);
        return QBrush(flag == 1 ? kMinimumBackground : flag == 2 ? kMaximumBackground : QColor(Qt::white));
    }
    case Qt::ForegroundRole:
        if (column == 0)
            return QBrush(Qt::black);
        return QBrush(items.at(run)->getAlarmWarningColor(channel, step));
    default: return {};
    }
}

QString AMdiResultTableModel::runName(int item) const
{
    const RunData* run = items.value(item) ? items.at(item)->run : nullptr;
    return run ? run->getRunInfoValue(RunListFields::name, item).toString() : QString::number(item);
}

QVariant AMdiResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return QString::number(section + 1);
    if (section == 0)
        return masterSetup ? masterSetup->getNameWithUnitMultiline() : QStringLiteral("?");
    if (channels.isEmpty())
        return {};
    const int run = (section - 1) / int(channels.size());
    const int channel = (section - 1) % int(channels.size());
    return runName(run) + QLatin1Char('\n') + channels.at(channel)->getNameWithUnitMultiline();
}

Qt::ItemFlags AMdiResultTableModel::flags(const QModelIndex&) const
{
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

void AMdiResultTableModel::addChannel(ChannelSetup* setup)
{
    if (!setup)
        return;
    channels.append(setup);
    monitorChannelSetupChange(setup);
    for (AMdiTableModelItem* item : items)
        item->addChannel(setup->key);
}

void AMdiResultTableModel::removeChannel(int channel)
{
    if (channel < 0 || channel >= channels.size())
        return;
    channels.removeAt(channel);
    for (AMdiTableModelItem* item : items)
        item->removeChannel(channel);
}

void AMdiResultTableModel::monitorChannelSetupChange(ChannelSetup* setup)
{
    if (!setup)
        return;
    disconnect(setup, nullptr, widget, nullptr);
    connect(setup, &ChannelSetup::signal_setupChanged, widget, &AMdiResultTable::slot_queueRecalculation);
}

void AMdiResultTableModel::insertRow(int row)
{
    RunData* run = runList ? runList->runAt(row) : nullptr;
    if (!run)
        return;
    auto* item = new AMdiTableModelItem(run);
    item->update(getStep(), masterSetup);
    for (const ChannelSetup* setup : channels)
        item->addChannel(setup->key);
    items.append(item);
    connect(run, &RunData::signal_runInfoChanged, this, &AMdiResultTableModel::slot_runInfoChanged);
}

void AMdiResultTableModel::removeRow(int row)
{
    if (row < 0 || row >= items.size())
        return;
    AMdiTableModelItem* item = items.takeAt(row);
    if (item->run)
        disconnect(item->run, nullptr, this, nullptr);
    delete item;
    updateMasterRange();
}

void AMdiResultTableModel::slot_rowsInserted(const QModelIndex&, int first, int last)
{
    for (int row = first; row <= last; ++row)
        insertRow(row);
    updateMasterRange();
}

void AMdiResultTableModel::slot_rowsRemoved(const QModelIndex&, int first, int last)
{
    const int perRun = int(channels.size());
    if (view && perRun > 0) {
        // The view's hidden flags belong to column numbers: move them with
        // the columns that slide into the removed runs' place.
        for (int c = first * perRun + 1; c <= (last + 1) * perRun && c < columnCount(); ++c)
            view->setColumnHidden(c, false);
        int target = first * perRun + 1;
        for (int c = (last + 1) * perRun + 1; c < columnCount(); ++c, ++target) {
            if (view->isColumnHidden(c)) {
                view->setColumnHidden(target, true);
                view->setColumnHidden(c, false);
            }
        }
    }
    for (int i = first; i <= last; ++i)
        removeRow(first);
    updateMasterRange();
}

void AMdiResultTableModel::slot_setRunVisible(int run, bool visible)
{
    if (!view)
        return;
    const int perRun = int(channels.size());
    for (int c = run * perRun + 1; c <= run * perRun + perRun; ++c)
        view->setColumnHidden(c, !visible);
}

void AMdiResultTableModel::slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                            const QList<int>& roles)
{
    if (!topLeft.isValid() || !bottomRight.isValid() || roles.contains(Qt::BackgroundRole))
        return;
    if (!(topLeft.column() <= 26 && 26 <= bottomRight.column()))
        return;
    for (int row = topLeft.row(); row <= bottomRight.row() && row < items.size(); ++row)
        items[row]->update(getStep(), masterSetup);
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1));
    updateMasterRange();
}

void AMdiResultTableModel::slot_runInfoChanged(const QString&, RunListFieldId fieldId, const QVariant&)
{
    if (fieldId == RunListFields::name)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1));
}

QStringList AMdiResultTableModel::listChannelKeys() const
{
    QStringList keys;
    if (masterSetup)
        keys.append(AnalyzeWidget::getChannelKeyFromMainGraphMasterChannelKey(masterSetup->key));
    for (const ChannelSetup* setup : channels)
        keys.append(setup->key);
    return keys;
}

void AMdiResultTableModel::writeToDomElement(QDomElement* element) const
{
    element->setAttribute(QStringLiteral("masterChannel"), int(masterChannel));
    element->setAttribute(QStringLiteral("diffMode"), diffMode ? 1 : 0);
    element->setAttribute(QStringLiteral("engineSpeedStep"), engineSpeedStep->text());
    element->setAttribute(QStringLiteral("roadSpeedStep"), roadSpeedStep->text());
    element->setAttribute(QStringLiteral("timeStep"), timeStep->text());
    QDomDocument document = element->ownerDocument();
    for (const ChannelSetup* setup : channels) {
        QDomElement child = document.createElement(QStringLiteral("channel"));
        child.setAttribute(QStringLiteral("key"), setup->key);
        element->appendChild(child);
    }
}

void AMdiResultTableModel::parseDomElement(const QDomElement* element)
{
    beginResetModel();
    bool ok = false;
    const int master = element->attribute(QStringLiteral("masterChannel"), QStringLiteral("0")).toInt(&ok);
    setMasterChannel(MainGraphMasterChannel(ok ? master : 0));
    diffMode = element->attribute(QStringLiteral("diffMode"), QStringLiteral("0")).toInt() != 0;
    const auto readStep = [element](const char* name, const char* fallback, SafeSpinBox* box) {
        box->setValue(element->attribute(QString::fromLatin1(name), QString::fromLatin1(fallback)).toDouble());
    };
    readStep("engineSpeedStep", "500", engineSpeedStep);
    readStep("roadSpeedStep", "20", roadSpeedStep);
    readStep("timeStep", "1", timeStep);
    for (QDomElement child = element->firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        if (child.tagName() == QLatin1String("channel"))
            addChannel(theVectorChannelSetupModel.getSetup(child.attribute(QStringLiteral("key")), QString(),
                                                           Quantity(-1), nullptr));
    }
    endResetModel();
    widget->slot_queueRecalculation();
}

bool AMdiResultTableModel::isColumnHidden(int column) const
{
    return view && view->isColumnHidden(column);
}

// ---- outputs

void AMdiResultTableModel::copyToClipboard(QTableView* tableView) const
{
    const QModelIndexList indexes = tableView->selectionModel() ? tableView->selectionModel()->selectedIndexes()
                                                                : QModelIndexList();
    if (indexes.isEmpty())
        return;
    int top = INT_MAX, bottom = INT_MIN, left = INT_MAX, right = INT_MIN;
    for (const QModelIndex& index : indexes) {
        top = std::min(top, index.row());
        bottom = std::max(bottom, index.row());
        left = std::min(left, index.column());
        right = std::max(right, index.column());
    }
    QList<int> columns;
    for (int c = left; c <= right; ++c) {
        if (!tableView->isColumnHidden(c))
            columns.append(c);
    }
    QString text;
    for (int row = top; row <= bottom; ++row) {
        QStringList cells;
        for (int c : columns)
            cells.append(data(index(row, c)).toString());
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    QApplication::clipboard()->setText(text);
}

bool AMdiResultTableModel::writeCSV(const QString& fileName) const
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    QList<int> columns;
    for (int c = 0; c < columnCount(); ++c) {
        if (!isColumnHidden(c))
            columns.append(c);
    }
    QStringList header;
    for (int c : columns)
        header.append(csvField(headerData(c, Qt::Horizontal).toString().replace(QLatin1Char('\n'), QLatin1Char(' '))));
    out << header.join(QLatin1Char(',')) << '\n';
    QProgressDialog progress(tr("Writing data..."), tr("Abort"), 0, rowCount(), widget);
    progress.setWindowModality(Qt::WindowModal);
    for (int row = 0; row < rowCount(); ++row) {
        if (row % 1000 == 0) {
            progress.setValue(row);
            if (progress.wasCanceled())
                break;
        }
        QStringList cells;
        for (int c : columns)
            cells.append(csvField(data(index(row, c)).toString()));
        out << cells.join(QLatin1Char(',')) << '\n';
    }
    progress.setValue(rowCount());
    out.flush();
    file.close();
    return true;
}

void AMdiResultTableModel::exportToCSV()
{
    const QString proposed =
        (items.isEmpty() ? QStringLiteral("report") : items.first()->run->getExportFileString()) + QStringLiteral(".csv");
    const QString fileName = thePathSaver.getSaveFileName(Path::saveCsv, tr("Export table to CSV"), proposed);
    if (fileName.isEmpty())
        return;
    if (!writeCSV(fileName))
        Tools::showError(tr("Can't open file for writing"));
}

QString AMdiResultTableModel::channelNameHtml(int column) const
{
    if (column == 0)
        return masterSetup ? masterSetup->getNameWithUnitMultilineHTML() : QStringLiteral("?");
    return channels.at((column - 1) % int(channels.size()))->getNameWithUnitMultilineHTML();
}

QString AMdiResultTableModel::cellHtml(int row, int column) const
{
    const QModelIndex cell = index(row, column);
    const QColor background = data(cell, Qt::BackgroundRole).value<QBrush>().color();
    const QColor foreground = data(cell, Qt::ForegroundRole).value<QBrush>().color();
    return QStringLiteral("<td style='text-align: right; background-color: ") + background.name()
           + QStringLiteral("; color: ") + foreground.name() + QStringLiteral(";'>")
           + escapeHtml(data(cell).toString()) + QStringLiteral("</td>");
}

QString AMdiResultTableModel::generateResultTable() const
{
    QString html = QStringLiteral("<center><table cellpadding=\"3\" style='font-size: 8pt;'>");
    html += QStringLiteral("<tr style='background-color: #F5F5F5'><td></td>");
    const int perRun = int(channels.size());
    for (int r = 0; r < items.size(); ++r) {
        int visible = 0;
        for (int k = 0; k < perRun; ++k)
            visible += isColumnHidden(r * perRun + k + 1) ? 0 : 1;
        if (visible == 0)
            continue;
        html += QStringLiteral("<td colspan='%1'><center><b>").arg(visible) + escapeHtml(runName(r))
                + QStringLiteral("</b></center></td>");
    }
    html += QStringLiteral("</tr>");
    html += QStringLiteral("<tr style='background-color: #F5F5F5; white-space: nowrap;'>");
    for (int c = 0; c < columnCount(); ++c) {
        if (!isColumnHidden(c))
            html += QStringLiteral("<td><center>") + channelNameHtml(c) + QStringLiteral("</center></td>");
    }
    html += QStringLiteral("</tr>\n");
    for (int row = 0; row < rowCount(); ++row) {
        html += QStringLiteral("<tr>");
        for (int c = 0; c < columnCount(); ++c) {
            if (!isColumnHidden(c))
                html += cellHtml(row, c);
        }
        html += QStringLiteral("</tr>\n");
    }
    html += QStringLiteral("</table></center>");
    return html;
}

QString AMdiResultTableModel::generateResultTableTransposed() const
{
    QString html = QStringLiteral(
        "<center><table cellpadding=\"3\" style='font-size: 8pt; white-space: nowrap; vertical-align: middle;'>");
    html += QStringLiteral("<tr style='background-color: #F5F5F5;'><td></td><td>")
            + (masterSetup ? masterSetup->getNameWithUnitMultilineHTML() : QStringLiteral("?")) + QStringLiteral("</td>");
    for (int row = 0; row < rowCount(); ++row)
        html += QStringLiteral("<td>") + escapeHtml(data(index(row, 0)).toString()) + QStringLiteral("</td>");
    html += QStringLiteral("</tr>\n");
    const int perRun = int(channels.size());
    for (int r = 0; r < items.size(); ++r) {
        QList<int> visible;
        for (int k = 0; k < perRun; ++k) {
            if (!isColumnHidden(r * perRun + k + 1))
                visible.append(r * perRun + k + 1);
        }
        for (int i = 0; i < visible.size(); ++i) {
            html += QStringLiteral("<tr>");
            if (i == 0)
                html += QStringLiteral("<td rowspan='%1' style='background-color: #F5F5F5;'><b>").arg(visible.size())
                        + escapeHtml(runName(r)) + QStringLiteral("</b></td>");
            html += QStringLiteral("<td style='background-color: #F5F5F5;'>") + channelNameHtml(visible.at(i))
                    + QStringLiteral("</td>");
            for (int row = 0; row < rowCount(); ++row)
                html += cellHtml(row, visible.at(i));
            html += QStringLiteral("</tr>\n");
        }
    }
    html += QStringLiteral("</table></center>");
    return html;
}

// ---- events and menu

bool AMdiResultTableModel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_C && (key->modifiers() & Qt::ControlModifier)) {
            if (view)
                copyToClipboard(view);
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        if (widget->selected)
            widget->selectedContextMenu(menuEvent->globalPos());
        else
            showContextMenu(menuEvent->globalPos());
        return true;
    }
    return QAbstractTableModel::eventFilter(watched, event);
}

void AMdiResultTableModel::showContextMenu(const QPoint& globalPos)
{
    if (!view)
        return;
    const QPoint pos = view->viewport()->mapFromGlobal(globalPos);
    const QModelIndex cell = view->indexAt(pos);
    const int column = view->columnAt(pos.x());
    MyMenu menu(widget);
    QMenu* master = menu.addSubMenu(tr("Choose master channel"));
    master->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
    const QList<QAction*> masterActions = {master->addAction(tr("Engine speed")), master->addAction(tr("Road speed")),
                                           master->addAction(tr("Time"))};
    QAction* step = menu.addAction(tr("Set master channel step"));
    QAction* diff = menu.addAction(diffMode ? tr("Show absolute values") : tr("Show differences"));
    menu.addSeparator();
    QAction* add = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("Add channel"));
    QAction* configure = nullptr;
    QAction* remove = nullptr;
    if (column >= 0)
        configure = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-desktop")), tr("Configure channel"));
    if (column > 0)
        remove = menu.addAction(QIcon::fromTheme(QStringLiteral("list-remove")), tr("Remove channel"));
    menu.addSeparator();
    QAction* hide = column > 0 ? menu.addAction(tr("Hide column")) : nullptr;
    QList<QAction*> restore;
    QMenu* restoreMenu = nullptr;
    for (int c = 0; c < columnCount(); ++c) {
        if (!view->isColumnHidden(c))
            continue;
        if (!restoreMenu)
            restoreMenu = menu.addSubMenu(tr("Restore column"));
        QAction* action = restoreMenu->addAction(headerData(c, Qt::Horizontal).toString());
        action->setProperty("column", c);
        restore.append(action);
    }
    menu.addSeparator();
    QAction* copy = cell.isValid() ? menu.addAction(QIcon::fromTheme(QStringLiteral("edit-copy")), tr("Copy")) : nullptr;
    QAction* exportCsv = menu.addAction(QIcon::fromTheme(QStringLiteral("x-office-spreadsheet")), tr("Export to CSV"));
    menu.addSeparator();
    widget->addPrintIdChangeAction(&menu);
    if (widget->copyAction)
        menu.addAction(widget->copyAction);
    menu.addSeparator();
    if (widget->closeAction)
        menu.addAction(widget->closeAction);

    QAction* chosen = DialogAnswerer::execMenu(&menu, globalPos);
    if (!chosen)
        return;
    if (masterActions.contains(chosen)) {
        setMasterChannel(MainGraphMasterChannel(masterActions.indexOf(chosen)));
        widget->slot_queueRecalculation();
        monitorChannelSetupChange(masterSetup);
    } else if (chosen == step) {
        DialogAnswerer::exec(stepDialog);
    } else if (chosen == diff) {
        diffMode = !diffMode;
        Q_EMIT dataChanged(index(0, 0), index(std::max(0, rowCount() - 1), std::max(0, columnCount() - 1)));
        Q_EMIT widget->signal_requestSetupSave();
    } else if (chosen == add) {
        SelectionDialog dialog(widget, tr("Select Item"));
        dialog.setContent(runList ? runList->listAvailableChannelSetups() : QList<ChannelSetup*>());
        if (DialogAnswerer::exec(&dialog) == QDialog::Accepted && dialog.getSelectedSetup()) {
            beginResetModel();
            addChannel(dialog.getSelectedSetup());
            endResetModel();
        }
    } else if (chosen == remove) {
        beginResetModel();
        removeChannel((column - 1) % std::max<int>(1, int(channels.size())));
        endResetModel();
    } else if (chosen == hide) {
        view->setColumnHidden(column, true);
    } else if (chosen == configure) {
        ChannelSetup* setup = column == 0 ? masterSetup
                              : channels.isEmpty() ? nullptr
                                                   : channels.at((column - 1) % int(channels.size()));
        if (setup) {
            ChannelSetupDialog dialog(setup, nullptr, false, true);
            DialogAnswerer::exec(&dialog);
        }
    } else if (restore.contains(chosen)) {
        view->setColumnHidden(chosen->property("column").toInt(), false);
    } else if (chosen == copy) {
        copyToClipboard(view);
    } else if (chosen == exportCsv) {
        exportToCSV();
    }
}
