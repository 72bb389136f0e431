#include "AbstractMdiWidget.h"

#include "AbstractMdi.h"
#include "MdiWidgetSelectionIndicator.h"
#include "MyMenu.h"
#include "SafeSpinBox.h"
#include "lib/Tools.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDomDocument>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QRubberBand>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

namespace {

bool shiftOrCtrl(const QMouseEvent* event)
{
    return event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
}

} // namespace

AbstractMdiWidget::AbstractMdiWidget(AbstractMdi* desktop)
    : QDialog(desktop), desktop(desktop)
{
    copyAction = new QAction(QIcon::fromTheme(QStringLiteral("edit-copy")), tr("Copy widget"));
    closeAction = new QAction(QIcon::fromTheme(QStringLiteral("window-close")), tr("Close widget"));
    copyAction->setParent(this);
    closeAction->setParent(this);
    connect(copyAction, &QAction::triggered, this, &AbstractMdiWidget::slot_copyWidgetToClipboard);
    connect(closeAction, &QAction::triggered, this, &AbstractMdiWidget::slot_closeMdiWidget);
    setMouseTracking(true);
    installEventFilter(this);
    // After the widget type has built its children, so that it lies above them.
    QTimer::singleShot(10, this, [this] { new MdiWidgetSelectionIndicator(this, &selected); });
}

bool AbstractMdiWidget::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return mousePressHandler(watched, static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
        return mouseReleaseHandler(watched, static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove:
        return mouseMoveHandler(watched, static_cast<QMouseEvent*>(event));
    default:
        return false;
    }
}

bool AbstractMdiWidget::mouseMoveHandler(QObject*, QMouseEvent* event)
{
    bool result = false;
    if (shiftOrCtrl(event)) {
        desktop->mouseMoveEvent(event);
        result = true;
    }
    const QPoint global = event->globalPosition().toPoint();
    if (dragging) {
        if (selected)
            emit signal_dragMove(global);
        else
            dragMove(global);
    } else if (resizing) {
        if (selected)
            emit signal_resizeMove(global);
        else
            resizeMove(global);
    } else {
        const QPoint p = mapFromGlobal(global);
        const int w = width();
        const int h = height();
        Qt::Edges edges;
        if (p.x() <= 6)
            edges |= Qt::LeftEdge;
        else if (w - p.x() <= 6)
            edges |= Qt::RightEdge;
        if (p.y() <= 6)
            edges |= Qt::TopEdge;
        else if (h - p.y() <= 6)
            edges |= Qt::BottomEdge;
        hoverEdges = edges;
        const bool top = edges & Qt::TopEdge, left = edges & Qt::LeftEdge;
        const bool right = edges & Qt::RightEdge, bottom = edges & Qt::BottomEdge;
        if ((top && left) || (right && bottom))
            setCursor(Qt::SizeFDiagCursor);
        else if ((left && bottom) || (top && right))
            setCursor(Qt::SizeBDiagCursor);
        else if (top || bottom)
            setCursor(Qt::SizeVerCursor);
        else if (left || right)
            setCursor(Qt::SizeHorCursor);
        else
            unsetCursor();
    }
    return result;
}

bool AbstractMdiWidget::mousePressHandler(QObject* watched, QMouseEvent* event)
{
    moved = false;
    if (shiftOrCtrl(event)) {
        desktop->mousePressEvent(event);
        return true;
    }
    if (desktop->lockedEditing || event->button() != Qt::LeftButton)
        return false;
    raise();
    if (qobject_cast<SafeSpinBox*>(watched))
        return false;
    const QPoint global = event->globalPosition().toPoint();
    if (!hoverEdges) {
        if (qobject_cast<QScrollBar*>(watched) || (watched->parent() && qobject_cast<QTableView*>(watched->parent())))
            return false;
        if (selected) {
            emit signal_dragStart(global);
        } else {
            dragStarted(global);
        }
        return false;
    }
    if (selected)
        emit signal_resizeStart(global, hoverEdges);
    else
        resizeStarted(global, hoverEdges);
    return qobject_cast<QScrollBar*>(watched) != nullptr;
}

bool AbstractMdiWidget::mouseReleaseHandler(QObject* watched, QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    bool result = false;
    if (moved) {
        emit signal_requestSetupSave();
    } else {
        const QRect band = desktop->rubberBand->geometry();
        const bool bandSelecting = desktop->rubberBand->isVisible() && band.right() - band.left() > 4
            && band.bottom() - band.top() > 4;
        if (!bandSelecting) {
            if (shiftOrCtrl(event)) {
                selected = !selected;
                updateSelectionIndicator();
                result = true;
            } else if (qobject_cast<QPushButton*>(watched) || qobject_cast<SafeSpinBox*>(watched)
                       || qobject_cast<QScrollBar*>(watched)
                       || watched->objectName() == QLatin1String("qt_scrollarea_viewport")) {
                result = false;
            } else {
                const bool was = selected;
                emit signal_clearSelection();
                selected = !was;
                updateSelectionIndicator();
                result = true;
            }
        }
    }
    // The desktop may delete nothing here, but this widget may be closed by
    // what the signals start; keep the desktop pointer at hand.
    AbstractMdi* mdi = desktop;
    mdi->mouseReleaseEvent(event);
    emit signal_dragStop();
    emit signal_resizeStop();
    return result;
}

