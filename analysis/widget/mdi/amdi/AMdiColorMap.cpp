#include "AMdiColorMap.h"

#include "AnalyzeWidget.h"
#include "ChannelSetup.h"
#include "ColorMapTrackingLine.h"
#include "ColorScaleEditor.h"
#include "ComparePlotAxis.h"
#include "DialogAnswerer.h"
#include "Fonts.h"
#include "LoadedRunListField.h"
#include "LoadedRunListModel.h"
#include "MyMenu.h"
#include "MySettings.h"
#include "PathSaver.h"
#include "RunData.h"
#include "SelectionDialog.h"
#include "VectorChannel.h"
#include "lib/Unit.h"

#include <QDomDocument>
#include <QDomElement>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRubberBand>
#include <qcustomplot.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Element names of the three axes in the setup. Older desktops named them in
// the interface language of the moment; those are still read.
const char* const kAxisElements[3] = {"left", "bottom", "color"};

} // namespace

AMdiColorMap::AMdiColorMap(AbstractMdi* desktop)
    : AbstractAMdiWidget(desktop)
{
    leftAxis = new ComparePlotAxis(this);
    bottomAxis = new ComparePlotAxis(this);
    colorAxis = new ComparePlotAxis(this);
    setMinimumSize(300, 200);
}

AMdiColorMap::~AMdiColorMap() = default;

void AMdiColorMap::init(LoadedRunListModel* runs, QItemSelectionModel* selection)
{
    runList = runs;
    if (runList)
        connect(runList, &QAbstractItemModel::dataChanged, this, &AMdiColorMap::slot_dataChanged);
    runSelection = selection;
    if (runSelection)
        connect(runSelection, &QItemSelectionModel::selectionChanged, this, &AMdiColorMap::slot_selectionChanged);

    QFont base = theFonts.normalFont;
    messageLabel = new QLabel(contentFrame);
    messageLabel->setFont(base);
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->hide();
    contentLayout->addWidget(messageLabel, 0);
    plot = new QCustomPlot(contentFrame);
    contentLayout->addWidget(plot, 1);

    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot->axisRect()->setupFullAxesBox(true);
    colorMap = new QCPColorMap(plot->xAxis, plot->yAxis);
    colorMap->setInterpolate(false);
    colorMap->data()->fillAlpha(0);
    colorScale = new QCPColorScale(plot);
    plot->plotLayout()->addElement(0, 1, colorScale);
    colorScale->setType(QCPAxis::atRight);
    colorMap->setColorScale(colorScale);
    colorMap->setGradient(QCPColorGradient::gpSpectrum);
    connect(colorScale->axis(), qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            &AMdiColorMap::slot_cRangeChanged);
    auto* margins = new QCPMarginGroup(plot);
    plot->axisRect()->setMarginGroup(QCP::msTop | QCP::msBottom, margins);
    colorScale->setMarginGroup(QCP::msTop | QCP::msBottom, margins);

    setContextMenuPolicy(Qt::CustomContextMenu);
    plot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &AMdiColorMap::slot_showContextMenu);
    connect(plot, &QWidget::customContextMenuRequested, this, &AMdiColorMap::slot_showContextMenu);

    for (QCPAxis* axis : {plot->xAxis, plot->yAxis, colorScale->axis()}) {
        axis->setLabelFont(base);
        axis->setTickLabelFont(base);
        axis->setLabelPadding(2);
        axis->setSubTicks(false);
    }

    rubberBand = new QRubberBand(QRubberBand::Rectangle, plot);
    rubberBand->hide();
    trackingLine = new ColorMapTrackingLine(this);
    if (runList)
        connect(runList, &LoadedRunListModel::signal_trackingLineSync, trackingLine,
                &ColorMapTrackingLine::slot_syncTrackingLines);

    connect(plot, &QCustomPlot::mousePress, this, &AMdiColorMap::slot_mousePress);
    connect(plot, &QCustomPlot::mouseMove, this, &AMdiColorMap::slot_mouseMove);
    connect(plot, &QCustomPlot::mouseRelease, this, &AMdiColorMap::slot_mouseRelease);

    const struct {
        ComparePlotAxis* axis;
        QCPAxis* qcp;
        QString name;
        QString arrow;
    } axes[] = {{leftAxis, plot->yAxis, tr("left"), QStringLiteral("←  ")},
                {bottomAxis, plot->xAxis, tr("bottom"), QStringLiteral("↓  ")},
                {colorAxis, colorScale->axis(), tr("color"), QStringLiteral("→  ")}};
    for (const auto& entry : axes) {
        entry.axis->setAndConnectQcpAxis(entry.qcp);
        entry.axis->axisDisplayName = entry.name;
        entry.axis->axisArrow = entry.arrow;
        entry.axis->init(plot);
        connect(entry.axis, &ComparePlotAxis::signal_requestSettingsSave, this, &AMdiColorMap::signal_requestSetupSave);
        connect(entry.axis, &ComparePlotAxis::signal_channelSetupChanged, this, &AMdiColorMap::slot_queueRecalculation);
    }
    slot_updateValueFontSize();
    slot_queueRecalculation();
}

