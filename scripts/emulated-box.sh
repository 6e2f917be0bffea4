# Sourced by the scripts that run a program against an emulated box.
#
#   start_emulated_box BUILD_DIR STATE TRACE
#
# starts BUILD_DIR/bin/vortilan2-emu in the named state on a socket in a
# temporary directory of its own (TRACE: a trace file, or "quiet"), waits
# until it listens, and sets $box_dir, $box_socket and $box_control (its
# control socket, for BUILD_DIR/bin/vortilan2-box). The emulator is stopped
# and the directory removed when the calling script exits.

box_dir=
box_socket=
box_control=
box_pid=

stop_emulated_box() {
    if [ -n "$box_pid" ]; then
        kill "$box_pid" 2>/dev/null || true
        wait "$box_pid" 2>/dev/null || true
        box_pid=
    fi
    if [ -n "$box_dir" ]; then
        rm -rf "$box_dir"
        box_dir=
    fi
}

start_emulated_box() {
    local build_dir=$1 state=$2 trace=$3
    box_dir=$(mktemp -d "${TMPDIR:-/tmp}/vortilan2-box.XXXXXX")
    box_socket="$box_dir/box.sock"
    box_control="$box_dir/control.sock"
    trap stop_emulated_box EXIT
    trap 'exit 130' INT TERM

    local trace_args=(--quiet)
    if [ "$trace" != quiet ]; then
        trace_args=(--trace "$trace")
    fi
    "$build_dir/bin/vortilan2-emu" --state "$state" "${trace_args[@]}" \
        --control "$box_control" "$box_socket" \
        </dev/null >"$box_dir/control.log" 2>&1 &
    box_pid=$!
    for _ in $(seq 100); do
        [ -S "$box_socket" ] && return 0
        if ! kill -0 "$box_pid" 2>/dev/null; then
            cat "$box_dir/control.log" >&2
            echo "the emulator did not start" >&2
            return 1
        fi
        sleep 0.1
    done
    echo "the emulator did not open $box_socket" >&2
    return 1
}