QPoint AbstractMdiWidget::gridPosition(const QPoint& p) const
{
    const int sx = desktop->horizontalScrollBar()->value();
    const int sy = desktop->verticalScrollBar()->value();
    int cx = p.x() + sx;
    int cy = p.y() + sy;
    if (cx < 0)
        cx = 0;
    if (cy < 0)
        cy = 0;
    return QPoint((cx + 5) / 10 * 10 - sx, (cy + 5) / 10 * 10 - sy);
}

QRect AbstractMdiWidget::setGeometryChecked(const QRect& rect)
{
    QRect r = rect;
    if (r.width() < minimumWidth())
        r.setRight(r.left() + minimumWidth() - 1);
    if (r.height() < minimumHeight())
        r.setBottom(r.top() + minimumHeight() - 1);
    r.setBottomRight(gridPosition(r.bottomRight()));
    subWindow->setGeometry(r);
    return r;
}

void AbstractMdiWidget::dragStarted(const QPoint& globalPos)
{
    dragging = true;
    dragStartGlobal = globalPos;
    dragStartPos = subWindow->pos();
}

void AbstractMdiWidget::dragMove(const QPoint& globalPos)
{
    const QPoint target = gridPosition(dragStartPos + globalPos - dragStartGlobal);
    if (target != subWindow->pos()) {
        subWindow->move(target);
        moved = true;
    }
}

void AbstractMdiWidget::dragStop()
{
    dragging = false;
}

void AbstractMdiWidget::resizeStarted(const QPoint& globalPos, Qt::Edges edges)
{
    resizeStartGlobal = globalPos;
    resizing = true;
    resizeStartGeometry = subWindow->geometry();
    resizeEdges = edges;
}

void AbstractMdiWidget::resizeMove(const QPoint& globalPos)
{
    const QPoint d = globalPos - resizeStartGlobal;
    QRect r = resizeStartGeometry;
    if (resizeEdges & Qt::LeftEdge)
        r.setLeft(r.left() + d.x());
    if (resizeEdges & Qt::TopEdge)
        r.setTop(r.top() + d.y());
    if (resizeEdges & Qt::RightEdge)
        r.setRight(r.right() + d.x());
    if (resizeEdges & Qt::BottomEdge)
        r.setBottom(r.bottom() + d.y());
    r.setTopLeft(gridPosition(r.topLeft()));
    r.setBottomRight(gridPosition(r.bottomRight()));
    const QRect current = subWindow->geometry();
    if (r.right() - r.left() + 1 < minimumWidth()) {
        r.setLeft(current.left());
        r.setRight(current.right());
    }
    if (r.bottom() - r.top() + 1 < minimumHeight()) {
        r.setTop(current.top());
        r.setBottom(current.bottom());
    }
    if (r != current) {
        subWindow->setGeometry(r);
        moved = true;
    }
}

void AbstractMdiWidget::resizeStop()
{
    resizing = false;
}

QString AbstractMdiWidget::getWidgetXML()
{
    QDomDocument doc;
    QDomElement e = doc.createElement(QStringLiteral("widget"));
    doc.appendChild(e);
    e.setAttribute(QStringLiteral("mdiType"), int(desktop->mdiType));
    e.setAttribute(QStringLiteral("w"), width());
    e.setAttribute(QStringLiteral("h"), height());
    e.setAttribute(QStringLiteral("x"), subWindow->x() + desktop->horizontalScrollBar()->value());
    e.setAttribute(QStringLiteral("y"), subWindow->y() + desktop->verticalScrollBar()->value());
    e.setAttribute(QStringLiteral("widgetType"), widgetType);
    writeToDomElement(&e);
    return doc.toString(1);
}

void AbstractMdiWidget::selectedContextMenu(const QPoint& globalPos)
{
    MyMenu menu(this);
    QAction* vertical = menu.addAction(tr("Distribute vertically"));
    QAction* horizontal = menu.addAction(tr("Distribute horizontally"));
    QAction* copy = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-copy")), tr("Copy widgets"));
    QAction* close = menu.addAction(QIcon::fromTheme(QStringLiteral("window-close")), tr("Close widgets"));
    QAction* chosen = menu.exec(globalPos);
    if (chosen == vertical)
        desktop->slot_distributeVertically();
    else if (chosen == horizontal)
        desktop->slot_distributeHorizontally();
    else if (chosen == copy)
        desktop->slot_copyWidgets();
    else if (chosen == close)
        desktop->slot_closeSelectedWidgets();
}

void AbstractMdiWidget::updateSelectionIndicator()
{
    const QList<QWidget*> children = findChildren<QWidget*>();
    for (QWidget* w : children)
        w->update();
    update();
}

void AbstractMdiWidget::closeMdi()
{
    if (subWindow)
        subWindow->close();
    else
        QDialog::close();
}

bool AbstractMdiWidget::isMdiLockedEditing() const
{
    return desktop->lockedEditing;
}

bool AbstractMdiWidget::isMdiLockedClosing() const
{
    return desktop->lockedClosing;
}

void AbstractMdiWidget::slot_closeMdiWidget()
{
    if (desktop->lockedEditing) {
        Tools::showInfo(tr("Desktop locked"));
        return;
    }
    closeMdi();
}

void AbstractMdiWidget::slot_copyWidgetToClipboard()
{
    QApplication::clipboard()->setText(QStringLiteral("<widgets>") + getWidgetXML() + QStringLiteral("</widgets>"));
}

void AbstractMdiWidget::closeEvent(QCloseEvent* event)
{
    emit signal_closeEvent();
    event->accept();
}
