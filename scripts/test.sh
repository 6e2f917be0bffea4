#!/usr/bin/env bash
# Installs what is missing, then:
# - builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and
#   -Werror into build-dev/ and runs every test headless;
# - builds the Release configuration with -Werror into build-release/ (its
#   tests are built, not run again), makes the Debian package from it and
#   checks the package (scripts/check-package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
jobs=$(nproc)

cmake --preset dev >/dev/null
cmake --build --preset dev -j "$jobs"
ctest --preset dev -j "$jobs"

deb=$(scripts/package.sh)
scripts/check-package.sh "$deb"
