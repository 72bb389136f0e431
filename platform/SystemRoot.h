#pragma once

#include <QString>

// Where the board's system files ("/boot/cmdline.txt", "/sys/...", "/etc/...")
// are read. On the board that is "/". When the stand-ins are in use
// (simulation or tests), ZEMBO_SYSTEM_ROOT may name another folder that holds
// the same paths, so the set-up code reads fixtures instead of the development
// machine's own files. It is ignored otherwise: a real board never reads its
// system state from elsewhere while its commands act on "/".
//
// The simulated dyno without ZEMBO_SYSTEM_ROOT runs on a simulated board of
// its own, in the configuration folder: "simulatedSystem", a board that is
// already set up (USB-serial access, CPU 3 isolated, its own password), so
// the program opens straight into its main window. ZEMBO_SIM_FIRST_BOOT=1
// gives "simulatedFirstBootSystem" instead, made anew at every start as a
// board fresh from the image (nothing set up, the stock password), so the
// first-run set-up can be seen.
class SystemRoot
{
public:
    SystemRoot() = delete;

    static QString root();
    // `absolutePath` (starting with "/") below the root.
    // On the simulated board, the kernel's live files (/proc, thermal zones)
    // are this machine's own.
    static QString filePath(const QString& absolutePath);

    // The root is the simulated board's (simulation, no ZEMBO_SYSTEM_ROOT).
    static bool simulatedBoard();
    // ... and that board is fresh from the image (ZEMBO_SIM_FIRST_BOOT=1).
    static bool simulatedFirstBoot();
};
