#include "RMdiXYTableModel.h"

#include "AbstractMdi.h"
#include "ChannelSetup.h"
#include "ChannelSetupDialog.h"
#include "Channels.h"
#include "ColorScaleEditor.h"
#include "MyMenu.h"
#include "RMdiXYTable.h"
#include "RunChannel.h"
#include "RunMdi.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"
#include "lib/Unit.h"

#include <QContextMenuEvent>
#include <QDialog>
#include <QDomElement>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QTableView>

#include <cmath>
#include <limits>

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();
} // namespace

RMdiXYTableModel::RMdiXYTableModel(RMdiXYTable* widget)
    : QAbstractTableModel(widget),
      widget(widget),
      lowestMean(Inf),
      highestMean(-Inf),
      colorRangeLow(NaN),
      colorRangeHigh(NaN),
      dwellStart(std::numeric_limits<qint64>::max())
{
    gradient = QCPColorGradient(QCPColorGradient::gpSpectrum);
    gradient.setColorInterpolation(QCPColorGradient::ciHSV);
    configDialog = new QDialog(widget);
    configDialog->setWindowTitle(tr("Widget Configuration"));
    auto* form = new QFormLayout(configDialog);
    form->setLabelAlignment(Qt::AlignRight);
    centerFilter = new QSpinBox(configDialog);
    centerFilter->setRange(0, 95);
    centerFilter->setSuffix(QStringLiteral("%"));
    centerFilter->setToolTip(tr("Sample only if in center of the cell.\n0% - sample always\n95% - sample if 95% in "
                                "center of the cell"));
    transientFilter = new QSpinBox(configDialog);
    transientFilter->setRange(0, 5000);
    transientFilter->setSuffix(QStringLiteral("ms"));
    transientFilter->setToolTip(tr("Sample if this time passed since cursor is in the cell"));
    form->addRow(tr("Center filter"), centerFilter);
    form->addRow(tr("Transient filter"), transientFilter);
}

void RMdiXYTableModel::setLabels(QLabel* column, QLabel* row, QLabel* value, QLabel* info)
{
    labels[XYMapAxis_columns] = column;
    labels[XYMapAxis_rows] = row;
    labels[XYMapAxis_value] = value;
    infoLabel = info;
}

bool RMdiXYTableModel::usableBins(const QList<double>& bins)
{
    if (bins.isEmpty() || bins.size() > maxBinsPerAxis)
        return false;
    for (qsizetype i = 0; i < bins.size(); ++i) {
        if (!std::isfinite(bins.at(i)) || (i > 0 && !(bins.at(i) > bins.at(i - 1))))
            return false;
    }
    return true;
}

void RMdiXYTableModel::setChannel(XYMapAxis axis, RunChannel* channel)
{
    channels[axis] = channel;
    if (labels[axis])
        Tools::setTextColorWithPalette(labels[axis], channel ? QColor(Qt::black) : QColor(Qt::red));
    disconnect(setupConnections[axis]);
    setups[axis] = channel ? channel->setup : nullptr;
    if (setups[axis])
        setupConnections[axis] = connect(setups[axis], &ChannelSetup::signal_setupChanged, this,
                                         &RMdiXYTableModel::slot_rebuildDataContainers);
    slot_rebuildDataContainers();
    emit signal_requestSettingsSave();
}

