#pragma once

#include <QFont>

// The base point size and the fonts derived from it.
class Fonts
{
public:
    Fonts();
    void init();

    int baseSize = 12;
    QFont fixedFont;
    QFont fixedFontBase;
    QFont normalFont;
    QFont bigFont;
    QFont hugeFont;
};

extern Fonts theFonts;
