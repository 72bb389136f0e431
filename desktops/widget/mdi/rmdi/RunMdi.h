#pragma once

#include "AbstractMdi.h"

#include <QStaticText>

#include <functional>

class FullMdiAlarm;
class QTimer;

// One RUN desktop: the factory of the RUN widgets, the refresh scheduler that
// calls every widget's refreshTick in turn (at most 50 cycles a second, with a
// turn for the event loop at least every 100 ms of refreshing), the fan-out of
// the run events, and the red alarm overlay.
class RunMdi : public AbstractMdi
{
    Q_OBJECT
public:
    explicit RunMdi(MdiManager* manager);

    // Registers the RUN desktop and the RUN widget types built so far; safe
    // to call more than once.
    static void registerRunDesktop();

    AbstractMdiWidget* addWidget(int type, const QRect& rect, bool stayOnTop) override;
    void setName(const QString& name) override;
    void startUpdates() override;
    void stopUpdates() override;
    void insertDataBrake() override;
    void newRunStarted() override;
    void unpause() override;
    bool offersWidgetType(int type) const override;

    // The scheduler's clock (ms since the epoch) and the start of its timer,
    // replaceable so that tests run its table without sleeping. Null restores
    // the wall clock and the real timer.
    static void setClock(std::function<qint64()> clock);
    static void setTimerStarter(std::function<void(RunMdi*, int delayMs)> starter);
    static qint64 now();

    qint64 cycleStartTime = 0;
    qint64 lastYieldTime = 0;
    int cycleCount = 0;
    qint64 accumulatedCycleTime = 0;
    QTimer* tickTimer = nullptr;
    QTimer* repaintTimer = nullptr;
    QStaticText rateText;
    FullMdiAlarm* fullMdiAlarm = nullptr;
    bool overlayShown = false;
    // The delay the tick timer was last started with; -1 while stopped.
    int lastDelay = -1;

public Q_SLOTS:
    void slot_tickItems();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void startTickTimer(int delay);
    void updateAlarmOverlay();
};
