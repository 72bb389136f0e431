#include "AMdiXYTableModel.h"

#include "AMdiXYTable.h"
#include "BinFinder.h"
#include "ChannelSetup.h"
#include "ChannelSetupDialog.h"
#include "ChannelSetupModel.h"
#include "ColorScaleEditor.h"
#include "DialogAnswerer.h"
#include "LoadedRunListModel.h"
#include "MyMenu.h"
#include "PathSaver.h"
#include "RunData.h"
#include "SelectionDialog.h"
#include "Tools.h"
#include "VectorChannel.h"
#include "lib/Unit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QFormLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressDialog>
#include <QSpinBox>
#include <QTableView>
#include <QTextStream>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const char* const kAxisElements[3] = {"x", "y", "c"};

// Channel names and run-dependent texts are user text: kept literal in the report.
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

// The bin of v on an axis of bin centres, -1 outside the outer centres. The
// finder's cursor stays on the nearest end then, as the next lookup starts there.
int lookupBin(BinFinder& finder, const QList<double>& bins, double v)
{
    if (v < bins.first()) {
        finder.findBin(bins.first());
        return -1;
    }
    if (v > bins.last()) {
        finder.findBin(bins.last());
        return -1;
    }
    return finder.findBin(v);
}

int parseInt(const QDomElement* element, const QString& name)
{
    bool ok = false;
    const int value = element->attribute(name).toInt(&ok, 10);
    return ok ? value : 0;
}

} // namespace

AMdiXYTableModel::AMdiXYTableModel(AMdiXYTable* owner)
    : QAbstractTableModel(owner)
    , widget(owner)
{
    gradient.setColorInterpolation(QCPColorGradient::ciHSV);
    configDialog = new QDialog(owner);
    configDialog->setWindowTitle(tr("Widget Configuration"));
    auto* form = new QFormLayout(configDialog);
    form->setLabelAlignment(Qt::AlignRight);
    centerFilter = new QSpinBox(configDialog);
    centerFilter->setRange(0, 95);
    centerFilter->setSuffix(QStringLiteral("%"));
    centerFilter->setValue(0);
    centerFilter->setToolTip(tr("Sample only if in center of the cell.\n0% - sample always\n95% - sample if 95% in "
                                "center of the cell"));
    form->addRow(tr("Center filter"), centerFilter);
    transientFilter = new QSpinBox(configDialog);
    transientFilter->setRange(0, 5000);
    transientFilter->setSuffix(QStringLiteral("ms"));
    transientFilter->setValue(0);
    transientFilter->setToolTip(tr("Sample if this time passed since cursor is in the cell"));
    form->addRow(tr("Transient filter"), transientFilter);
}

AMdiXYTableModel::~AMdiXYTableModel() = default;

void AMdiXYTableModel::setLabels(QLabel* x, QLabel* y, QLabel* c, QLabel* info)
{
    xLabel = x;
    yLabel = y;
    cLabel = c;
    infoLabel = info;
}

void AMdiXYTableModel::init(LoadedRunListModel* runs, QItemSelectionModel* selection)
{
    runList = runs;
    runSelection = selection;
    if (runList)
        connect(runList, &QAbstractItemModel::dataChanged, this, &AMdiXYTableModel::slot_dataChanged);
    if (runSelection)
        connect(runSelection, &QItemSelectionModel::selectionChanged, this, &AMdiXYTableModel::slot_selectionChanged);
    widget->slot_queueRecalculation();
}

void AMdiXYTableModel::setChannelSetup(XYMapAxis axis, ChannelSetup* setup)
{
    if (setups[axis])
        disconnect(setups[axis], &ChannelSetup::signal_setupChanged, widget, &AMdiXYTable::slot_queueRecalculation);
    setups[axis] = setup;
    if (setup)
        connect(setup, &ChannelSetup::signal_setupChanged, widget, &AMdiXYTable::slot_queueRecalculation);
    widget->slot_queueRecalculation();
}

QStringList AMdiXYTableModel::listChannelKeys() const
{
    QStringList keys;
    for (const ChannelSetup* setup : setups) {
        if (setup)
            keys.append(setup->key);
    }
    return keys;
}

// ---- contents

int AMdiXYTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    const ChannelSetup* s = setups[XYMapAxis_left];
    return s && !s->bins.isEmpty() ? int(s->bins.size()) : 2;
}

int AMdiXYTableModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    const ChannelSetup* s = setups[XYMapAxis_bottom];
    return s && !s->bins.isEmpty() ? int(s->bins.size()) : 2;
}

