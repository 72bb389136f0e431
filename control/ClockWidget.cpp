#include "ClockWidget.h"

#include <QTimer>

ClockWidget::ClockWidget(QWidget* parent)
    : QLabel(parent)
    , now([] { return QDateTime::currentDateTime(); })
{
    setFrameShape(QFrame::Box);
    setAlignment(Qt::AlignCenter);
    setTextFormat(Qt::PlainText);
    setMinimumHeight(20);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &ClockWidget::slot_updateClock);
    timer->start(1000);
}

void ClockWidget::setClock(std::function<QDateTime()> clock)
{
    now = clock ? std::move(clock) : std::function<QDateTime()>([] { return QDateTime::currentDateTime(); });
}

QString ClockWidget::format(const QDateTime& time)
{
    return time.toString(QStringLiteral("yy-MM-dd hh:mm:ss"));
}

void ClockWidget::slot_updateClock()
{
    setText(format(now()));
}
