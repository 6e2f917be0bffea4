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
cmake --preset default -B "$BUILD_DIR" >/dev/null
cmake --build "$BUILD_DIR" --target vortilan2-emu vortilan2-screenshots

. scripts/emulated-box.sh
start_emulated_box "$BUILD_DIR" "$STATE" quiet

mkdir -p "$OUT"
QT_QPA_PLATFORM=offscreen VORTILAN2_EMULATOR="$box_socket" \
    "$BUILD_DIR/tools/vortilan2-screenshots" "$OUT"
ls "$OUT"
