#!/usr/bin/env bash
# Retakes the pictures of the main window in docs/screenshots/, one per tab,
# against an emulated box, drawn off screen (no display needed).
#
#   scripts/screenshots.sh
#   BUILD_DIR=elsewhere OUT=/tmp/shots scripts/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BUILD_DIR:-build}
OUT=${OUT:-docs/screenshots}
STATE=${STATE:-default}

scripts/deps.sh
cmake -S . -B "$BUILD_DIR" -G Ninja
cmake --build "$BUILD_DIR" --target vortilan2-emu vortilan2-screenshots

dir=$(mktemp -d "${TMPDIR:-/tmp}/vortilan2-shots.XXXXXX")
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

"$BUILD_DIR/bin/vortilan2-emu" --state "$STATE" --quiet "$socket" </dev/null >/dev/null 2>&1 &
emu_pid=$!
for _ in $(seq 100); do
    [ -S "$socket" ] && break
    kill -0 "$emu_pid" 2>/dev/null || { echo "screenshots: the emulator did not start" >&2; exit 1; }
    sleep 0.1
done
[ -S "$socket" ] || { echo "screenshots: the emulator did not open $socket" >&2; exit 1; }

mkdir -p "$OUT"
QT_QPA_PLATFORM=offscreen VORTILAN2_EMULATOR="$socket" \
    "$BUILD_DIR/tools/vortilan2-screenshots" "$OUT"
ls "$OUT"
