#!/usr/bin/env bash
# The Debian package of this build tree: built with CPack, unpacked into a throwaway root and
# checked for what an installation and a software centre need.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$1/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$work/cpack.log")"
deb=$(echo "$work"/out/tarvolin_*.deb)
[ -f "$deb" ] || fail "no package in $(ls "$work/out")"
dpkg-deb -x "$deb" "$work/root"
root=$work/root
metainfo=$root/usr/share/metainfo/org.tarvolin.Tarvolin.metainfo.xml
entry=$root/usr/share/applications/tarvolin.desktop
[ -x "$root/usr/bin/tarvolin" ] || fail "no /usr/bin/tarvolin in the package"
[ -s "$entry" ] || fail "no desktop entry in the package"
[ -s "$metainfo" ] || fail "no AppStream metadata in the package"

# The entry, its icon and the metadata must name each other, or the menu shows no icon and the
# software centre no launcher.
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -s "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon '$icon'"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ -s "$root/usr/share/applications/$launchable" ] || fail "no desktop entry '$launchable'"
[ "$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")" = tarvolin ] || fail "the entry starts no tarvolin"

# The Qt runtime comes in through the dependencies that dpkg-shlibdeps found.
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libqt6widgets6* && $depends == *libc6* ]] || fail "Depends: $depends"
# Launch URL needs xdg-open; Wayland desktops want Qt's plug-in for them.
[[ $depends == *xdg-utils* ]] || fail "Depends: $depends"
[ "$(dpkg-deb -f "$deb" Recommends)" = qt6-wayland ] || fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"
# One main category, or menus list the program twice.
[ "$(sed -n 's/^Categories=//p' "$entry")" = "Network;" ] || fail "$(grep Categories "$entry")"

if ! command -v appstreamcli >/dev/null; then
    echo "SKIP: appstreamcli is not installed (scripts/install-deps test installs it)"
    exit 77
fi
appstreamcli validate --no-net "$metainfo"
