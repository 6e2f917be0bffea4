#!/usr/bin/env bash
# Builds the Debian package vortilan2 from a Release build (with -Werror) in
# build-release/ and prints the path of the .deb. Install it with
#
#   sudo apt install ./build-release/package/vortilan2_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."

# Everything but the package's path goes to standard error.
{
    scripts/deps.sh
    cmake --preset release >/dev/null
    cmake --build --preset release -j "$(nproc)"
} >&2
out=build-release/package
rm -f "$out"/vortilan2_*.deb
cpack --config build-release/CPackConfig.cmake -B "$out" >&2
debs=("$out"/vortilan2_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "package: cpack made no package in $out" >&2
    exit 1
fi
echo "$(pwd)/${debs[0]}"
