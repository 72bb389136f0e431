#include "PointVectorEditor.h"

#include "Channels.h"
#include "DoubleSpinBoxDelegate.h"
#include "MyMenu.h"
#include "PathSaver.h"
#include "PointVectorEditorAxis.h"
#include "PointVectorModel.h"
#include "PointVectorPlotView.h"
#include "RunChannel.h"
#include "SelectionDialog.h"
#include "lib/DialogAnswerer.h"
#include "lib/PointVectorText.h"
#include "lib/Tools.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QApplication>
#include <QClipboard>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QInputDialog>
#include <QKeyEvent>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Holds the point lock for the editor's own list operations, and tells the
// model so, so that a cell written on the way does not lock again.
class PointsWriteLock
{
public:
    PointsWriteLock(std::mutex& mutex, PointVectorModel* model)
        : locker(mutex)
        , model(model)
    {
        model->ownerHoldsLock = true;
    }
    ~PointsWriteLock() { model->ownerHoldsLock = false; }

private:
    std::lock_guard<std::mutex> locker;
    PointVectorModel* model;
};

} // namespace

PointVectorEditor::PointVectorEditor(QWidget* parent, const QString& xName, const QString& yName)
    : QWidget(parent)
    , trackerX(kNaN)
    , trackerY(kNaN)
{
    reader = new CharacteristicReader;
    reader->init(&points);

    axes[PointVectorField_x] = nullptr;
    axes[PointVectorField_y] = nullptr;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(1);

    model = new PointVectorModel(this, &points);
    model->setCellLock(&pointsMutex);
    selectionModel = new QItemSelectionModel(model, this);
    model->setHeaderData(PointVectorField_x, Qt::Vertical, xName);
    model->setHeaderData(PointVectorField_y, Qt::Vertical, yName);

    axes[PointVectorField_x] = new PointVectorEditorAxis(this, PointVectorField_x);
    axes[PointVectorField_y] = new PointVectorEditorAxis(this, PointVectorField_y);
    for (PointVectorEditorAxis* axis : axes)
        connect(axis, &PointVectorEditorAxis::signal_axisSetupChanged, this, &PointVectorEditor::signal_setupChanged);

    plot = new PointVectorPlotView(this);
    table = new QTableView(this);
    delegate = new DoubleSpinBoxDelegate(this);
    layout->addWidget(plot, 1);
    layout->addWidget(table);

    table->horizontalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    table->setItemDelegate(delegate);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->setModel(model);
    table->setSelectionModel(selectionModel);
    table->setMaximumHeight(table->minimumSizeHint().height() + 8);

    plot->setContextMenuPolicy(Qt::CustomContextMenu);
    plot->setModel(model);
    plot->setSelectionModel(selectionModel);

    connect(plot, &QWidget::customContextMenuRequested, this, &PointVectorEditor::slot_plotContextMenu);
    connect(table, &QWidget::customContextMenuRequested, this, &PointVectorEditor::slot_tableContextMenu);
    connect(selectionModel, &QItemSelectionModel::currentChanged, this, &PointVectorEditor::slot_currentCellChanged);
    table->installEventFilter(this);
    plot->installEventFilter(this);
    // Queued: the list operations announce while they hold the point lock,
    // and listeners of the editor may call getValue.
    connect(model, &QAbstractItemModel::columnsInserted, this, &PointVectorEditor::slot_vectorChangedNotifier,
            Qt::QueuedConnection);
    connect(model, &QAbstractItemModel::columnsRemoved, this, &PointVectorEditor::slot_vectorChangedNotifier,
            Qt::QueuedConnection);
    connect(model, &QAbstractItemModel::dataChanged, this, &PointVectorEditor::slot_vectorChangedNotifier,
            Qt::QueuedConnection);

    trackerTimer = new QTimer(this);
    trackerTimer->setInterval(kTrackerRefreshMs);
    connect(trackerTimer, &QTimer::timeout, this, &PointVectorEditor::takeUpTrackerPosition);

    axes[PointVectorField_x]->slot_setRangeSI(0, kInfinity);
    axes[PointVectorField_y]->slot_setRangeSI(-kInfinity, kInfinity);
    setMinimumSize(400, 300);
}

