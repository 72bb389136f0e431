#pragma once

// Recalculating a recorded run allocates hundreds of vectors of several MB
// each. With glibc's defaults every one of them is a fresh mmap that is
// faulted in 4 KiB page by page and handed back on free, so a 10-minute run
// spent most of its recalculation in page faults (about 500,000 of them).
// Keeping big blocks on the heap, not trimming it, and letting the kernel back
// it with huge pages brings that down to a few thousand.
//
// These are glibc tunables, read only when a process starts: the first call
// sets GLIBC_TUNABLES and starts the program again in place (same pid,
// arguments and environment otherwise). Where GLIBC_TUNABLES is set already,
// by a launcher or by someone who wants glibc's defaults (set it to an empty
// string), nothing is changed.
namespace AllocatorTuning {

// Returns only when the program keeps running as it is (already tuned, told
// not to, or the restart failed, which is logged to stderr).
void restartTunedIfNeeded(char** argv);

// The value this program puts into GLIBC_TUNABLES.
const char* tunables();

} // namespace AllocatorTuning
