#!/bin/sh
# Runs one test program with a fresh, empty HOME (the configuration folder is
# created anew for every test), headless, with the platform stand-ins.
home=$(mktemp -d "${TMPDIR:-/tmp}/zembo-home.XXXXXX") || exit 1
export HOME="$home"
export XDG_RUNTIME_DIR="$home/.runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
export ZEMBO_TEST=1
export ZEMBO_SIMULATE=1
# Qt and GLib are not built with the thread sanitizer: what their own code
# does through intercepted calls (memcpy, delete, condition variables) is not
# ours to judge, and ThreadSanitizer cannot see their locks. Our code stays
# fully checked; what the sanitizers must not report is listed, with the
# reason, in sanitizers/ and counted at the end of every run (options given
# by the caller come last and win).
sanitizers="$(cd "$(dirname "$0")" && pwd)/sanitizers"
# ThreadSanitizer ends a child forked from a threaded process as soon as a
# thread starts in it (die_after_fork); QProcess's children only go on to run
# another program, so they are let live.
export TSAN_OPTIONS="ignore_noninstrumented_modules=1:die_after_fork=0:suppressions=$sanitizers/tsan.supp:print_suppressions=1${TSAN_OPTIONS:+:$TSAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$sanitizers/lsan.supp:print_suppressions=1${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# A key of its own, so tests never collide with a running program or each other.
export ZEMBO_INSTANCE_KEY="zembo-test-$$"
"$@"
rc=$?
rm -rf "$home"
exit $rc