PointVectorEditor::~PointVectorEditor()
{
    // The views and the model are children, destroyed only after the point
    // list: they must not read it on their way out.
    delete table;
    delete plot;
    model->points = nullptr;
    delete reader;
}

double PointVectorEditor::getValue(double x)
{
    double y;
    bool moveTracker = false;
    {
        std::lock_guard<std::mutex> locker(pointsMutex);
        y = reader->getValue(x);
        if (onScreen.load(std::memory_order_relaxed)) {
            pendingTrackerX = x;
            pendingTrackerY = y;
            moveTracker = true;
        }
    }
    if (moveTracker) {
        if (QThread::currentThread() == thread())
            setTrackerPositionSI(x, y);
        else
            trackerPending.store(true, std::memory_order_release);
    }
    return y;
}

void PointVectorEditor::takeUpTrackerPosition()
{
    if (!trackerPending.exchange(false, std::memory_order_acquire))
        return;
    double x;
    double y;
    {
        std::lock_guard<std::mutex> locker(pointsMutex);
        x = pendingTrackerX;
        y = pendingTrackerY;
    }
    setTrackerPositionSI(x, y);
}

void PointVectorEditor::updateTrackerTimer()
{
    if (trackerEnabled && onScreen.load())
        trackerTimer->start();
    else
        trackerTimer->stop();
}

void PointVectorEditor::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    onScreen.store(true);
    updateTrackerTimer();
}

void PointVectorEditor::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    onScreen.store(false);
    updateTrackerTimer();
}

void PointVectorEditor::enableTracker()
{
    if (trackerEnabled)
        return;
    trackerEnabled = true;
    plot->plotLayout()->setMargins(QMargins(0, 0, 20, 0));
    QCPAxisRect* rect = plot->axisRect();

    trackerLineX = new QCPItemLine(plot);
    trackerLineX->setPen(QPen(Qt::red));
    for (QCPItemPosition* end : {trackerLineX->start, trackerLineX->end}) {
        end->setAxes(plot->xAxis, plot->yAxis);
        end->setAxisRect(rect);
        end->setTypeX(QCPItemPosition::ptPlotCoords);
        end->setTypeY(QCPItemPosition::ptAxisRectRatio);
    }
    trackerLineX->setLayer(QStringLiteral("overlay"));

    trackerLineY = new QCPItemLine(plot);
    trackerLineY->setPen(QPen(Qt::red));
    for (QCPItemPosition* end : {trackerLineY->start, trackerLineY->end}) {
        end->setAxes(plot->xAxis, plot->yAxis);
        end->setAxisRect(rect);
        end->setTypeX(QCPItemPosition::ptAxisRectRatio);
        end->setTypeY(QCPItemPosition::ptPlotCoords);
    }
    trackerLineY->setLayer(QStringLiteral("overlay"));

    for (QCPItemText** text : {&trackerTextX, &trackerTextY}) {
        *text = new QCPItemText(plot);
        (*text)->setClipToAxisRect(false);
        (*text)->setPadding(QMargins(3, 3, 3, 3));
        (*text)->setBrush(QBrush(Qt::white));
        (*text)->setPen(QPen(Qt::red));
        (*text)->setLayer(QStringLiteral("overlay"));
    }
    trackerTextX->setPositionAlignment(Qt::AlignTop | Qt::AlignHCenter);
    trackerTextX->position->setParentAnchor(trackerLineX->end);
    trackerTextY->setPositionAlignment(Qt::AlignRight | Qt::AlignVCenter);
    trackerTextY->position->setParentAnchor(trackerLineY->start);

    setTrackerPositionSI(0, 0);
    updateTrackerTimer();
}