void RMdiXYTableModel::slot_rebuildDataContainers()
{
    beginResetModel();
    QString messages;
    if (!channels[XYMapAxis_columns])
        messages += tr("Select bottom channel\n");
    if (!channels[XYMapAxis_rows])
        messages += tr("Select left channel\n");
    if (!channels[XYMapAxis_value])
        messages += tr("Select color channel\n");
    for (int a = 0; a < 3; ++a) {
        if (labels[a])
            labels[a]->setText(setups[a] ? setups[a]->getNameWithUnit() : tr("Channel not selected"));
    }
    columnCountData = 0;
    rowCountData = 0;
    sums.clear();
    counts.clear();
    means.clear();
    hasCurrentCell = false;
    currentColumnBin = currentRowBin = -1;
    if (setups[0] && setups[1] && setups[2]) {
        const QList<double>& cb = setups[XYMapAxis_columns]->bins;
        const QList<double>& rb = setups[XYMapAxis_rows]->bins;
        const bool columnsOk = usableBins(cb);
        const bool rowsOk = usableBins(rb);
        if (cb.size() > maxBinsPerAxis || rb.size() > maxBinsPerAxis)
            messages += tr("At most %1 bins per axis\n").arg(maxBinsPerAxis);
        if (!columnsOk)
            messages += tr("Set up x bins\n");
        if (!rowsOk)
            messages += tr("Set up y bins\n");
        if (columnsOk && rowsOk) {
            columnFinder.init(&cb);
            rowFinder.init(&rb);
            columnCountData = qint32(cb.size());
            rowCountData = qint32(rb.size());
            const qsizetype n = qsizetype(columnCountData) * rowCountData;
            sums.fill(0.0, n);
            counts.fill(0, n);
            means.fill(NaN, n);
        }
    }
    lowestMean = Inf;
    highestMean = -Inf;
    if (infoLabel) {
        infoLabel->setText(messages.trimmed());
        infoLabel->setVisible(!messages.isEmpty());
    }
    endResetModel();
    emit headerDataChanged(Qt::Vertical, 0, 1000);
}

void RMdiXYTableModel::slot_clearData()
{
    beginResetModel();
    const qsizetype n = qsizetype(columnCountData) * rowCountData;
    sums.fill(0.0, n);
    counts.fill(0, n);
    means.fill(NaN, n);
    lowestMean = Inf;
    highestMean = -Inf;
    endResetModel();
}

int RMdiXYTableModel::findBin(BinFinder& finder, const QList<double>& bins, double v)
{
    if (v < bins.first() || v > bins.last())
        return -1;
    return finder.findBin(v);
}

void RMdiXYTableModel::addData(double columnValue, double rowValue, double value)
{
    if (!std::isfinite(columnValue) || !std::isfinite(rowValue) || !std::isfinite(value))
        return;
    if (columnCountData <= 0 || rowCountData <= 0 || !setups[0] || !setups[1])
        return;
    if (columnFinder.recheckBins() || rowFinder.recheckBins())
        return;
    const qint64 now = RunMdi::now();
    const QList<double>& cb = setups[XYMapAxis_columns]->bins;
    const QList<double>& rb = setups[XYMapAxis_rows]->bins;
    const int column = findBin(columnFinder, cb, columnValue);
    const int row = findBin(rowFinder, rb, rowValue);
    if (column != currentColumnBin || row != currentRowBin)
        dwellStart = now;
    currentColumnBin = column;
    currentRowBin = row;
    relativeX = column >= 0 ? columnFinder.getBinRelativePosition(columnValue) : 0.0f;
    relativeY = row >= 0 ? rowFinder.getBinRelativePosition(rowValue) : 0.0f;
    hasCurrentCell = true;
    if (column < 0 || row < 0)
        return;
    const float threshold = float(centerFilter->value()) / 100.0f;
    if (!(1.0f - 2.0f * std::fabs(relativeX) >= threshold && 1.0f - 2.0f * std::fabs(relativeY) >= threshold)) {
        dwellStart = now;
        return;
    }
    if (!(now - dwellStart >= transientFilter->value()))
        return;
    const qsizetype i = qsizetype(row) * columnCountData + column;
    counts[i] += 1;
    sums[i] += value;
    const double mean = sums[i] / counts[i];
    means[i] = mean;
    bool extreme = false;
    if (mean < lowestMean) {
        lowestMean = mean;
        extreme = true;
    }
    if (mean > highestMean) {
        highestMean = mean;
        extreme = true;
    }
    const int shownRow = invertY ? rowCountData - 1 - row : row;
    const QModelIndex cell = index(shownRow, column);
    emit dataChanged(cell, cell);
    if (extreme)
        rebuildColorGradient();
}

void RMdiXYTableModel::rebuildColorGradient()
{
    ChannelSetup* vs = setups[XYMapAxis_value];
    if (vs) {
        const QPair<double, double> r = vs->getRangeFromDataRange(lowestMean, highestMean);
        colorRangeLow = r.first;
        colorRangeHigh = r.second;
        if (!vs->colorSteps.isEmpty()) {
            gradient.clearColorStops();
            for (const ColorScaleStep& step : std::as_const(vs->colorSteps)) {
                double pos = step.value;
                if (step.type == ColorScaleStepType_absolute) {
                    const double display = vs->unit ? vs->unit->getUnitValue(step.value) : step.value;
                    pos = (display - colorRangeLow) / (colorRangeHigh - colorRangeLow);
                }
                if (std::isfinite(pos))
                    gradient.setColorStopAt(pos, step.color);
            }
        } else {
            gradient.loadPreset(QCPColorGradient::gpSpectrum);
        }
    }
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole});
}

