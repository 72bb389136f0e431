#include "MuteDebug.h"

std::atomic<bool> g_muteDebug {false};