int AMdiXYTableModel::dataRow(int row) const
{
    return invertY ? rowCount() - 1 - row : row;
}

double AMdiXYTableModel::cellValue(int row, int column) const
{
    const qsizetype i = qsizetype(column) + qsizetype(dataRow(row)) * columnCount();
    return i >= 0 && i < cells.size() ? cells.at(i) : kNaN;
}

QColor AMdiXYTableModel::background(double value) const
{
    if (std::isnan(value) || !std::isfinite(colorLow) || !std::isfinite(colorHigh) || colorLow == colorHigh)
        return Qt::white;
    return QColor::fromRgba(gradient.color(value, QCPRange(colorLow, colorHigh), false));
}

QVariant AMdiXYTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const double value = cellValue(index.row(), index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (!setups[XYMapAxis_value])
            return QStringLiteral("??");
        if (std::isnan(value))
            return QVariant();
        return setups[XYMapAxis_value]->getLabelString(value);
    case Qt::BackgroundRole:
        return QBrush(background(value));
    case Qt::ForegroundRole:
        return QBrush(QColor(Tools::getContrastColor(background(value), 0.6f)));
    default: return QVariant();
    }
}

QVariant AMdiXYTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    const ChannelSetup* setup = setups[orientation == Qt::Horizontal ? XYMapAxis_bottom : XYMapAxis_left];
    const int bin = orientation == Qt::Horizontal ? section : dataRow(section);
    if (!setup || bin < 0 || bin >= setup->bins.size())
        return QStringLiteral("??");
    return setup->getLabelString(setup->bins.at(bin));
}

