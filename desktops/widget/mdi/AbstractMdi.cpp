#include "AbstractMdi.h"

#include "AbstractMdiWidget.h"
#include "MdiManager.h"
#include "MyMenu.h"
#include "lib/Tools.h"
#include "MySettings.h"

#include <QApplication>
#include <QClipboard>
#include <QDebug>
#include <QDialog>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QRubberBand>
#include <QSaveFile>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace {

// Positions and sizes from files and the clipboard: nothing negative, nothing
// beyond what any screen could show.
constexpr int maxCoordinate = 20000;

int clampCoordinate(int v)
{
    return std::clamp(v, 0, maxCoordinate);
}

int clampSize(int v)
{
    // A negative size means "keep the default size" and stays negative.
    return v < 0 ? -1 : std::min(v, maxCoordinate);
}

} // namespace

AbstractMdi::AbstractMdi(MdiManager* manager, MdiType type)
    : QMdiArea(manager), mdiType(type)
{
    if (manager) {
        widgetTypeNames = manager->widgetTypeNames;
        widgetXmlNames = manager->widgetXmlNames;
    }
    saveTimer = new QTimer(this);
    saveTimer->setSingleShot(true);
    saveTimer->setInterval(500);
    connect(saveTimer, &QTimer::timeout, this, [this] { slot_saveToFile(true); });
    desktopFile = new QFile(this);
    rubberBand = new QRubberBand(QRubberBand::Rectangle, this);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &AbstractMdi::slot_contextMenu);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

AbstractMdi::~AbstractMdi()
{
    slot_saveToFile(false);
    // The widgets go with their sub-windows; none may call back into lists
    // that are being torn down.
    for (AbstractMdiWidget* w : std::as_const(widgets))
        w->disconnect(this);
    widgets.clear();
}

void AbstractMdi::connectMdiWidgetSignals(AbstractMdiWidget* widget)
{
    connect(widget, &AbstractMdiWidget::signal_closeEvent, this, &AbstractMdi::slot_subWindowDestroyed);
    connect(widget, &AbstractMdiWidget::signal_requestSetupSave, saveTimer, qOverload<>(&QTimer::start));
    connect(widget, &AbstractMdiWidget::signal_clearSelection, this, &AbstractMdi::slot_clearSelection);
    connect(widget, &AbstractMdiWidget::signal_dragStart, this, &AbstractMdi::slot_widgetDragStart);
    connect(widget, &AbstractMdiWidget::signal_dragMove, this, &AbstractMdi::slot_widgetDragMove);
    connect(widget, &AbstractMdiWidget::signal_dragStop, this, &AbstractMdi::slot_widgetDragStop);
    connect(widget, &AbstractMdiWidget::signal_resizeStart, this, &AbstractMdi::slot_widgetResizeStart);
    connect(widget, &AbstractMdiWidget::signal_resizeMove, this, &AbstractMdi::slot_widgetResizeMove);
    connect(widget, &AbstractMdiWidget::signal_resizeStop, this, &AbstractMdi::slot_widgetResizeStop);
    // However a widget goes (closed, deleted with a channel, undo), the list
    // that the refresh walks never keeps it.
    connect(widget, &QObject::destroyed, this, &AbstractMdi::removeWidget);
}

void AbstractMdi::placeWidget(AbstractMdiWidget* widget, int type, const QRect& rect)
{
    widget->widgetType = type;
    widgets.append(widget);
    QMdiSubWindow* sub = addSubWindow(widget);
    widget->subWindow = sub;
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->show();
    sub->move(widget->gridPosition(rect.topLeft()));
    if (rect.width() >= 0 && rect.height() >= 0)
        sub->resize(rect.size());
    sub->setWindowFlags(Qt::FramelessWindowHint);
    // New window flags hide a widget.
    sub->show();
    connectMdiWidgetSignals(widget);
}

