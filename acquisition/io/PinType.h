#pragma once

// What a connector pin is, shown by the colour of its square on the I/O page.
enum PinType : int {
    PinType_black = 0,
    PinType_red = 1,
    PinType_white = 2
};
