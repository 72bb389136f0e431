#include "Colors.h"

#include <QApplication>
#include <QPalette>

Colors theColors;

void Colors::init()
{
    QPalette palette;
    auto set = [&palette](QPalette::ColorGroup group, QPalette::ColorRole role, int r, int g, int b) {
        palette.setBrush(group, role, QBrush(QColor(r, g, b), Qt::SolidPattern));
    };
    set(QPalette::All, QPalette::Window, 239, 239, 239);
    set(QPalette::All, QPalette::WindowText, 0, 0, 0);
    set(QPalette::Disabled, QPalette::WindowText, 189, 189, 189);
    set(QPalette::All, QPalette::Base, 255, 255, 255);
    set(QPalette::All, QPalette::AlternateBase, 246, 246, 246);
    set(QPalette::All, QPalette::ToolTipBase, 255, 255, 219);
    set(QPalette::All, QPalette::ToolTipText, 0, 0, 0);
    set(QPalette::All, QPalette::Text, 0, 0, 0);
    set(QPalette::Disabled, QPalette::Text, 189, 189, 189);
    set(QPalette::All, QPalette::Dark, 159, 159, 159);
    set(QPalette::All, QPalette::Shadow, 118, 118, 118);
    set(QPalette::All, QPalette::Button, 239, 239, 239);
    set(QPalette::All, QPalette::ButtonText, 0, 0, 0);
    set(QPalette::Disabled, QPalette::ButtonText, 189, 189, 189);
    set(QPalette::All, QPalette::BrightText, 255, 255, 255);
    set(QPalette::All, QPalette::Link, 0, 0, 255);
    set(QPalette::All, QPalette::Highlight, 47, 140, 198);
    set(QPalette::Disabled, QPalette::Highlight, 144, 144, 144);
    set(QPalette::All, QPalette::HighlightedText, 255, 255, 255);
    set(QPalette::Disabled, QPalette::HighlightedText, 255, 255, 255);
    QApplication::setPalette(palette);

    colorPending = QColor(255, 224, 77);
    colorLevelHigh = QColor(206, 170, 0);
    colorError = QColor(255, 77, 77);
    colorHighlight = QColor(77, 255, 77);
    colorLevelNormal = QColor(0, 206, 0);
    colorActive = QColor(140, 255, 140);
    colorPartial = QColor(220, 255, 255);
    colorUnavailable = QColor(230, 230, 230);
    colorInactive = palette.color(QPalette::Base);
    colorPositiveText = QColor(0, 130, 0);
    colorAttentionText = QColor(Qt::red);
    colorMinimum = QColor(200, 255, 255);
    colorMaximum = QColor(255, 200, 200);
    colorAlarmHigh = QColor(255, 0, 0);
    colorWarningHigh = QColor(255, 150, 0);
    colorWarningLow = QColor(0, 150, 255);
    colorAlarmLow = QColor(0, 0, 255);
}
