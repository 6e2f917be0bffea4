#!/usr/bin/env bash
# Tries the configuration utility on an emulated box: installs what is
# missing, builds, starts vortilan2-emu (the box as shipped, with a 4K HDR
# source and two TVs) on a socket of its own, opens VORTILAN2-GUI on it, and
# stops the emulator when the window closes.
#
#   scripts/demo.sh                 build into build/
#   BUILD_DIR=elsewhere scripts/demo.sh
#   STATE=sdr scripts/demo.sh       another named state of the emulator
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BUILD_DIR:-build}
STATE=${STATE:-default}

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    echo "demo: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
    echo "demo: run it in a desktop session, or under xvfb-run for a window nobody sees." >&2
    exit 1
fi

scripts/deps.sh
cmake -S . -B "$BUILD_DIR" -G Ninja
cmake --build "$BUILD_DIR" --target vortilan2-emu VORTILAN2-GUI

dir=$(mktemp -d "${TMPDIR:-/tmp}/vortilan2-demo.XXXXXX")
socket="$dir/box.sock"
emu_pid=
cleanup() {
    if [ -n "$emu_pid" ]; then
        kill "$emu_pid" 2>/dev/null || true
        wait "$emu_pid" 2>/dev/null || true
    fi
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$BUILD_DIR/bin/vortilan2-emu" --state "$STATE" --trace "$dir/trace.log" "$socket" \
    </dev/null >"$dir/control.log" 2>&1 &
emu_pid=$!
for _ in $(seq 100); do
    [ -S "$socket" ] && break
    if ! kill -0 "$emu_pid" 2>/dev/null; then
        cat "$dir/control.log" >&2
        echo "demo: the emulator did not start" >&2
        exit 1
    fi
    sleep 0.1
done
if [ ! -S "$socket" ]; then
    echo "demo: the emulator did not open $socket" >&2
    exit 1
fi

echo "demo: emulated box on $socket; its traffic: tail -f $dir/trace.log"
VORTILAN2_EMULATOR="$socket" "$BUILD_DIR/bin/VORTILAN2-GUI"
