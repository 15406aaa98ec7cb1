#!/bin/sh
# Without a display the program says so in one line and exits non-zero,
# instead of Qt's abort and core dump.
#   no_display.sh /path/to/kvizor
set -u
KVIZOR=$1

check() {
    out=$("$@" 2>&1)
    status=$?
    [ "$status" -ne 0 ] || { echo "FAIL: exit status 0 for: $*"; exit 1; }
    [ "$status" -lt 128 ] || { echo "FAIL: killed by a signal ($status) for: $*"; exit 1; }
    lines=$(printf '%s\n' "$out" | wc -l)
    [ "$lines" -eq 1 ] || { echo "FAIL: $lines lines for: $*"; printf '%s\n' "$out"; exit 1; }
    echo "ok: $out"
}

check env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$KVIZOR"
# A display number nobody serves.
n=91
while [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
check env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=":$n" "$KVIZOR"
exit 0
