#pragma once

// Selects an axis of the program's plots. The range selection plot and the
// scatter plot use the first two value axes (and the bottom one for time); the
// analysis plots all five. Stored as these numbers in desktop files.
enum PlotAxis : int {
    PlotAxis_none = -1,
    PlotAxis_left = 0,       // the left (inner) value axis
    PlotAxis_right = 1,      // the right (inner) value axis
    PlotAxis_bottom = 2,     // the key axis
    PlotAxis_leftOuter = 3,  // analysis plots: the second left value axis
    PlotAxis_rightOuter = 4  // analysis plots: the second right value axis
};
