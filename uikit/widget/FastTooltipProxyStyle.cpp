#include "FastTooltipProxyStyle.h"

int FastTooltipProxyStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                     QStyleHintReturn* returnData) const
{
    if (hint == QStyle::SH_ToolTip_WakeUpDelay)
        return 50;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}