void PointVectorEditor::setTrackerPositionSI(double xSI, double ySI)
{
    if (!trackerEnabled)
        return;
    PointVectorEditorAxis* xAxis = axes[PointVectorField_x];
    PointVectorEditorAxis* yAxis = axes[PointVectorField_y];
    trackerX = xAxis->unit->getUnitValue(xSI);
    trackerY = yAxis->unit->getUnitValue(ySI);
    trackerTextX->setText(Tools::stringFromDouble(trackerX, xAxis->decimals));
    const QCPRange xRange = plot->xAxis->range();
    const double x = std::clamp(trackerX, xRange.lower, xRange.upper);
    // The text keeps the value; the line stays inside the plot.
    trackerLineX->start->setCoords(x, 0);
    trackerLineX->end->setCoords(x, 1);
    trackerTextY->setText(Tools::stringFromDouble(trackerY, yAxis->decimals));
    trackerLineY->start->setCoords(0, trackerY);
    trackerLineY->end->setCoords(1, trackerY);
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void PointVectorEditor::slot_setVector(const QList<QPointF>& vector)
{
    // Qt's fuzzy point equality: a list that comes back from a mirror ends the echo.
    if (vector == points)
        return;
    PointsWriteLock locker(pointsMutex, model);
    if (!points.isEmpty())
        model->removeColumns(0, int(points.size()));
    if (!vector.isEmpty())
        model->insertColumns(0, int(vector.size()));
    for (int i = 0; i < vector.size(); ++i)
        points[i] = vector.at(i);
    model->announceAllCellsChanged();
}

void PointVectorEditor::slot_vectorChangedNotifier()
{
    Q_EMIT signal_vectorChanged(points);
}

bool PointVectorEditor::editing() const
{
    return delegate->editorOpen;
}

void PointVectorEditor::action_insertCurrentPoint()
{
    if (editing() || !std::isfinite(trackerX) || !std::isfinite(trackerY))
        return;
    int column = 0;
    {
        PointsWriteLock locker(pointsMutex, model);
        const int n = int(points.size());
        column = n;
        for (int i = 0; i < n; ++i) {
            if (!(model->data(model->index(PointVectorField_x, i), Qt::EditRole).toDouble() < trackerX)) {
                column = i;
                break;
            }
        }
        model->insertColumns(column, 1);
        model->setData(model->index(PointVectorField_y, column), trackerY, Qt::EditRole);
        model->setData(model->index(PointVectorField_x, column), trackerX, Qt::EditRole);
    }
    const QModelIndex index = model->index(PointVectorField_y, column);
    selectionModel->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

void PointVectorEditor::action_insertPoint(bool after)
{
    if (editing())
        return;
    const int current = selectionModel->currentIndex().isValid() ? selectionModel->currentIndex().column() : -1;
    PointsWriteLock locker(pointsMutex, model);
    model->insertColumns(after ? current + 1 : current, 1);
}

void PointVectorEditor::action_deletePoints()
{
    if (editing())
        return;
    std::set<int, std::greater<int>> columns;
    for (const QItemSelectionRange& range : selectionModel->selection()) {
        for (int column = range.left(); column <= range.right(); ++column)
            columns.insert(column);
    }
    PointsWriteLock locker(pointsMutex, model);
    for (int column : columns) {
        if (column >= 0 && column < points.size())
            model->removeColumns(column, 1);
    }
}

void PointVectorEditor::action_editCurrent()
{
    if (editing())
        return;
    table->edit(selectionModel->currentIndex());
}

void PointVectorEditor::slot_currentCellChanged(const QModelIndex& current, const QModelIndex& previous)
{
    Q_UNUSED(previous);
    if (!current.isValid())
        return;
    if (current.row() == PointVectorField_y) {
        const PointVectorEditorAxis* axis = axes[PointVectorField_y];
        delegate->setRange(axis->getRangeMinTranslated(), axis->getRangeMaxTranslated());
        return;
    }
    // An x stays between its neighbours, so the points stay in order.
    const PointVectorEditorAxis* axis = axes[PointVectorField_x];
    const int column = current.column();
    const int n = model->columnCount();
    auto xAt = [this](int c) { return model->data(model->index(PointVectorField_x, c), Qt::EditRole).toDouble(); };
    const double low = column > 0 ? xAt(column - 1) : axis->getRangeMinTranslated();
    const double high = column < n - 1 ? xAt(column + 1) : axis->getRangeMaxTranslated();
    delegate->setRange(low, high);
}

bool PointVectorEditor::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == table || watched == plot) && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_C:
            action_insertCurrentPoint();
            return true;
        case Qt::Key_I:
            action_insertPoint(false);
            return true;
        case Qt::Key_O:
            action_insertPoint(true);
            return true;
        case Qt::Key_Return:
            action_editCurrent();
            return true;
        case Qt::Key_Delete:
            action_deletePoints();
            return true;
        default:
            return false;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PointVectorEditor::slot_tableContextMenu(const QPoint& pos)
{
    MyMenu menu(this);
    QAction* insertCurrent = nullptr;
    if (std::isfinite(trackerX) && std::isfinite(trackerY))
        insertCurrent = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("Insert current point -  C"));
    QAction* before = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("Insert point before  -  I"));
    QAction* after = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("Insert point after   -  O"));
    QAction* remove =
        menu.addAction(QIcon::fromTheme(QStringLiteral("list-remove")), tr("Delete points        -  DEL"));
    QAction* picked = menu.exec(table->viewport()->mapToGlobal(pos));
    if (!picked)
        return;
    if (picked == insertCurrent)
        action_insertCurrentPoint();
    else if (picked == before)
        action_insertPoint(false);
    else if (picked == after)
        action_insertPoint(true);
    else if (picked == remove)
        action_deletePoints();
}

