#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for a set time, starting from
# its seed corpus. Prints each target's executions and findings.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default: 60 seconds, every target
#   FUZZ_BUILD_DIR=elsewhere scripts/fuzz.sh
#
# New inputs go to <build>/fuzz-work/<target>/corpus (the seed corpus in
# tests/fuzz/corpus/ is only read); a finding is saved as
# <build>/fuzz-work/<target>/crash-... (or leak-, timeout-, oom-). Add a
# finding to the seed corpus once it is mended, so that it replays as a test.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}

scripts/deps.sh clang libclang-rt-14-dev
cmake --preset fuzz -B "$BUILD_DIR" >/dev/null
cmake --build "$BUILD_DIR" --target fuzz_targets

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for t in "$BUILD_DIR"/fuzz/*; do
        [ -x "$t" ] && targets+=("$(basename "$t")")
    done
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export QT_QPA_PLATFORM=offscreen
summary=()
status=0
for t in "${targets[@]}"; do
    work="$BUILD_DIR/fuzz-work/$t"
    mkdir -p "$work/corpus"
    log="$work/run.log"
    echo "fuzz: $t for ${seconds}s (log: $log)"
    set +e
    "$BUILD_DIR/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/" \
        "$work/corpus" "tests/fuzz/corpus/$t" >"$log" 2>&1
    rc=$?
    set -e
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
    findings=$(find "$work" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
    summary+=("$(printf '%-28s executions %10s   findings %s   exit %s' "$t" "${execs:-?}" "$findings" "$rc")")
    if [ "$rc" -ne 0 ] || [ "$findings" -ne 0 ]; then
        status=1
        tail -40 "$log"
    fi
done

echo
echo "fuzz: ${seconds}s per target"
printf '%s\n' "${summary[@]}"
exit $status
