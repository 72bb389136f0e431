#pragma once

#include <QDateTime>
#include <QLabel>

#include <functional>

// The status bar's clock: local date and time as "yy-MM-dd hh:mm:ss", updated
// every second (empty until the first second has passed).
class ClockWidget : public QLabel
{
    Q_OBJECT
public:
    explicit ClockWidget(QWidget* parent = nullptr);

    // The time source; the system clock unless replaced (tests).
    void setClock(std::function<QDateTime()> clock);
    static QString format(const QDateTime& time);

public Q_SLOTS:
    void slot_updateClock();

private:
    std::function<QDateTime()> now;
};
