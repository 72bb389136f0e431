#pragma once

// The three channels of an X-Y table. The setup children are named "x" (the
// row channel), "y" (the column channel) and "c" as stored desktops have them.
enum XYMapAxis : int {
    XYMapAxis_left = 0,   // rows
    XYMapAxis_bottom = 1, // columns
    XYMapAxis_value = 2   // cell contents and colours
};
