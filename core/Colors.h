#pragma once

#include <QColor>

// The application palette and the colours of states (pending edits, errors,
// active outputs, limits). Invalid until init() has run.
class Colors
{
public:
    void init();

    QColor colorPending;
    QColor colorLevelHigh;
    QColor colorError;
    QColor colorHighlight;
    QColor colorLevelNormal;
    QColor colorActive;
    QColor colorPartial;
    QColor colorUnavailable;
    QColor colorInactive;
    QColor colorPositiveText;
    QColor colorAttentionText;
    QColor colorMinimum;
    QColor colorMaximum;
    QColor colorAlarmHigh;
    QColor colorWarningHigh;
    QColor colorWarningLow;
    QColor colorAlarmLow;
};

extern Colors theColors;
