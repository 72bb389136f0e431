#include "Fonts.h"

#include <QFontDatabase>

Fonts theFonts;

Fonts::Fonts() = default;

void Fonts::init()
{
    fixedFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixedFontBase = fixedFont;
    fixedFontBase.setPointSize(baseSize);
    normalFont.setPointSize(baseSize);
    bigFont.setPointSize(16);
    hugeFont.setPointSize(20);
}