QStringList AMdiColorMap::listChannelKeys()
{
    QStringList keys{leftAxis->getChannelKey(), bottomAxis->getChannelKey(), colorAxis->getChannelKey()};
    keys.removeAll(QString());
    keys.removeDuplicates();
    return keys;
}

void AMdiColorMap::parseDomElementChild(const QDomElement* setup)
{
    ComparePlotAxis* axes[3] = {leftAxis, bottomAxis, colorAxis};
    for (int i = 0; i < 3; ++i) {
        QDomElement child = setup->firstChildElement(QString::fromLatin1(kAxisElements[i]));
        if (child.isNull() && !axes[i]->axisDisplayName.isEmpty())
            child = setup->firstChildElement(axes[i]->axisDisplayName);
        if (!child.isNull())
            axes[i]->parseDomElement(&child);
    }
    slot_queueRecalculation();
}

void AMdiColorMap::writeToDomElementChild(QDomElement* setup)
{
    QDomDocument document = setup->ownerDocument();
    const ComparePlotAxis* axes[3] = {leftAxis, bottomAxis, colorAxis};
    for (int i = 0; i < 3; ++i) {
        QDomElement child = document.createElement(QString::fromLatin1(kAxisElements[i]));
        axes[i]->writeToDomElement(&child);
        setup->appendChild(child);
    }
}

QList<int> AMdiColorMap::selectedRows() const
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