int RMdiXYTableModel::rowCount(const QModelIndex&) const
{
    return rowCountData > 0 ? rowCountData : 2;
}

int RMdiXYTableModel::columnCount(const QModelIndex&) const
{
    return columnCountData > 0 ? columnCountData : 2;
}

double RMdiXYTableModel::cellMean(int columnBin, int rowBin) const
{
    const qsizetype i = qsizetype(rowBin) * columnCountData + columnBin;
    return (columnBin >= 0 && rowBin >= 0 && columnBin < columnCountData && i < means.size()) ? means.at(i) : NaN;
}

int RMdiXYTableModel::cellCount(int columnBin, int rowBin) const
{
    const qsizetype i = qsizetype(rowBin) * columnCountData + columnBin;
    return (columnBin >= 0 && rowBin >= 0 && columnBin < columnCountData && i < counts.size()) ? counts.at(i) : 0;
}

QVariant RMdiXYTableModel::data(const QModelIndex& idx, int role) const
{
    if (!idx.isValid())
        return QVariant();
    const int row = invertY ? rowCount() - 1 - idx.row() : idx.row();
    const double mean = cellMean(idx.column(), row);
    auto background = [&]() -> QBrush {
        if (std::isfinite(mean) && std::isfinite(colorRangeLow) && std::isfinite(colorRangeHigh)
            && colorRangeLow != colorRangeHigh)
            return QBrush(QColor::fromRgb(gradient.color(mean, QCPRange(colorRangeLow, colorRangeHigh), false)));
        return QBrush(Qt::white);
    };
    switch (role) {
    case Qt::BackgroundRole:
        return background();
    case Qt::ForegroundRole: {
        const QBrush b = background();
        if (b.style() == Qt::NoBrush)
            return QBrush(Qt::black);
        return QBrush(QColor(Tools::getContrastColor(b.color(), 0.6f)));
    }
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (std::isnan(mean))
            return QVariant();
        if (!setups[XYMapAxis_value])
            return QStringLiteral("??");
        return setups[XYMapAxis_value]->getLabelString(mean);
    default:
        return QVariant();
    }
}

QVariant RMdiXYTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal) {
        ChannelSetup* s = setups[XYMapAxis_columns];
        if (!s || section < 0 || section >= s->bins.size())
            return QStringLiteral("??");
        return s->getLabelString(s->bins.at(section));
    }
    ChannelSetup* s = setups[XYMapAxis_rows];
    const int sec = invertY ? rowCount() - 1 - section : section;
    if (!s || sec < 0 || sec >= s->bins.size())
        return QStringLiteral("??");
    return s->getLabelString(s->bins.at(sec));
}

Qt::ItemFlags RMdiXYTableModel::flags(const QModelIndex&) const
{
    return Qt::ItemIsEnabled;
}

void RMdiXYTableModel::parseDomElement(const QDomElement* element)
{
    centerFilter->setValue(element->attribute(QStringLiteral("centerFilter")).toInt());
    transientFilter->setValue(element->attribute(QStringLiteral("transientFilter")).toInt());
    invertY = element->attribute(QStringLiteral("invertY")).toInt() != 0;
    const struct {
        const char* name;
        XYMapAxis axis;
    } items[] = {{"x", XYMapAxis_rows}, {"y", XYMapAxis_columns}, {"c", XYMapAxis_value}};
    for (const auto& item : items) {
        const QDomElement e = element->firstChildElement(QLatin1String(item.name));
        if (!e.isNull())
            setChannel(item.axis, theChannels.getChannelByKey(e.attribute(QStringLiteral("channelKey"))));
    }
    slot_rebuildDataContainers();
}

