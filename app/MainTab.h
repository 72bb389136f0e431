#pragma once

// The main tabs by index; other parts of the program use these numbers.
enum MainTab : int {
    MainTab_projects = 0,
    MainTab_analyze = 1,
    MainTab_run = 2,
    MainTab_settings = 3,
    MainTab_io = 4
};