void AMdiColorMap::recalculate()
{
    if (!plot)
        return;
    const int nx = std::clamp<int>(bottomAxis->binCount, 1, ComparePlotAxis::kMaxBinCount);
    const int ny = std::clamp<int>(leftAxis->binCount, 1, ComparePlotAxis::kMaxBinCount);
    QCPColorMapData* data = colorMap->data();
    data->clear();
    data->setSize(nx, ny);
    data->fillAlpha(0);
    for (ComparePlotAxis* axis : {leftAxis, bottomAxis, colorAxis})
        axis->setColor_placeholder();

    const QList<int> rows = selectedRows();
    QString message;
    if (!bottomAxis->channelSetup)
        message += tr("Select bottom channel\n");
    if (!leftAxis->channelSetup)
        message += tr("Select left channel\n");
    if (!colorAxis->channelSetup)
        message += tr("Select color channel\n");
    if (rows.isEmpty())
        message += tr("Select a run in the table above\n");
    messageLabel->setText(message.trimmed());
    messageLabel->setVisible(!message.isEmpty());

    if (bottomAxis->channelSetup && leftAxis->channelSetup && colorAxis->channelSetup) {
        struct Source {
            const QList<double>* x;
            const QList<double>* y;
            const QList<double>* c;
            int first;
            int last;
        };
        std::vector<Source> sources;
        double xmin = kInf, xmax = -kInf, ymin = kInf, ymax = -kInf;
        for (int row : rows) {
            RunData* run = runList->runAt(row);
            if (!run)
                continue;
            VectorChannel* bx = run->getChannelByAnalyzeKey(bottomAxis->getChannelKey());
            VectorChannel* ly = run->getChannelByAnalyzeKey(leftAxis->getChannelKey());
            VectorChannel* cc = run->getChannelByAnalyzeKey(colorAxis->getChannelKey());
            if (bx)
                bottomAxis->setColor_found();
            if (ly)
                leftAxis->setColor_found();
            if (cc)
                colorAxis->setColor_found();
            if (!bx || !ly)
                continue;
            const QList<double>& xs = *bx->getTranslatedData();
            const QList<double>& ys = *ly->getTranslatedData();
            const auto [first, selectionLast] = run->getSelectionIndexes();
            // Vectors may end before the run's time vector: read only what they hold.
            const int last = std::min<qsizetype>(selectionLast, std::min(xs.size(), ys.size()) - 1);
            for (int s = std::max(first, 0); s <= last; ++s) {
                const double x = xs.at(s);
                const double y = ys.at(s);
                if (!std::isnan(x)) {
                    xmin = std::min(xmin, x);
                    xmax = std::max(xmax, x);
                }
                if (!std::isnan(y)) {
                    ymin = std::min(ymin, y);
                    ymax = std::max(ymax, y);
                }
            }
            if (cc)
                sources.push_back({&xs, &ys, cc->getTranslatedData(), std::max(first, 0), last});
        }
        const auto [xlo, xhi] = bottomAxis->channelSetup->getRangeFromDataRange(xmin, xmax);
        const auto [ylo, yhi] = leftAxis->channelSetup->getRangeFromDataRange(ymin, ymax);
        const double sx = xhi - xlo;
        const double sy = yhi - ylo;
        if (sx > 0 && sy > 0 && std::isfinite(sx) && std::isfinite(sy)) {
            std::vector<qint64> counts(size_t(nx) * size_t(ny), 0);
            std::vector<double> sums(size_t(nx) * size_t(ny), 0.0);
            for (const Source& source : sources) {
                const QList<double>& xs = *source.x;
                const QList<double>& ys = *source.y;
                const QList<double>& cs = *source.c;
                const int last = std::min<qsizetype>(source.last, cs.size() - 1);
                for (int s = source.first; s <= last; ++s) {
                    const double x = xs.at(s);
                    const double y = ys.at(s);
                    const double c = cs.at(s);
                    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(c))
                        continue;
                    const double u = (x - xlo) / sx;
                    const double v = (y - ylo) / sy;
                    if (u < 0 || u > 1 || v < 0 || v > 1)
                        continue;
                    const int i = std::min(nx - 1, int(std::floor(nx * u)));
                    const int j = std::min(ny - 1, int(std::floor(ny * v)));
                    const size_t cell = size_t(j) * size_t(nx) + size_t(i);
                    ++counts[cell];
                    sums[cell] += c;
                }
            }
            const double wx = sx / nx;
            const double wy = sy / ny;
            data->setRange(QCPRange(xlo + wx / 2, xhi - wx / 2), QCPRange(ylo + wy / 2, yhi - wy / 2));
            double cmin = kInf;
            double cmax = -kInf;
            for (int j = 0; j < ny; ++j) {
                for (int i = 0; i < nx; ++i) {
                    const size_t cell = size_t(j) * size_t(nx) + size_t(i);
                    if (counts[cell] > 0) {
                        const double mean = sums[cell] / double(counts[cell]);
                        data->setCell(i, j, mean);
                        data->setAlpha(i, j, 255);
                        cmin = std::min(cmin, mean);
                        cmax = std::max(cmax, mean);
                    } else {
                        data->setCell(i, j, kNaN);
                        data->setAlpha(i, j, 0);
                    }
                }
            }
            leftRange[0] = ylo;
            leftRange[1] = yhi;
            bottomRange[0] = xlo;
            bottomRange[1] = xhi;
            const auto [clo, chi] = colorAxis->channelSetup->getRangeFromDataRange(cmin, cmax);
            colorRange[0] = clo;
            colorRange[1] = chi;
        }
    }
    updateRangesAndReplot();
}

void AMdiColorMap::updateRangesAndReplot()
{
    if (!plot)
        return;
    bottomAxis->setConfiguredRange(bottomRange[0], bottomRange[1], false);
    leftAxis->setConfiguredRange(leftRange[0], leftRange[1], false);
    colorAxis->setConfiguredRange(colorRange[0], colorRange[1], false);
    slot_cRangeChanged(colorScale->axis()->range());
    plot->replot(QCustomPlot::rpQueuedReplot);
}

QList<std::pair<double, QColor>> AMdiColorMap::gradientStops(const QList<ColorScaleStep>& steps,
                                                            const ChannelSetup* setup, double lower, double upper)
{
    QList<std::pair<double, QColor>> stops;
    for (const ColorScaleStep& step : steps) {
        double position = step.value;
        if (step.type == ColorScaleStepType_absolute) {
            const double display = setup && setup->unit ? setup->unit->getUnitValue(step.value) : step.value;
            position = (display - lower) / (upper - lower);
        }
        if (std::isfinite(position))
            stops.append({position, step.color});
    }
    return stops;
}

void AMdiColorMap::slot_cRangeChanged(const QCPRange& range)
{
    const ChannelSetup* setup = colorAxis ? colorAxis->channelSetup : nullptr;
    if (!setup || !colorMap)
        return;
    if (setup->colorSteps.isEmpty()) {
        colorMap->setGradient(QCPColorGradient::gpSpectrum);
        return;
    }
    QCPColorGradient gradient;
    gradient.clearColorStops();
    // Stops beyond the bar's ends still shape the colours between them.
    for (const auto& [position, color] : gradientStops(setup->colorSteps, setup, range.lower, range.upper))
        gradient.setColorStopAt(position, color);
    gradient.setColorInterpolation(QCPColorGradient::ciHSV);
    colorMap->setGradient(gradient);
}

