#pragma once

#include <QProxyStyle>

// Header sections of the loaded-runs table with an icon (eye, video): the
// icon centred in the section, the text beside it.
class HeaderProxyStyle : public QProxyStyle
{
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};
