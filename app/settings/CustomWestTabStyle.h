#pragma once

#include <QProxyStyle>

// The tab bar style of the SETTINGS tab: tabs on the west side keep their
// labels horizontal, so the page names read without turning one's head.
class CustomWestTabStyle : public QProxyStyle
{
    Q_OBJECT
public:
    explicit CustomWestTabStyle(QObject* parent = nullptr);

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
};
