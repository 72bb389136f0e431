#pragma once

#include <atomic>

// While set, the application's message handler drops every message; whoever
// sets it clears it again. Lives here so the layers below the application
// (the Bluetooth discovery, for one) can mute the log around noisy calls.
extern std::atomic<bool> g_muteDebug;