void AbstractMdi::removeWidget(QObject* widget)
{
    // Compared as QObject: the widget may be half destroyed already.
    qsizetype i = 0;
    while (i < widgets.size() && static_cast<QObject*>(widgets.at(i)) != widget)
        ++i;
    if (i == widgets.size())
        return;
    widgets.removeAt(i);
    // The refresh goes on with the widget that was next in line.
    if (quint32(i) < refreshPosition)
        --refreshPosition;
}

void AbstractMdi::loadFromFile(const QString& path)
{
    desktopFile->setFileName(path);
    if (!desktopFile->open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = desktopFile->readAll();
    desktopFile->close();
    QDomDocument probe;
    if (!bytes.trimmed().isEmpty() && !probe.setContent(bytes)) {
        // The next save would replace the operator's only copy with an empty
        // desktop: keep it aside first, and write nothing if that fails.
        const QString kept = Tools::keepMalformedFile(path);
        if (kept.isEmpty())
            mayWrite = false;
        Tools::showError(tr("Desktop file %1 could not be read. It was kept as %2.")
                             .arg(QFileInfo(path).fileName(), kept.isEmpty() ? path : QFileInfo(kept).fileName()));
        return;
    }
    loadFromString(QString::fromUtf8(bytes));
}

void AbstractMdi::loadFromString(const QString& text)
{
    QDomDocument doc;
    if (!doc.setContent(text))
        return;
    for (QDomNode node = doc.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (node.nodeName() != QLatin1String("widgets"))
            continue;
        const QDomElement root = node.toElement();
        if (root.hasAttribute(QStringLiteral("pixmapSrc")))
            setBackgroundImage(root.attribute(QStringLiteral("pixmapSrc")));
        if (root.hasAttribute(QStringLiteral("locked"))) {
            lockedClosing = lockedEditing = root.attribute(QStringLiteral("locked")).toInt() != 0;
        } else {
            lockedEditing = root.attribute(QStringLiteral("lockedEditing")).toInt() != 0;
            lockedClosing = root.attribute(QStringLiteral("lockedClosing")).toInt() != 0;
        }
        standalone = root.attribute(QStringLiteral("standalone")).toInt() != 0;
        if (standalone) {
            const int x = root.attribute(QStringLiteral("x")).toInt();
            const int y = root.attribute(QStringLiteral("y")).toInt();
            const int w = std::clamp(root.attribute(QStringLiteral("w")).toInt(), 1, maxCoordinate);
            const int h = std::clamp(root.attribute(QStringLiteral("h")).toInt(), 1, maxCoordinate);
            standaloneGeometry = QRect(std::clamp(x, -maxCoordinate, maxCoordinate),
                                       std::clamp(y, -maxCoordinate, maxCoordinate), w, h);
        }
        for (QDomNode child = root.firstChild(); !child.isNull(); child = child.nextSibling()) {
            if (!child.isElement())
                continue;
            const QDomElement e = child.toElement();
            const int type = int(widgetXmlNames.indexOf(e.tagName()));
            if (type < 0)
                continue;
            const int x = clampCoordinate(e.attribute(QStringLiteral("x")).toInt());
            const int y = clampCoordinate(e.attribute(QStringLiteral("y")).toInt());
            const int w = clampSize(e.attribute(QStringLiteral("w")).toInt());
            const int h = clampSize(e.attribute(QStringLiteral("h")).toInt());
            const QRect rect = (w < 0 || h < 0) ? QRect(QPoint(x, y), QSize()) : QRect(x, y, w, h);
            // Content coordinates: this desktop may be scrolled.
            const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
            AbstractMdiWidget* widget = addWidget(type, rect.translated(-scroll),
                                                  e.attribute(QStringLiteral("stayOnTop")).toInt() != 0);
            const QDomElement setup = e.firstChildElement(QStringLiteral("setup"));
            if (widget && !setup.isNull())
                widget->parseDomElement(&setup);
        }
    }
}

QString AbstractMdi::toXml() const
{
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("widgets"));
    doc.appendChild(root);
    if (!backgroundPixmap.isNull())
        root.setAttribute(QStringLiteral("pixmapSrc"), backgroundPath);
    root.setAttribute(QStringLiteral("lockedEditing"), lockedEditing ? 1 : 0);
    root.setAttribute(QStringLiteral("lockedClosing"), lockedClosing ? 1 : 0);
    root.setAttribute(QStringLiteral("standalone"), standalone ? 1 : 0);
    if (standalone) {
        const QRect g = window()->geometry();
        root.setAttribute(QStringLiteral("x"), g.x());
        root.setAttribute(QStringLiteral("y"), g.y());
        root.setAttribute(QStringLiteral("w"), g.width());
        root.setAttribute(QStringLiteral("h"), g.height());
    }
    const int sx = horizontalScrollBar()->value();
    const int sy = verticalScrollBar()->value();
    const QList<QMdiSubWindow*> subs = subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow* sub : subs) {
        auto* w = qobject_cast<AbstractMdiWidget*>(sub->widget());
        if (!w || w->widgetType < 0 || w->widgetType >= widgetXmlNames.size() || !widgets.contains(w))
            continue;
        QDomElement e = doc.createElement(widgetXmlNames.at(w->widgetType));
        e.setAttribute(QStringLiteral("x"), sub->x() + sx);
        e.setAttribute(QStringLiteral("y"), sub->y() + sy);
        e.setAttribute(QStringLiteral("w"), sub->width());
        e.setAttribute(QStringLiteral("h"), sub->height());
        e.setAttribute(QStringLiteral("stayOnTop"), (sub->windowFlags() & Qt::WindowStaysOnTopHint) ? 1 : 0);
        QDomElement setup = doc.createElement(QStringLiteral("setup"));
        e.appendChild(setup);
        w->writeToDomElement(&setup);
        root.appendChild(e);
    }
    return doc.toString(1);
}

