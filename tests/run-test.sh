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
# fully checked.
export TSAN_OPTIONS="${TSAN_OPTIONS:-ignore_noninstrumented_modules=1}"
# A key of its own, so tests never collide with a running program or each other.
export ZEMBO_INSTANCE_KEY="zembo-test-$$"
"$@"
rc=$?
rm -rf "$home"
exit $rc