void PointVectorEditor::slot_plotContextMenu(const QPoint& pos)
{
    // The axis whose edge the click is nearer to; ties go to y.
    PointVectorEditorAxis* axis =
        plot->height() - pos.y() < pos.x() ? axes[PointVectorField_x] : axes[PointVectorField_y];
    MyMenu menu(this);
    QAction* selectChannel = xChannelSelectable ? menu.addAction(tr("Select X channel")) : nullptr;
    QList<QAction*> unitEntries;
    const QList<QString> unitNames = theUnits.listUnitNames(axis->quantity);
    if (!unitNames.isEmpty()) {
        QMenu* units = menu.addSubMenu(tr("Select unit for") + QStringLiteral(" \"") + axis->label
                                       + QStringLiteral("\""));
        for (const QString& name : unitNames)
            unitEntries.append(units->addAction(name));
    }
    QAction* decimals = menu.addAction(tr("Set decimal count"));
    QAction* saveCsv = menu.addAction(QIcon::fromTheme(QStringLiteral("document-save")), tr("Save to CSV file"));
    QAction* loadCsv = menu.addAction(QIcon::fromTheme(QStringLiteral("document-open")), tr("Load from CSV file"));
    QAction* saveClipboard = menu.addAction(tr("Save to clipboard"));
    QAction* loadClipboard = menu.addAction(tr("Load from clipboard"));

    QAction* picked = menu.exec(plot->mapToGlobal(pos));
    if (!picked)
        return;
    if (picked == selectChannel) {
        SelectionDialog dialog(this, tr("Select Item"));
        dialog.setContent(theChannels.listChannelsForMdi());
        if (DialogAnswerer::exec(&dialog) == QDialog::Accepted)
            axes[PointVectorField_x]->setChannel(qobject_cast<RunChannel*>(dialog.getSelectedChannel()));
    } else if (unitEntries.contains(picked)) {
        axis->slot_setUnit(theUnits.getUnitByQuantityAndName(axis->quantity, picked->text()));
    } else if (picked == decimals) {
        askDecimals(axis);
    } else if (picked == saveCsv) {
        saveCsvFile();
    } else if (picked == loadCsv) {
        loadCsvFile();
    } else if (picked == saveClipboard) {
        saveToClipboard();
    } else if (picked == loadClipboard) {
        loadFromClipboard();
    }
}

