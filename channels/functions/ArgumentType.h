#pragma once

// Where an argument takes its value from. The number is stored in settings and
// run files through its text key (Argument::typeKey), never as a number.
enum ArgumentType : int {
    ArgumentType_null = 0,      // "null": no source, reads NaN
    ArgumentType_constant = 1,  // "constant": a constant in SI units
    ArgumentType_channel = 2,   // "channel": a live (or, for recorded runs, a recorded) channel
    ArgumentType_projectInfo = 3 // "projectInfo": a field of the active project
};