QString AMdiColorMap::getValueLabel(QCPAxis* axis, double value) const
{
    const ChannelSetup* setup = nullptr;
    if (plot && axis == plot->yAxis)
        setup = leftAxis->channelSetup;
    else if (plot && axis == plot->xAxis)
        setup = bottomAxis->channelSetup;
    else if (colorScale && axis == colorScale->axis())
        setup = colorAxis->channelSetup;
    if (setup)
        return setup->getLabelString(value);
    if (!axis)
        return QString::number(value);
    const QString format = axis->numberFormat();
    return QLocale::c().toString(value, format.isEmpty() ? 'g' : format.at(0).toLatin1(), axis->numberPrecision());
}

double AMdiColorMap::getCValue(double key, double value) const
{
    return colorMap ? colorMap->data()->data(key, value) : 0.0;
}

void AMdiColorMap::zoom(double factor)
{
    for (QCPAxis* axis : {plot->xAxis, plot->yAxis}) {
        const QCPRange range = axis->range();
        axis->setRange(range.center(), range.size() / factor, Qt::AlignCenter);
    }
    plot->replot(QCustomPlot::rpRefreshHint);
}

void AMdiColorMap::keyPressEvent(QKeyEvent* event)
{
    if (!plot) {
        AbstractAMdiWidget::keyPressEvent(event);
        return;
    }
    auto move = [](QCPAxis* axis, double share) { axis->moveRange(axis->range().size() * share); };
    switch (event->key()) {
    case Qt::Key_Plus: zoom(2); return;
    case Qt::Key_Minus: zoom(0.5); return;
    case Qt::Key_Left: move(plot->xAxis, -0.1); move(plot->xAxis2, -0.1); break;
    case Qt::Key_Right: move(plot->xAxis, 0.1); move(plot->xAxis2, 0.1); break;
    case Qt::Key_Up: move(plot->yAxis, 0.1); move(plot->yAxis2, 0.1); break;
    case Qt::Key_Down: move(plot->yAxis, -0.1); move(plot->yAxis2, -0.1); break;
    default: AbstractAMdiWidget::keyPressEvent(event); return;
    }
    plot->replot(QCustomPlot::rpRefreshHint);
}

void AMdiColorMap::rectangleZoom(const QRect& rect)
{
    plot->yAxis->setRange(plot->yAxis->pixelToCoord(rect.bottom()), plot->yAxis->pixelToCoord(rect.top()));
    plot->xAxis->setRange(plot->xAxis->pixelToCoord(rect.left()), plot->xAxis->pixelToCoord(rect.right()));
    plot->replot(QCustomPlot::rpRefreshHint);
}

ComparePlotAxis* AMdiColorMap::getNearestAxis(const QPoint& point)
{
    const int w = width();
    const int h = height();
    if (w - point.x() < h - point.y() && w - point.x() < point.x())
        return colorAxis;
    if (h - point.y() < point.x())
        return bottomAxis;
    return leftAxis;
}

bool AMdiColorMap::passMouseEventCheck(QMouseEvent* event)
{
    return !plot->axisRect()->rect().contains(event->position().toPoint())
           || (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
}

void AMdiColorMap::slot_mousePress(QMouseEvent* event)
{
    desktopPress = passMouseEventCheck(event);
    if (desktopPress) {
        mousePressHandler(plot, event);
    } else if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        pressX = p.x();
        pressY = p.y();
        rubberBand->setGeometry(QRect(p, QSize()));
        rubberBand->show();
    }
    if (event->button() == Qt::RightButton)
        rubberBand->hide();
}

void AMdiColorMap::slot_mouseMove(QMouseEvent* event)
{
    if (desktopPress) {
        mouseMoveHandler(plot, event);
    } else if (event->buttons() & Qt::LeftButton) {
        rubberBand->setGeometry(QRect(QPoint(pressX, pressY), event->position().toPoint()).normalized());
    }
}

void AMdiColorMap::slot_mouseRelease(QMouseEvent* event)
{
    if (desktopPress) {
        mouseReleaseHandler(plot, event);
    } else if (event->button() == Qt::LeftButton) {
        const QRect r = rubberBand->geometry();
        if (rubberBand->isVisible() && r.right() - r.left() > 1 && r.bottom() - r.top() > 1)
            rectangleZoom(r);
    }
    desktopPress = false;
    rubberBand->hide();
}

void AMdiColorMap::slot_selectionChanged()
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
    slot_queueRecalculation();
}