bool AbstractMdi::saveToFile(bool createUndo)
{
    if (!mayWrite || desktopFile->fileName().isEmpty())
        return false;
    const QString text = toXml();
    QSaveFile file(desktopFile->fileName());
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        qDebug() << "Error writing mdi.xml file";
        return false;
    }
    if (createUndo)
        undoList.append(text);
    return true;
}

void AbstractMdi::slot_saveToFile(bool createUndo)
{
    saveToFile(createUndo);
}

QString AbstractMdi::safeFileName(const QString& requested, const QString& dir)
{
    QString name;
    name.reserve(requested.size());
    for (QChar c : requested)
        name.append((c.unicode() < 0x20 || c.unicode() == 0x7f) ? QChar('_') : c);
    Tools::replaceSpecialCharacters(name);
    while (name.startsWith(QLatin1Char('.')))
        name[0] = QLatin1Char('_');
    if (name.trimmed().isEmpty())
        name = QStringLiteral("desktop");
    // Whole characters only, so the file name stays valid UTF-8.
    while (name.toUtf8().size() > 200)
        name.chop(name.size() >= 2 && name.at(name.size() - 1).isLowSurrogate() ? 2 : 1);
    const QString folder = QDir(dir).absolutePath();
    const QString path = QDir(folder).absoluteFilePath(name + QStringLiteral(".xml"));
    if (QFileInfo(path).absolutePath() != QDir::cleanPath(folder))
        return QString();
    return name;
}

bool AbstractMdi::setNameInFolder(const QString& requested, const QString& dir)
{
    const QString safe = safeFileName(requested, dir);
    if (safe.isEmpty())
        return false;
    name = safe;
    desktopFile->setFileName(QDir(dir).absoluteFilePath(safe + QStringLiteral(".xml")));
    return saveToFile(false);
}