void PointVectorEditor::askDecimals(PointVectorEditorAxis* axis)
{
    QInputDialog dialog(this);
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setWindowTitle(tr("Set decimal count"));
    dialog.setLabelText(tr("Decimals"));
    dialog.setIntRange(-1, PointVectorEditorAxis::kMaxDecimals);
    dialog.setIntStep(1);
    dialog.setIntValue(axis->decimals);
    if (DialogAnswerer::exec(&dialog) == QDialog::Accepted)
        axis->slot_setDecimals(dialog.intValue());
}

bool PointVectorEditor::loadText(const QString& text)
{
    const QList<QPointF> read = PointVectorText::fromText(text);
    if (read.isEmpty()) {
        // A header line or an empty clipboard would otherwise wipe the curve.
        Tools::showError(tr("No characteristic points found; the characteristic is unchanged"));
        return false;
    }
    slot_setVector(read);
    return true;
}

void PointVectorEditor::saveCsvFile()
{
    const QString name = thePathSaver.getSaveFileName(Path::savePointVectorCsv, tr("Save CSV characteristic"),
                                                      axes[PointVectorField_y]->label + QStringLiteral(".csv"));
    if (name.isEmpty())
        return;
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        Tools::showError(tr("Can't open file for writing"));
        return;
    }
    file.write(PointVectorText::toText(points).toUtf8());
    file.close();
}

void PointVectorEditor::loadCsvFile()
{
    const QString name = thePathSaver.getOpenFileName(Path::openPointVectorCsv, tr("Load CSV characteristic"));
    if (name.isEmpty())
        return;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        Tools::showError(tr("Can't open file for reading"));
        return;
    }
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    loadText(text);
}

void PointVectorEditor::saveToClipboard()
{
    QApplication::clipboard()->setText(PointVectorText::toText(points), QClipboard::Clipboard);
}

void PointVectorEditor::loadFromClipboard()
{
    loadText(QApplication::clipboard()->text(QClipboard::Clipboard));
}

void PointVectorEditor::writeSetupToDomElement(QDomElement* element)
{
    QDomDocument document = element->ownerDocument();
    for (int i = 0; i < 2; ++i) {
        QDomElement child = document.createElement(QStringLiteral("axis_%1").arg(i));
        axes[i]->writeSetupToDomElement(&child);
        element->appendChild(child);
    }
    element->setAttribute(QStringLiteral("vector"), PointVectorText::toText(points));
}

void PointVectorEditor::parseDomElement(QDomElement* element)
{
    for (int i = 0; i < 2; ++i) {
        QDomElement child = element->firstChildElement(QStringLiteral("axis_%1").arg(i));
        if (!child.isNull())
            axes[i]->parseDomElement(&child);
    }
    slot_setVector(PointVectorText::fromText(element->attribute(QStringLiteral("vector"))));
}

void PointVectorEditor::clonePointVectorEditor(PointVectorEditor* source, PointVectorEditor* mirror)
{
    connect(source, &PointVectorEditor::signal_vectorChanged, mirror, &PointVectorEditor::slot_setVector);
    connect(mirror, &PointVectorEditor::signal_vectorChanged, source, &PointVectorEditor::slot_setVector);
    {
        const QSignalBlocker blocker(mirror);
        mirror->slot_setVector(source->points);
    }
    Q_EMIT mirror->signal_vectorChanged(mirror->points);
}