Qt::ItemFlags AMdiXYTableModel::flags(const QModelIndex&) const
{
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

// ---- recalculation

QList<int> AMdiXYTableModel::selectedRows() const
{
    QList<int> rows;
    if (!runSelection || !runList)
        return rows;
    for (const QModelIndex& index : runSelection->selectedIndexes()) {
        if (index.row() < runList->rowCount() && !rows.contains(index.row()))
            rows.append(index.row());
    }
    return rows;
}

void AMdiXYTableModel::recalculate()
{
    beginResetModel();
    for (double& cell : cells)
        cell = kNaN;
    for (QLabel* label : {xLabel, yLabel, cLabel})
        Tools::setTextColorWithPalette(label, Qt::red);
    const QString none = tr("Channel not selected");
    xLabel->setText(setups[XYMapAxis_bottom] ? setups[XYMapAxis_bottom]->getNameWithUnit() : none);
    yLabel->setText(setups[XYMapAxis_left] ? setups[XYMapAxis_left]->getNameWithUnit() : none);
    cLabel->setText(setups[XYMapAxis_value] ? setups[XYMapAxis_value]->getNameWithUnit() : none);

    const QList<int> rows = selectedRows();
    QString message;
    if (rows.isEmpty())
        message += tr("Select a run in the table above\n");
    if (!setups[XYMapAxis_bottom])
        message += tr("Select bottom channel\n");
    if (!setups[XYMapAxis_left])
        message += tr("Select left channel\n");
    if (!setups[XYMapAxis_value])
        message += tr("Select color channel\n");

    if (setups[XYMapAxis_left] && setups[XYMapAxis_bottom]) {
        const QList<double> xBins = setups[XYMapAxis_bottom]->bins;
        const QList<double> yBins = setups[XYMapAxis_left]->bins;
        BinFinder xFinder;
        BinFinder yFinder;
        xFinder.init(&xBins);
        yFinder.init(&yBins);
        if (xBins.isEmpty())
            message += tr("Set up x bins\n");
        if (yBins.isEmpty())
            message += tr("Set up y bins\n");
        const int nx = int(xBins.size());
        const int ny = int(yBins.size());
        cells = QList<double>(qsizetype(nx) * ny, kNaN);
        if (nx > 0 && ny > 0 && setups[XYMapAxis_value]) {
            std::vector<qint64> counts(size_t(nx) * size_t(ny), 0);
            std::vector<double> sums(size_t(nx) * size_t(ny), 0.0);
            double minimum = kInf;
            double maximum = -kInf;
            const float centre = float(centerFilter->value()) / 100.0f;
            const double transient = transientFilter->value() / 1000.0;
            for (int row : rows) {
                RunData* run = runList->runAt(row);
                if (!run)
                    continue;
                VectorChannel* xc = run->getChannelByAnalyzeKey(setups[XYMapAxis_bottom]->key);
                VectorChannel* yc = run->getChannelByAnalyzeKey(setups[XYMapAxis_left]->key);
                VectorChannel* vc = run->getChannelByAnalyzeKey(setups[XYMapAxis_value]->key);
                if (xc)
                    Tools::setTextColorWithPalette(xLabel, Qt::black);
                if (yc)
                    Tools::setTextColorWithPalette(yLabel, Qt::black);
                if (vc)
                    Tools::setTextColorWithPalette(cLabel, Qt::black);
                if (!xc || !yc || !vc)
                    continue;
                const QList<double>& xs = *xc->getTranslatedData();
                const QList<double>& ys = *yc->getTranslatedData();
                QList<double> vs = *vc->getTranslatedData();
                const VectorChannel* timeVector = xc->getTimeVector();
                if (!timeVector)
                    continue;
                const QList<double>& t = timeVector->rawSamples();
                auto [first, last] = run->getSelectionIndexes();
                first = std::max(first, 0);
                // Vectors may end before the run's time vector: read only what all hold.
                last = int(std::min<qsizetype>(last, std::min({xs.size(), ys.size(), vs.size(), t.size()}) - 1));
                if (last < first)
                    continue;
                for (int pass = 0; pass < 2; ++pass) {
                    const bool forward = pass == 0;
                    int cx = -1;
                    int cy = -1;
                    double entry = kInf;
                    for (int k = 0; k <= last - first; ++k) {
                        const int i = forward ? first + k : last - k;
                        const double xv = xs.at(i);
                        const double yv = ys.at(i);
                        if (!std::isfinite(xv) || !std::isfinite(yv))
                            continue;
                        const int x = lookupBin(xFinder, xBins, xv);
                        const int y = lookupBin(yFinder, yBins, yv);
                        if (y == -1) {
                            if (x != cx || cy != -1)
                                entry = t.at(i);
                            cx = x;
                            cy = -1;
                            continue;
                        }
                        if (x != cx || y != cy)
                            entry = t.at(i);
                        if (x == -1) {
                            cx = x;
                            cy = y;
                            continue;
                        }
                        const float xc2 = 1.0f - 2.0f * std::fabs(xFinder.getBinRelativePosition(xv));
                        const float yc2 = 1.0f - 2.0f * std::fabs(yFinder.getBinRelativePosition(yv));
                        if (xc2 < centre || yc2 < centre) {
                            if (forward)
                                vs[i] = kNaN;
                            entry = t.at(i);
                            cx = x;
                            cy = y;
                            continue;
                        }
                        if (transient > std::fabs(t.at(i) - entry)) {
                            if (forward)
                                vs[i] = kNaN;
                            cx = x;
                            cy = y;
                            continue;
                        }
                        cx = x;
                        cy = y;
                        if (!forward && std::isfinite(vs.at(i))) {
                            const size_t cell = size_t(x) + size_t(y) * size_t(nx);
                            sums[cell] += vs.at(i);
                            ++counts[cell];
                        }
                    }
                }
            }
            for (size_t cell = 0; cell < counts.size(); ++cell) {
                if (counts[cell] < 1)
                    continue;
                const double mean = sums[cell] / double(counts[cell]);
                cells[qsizetype(cell)] = mean;
                minimum = std::min(minimum, mean);
                maximum = std::max(maximum, mean);
            }
            const ChannelSetup* valueSetup = setups[XYMapAxis_value];
            const auto [lo, hi] = valueSetup->getRangeFromDataRange(minimum, maximum);
            colorLow = lo;
            colorHigh = hi;
            if (!valueSetup->colorSteps.isEmpty()) {
                gradient.clearColorStops();
                for (const ColorScaleStep& step : valueSetup->colorSteps) {
                    double position = step.value;
                    if (step.type == ColorScaleStepType_absolute) {
                        const double display = valueSetup->unit ? valueSetup->unit->getUnitValue(step.value) : step.value;
                        position = (display - lo) / (hi - lo);
                    }
                    if (std::isfinite(position))
                        gradient.setColorStopAt(position, step.color);
                }
            } else {
                gradient.loadPreset(QCPColorGradient::gpSpectrum);
            }
            gradient.setColorInterpolation(QCPColorGradient::ciHSV);
        }
    }
    message = message.trimmed();
    infoLabel->setText(message);
    infoLabel->setVisible(!message.isEmpty());
    endResetModel();
    if (rowCount() > 0)
        Q_EMIT headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

void AMdiXYTableModel::slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                        const QList<int>& roles)
{
    if (!topLeft.isValid() || !bottomRight.isValid() || roles.contains(Qt::BackgroundRole))
        return;
    if (bottomRight.column() > 25 && topLeft.column() < 27)
        widget->slot_queueRecalculation();
}

void AMdiXYTableModel::slot_selectionChanged()
{
    QStringList files;
    for (int row : selectedRows()) {
        if (RunData* run = runList->runAt(row))
            files.append(run->fileName);
    }
    files.sort(Qt::CaseSensitive);
    if (files == selectedRunFiles)
        return;
    selectedRunFiles = files;
    widget->slot_queueRecalculation();
}

// ---- outputs

QString AMdiXYTableModel::generateReportTable() const
{
    const int n = columnCount() + 1;
    QString html = QStringLiteral("<center><table cellpadding=\"3\" style='font-size: 8pt'>");
    html += QStringLiteral("<tr style='background-color: #F0F0F0'><td colspan='%1'><center>%2</center></td></tr>")
                .arg(n)
                .arg(escapeHtml(cLabel->text()));
    html += QStringLiteral("<tr style='background-color: #F0F0F0'><td colspan='%1'>%2 \\ %3</td></tr>")
                .arg(n)
                .arg(escapeHtml(yLabel->text()), escapeHtml(xLabel->text()));
    html += QStringLiteral("<tr style='background-color: #F0F0F0'><td></td>");
    for (int c = 0; c < columnCount(); ++c)
        html += QStringLiteral("<td><center><b>%1</b></center></td>")
                    .arg(escapeHtml(headerData(c, Qt::Horizontal).toString()));
    html += QStringLiteral("</tr>");
    for (int r = 0; r < rowCount(); ++r) {
        html += QStringLiteral("<tr>");
        html += QStringLiteral("<td style='background-color: #F0F0F0'><center><b>%1</b></center></td>")
                    .arg(escapeHtml(headerData(r, Qt::Vertical).toString()));
        for (int c = 0; c < columnCount(); ++c) {
            const QModelIndex cell = index(r, c);
            QString back = data(cell, Qt::BackgroundRole).value<QBrush>().color().name();
            if (back == QLatin1String("#ffffff"))
                back = QStringLiteral("#F9F9F9");
            const QString fore = data(cell, Qt::ForegroundRole).value<QBrush>().color().name();
            html += QStringLiteral("<td style='background-color: %1; color: %2'><center>%3</center></td>")
                        .arg(back, fore, escapeHtml(data(cell).toString()));
        }
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table></center>");
    return html;
}

bool AMdiXYTableModel::writeCSV(const QString& fileName) const
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    out << "X: " << xLabel->text() << '\n';
    out << "Y: " << yLabel->text() << '\n';
    out << "C: " << cLabel->text() << '\n';
    QStringList header{QStringLiteral("\"\"")};
    for (int c = 0; c < columnCount(); ++c)
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
        QStringList fields{csvField(headerData(row, Qt::Vertical).toString())};
        for (int c = 0; c < columnCount(); ++c)
            fields.append(csvField(data(index(row, c)).toString()));
        out << fields.join(QLatin1Char(',')) << '\n';
    }
    progress.setValue(rowCount());
    out.flush();
    file.close();
    return true;
}

