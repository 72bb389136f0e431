#include "CustomCorrectionWidget.h"

#include "CharacteristicReader.h"
#include "MySettings.h"
#include "PointVectorEditorAxis.h"
#include "RunChannel.h"

#include <QSignalBlocker>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <limits>

CustomCorrectionWidget::CustomCorrectionWidget(QWidget* parent, const QString& name, RunChannel* channel,
                                               QList<QPointF> points)
    : PointVectorEditor(parent, QStringLiteral("x"), QStringLiteral("y"))
    , defaultPoints(std::move(points))
{
    setObjectName(name);
    {
        const QSignalBlocker blocker(this);
        slot_setVector(defaultPoints);
    }
    publishPoints();
    connect(this, &PointVectorEditor::signal_vectorChanged, this, &CustomCorrectionWidget::publishPoints);

    PointVectorEditorAxis* x = axes[PointVectorField_x];
    connect(x, &PointVectorEditorAxis::signal_axisSetupChanged, this,
            [this, x] { xSource.setChannel(x->channel, false); });
    x->setChannel(channel);
    xSource.setChannel(channel, false);
    enableTracker();
    xChannelSelectable = true;

    operatingPointTimer = new QTimer(this);
    operatingPointTimer->setInterval(kTrackerRefreshMs);
    connect(operatingPointTimer, &QTimer::timeout, this, &CustomCorrectionWidget::takeUpOperatingPoint);
}

void CustomCorrectionWidget::bindToSettings()
{
    theSettings.connectPointVectorEditor(this);
    publishPoints();
}

void CustomCorrectionWidget::publishPoints()
{
    // A deep copy: the editor changes its own list in place.
    auto copy = std::make_shared<const QList<QPointF>>(points.cbegin(), points.cend());
    std::shared_ptr<const QList<QPointF>> retired;
    {
        const std::lock_guard<std::mutex> lock(publishedMutex);
        retired = std::move(previous);
        previous = std::move(published);
        published = std::move(copy);
    }
}

double CustomCorrectionWidget::getYValue()
{
    const double x = xSource.getValue();
    if (std::isnan(x))
        return std::numeric_limits<double>::quiet_NaN();
    std::shared_ptr<const QList<QPointF>> curve;
    {
        const std::lock_guard<std::mutex> lock(publishedMutex);
        curve = published;
    }
    CharacteristicReader reader;
    reader.init(curve.get());
    const double y = reader.getValue(x);
    if (shown.load(std::memory_order_relaxed)) {
        if (QThread::currentThread() == thread()) {
            setTrackerPositionSI(x, y);
        } else {
            const std::lock_guard<std::mutex> lock(publishedMutex);
            pendingX = x;
            pendingY = y;
            operatingPointPending.store(true, std::memory_order_release);
        }
    }
    return y;
}

void CustomCorrectionWidget::takeUpOperatingPoint()
{
    if (!operatingPointPending.exchange(false, std::memory_order_acquire))
        return;
    double x;
    double y;
    {
        const std::lock_guard<std::mutex> lock(publishedMutex);
        x = pendingX;
        y = pendingY;
    }
    setTrackerPositionSI(x, y);
}

void CustomCorrectionWidget::showEvent(QShowEvent* event)
{
    PointVectorEditor::showEvent(event);
    shown.store(true);
    operatingPointTimer->start();
}

void CustomCorrectionWidget::hideEvent(QHideEvent* event)
{
    PointVectorEditor::hideEvent(event);
    shown.store(false);
    operatingPointTimer->stop();
}
