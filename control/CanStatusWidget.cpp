#include "CanStatusWidget.h"

#include "MySettings.h"
#include "RunThread.h"
#include "lib/Tools.h"

#include <QDebug>
#include <QTimer>

CanStatusWidget::CanStatusWidget(int bus, QWidget* parent)
    : QLabel(parent)
    , busIndex(bus)
{
    setFrameShape(QFrame::Box);
    setAlignment(Qt::AlignCenter);
    setTextFormat(Qt::PlainText);
    setMaximumWidth(60);
    setText(QStringLiteral("CAN %1").arg(bus + 1));
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &CanStatusWidget::slot_widgetUpdate);
    timer->start(1000);
    if (theRunThread) {
        if (bus == 0)
            connect(theRunThread, &RunThread::signal_newCanBus0Status, this, &CanStatusWidget::slot_newCANStatus);
        else
            connect(theRunThread, &RunThread::signal_newCanBus1Status, this, &CanStatusWidget::slot_newCANStatus);
    }
}

QString CanStatusWidget::getStatusText(unsigned status)
{
    switch (status) {
    case 0:
        return tr("idle");
    case 1:
        return tr("OK");
    case 2:
        return tr("error: buffer full");
    case 3:
        return tr("error: bus off");
    case 4:
        return tr("error: acknowledge");
    case 5:
        return tr("error: form");
    case 6:
        return tr("error: CRC");
    case 7:
        return tr("error: stuff");
    case 8:
        return tr("error: bit");
    default:
        return QString();
    }
}

void CanStatusWidget::clearStatusCounters()
{
    counters.fill(0);
}

void CanStatusWidget::slot_newCANStatus(unsigned status)
{
    if (status < unsigned(statusCount)) {
        ++counters[status];
        lastStatus = status;
        newStatus = true;
    }
    if (theSettings.developerMode)
        qDebug().noquote() << busIndex << "can status: " + getStatusText(status);
}

void CanStatusWidget::slot_widgetUpdate()
{
    if (newStatus)
        newStatus = false;
    else
        ++counters[lastStatus];

    QString text;
    bool idle = false;
    bool ok = false;
    bool bufferFull = false;
    bool errors = false;
    for (unsigned status = 0; status < unsigned(statusCount); ++status) {
        const int32_t count = counters[status];
        if (count <= 0)
            continue;
        if (count != 1)
            text += QStringLiteral("%1x ").arg(count);
        text += getStatusText(status) + QLatin1Char('\n');
        if (status == 0)
            idle = true;
        else if (status == 1)
            ok = true;
        else if (status == 2)
            bufferFull = true;
        else
            errors = true;
        counters[status] = 0;
    }
    if (!text.isEmpty()) {
        text.chop(1);
        if (text != toolTip())
            setToolTip(text);
    }

    QColor color = currentColor;
    if (bufferFull)
        color = QColor(255, 77, 77);
    else if (errors && !ok)
        color = idle ? QColor(255, 224, 77) : QColor(255, 77, 77);
    else if (errors && ok)
        color = QColor(255, 224, 77);
    else if (ok)
        color = QColor(140, 255, 140);
    else if (idle)
        color = palette().color(QPalette::Base);
    if (color != currentColor) {
        currentColor = color;
        Tools::setBackgroundColorWithPalette(this, color);
    }
}
