#!/bin/sh
# Without a display the program says so in one line and exits non-zero,
# instead of Qt's abort and core dump.
#   no_display.sh /path/to/kvizor
set -u
KVIZOR=$1

check() {
    out=$("$@" 2>&1)
    status=$?
    [ "$status" -eq 1 ] || { echo "FAIL: exit status $status, not 1, for: $*"; exit 1; }
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
# Settings that make Qt itself give up: each names the display and the cause.
check env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=garbage "$KVIZOR"
check env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=localhost:47.0 "$KVIZOR"
check env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=kvizor-none "$KVIZOR"
check env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=no-such-platform DISPLAY=":$n" "$KVIZOR"
runtime=$(mktemp -d)
check env -u DISPLAY QT_QPA_PLATFORM=wayland XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=kvizor-none "$KVIZOR"
rmdir "$runtime"
out=$(env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=no-such-platform "$KVIZOR" 2>&1)
case "$out" in *no-such-platform*) ;; *) echo "FAIL: the platform is not named: $out"; exit 1 ;; esac
out=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=localhost:47.0 "$KVIZOR" 2>&1)
case "$out" in *localhost:47.0*) ;; *) echo "FAIL: the display is not named: $out"; exit 1 ;; esac
exit 0
