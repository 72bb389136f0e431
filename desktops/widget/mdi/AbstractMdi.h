#pragma once

#include "MdiType.h"

#include <QList>
#include <QMdiArea>
#include <QPixmap>
#include <QRect>
#include <QStringList>

class AbstractMdiWidget;
class MdiManager;
class QFile;
class QRubberBand;
class QTimer;

// One desktop: a page of freely placed widgets, each in a frameless
// sub-window, on a 10-pixel grid, selected with a rubber band and handled as a
// group, saved to its XML file 500 ms after the last change. The two kinds
// (RUN and ANALYZE) supply the widget factory, the name and the refresh.
class AbstractMdi : public QMdiArea
{
    Q_OBJECT
public:
    AbstractMdi(MdiManager* manager, MdiType type);
    ~AbstractMdi() override;

    virtual AbstractMdiWidget* addWidget(int type, const QRect& rect, bool stayOnTop) = 0;
    virtual void setName(const QString& name) = 0;
    virtual void startUpdates() {}
    virtual void stopUpdates() {}
    virtual void insertDataBrake() {}
    virtual void newRunStarted() {}
    virtual void unpause() {}
    virtual void postImportActions() {}

    void connectMdiWidgetSignals(AbstractMdiWidget* widget);
    void loadFromFile(const QString& path);
    void loadFromString(const QString& text);
    void setBackgroundImage(const QString& path);
    void setLockedClosing(bool locked);
    void setLockedEditing(bool locked);
    void setStandalone(bool standalone);
    void closeAllWidgets();
    void raiseDialog();
    static int normalizeToGrid(int value);
    QRect getSelectedWidgetsAreaForSpacing() const;
    // Puts a widget made by a factory into a frameless sub-window at the grid
    // position of the rectangle (with its size when both are at least 0).
    void placeWidget(AbstractMdiWidget* widget, int type, const QRect& rect);

    // The part of a name that may become a file name in `dir`: control
    // characters and those unsafe in file names replaced, no leading dot, at
    // most 200 bytes, "desktop" when nothing is left. Empty when the result
    // would still resolve outside the folder.
    static QString safeFileName(const QString& name, const QString& dir);
    // Points desktopFile at name + ".xml" in dir and saves at once; the kinds'
    // setName calls it. False when nothing could be written.
    bool setNameInFolder(const QString& name, const QString& dir);
    // Writes the desktop XML; false when the file could not be written.
    bool saveToFile(bool createUndo);
    QString toXml() const;
    // Whether a save may overwrite the file: false after a file that did not
    // parse could not be kept aside.
    bool mayWrite = true;
    // How far the refresh of a RUN desktop has got in the widget list.
    quint32 refreshPosition = 0;

    QTimer* saveTimer = nullptr;
    QFile* desktopFile = nullptr;
    bool lockedClosing = false;
    bool lockedEditing = false;
    QList<AbstractMdiWidget*> widgets;
    bool standalone = false;
    QPixmap backgroundPixmap;
    QString backgroundPath;
    QRubberBand* rubberBand = nullptr;
    QPoint selectionOrigin;
    QString name;
    QStringList widgetTypeNames;
    QStringList widgetXmlNames;
    QStringList undoList;
    MdiType mdiType;
    QRect standaloneGeometry;

    // Which widget types the desktop's menu offers: those whose class exists.
    virtual bool offersWidgetType(int type) const;

    // The rubber-band selection; widgets pass Shift and Ctrl presses and moves
    // and every left release on to these.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

public Q_SLOTS:
    virtual void slot_contextMenu(const QPoint& pos);
    void slot_subWindowDestroyed();
    void slot_widgetDragStart(QPoint startPos);
    void slot_widgetDragMove(QPoint moveEventPos);
    void slot_widgetDragStop();
    void slot_widgetResizeStart(QPoint startPos, Qt::Edges resizeFlags);
    void slot_widgetResizeMove(QPoint moveEventPos);
    void slot_widgetResizeStop();
    void slot_distributeVertically();
    void slot_distributeHorizontally();
    void slot_copyWidgets();
    void slot_closeSelectedWidgets();
    void slot_clearSelection();
    void slot_saveToFile(bool createUndo = true);

protected:
    void pasteWidgets(const QString& clipboardText, const QPoint& pos);
    bool clipboardHoldsOwnWidgets(const QString& clipboardText) const;
    void undo();

private:
    void removeWidget(QObject* widget);
};
