#pragma once

#include <atomic>

// Data bytes A..D of the vehicle's replies to PIDs 4F and 50 (0 until it
// answered): written by the OBD thread at each vehicle connection, read by
// every UDS equation, which may run in the GUI thread at the same moment.
// Each channel copies them into its own parser variables before it evaluates.
extern std::atomic<double> theObdPid4F[4];
extern std::atomic<double> theObdPid50[4];
