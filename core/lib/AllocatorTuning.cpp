#include "AllocatorTuning.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace AllocatorTuning {

const char* tunables()
{
    // mmap_threshold at its largest allowed value (32 MiB on 64-bit); the
    // trim threshold keeps up to 1 GiB of freed heap for the next run; the heap
    // grows in 64 MiB steps, so huge pages can back it.
    return "glibc.malloc.hugetlb=1:glibc.malloc.mmap_threshold=33554432:"
           "glibc.malloc.trim_threshold=1073741824:glibc.malloc.top_pad=67108864";
}

void restartTunedIfNeeded(char** argv)
{
#if defined(__GLIBC__)
    if (std::getenv("GLIBC_TUNABLES") || !argv || !argv[0])
        return;
    // The binary's own path, not /proc/self/exe: the process name comes from
    // the path, and `pgrep zembo` must still find the program.
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0)
        return;
    path[length] = '\0';
    if (setenv("GLIBC_TUNABLES", tunables(), 1) != 0)
        return;
    execv(path, argv);
    // Still here: run on with glibc's defaults (the variable stays set, so a
    // child started later does not try again).
    std::fprintf(stderr, "Could not restart with tuned memory allocation: %s\n", std::strerror(errno));
#else
    (void)argv;
#endif
}

} // namespace AllocatorTuning