void AMdiXYTableModel::exportToCSV()
{
    RunData* first = runList && runList->rowCount() > 0 ? runList->runAt(0) : nullptr;
    const QString proposed = (first ? first->getExportFileString() : QStringLiteral("report")) + QStringLiteral(".csv");
    const QString fileName = thePathSaver.getSaveFileName(Path::saveCsv, tr("Export table to CSV"), proposed);
    if (fileName.isEmpty())
        return;
    if (!writeCSV(fileName))
        Tools::showError(tr("Can't open file for writing"));
}

void AMdiXYTableModel::copyToClipboard(QTableView* view) const
{
    const QModelIndexList indexes = view && view->selectionModel() ? view->selectionModel()->selectedIndexes()
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
        if (!view->isColumnHidden(c))
            columns.append(c);
    }
    // Joined per row: a row without shown columns is an empty line, not the
    // loss of the previous line break.
    QString text;
    for (int row = top; row <= bottom; ++row) {
        QStringList fields;
        for (int c : columns)
            fields.append(data(index(row, c)).toString());
        text += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    QApplication::clipboard()->setText(text);
}

// ---- setup

void AMdiXYTableModel::parseDomElement(const QDomElement* setup)
{
    centerFilter->setValue(parseInt(setup, QStringLiteral("centerFilter")));
    transientFilter->setValue(parseInt(setup, QStringLiteral("transientFilter")));
    invertY = parseInt(setup, QStringLiteral("invertY")) != 0;
    for (int axis = 0; axis < 3; ++axis) {
        const QDomElement child = setup->firstChildElement(QString::fromLatin1(kAxisElements[axis]));
        if (child.isNull())
            continue;
        const QString key = child.attribute(QStringLiteral("channelKey"));
        setChannelSetup(XYMapAxis(axis), key.isEmpty() ? nullptr
                                                       : theVectorChannelSetupModel.getSetup(
                                                             key, QString(), static_cast<Quantity>(-1), nullptr));
    }
    widget->slot_queueRecalculation();
}

