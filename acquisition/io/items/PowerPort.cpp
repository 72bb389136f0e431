#include "PowerPort.h"

#include "IOReadings.h"

#include <QApplication>
#include <QPalette>

PowerPort::PowerPort(QWidget* parent)
    : IOItem(parent)
{
    addPins({PinType_black, PinType_red});
}

void PowerPort::updateTimerTick()
{
    setValueText(QString::asprintf("%.2f\nV", IOReadings::supplyMillivoltsOf(id) / 1000.0));
    setValueBackground(IOReadings::supplyWarningLoggedOf(id) ? QColor(255, 77, 77)
                                                             : QApplication::palette().color(QPalette::Base));
}
