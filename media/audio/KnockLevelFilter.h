#pragma once

#include "IIR.h"

// The knock detector's level filter: the first-order low-pass of the rest of
// the program, plus the restart it needs when live processing is switched on
// and the previous output the knock test compares against.
class KnockLevelFilter : public IIR
{
public:
    void restart()
    {
        m_state = std::numeric_limits<double>::quiet_NaN();
        m_elapsed = 0.0;
    }
};
