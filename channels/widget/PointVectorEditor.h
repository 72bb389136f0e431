#pragma once

#include "CharacteristicReader.h"
#include "lib/PointVectorField.h"

#include <QList>
#include <QPointF>
#include <QWidget>

#include <atomic>
#include <mutex>

class DoubleSpinBoxDelegate;
class PointVectorEditorAxis;
class PointVectorModel;
class PointVectorPlotView;
class QCPItemLine;
class QCPItemText;
class QDomElement;
class QItemSelectionModel;
class QModelIndex;
class QTableView;
class QTimer;

// Edits an X-Y characteristic (points in SI units, joined by straight lines)
// in a plot above a two-row table, and is read at the same time by the
// acquisition threads: getValue may be called from any thread at the sample
// rate while the operator edits. Every change of the point list happens in
// the GUI thread under `pointsMutex`; getValue holds it only for the lookup
// and allocates nothing.
//
// The operating point of the last getValue can be marked on the plot
// (enableTracker). A worker thread only leaves the latest point behind; the
// GUI picks it up with a timer while the editor is on screen, so the GUI gets
// at most one update per timer tick whatever the sample rate.
class PointVectorEditor : public QWidget
{
    Q_OBJECT
public:
    PointVectorEditor(QWidget* parent, const QString& xName, const QString& yName);
    ~PointVectorEditor() override;

    // A copy of the points (GUI thread).
    QList<QPointF> vector() const { return points; }
    // SI output for an SI input; any thread.
    double getValue(double x);
    void enableTracker();
    void setTrackerPositionSI(double x, double y);
    void writeSetupToDomElement(QDomElement* element);
    void parseDomElement(QDomElement* element);
    // Keeps two editors equal; the mirror takes the source's points first.
    static void clonePointVectorEditor(PointVectorEditor* source, PointVectorEditor* mirror);

    void action_insertCurrentPoint();
    void action_insertPoint(bool after);
    void action_deletePoints();
    void action_editCurrent();

    // Replaces the points by those read from CSV text; text with no pair in
    // it is refused with a message and the points stay.
    bool loadText(const QString& text);
    void saveCsvFile();
    void loadCsvFile();
    void saveToClipboard();
    void loadFromClipboard();

    bool eventFilter(QObject* watched, QEvent* event) override;

    // How often the GUI takes up the operating point left by worker threads.
    static constexpr int kTrackerRefreshMs = 40;

    QList<QPointF> points;
    std::mutex pointsMutex;
    CharacteristicReader* reader = nullptr;
    PointVectorEditorAxis* axes[2] = {nullptr, nullptr};
    PointVectorModel* model = nullptr;
    QItemSelectionModel* selectionModel = nullptr;
    QTableView* table = nullptr;
    PointVectorPlotView* plot = nullptr;
    DoubleSpinBoxDelegate* delegate = nullptr;
    QCPItemLine* trackerLineX = nullptr;
    QCPItemLine* trackerLineY = nullptr;
    QCPItemText* trackerTextX = nullptr;
    QCPItemText* trackerTextY = nullptr;
    double trackerX;
    double trackerY;
    bool xChannelSelectable = false;

Q_SIGNALS:
    void signal_vectorChanged(const QList<QPointF>& vector);
    void signal_setupChanged();

public Q_SLOTS:
    void slot_setVector(const QList<QPointF>& vector);
    void slot_plotContextMenu(const QPoint& pos);
    void slot_tableContextMenu(const QPoint& pos);
    void slot_currentCellChanged(const QModelIndex& current, const QModelIndex& previous);
    void slot_vectorChangedNotifier();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void takeUpTrackerPosition();
    void updateTrackerTimer();
    bool editing() const;
    void askDecimals(PointVectorEditorAxis* axis);

    // The operating point a worker left behind, under pointsMutex.
    double pendingTrackerX = 0;
    double pendingTrackerY = 0;
    std::atomic<bool> trackerPending {false};
    std::atomic<bool> onScreen {false};
    bool trackerEnabled = false;
    QTimer* trackerTimer = nullptr;
};