void RMdiXYTableModel::writeToDomElement(QDomElement* element)
{
    element->setAttribute(QStringLiteral("centerFilter"), centerFilter->value());
    element->setAttribute(QStringLiteral("transientFilter"), transientFilter->value());
    element->setAttribute(QStringLiteral("invertY"), invertY ? 1 : 0);
    QDomDocument doc = element->ownerDocument();
    const struct {
        const char* name;
        XYMapAxis axis;
    } items[] = {{"x", XYMapAxis_rows}, {"y", XYMapAxis_columns}, {"c", XYMapAxis_value}};
    for (const auto& item : items) {
        QDomElement e = doc.createElement(QLatin1String(item.name));
        if (setups[item.axis])
            e.setAttribute(QStringLiteral("channelKey"), setups[item.axis]->key);
        element->appendChild(e);
    }
}

bool RMdiXYTableModel::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        widget->mousePressHandler(watched, static_cast<QMouseEvent*>(event));
        return false;
    case QEvent::MouseButtonRelease:
        widget->mouseReleaseHandler(watched, static_cast<QMouseEvent*>(event));
        return false;
    case QEvent::MouseMove:
        widget->mouseMoveHandler(watched, static_cast<QMouseEvent*>(event));
        return false;
    case QEvent::MouseButtonDblClick:
    case QEvent::FocusIn:
        return true;
    case QEvent::ContextMenu:
        break;
    default:
        return false;
    }
    auto* menuEvent = static_cast<QContextMenuEvent*>(event);
    if (widget->selected) {
        widget->selectedContextMenu(menuEvent->globalPos());
        return true;
    }
    QTableView* view = widget->tableView;
    const QPoint p = view->viewport()->mapFromGlobal(menuEvent->globalPos());
    int axis = -1;
    QString prefix;
    if (p.x() < 0 && p.y() >= 0) {
        axis = XYMapAxis_rows;
        prefix = QStringLiteral("← ");
    } else if (p.y() < 0 && p.x() >= 0) {
        axis = XYMapAxis_columns;
        prefix = QStringLiteral("↑ ");
    } else if (p.x() >= 0 && p.y() >= 0) {
        axis = XYMapAxis_value;
        prefix = QStringLiteral("→ ");
    }
    MyMenu menu(widget);
    QAction *configureChannel = nullptr, *bins = nullptr, *colorScale = nullptr, *invert = nullptr, *choose = nullptr,
            *clear = nullptr;
    if (axis >= 0) {
        if (channels[axis]) {
            configureChannel = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-desktop")),
                                              prefix + tr("Configure channel: ") + setups[axis]->getNameWithUnit());
            if (axis == XYMapAxis_value)
                colorScale = menu.addAction(QIcon::fromTheme(QStringLiteral("applications-graphics")),
                                            prefix + tr("Edit color scale"));
            else
                bins = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-system")), prefix + tr("Setup bins"));
            if (axis == XYMapAxis_rows)
                invert = menu.addAction(QIcon::fromTheme(QStringLiteral("object-flip-vertical")), tr("Invert Y axis"));
        }
        choose = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), prefix + tr("Choose channel"));
        clear = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-clear")), tr("Clear"));
    }
    menu.addSeparator();
    QAction* configure = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-system")), tr("Configure widget"));
    menu.addSeparator();
    menu.addAction(widget->copyAction);
    menu.addSeparator();
    menu.addAction(widget->closeAction);
    QAction* chosen = menu.exec(menuEvent->globalPos());
    if (!chosen)
        return true;
    if (chosen == configureChannel) {
        ChannelSetupDialog dialog(setups[axis], nullptr, false, false);
        DialogAnswerer::exec(&dialog);
        slot_clearData();
    } else if (chosen == bins) {
        setups[axis]->editBins();
        slot_rebuildDataContainers();
    } else if (chosen == colorScale) {
        ColorScaleEditor editor(widget, setups[axis]);
        DialogAnswerer::exec(&editor);
    } else if (chosen == invert) {
        invertY = !invertY;
        slot_rebuildDataContainers();
        emit signal_requestSettingsSave();
    } else if (chosen == choose) {
        bool accepted = false;
        RunChannel* c = widget->pickChannel(tr("Select Item"), &accepted);
        if (accepted)
            setChannel(XYMapAxis(axis), c);
    } else if (chosen == clear) {
        slot_clearData();
    } else if (chosen == configure) {
        configDialog->move(menuEvent->globalPos());
        DialogAnswerer::exec(configDialog);
        slot_clearData();
    }
    return true;
}
