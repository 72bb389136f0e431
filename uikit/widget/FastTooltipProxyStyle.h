#pragma once

#include <QProxyStyle>

// Tooltips after 50 ms: the database tables show long texts and run previews
// as the pointer rests, and the style's usual delay feels sluggish there.
class FastTooltipProxyStyle : public QProxyStyle
{
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};
