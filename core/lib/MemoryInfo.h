#pragma once

#include <QtGlobal>

// Memory the system can still hand out, as the kernel estimates it
// ("MemAvailable" of /proc/meminfo), in MiB. Loading and recalculating runs
// check it before they allocate, and the status bar shows it.
namespace MemoryInfo {

// ZEMBO_MEMORY_AVAILABLE_MIB, when set to a number, replaces the reading (tests).
// 0 when the file cannot be read.
quint64 availableMiB();

} // namespace MemoryInfo
