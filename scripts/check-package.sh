#!/usr/bin/env bash
# Checks a built package as a user would meet it: lintian finds no error, the
# desktop entries and the AppStream data validate, and, unpacked into a
# temporary folder, every program answers --version and --help without a
# display, ldd finds every library it needs, the manual pages render without
# warnings and the bash completion loads.
#
#   scripts/check-package.sh PACKAGE.deb
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
deb=$1
programs=(VORTILAN2-GUI fpga-update vortilan2 vortilan2-emu vortilan2-box)

failures=0
fail() {
    echo "check-package: $*" >&2
    failures=$((failures + 1))
}

root=$(mktemp -d "${TMPDIR:-/tmp}/vortilan2-package.XXXXXX")
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

# The control fields that the package promises.
version=$(dpkg-deb -f "$deb" Version)
upstream=${version%-*}
[ "$(dpkg-deb -f "$deb" Package)" = vortilan2 ] || fail "the package is not called vortilan2"
[ "$(dpkg-deb -f "$deb" Section)" = electronics ] || fail "the section is not electronics"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libusb-1.0-0 libc6; do
    [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

# Lintian: errors fail; the warnings it gives are printed.
lintian_out=$(lintian --allow-root --tag-display-limit 0 "$deb" 2>&1) || true
[ -z "$lintian_out" ] || printf '%s\n' "$lintian_out"
if grep -q '^E: ' <<<"$lintian_out"; then
    fail "lintian reports errors"
fi

desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entries do not validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null ||
    { appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || true; fail "the AppStream data does not validate"; }

for file in lib/udev/rules.d/70-vortilan2.rules share/icons/hicolor/scalable/apps/vortilan2.svg \
    share/icons/hicolor/48x48/apps/vortilan2.png share/bash-completion/completions/vortilan2 \
    share/doc/vortilan2/copyright; do
    [ -f "$root/usr/$file" ] || fail "/usr/$file is missing"
done

for program in "${programs[@]}"; do
    binary="$root/usr/bin/$program"
    if [ ! -x "$binary" ]; then
        fail "/usr/bin/$program is missing"
        continue
    fi
    missing=$(ldd "$binary" | grep 'not found' || true)
    [ -z "$missing" ] || fail "$program: libraries not found: $missing"
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$binary" --version 2>&1) ||
        fail "$program --version failed: $out"
    [ "$out" = "$program $upstream" ] || fail "$program --version says \"$out\", not \"$program $upstream\""
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$binary" --help 2>&1) ||
        fail "$program --help failed: $out"
    [[ $out == "Usage: $program "* ]] || fail "$program --help does not start with its usage: $out"

    page="$root/usr/share/man/man1/$program.1.gz"
    if [ ! -f "$page" ]; then
        fail "the manual page of $program is missing"
        continue
    fi
    warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) ||
        fail "man cannot render the page of $program"
    [ -z "$warnings" ] || fail "the manual page of $program renders with warnings: $warnings"
done

completion=$root/usr/share/bash-completion/completions/vortilan2
bash -c 'source "$1" && complete -p vortilan2 >/dev/null' bash "$completion" ||
    fail "the bash completion does not load"

if [ "$failures" -ne 0 ]; then
    echo "check-package: $failures problems in $deb" >&2
    exit 1
fi
echo "check-package: $deb is sound"
