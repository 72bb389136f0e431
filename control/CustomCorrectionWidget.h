#pragma once

#include "PointVectorEditor.h"
#include "functions/Argument.h"

#include <QList>
#include <QPointF>

#include <atomic>
#include <memory>
#include <mutex>

class QTimer;
class RunChannel;

// A correction curve y(x) whose x is the current value of a live channel:
// the characteristic editor with its tracker, and "Select X channel" in the
// plot's menu so the operator can rebind the input.
//
// getYValue is read by the brake-controller thread every 10 ms while the
// operator may be editing the curve. An edit holds the editor's point lock
// for as long as the table and plot take to follow (milliseconds for a long
// curve), so the lookup does not use that lock: it reads an immutable copy of
// the points that the GUI thread publishes after each edit, and holds a lock
// only to take a reference to that copy. The operating point found by
// another thread is left for a GUI timer, which moves the tracker.
class CustomCorrectionWidget : public PointVectorEditor
{
    Q_OBJECT
public:
    CustomCorrectionWidget(QWidget* parent, const QString& name, RunChannel* channel, QList<QPointF> defaultPoints);

    // Binds the curve and its axes to the settings store under the object
    // name; a stored list replaces the default points. Call it once the axes
    // are set up, so that stored units are taken in the axes' quantities.
    void bindToSettings();

    // The curve at the x channel's current value; NaN when the axis has no
    // channel or the channel has no valid value. Any thread.
    double getYValue();

    const QList<QPointF> defaultPoints;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // GUI thread: the points as they are now become what getYValue reads.
    void publishPoints();
    void takeUpOperatingPoint();

    // The x axis's channel as other threads may read it: a channel that goes
    // away unbinds it under the channels' binding lock.
    Argument xSource;

    // Guards the two pointers and the pending operating point; held for a
    // pointer copy or two doubles, never across a lookup or an edit.
    std::mutex publishedMutex;
    std::shared_ptr<const QList<QPointF>> published;
    // Kept until the next edit, so a reader's copy is seldom the last owner
    // (the list is then freed in the GUI thread, not in the reader's).
    std::shared_ptr<const QList<QPointF>> previous;
    double pendingX = 0;
    double pendingY = 0;
    std::atomic<bool> operatingPointPending{false};
    std::atomic<bool> shown{false};
    QTimer* operatingPointTimer = nullptr;
};
