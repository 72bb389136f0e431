#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QStaticText>

class AbstractMdi;
class QAction;
class QDomElement;
class QMdiSubWindow;
class QMouseEvent;

// A widget placed on a desktop: moved and resized by mouse on the 10-pixel
// grid, selected by click or rubber band, copied to the clipboard as XML.
// Every mouse event passes through eventFilter, so the handling also works
// when the press lands on one of the widget type's child controls.
class AbstractMdiWidget : public QDialog
{
    Q_OBJECT
public:
    explicit AbstractMdiWidget(AbstractMdi* desktop);

    // Reads the widget's settings from its "setup" element (desktop file) or
    // from the clipboard's "widget" element, which carry the same content.
    virtual void parseDomElement(const QDomElement* element) = 0;
    virtual void writeToDomElement(QDomElement* element) = 0;
    // Once, after the operator created the widget from the desktop's menu.
    virtual void onCreateConfiguration() {}

    bool mousePressHandler(QObject* watched, QMouseEvent* event);
    bool mouseMoveHandler(QObject* watched, QMouseEvent* event);
    bool mouseReleaseHandler(QObject* watched, QMouseEvent* event);

    QPoint gridPosition(const QPoint& viewportPos) const;
    QRect setGeometryChecked(const QRect& rect);
    void dragStarted(const QPoint& globalPos);
    void dragMove(const QPoint& globalPos);
    void dragStop();
    void resizeStarted(const QPoint& globalPos, Qt::Edges edges);
    void resizeMove(const QPoint& globalPos);
    void resizeStop();
    QString getWidgetXML();
    void selectedContextMenu(const QPoint& globalPos);
    void updateSelectionIndicator();
    // Closes the sub-window, which closes and deletes the widget.
    void closeMdi();
    bool isMdiLockedEditing() const;
    bool isMdiLockedClosing() const;

    bool selected = false;
    bool dragging = false;
    QPoint dragStartGlobal;
    QPoint dragStartPos;
    bool resizing = false;
    QPoint resizeStartGlobal;
    QRect resizeStartGeometry;
    Qt::Edges resizeEdges;
    Qt::Edges hoverEdges;
    QStaticText captionText;
    bool moved = false;
    QAction* closeAction = nullptr;
    QAction* copyAction = nullptr;
    AbstractMdi* desktop = nullptr;
    qint64 lastRefreshMs = 0;
    QMdiSubWindow* subWindow = nullptr;
    int widgetType = -1;

Q_SIGNALS:
    void signal_closeEvent();
    void signal_requestSetupSave();
    void signal_clearSelection();
    void signal_dragStart(QPoint startPos);
    void signal_dragMove(QPoint moveEventPos);
    void signal_dragStop();
    void signal_resizeStart(QPoint startPos, Qt::Edges resizeFlags);
    void signal_resizeMove(QPoint moveEventPos);
    void signal_resizeStop();

public Q_SLOTS:
    void reject() override {}
    void slot_closeMdiWidget();
    void slot_copyWidgetToClipboard();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent*) override {}
    void mouseMoveEvent(QMouseEvent*) override {}
    void mouseReleaseEvent(QMouseEvent*) override {}
};