void AMdiColorMap::slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    if (!topLeft.isValid() || !bottomRight.isValid() || roles.contains(Qt::BackgroundRole))
        return;
    if (bottomRight.column() > 25 && topLeft.column() < 27)
        slot_queueRecalculation();
}

void AMdiColorMap::slot_updateValueFontSize()
{
    if (!plot)
        return;
    const int size = theSettings
                         .value(QStringLiteral("UserSetting/spinBox_analyzeGraphValueFontSize"),
                                theFonts.normalFont.pointSize())
                         .toInt();
    for (QCPAxis* axis : {plot->xAxis, plot->yAxis, colorScale->axis()}) {
        QFont font = axis->tickLabelFont();
        font.setPointSize(std::clamp(size, 6, 40));
        axis->setTickLabelFont(font);
    }
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiColorMap::slot_showContextMenu(const QPoint& pos)
{
    QWidget* origin = qobject_cast<QWidget*>(sender());
    if (!origin)
        origin = this;
    const QPoint globalPos = origin->mapToGlobal(pos);
    if (selected) {
        selectedContextMenu(globalPos);
        return;
    }
    ComparePlotAxis* axis = getNearestAxis(mapFromGlobal(globalPos));
    const QString arrow = axis->axisArrow;
    MyMenu menu(this);
    QAction* configure = nullptr;
    QAction* tick = nullptr;
    QAction* bins = nullptr;
    QAction* scale = nullptr;
    QAction* grid = nullptr;
    if (axis->channelSetup)
        configure = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-desktop")),
                                   arrow + tr("Configure channel: ") + axis->channelSetup->getNameWithUnit());
    QAction* choose = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), arrow + tr("Choose channel"));
    if (axis->channelSetup) {
        tick = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-system")), arrow + tr("Set tick count hint"));
        if (axis == colorAxis) {
            scale = menu.addAction(QIcon::fromTheme(QStringLiteral("applications-graphics")),
                                   arrow + tr("Edit color scale"));
        } else {
            bins = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-system")), arrow + tr("Set bin count"));
            grid = menu.addAction(arrow + (axis->gridEnabled ? tr("Hide grid") : tr("Show grid")));
        }
    }
    QList<QAction*> quick;
    if (axis == bottomAxis) {
        QMenu* sub = menu.addSubMenu(tr("Quick choose channel"));
        sub->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
        sub->setFont(menu.font());
        quick = {sub->addAction(tr("Engine speed")), sub->addAction(tr("Road speed")), sub->addAction(tr("Time"))};
    }
    menu.addSeparator();
    QAction* saveImage = menu.addAction(QIcon::fromTheme(QStringLiteral("image-x-generic")), tr("Save as image"));
    menu.addSeparator();
    QAction* rescale = menu.addAction(QIcon::fromTheme(QStringLiteral("zoom-fit-best")), tr("Rescale"));
    menu.addSeparator();
    addPrintIdChangeAction(&menu);
    if (copyAction)
        menu.addAction(copyAction);
    menu.addSeparator();
    if (closeAction)
        menu.addAction(closeAction);

    QAction* chosen = DialogAnswerer::execMenu(&menu, globalPos);
    if (!chosen)
        return;
    if (chosen == configure) {
        axis->setupChannel();
    } else if (chosen == choose) {
        SelectionDialog dialog(this, tr("Select Item"));
        dialog.setContent(runList ? runList->listAvailableChannelSetups() : QList<ChannelSetup*>());
        if (DialogAnswerer::exec(&dialog) == QDialog::Accepted && dialog.getSelectedSetup()) {
            axis->setChannelSetup(dialog.getSelectedSetup());
            slot_queueRecalculation();
        }
    } else if (chosen == tick) {
        axis->showTickCountDialog();
        updateRangesAndReplot();
    } else if (chosen == bins) {
        axis->setBinCount();
        slot_queueRecalculation();
    } else if (chosen == scale) {
        ColorScaleEditor editor(this, axis->channelSetup);
    } else if (chosen == grid) {
        axis->toggleGrid();
        plot->replot(QCustomPlot::rpQueuedReplot);
    } else if (quick.contains(chosen)) {
        bottomAxis->setChannelSetup(
            AnalyzeWidget::getChannelFromQuickSelect(MainGraphMasterChannel(quick.indexOf(chosen))));
        slot_queueRecalculation();
    } else if (chosen == saveImage) {
        RunData* first = runList && runList->rowCount() > 0 ? runList->runAt(0) : nullptr;
        thePathSaver.saveWidgetAsImage(this, first ? first->getExportFileString() : QStringLiteral("color map"));
    } else if (chosen == rescale) {
        updateRangesAndReplot();
    }
}