void AbstractMdi::setBackgroundImage(const QString& path)
{
    backgroundPath = path;
    if (path.isEmpty()) {
        backgroundPixmap = QPixmap();
    } else {
        QImage image(path);
        if (image.isNull()) {
            backgroundPixmap = QPixmap();
        } else {
            image = image.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < image.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb p = line[x];
                    const int a = qAlpha(p);
                    auto flat = [a](int c) { return (c * a + 255 * (255 - a)) / 255; };
                    line[x] = qRgba(flat(qRed(p)), flat(qGreen(p)), flat(qBlue(p)), 255);
                }
            }
            backgroundPixmap = QPixmap::fromImage(image);
        }
    }
    viewport()->update();
    saveTimer->start();
}

void AbstractMdi::setLockedClosing(bool locked)
{
    lockedClosing = locked;
    slot_saveToFile(false);
}

void AbstractMdi::setLockedEditing(bool locked)
{
    lockedEditing = locked;
    slot_saveToFile(false);
}

void AbstractMdi::setStandalone(bool value)
{
    standalone = value;
    slot_saveToFile(false);
}

void AbstractMdi::closeAllWidgets()
{
    const QList<AbstractMdiWidget*> copy = widgets;
    for (auto it = copy.crbegin(); it != copy.crend(); ++it)
        (*it)->closeMdi();
}

void AbstractMdi::raiseDialog()
{
    if (auto* dialog = qobject_cast<QDialog*>(parentWidget()))
        dialog->raise();
}

int AbstractMdi::normalizeToGrid(int value)
{
    return (value + 5) / 10 * 10;
}

QRect AbstractMdi::getSelectedWidgetsAreaForSpacing() const
{
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (AbstractMdiWidget* w : widgets) {
        if (!w->selected)
            continue;
        const QRect g = w->subWindow->geometry();
        left = std::min(left, g.left());
        top = std::min(top, g.top());
        right = std::max(right, g.right());
        bottom = std::max(bottom, g.bottom());
    }
    QRect r;
    r.setCoords(left, top, right, bottom);
    return r;
}

bool AbstractMdi::offersWidgetType(int type) const
{
    return type >= 0 && type < widgetTypeNames.size();
}

void AbstractMdi::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = mapFromGlobal(event->globalPosition().toPoint());
    if (event->button() == Qt::LeftButton) {
        selectionOrigin = pos;
        rubberBand->setGeometry(QRect(pos, QSize()));
        rubberBand->show();
        if (!(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
            for (AbstractMdiWidget* w : std::as_const(widgets)) {
                w->selected = false;
                w->updateSelectionIndicator();
            }
        }
    } else if (event->button() == Qt::RightButton) {
        rubberBand->hide();
    }
}

void AbstractMdi::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint pos = mapFromGlobal(event->globalPosition().toPoint());
    QPalette palette = rubberBand->palette();
    palette.setBrush(QPalette::Highlight, QBrush(pos.x() >= selectionOrigin.x() ? Qt::blue : Qt::green));
    rubberBand->setPalette(palette);
    rubberBand->setGeometry(QRect(selectionOrigin, pos).normalized());
}

void AbstractMdi::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = mapFromGlobal(event->globalPosition().toPoint());
    const QRect band = rubberBand->geometry();
    if (rubberBand->isVisible() && band.right() - band.left() > 4 && band.bottom() - band.top() > 4) {
        const bool leftward = pos.x() < selectionOrigin.x();
        const bool shift = event->modifiers() & Qt::ShiftModifier;
        const bool ctrl = event->modifiers() & Qt::ControlModifier;
        const QList<QMdiSubWindow*> subs = subWindowList(QMdiArea::CreationOrder);
        for (QMdiSubWindow* sub : subs) {
            auto* w = qobject_cast<AbstractMdiWidget*>(sub->widget());
            if (!w)
                continue;
            const QRect g = sub->geometry();
            const bool pass = band.contains(g) || (leftward && band.intersects(g));
            if (shift) {
                if (pass)
                    w->selected = true;
            } else if (ctrl) {
                if (pass)
                    w->selected = !w->selected;
            } else {
                w->selected = pass;
            }
            w->updateSelectionIndicator();
        }
    }
    rubberBand->hide();
}

