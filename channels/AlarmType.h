#pragma once

// Which alarm limit of a live channel is exceeded.
enum AlarmType : int {
    AlarmType_low = 0,
    AlarmType_high = 1
};
