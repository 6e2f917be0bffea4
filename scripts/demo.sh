#!/usr/bin/env bash
# Tries the configuration utility on an emulated box: installs what is
# missing, builds every program (the updater and the tools that the docs name
# included), starts vortilan2-emu (the box as shipped, with a 4K HDR source
# on port 0, a 1080p SDR source on port 1 and two TVs) on a socket of its own,
# opens VORTILAN2-GUI on it, and stops the emulator when the window closes.
#
#   scripts/demo.sh                 build without sanitizers into build/
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
cmake --preset default -B "$BUILD_DIR" >/dev/null
cmake --build "$BUILD_DIR"

trace="${TMPDIR:-/tmp}/vortilan2-demo-trace.log"
: >"$trace"
. scripts/emulated-box.sh
start_emulated_box "$BUILD_DIR" "$STATE" "$trace"

box="$(cd "$BUILD_DIR" && pwd)/bin/vortilan2-box $box_control"
cat <<EOF
demo: emulated box on $box_socket; its traffic: tail -f $trace
demo: move the box's switches and remote from another terminal while the window is open:
  $box edidswitch fixed        (or automix, custom)
  $box input top               (or bot, thru, swap)
  $box hdcpswitch 1.4          (or soft, 2.2)
  $box state sdr               (or default, hlg, nosignal, onetv)
  $box help                    (every command)
EOF
VORTILAN2_EMULATOR="$box_socket" "$BUILD_DIR/bin/VORTILAN2-GUI"
