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
    locales
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

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi

if [ ${#missing[@]} -ne 0 ]; then
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The tests that numbers read and write the same in every locale run under a
# comma-decimal locale.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
    echo "Generating the locale de_DE.UTF-8"
    "${sudo[@]}" sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -qx 'de_DE.UTF-8 UTF-8' /etc/locale.gen ||
        echo 'de_DE.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen > /dev/null
    "${sudo[@]}" locale-gen
fi
