#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# skipping those already installed. Packages named as arguments are installed
# as well (scripts/fuzz.sh asks for clang that way).
set -euo pipefail

packages=(
    build-essential
    cmake
    ninja-build
    pkg-config
    git
    qt6-base-dev
    qt6-base-dev-tools
    libgl-dev
    libusb-1.0-0-dev
    libgtest-dev
    libgmock-dev
    umockdev
    libumockdev-dev
    xvfb
    xauth
    fonts-dejavu-core
    edid-decode
    # Installing and packaging: the icon's PNGs, the manual pages, the Debian
    # package and its checks (scripts/package.sh, scripts/check-package.sh).
    librsvg2-bin
    help2man
    gzip
    file
    dpkg-dev
    desktop-file-utils
    appstream
    lintian
    man-db
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
