#!/usr/bin/env bash
# Writes a test image set for fpga-update into a directory: part 1
# "VORTILAN2-FPGA-2.45-1013.bin" with the ID "1A70" (so that the four OSD
# parts follow) and the OSD parts "ORVINE.0.1.OSD.01.bin" to ".04.bin".
# The data bytes are random; they are for the emulated box, not a real one.
#
# usage: scripts/make-images.sh [--small] DIRECTORY
#   default: a 640 KB part 1 and OSD parts that fill their ranges
#            (1A60 640 KB, 1A65 384 KB, 1A60 640 KB, 1A65 384 KB)
#   --small: 4 KB parts with the same IDs, for a quick run
set -euo pipefail

usage() {
    echo "usage: $0 [--small] DIRECTORY" >&2
    exit 2
}

small=0
if [ "${1:-}" = "--small" ]; then
    small=1
    shift
fi
[ $# -eq 1 ] || usage
dir=$1
mkdir -p "$dir"

# image FILE ID KILOBYTES
image() {
    local file=$dir/$1 id=$2 kb=$3
    if [ "$small" -eq 1 ]; then
        kb=4
    fi
    printf '%s' "$id" > "$file"
    head -c $((kb * 1024)) /dev/urandom >> "$file"
    echo "$file: ID $id, $((kb * 1024)) data bytes"
}

image VORTILAN2-FPGA-2.45-1013.bin 1A70 640
image ORVINE.0.1.OSD.01.bin 1A60 640
image ORVINE.0.1.OSD.02.bin 1A65 384
image ORVINE.0.1.OSD.03.bin 1A60 640
image ORVINE.0.1.OSD.04.bin 1A65 384