void AMdiXYTableModel::writeToDomElement(QDomElement* setup) const
{
    setup->setAttribute(QStringLiteral("centerFilter"), centerFilter->value());
    setup->setAttribute(QStringLiteral("transientFilter"), transientFilter->value());
    setup->setAttribute(QStringLiteral("invertY"), invertY ? 1 : 0);
    QDomDocument document = setup->ownerDocument();
    for (int axis = 0; axis < 3; ++axis) {
        QDomElement child = document.createElement(QString::fromLatin1(kAxisElements[axis]));
        if (setups[axis])
            child.setAttribute(QStringLiteral("channelKey"), setups[axis]->key);
        setup->appendChild(child);
    }
}

// ---- events and menu

bool AMdiXYTableModel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_C && (key->modifiers() & Qt::ControlModifier)) {
            copyToClipboard(widget->view);
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

void AMdiXYTableModel::configure(const QPoint& globalPos)
{
    configDialog->move(globalPos);
    DialogAnswerer::exec(configDialog);
    widget->slot_queueRecalculation();
}

void AMdiXYTableModel::showContextMenu(const QPoint& globalPos)
{
    QTableView* view = widget->view;
    const QPoint pos = view->viewport()->mapFromGlobal(globalPos);
    int axis = XYMapAxis_value;
    QString prefix = QStringLiteral("→ ");
    if (pos.x() < 0 && pos.y() < 0) {
        axis = -1;
    } else if (pos.y() < 0) {
        axis = XYMapAxis_bottom;
        prefix = QStringLiteral("↑ ");
    } else if (pos.x() < 0) {
        axis = XYMapAxis_left;
        prefix = QStringLiteral("← ");
    }
    ChannelSetup* setup = axis >= 0 ? setups[axis] : nullptr;
    MyMenu menu(widget);
    QAction* configureChannel = nullptr;
    QAction* scale = nullptr;
    QAction* bins = nullptr;
    QAction* invert = nullptr;
    QAction* choose = nullptr;
    QAction* copy = nullptr;
    if (setup) {
        configureChannel = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-desktop")),
                                          prefix + tr("Configure channel: ") + setup->getNameWithUnit());
        if (axis == XYMapAxis_value)
            scale = menu.addAction(QIcon::fromTheme(QStringLiteral("applications-graphics")),
                                   prefix + tr("Edit color scale"));
        else
            bins = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-system")), prefix + tr("Setup bins"));
        if (axis == XYMapAxis_left)
            invert = menu.addAction(QIcon::fromTheme(QStringLiteral("object-flip-vertical")), tr("Invert Y axis"));
    }
    if (axis >= 0) {
        choose = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), prefix + tr("Choose channel"));
        menu.addSeparator();
        if (axis == XYMapAxis_value)
            copy = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-copy")), tr("Copy"));
    }
    QAction* exportCsv = menu.addAction(QIcon::fromTheme(QStringLiteral("x-office-spreadsheet")), tr("Export to CSV"));
    QAction* configureWidget =
        menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-system")), tr("Configure widget"));
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
    if (chosen == configureChannel) {
        ChannelSetupDialog dialog(setup, widget, false, true);
        DialogAnswerer::exec(&dialog);
    } else if (chosen == scale) {
        ColorScaleEditor editor(widget, setup);
    } else if (chosen == bins) {
        setup->editBins();
        widget->slot_queueRecalculation();
    } else if (chosen == invert) {
        invertY = !invertY;
        widget->slot_queueRecalculation();
        Q_EMIT widget->signal_requestSetupSave();
    } else if (chosen == choose) {
        SelectionDialog dialog(widget, tr("Select Item"));
        dialog.setContent(runList ? runList->listAvailableChannelSetups() : QList<ChannelSetup*>());
        if (DialogAnswerer::exec(&dialog) == QDialog::Accepted && dialog.getSelectedSetup()) {
            setChannelSetup(XYMapAxis(axis), dialog.getSelectedSetup());
            widget->slot_queueRecalculation();
        }
    } else if (chosen == copy) {
        copyToClipboard(view);
    } else if (chosen == exportCsv) {
        exportToCSV();
    } else if (chosen == configureWidget) {
        configure(globalPos);
    }
}