void AbstractMdi::slot_contextMenu(const QPoint& pos)
{
    if (lockedEditing)
        return;
    MyMenu menu(this);
    QAction* undoAction = nullptr;
    QAction* pasteAction = nullptr;
    if (undoList.size() >= 2)
        undoAction = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-undo")), QStringLiteral("Undo"));
    const QString clip = QApplication::clipboard()->text();
    if (clipboardHoldsOwnWidgets(clip))
        pasteAction = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-paste")), tr("Paste widgets"));
    QList<QAction*> newActions;
    for (int t = 0; t < widgetTypeNames.size(); ++t) {
        if (!offersWidgetType(t)) {
            newActions.append(nullptr);
            continue;
        }
        newActions.append(menu.addAction(tr("New ") + widgetTypeNames.at(t)));
    }
    QAction* chosen = menu.exec(mapToGlobal(pos));
    if (!chosen)
        return;
    if (chosen == undoAction) {
        undo();
    } else if (chosen == pasteAction) {
        pasteWidgets(clip, pos);
    } else {
        const int t = int(newActions.indexOf(chosen));
        if (t < 0)
            return;
        AbstractMdiWidget* w = addWidget(t, QRect(pos, QSize()), false);
        if (w)
            w->onCreateConfiguration();
        saveTimer->start();
    }
}

void AbstractMdi::undo()
{
    if (undoList.size() < 2)
        return;
    undoList.removeLast();
    closeAllWidgets();
    const QString previous = undoList.takeLast();
    loadFromString(previous);
    saveTimer->start();
}

bool AbstractMdi::clipboardHoldsOwnWidgets(const QString& clipboardText) const
{
    QString text = clipboardText;
    text.remove(QLatin1Char('\n'));
    QDomDocument doc;
    if (!doc.setContent(text))
        return false;
    const QDomElement root = doc.firstChildElement(QStringLiteral("widgets"));
    if (root.isNull())
        return false;
    const QDomElement first = root.firstChildElement();
    return !first.isNull() && first.tagName() == QLatin1String("widget")
        && first.attribute(QStringLiteral("mdiType")).toInt() == int(mdiType)
        && first.hasAttribute(QStringLiteral("mdiType"));
}

void AbstractMdi::pasteWidgets(const QString& clipboardText, const QPoint& pos)
{
    QString text = clipboardText;
    text.remove(QLatin1Char('\n'));
    QDomDocument doc;
    if (!doc.setContent(text))
        return;
    const QDomElement root = doc.firstChildElement(QStringLiteral("widgets"));
    QList<QDomElement> elements;
    int minX = INT_MAX, minY = INT_MAX;
    for (QDomElement e = root.firstChildElement(QStringLiteral("widget")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("widget"))) {
        if (e.attribute(QStringLiteral("mdiType")).toInt() != int(mdiType))
            continue;
        elements.append(e);
        minX = std::min(minX, clampCoordinate(e.attribute(QStringLiteral("x")).toInt()));
        minY = std::min(minY, clampCoordinate(e.attribute(QStringLiteral("y")).toInt()));
    }
    for (QDomElement& e : elements) {
        const int left = clampCoordinate(e.attribute(QStringLiteral("x")).toInt()) - minX + pos.x();
        const int top = clampCoordinate(e.attribute(QStringLiteral("y")).toInt()) - minY + pos.y();
        const int w = std::clamp(e.attribute(QStringLiteral("w")).toInt(), 0, maxCoordinate);
        const int h = std::clamp(e.attribute(QStringLiteral("h")).toInt(), 0, maxCoordinate);
        e.removeAttribute(QStringLiteral("printId"));
        AbstractMdiWidget* widget = addWidget(e.attribute(QStringLiteral("widgetType")).toInt(), QRect(left, top, w, h),
                                              e.attribute(QStringLiteral("stayOnTop")).toInt() != 0);
        if (widget)
            widget->parseDomElement(&e);
    }
    saveTimer->start();
}

void AbstractMdi::slot_subWindowDestroyed()
{
    removeWidget(sender());
    saveTimer->start();
}

