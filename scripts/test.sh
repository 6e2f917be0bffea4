#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BUILD_DIR:-build}

scripts/deps.sh
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORTILAN2_SANITIZE=ON -DVORTILAN2_WERROR=ON -DVORTILAN2_TESTS=ON
cmake --build "$BUILD_DIR" -j "$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
