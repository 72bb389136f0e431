#include "FullMdiAlarm.h"

#include "AbstractMdi.h"
#include "DesktopHooks.h"

#include <QPainter>

FullMdiAlarm::FullMdiAlarm(AbstractMdi* mdi)
    : QWidget(mdi), mdi(mdi)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void FullMdiAlarm::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QFont f(font().family(), 30);
    painter.setFont(f);
    painter.setPen(QColor(0, 32, 32));
    const QRect r(0, 0, mdi->viewport()->width(), mdi->viewport()->height());
    painter.fillRect(r, QColor(255, 255, 255, 200));
    painter.fillRect(r, QColor(255, 0, 0, 50));
    painter.drawText(r, Qt::AlignCenter, tr("ALARMS:") + QStringLiteral("\n") + DesktopHooks::instance()->activeAlarmText());
}