void AbstractMdi::slot_widgetDragStart(QPoint startPos)
{
    for (AbstractMdiWidget* w : std::as_const(widgets))
        if (w->selected)
            w->dragStarted(startPos);
}

void AbstractMdi::slot_widgetDragMove(QPoint pos)
{
    for (AbstractMdiWidget* w : std::as_const(widgets))
        if (w->selected)
            w->dragMove(pos);
}

void AbstractMdi::slot_widgetDragStop()
{
    for (AbstractMdiWidget* w : std::as_const(widgets))
        w->dragStop();
}

void AbstractMdi::slot_widgetResizeStart(QPoint startPos, Qt::Edges edges)
{
    for (AbstractMdiWidget* w : std::as_const(widgets))
        if (w->selected)
            w->resizeStarted(startPos, edges);
}

void AbstractMdi::slot_widgetResizeMove(QPoint pos)
{
    for (AbstractMdiWidget* w : std::as_const(widgets))
        if (w->selected)
            w->resizeMove(pos);
}

void AbstractMdi::slot_widgetResizeStop()
{
    for (AbstractMdiWidget* w : std::as_const(widgets))
        w->resizeStop();
}

void AbstractMdi::slot_distributeHorizontally()
{
    const QRect area = getSelectedWidgetsAreaForSpacing();
    if (area.right() >= area.left() && area.bottom() >= area.top()) {
        QList<AbstractMdiWidget*> sel;
        for (AbstractMdiWidget* w : std::as_const(widgets))
            if (w->selected)
                sel.append(w);
        std::stable_sort(sel.begin(), sel.end(), [](AbstractMdiWidget* a, AbstractMdiWidget* b) {
            return a->subWindow->geometry().left() < b->subWindow->geometry().left();
        });
        const int step = normalizeToGrid((area.right() - area.left() + 1) / int(sel.size()));
        int x = area.left();
        for (AbstractMdiWidget* w : sel) {
            QRect r;
            r.setCoords(x, area.top(), x + step, area.bottom());
            x = w->setGeometryChecked(r).right();
        }
    }
    saveTimer->start();
}

void AbstractMdi::slot_distributeVertically()
{
    const QRect area = getSelectedWidgetsAreaForSpacing();
    if (area.right() >= area.left() && area.bottom() >= area.top()) {
        QList<AbstractMdiWidget*> sel;
        for (AbstractMdiWidget* w : std::as_const(widgets))
            if (w->selected)
                sel.append(w);
        std::stable_sort(sel.begin(), sel.end(), [](AbstractMdiWidget* a, AbstractMdiWidget* b) {
            return a->subWindow->geometry().top() < b->subWindow->geometry().top();
        });
        const int step = normalizeToGrid((area.bottom() - area.top() + 1) / int(sel.size()));
        int y = area.top();
        for (AbstractMdiWidget* w : sel) {
            QRect r;
            r.setCoords(area.left(), y, area.right(), y + step);
            y = w->setGeometryChecked(r).bottom();
        }
    }
    saveTimer->start();
}

void AbstractMdi::slot_copyWidgets()
{
    QString text = QStringLiteral("<widgets>\n");
    for (AbstractMdiWidget* w : std::as_const(widgets))
        if (w->selected)
            text += w->getWidgetXML();
    text += QStringLiteral("</widgets>");
    QApplication::clipboard()->setText(text);
}

void AbstractMdi::slot_closeSelectedWidgets()
{
    if (lockedEditing) {
        Tools::showInfo(tr("Desktop locked"));
        return;
    }
    const QList<AbstractMdiWidget*> copy = widgets;
    for (auto it = copy.crbegin(); it != copy.crend(); ++it)
        if ((*it)->selected)
            (*it)->closeMdi();
}

void AbstractMdi::slot_clearSelection()
{
    for (AbstractMdiWidget* w : std::as_const(widgets)) {
        w->selected = false;
        w->updateSelectionIndicator();
    }
}
