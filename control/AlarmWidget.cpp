#include "AlarmWidget.h"

#include "Colors.h"
#include "lib/Tools.h"

AlarmWidget::AlarmWidget(QWidget* parent)
    : QLabel(parent)
{
    setFrameShape(QFrame::Box);
    setAlignment(Qt::AlignCenter);
    setText(tr("No alarm"));
}

void AlarmWidget::setAlarmActive(bool active)
{
    alarmActive = active;
    setText(active ? tr("ALARM") : tr("No alarm"));
    if (active) {
        Tools::setBackgroundColorWithPalette(this, QColor(255, 77, 77));
    } else {
        setAutoFillBackground(false);
        setPalette(QPalette());
    }
}
