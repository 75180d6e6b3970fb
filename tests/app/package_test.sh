#!/usr/bin/env bash
# `cmake --install` and `cpack -G DEB` put Velmora where Debian's screen-saver packages put
# theirs: the package lists exactly the expected files, depends on the libraries the programs
# load, and once extracted into a scratch root XScreenSaver's layout holds: the hack in
# libexec/xscreensaver, its configuration (valid XML, named after the hack) in
# xscreensaver/config, the MATE and Xfce entry pointing at the installed hack, which runs; the
# saver finds its dialog program in libexec/velmora.
# Needs: BUILD_DIR, CMAKE and CPACK (set by CTest); dpkg-deb, xmllint.
set -euo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
pass() { echo "ok: $*"; }

expected="./usr/bin/velmora
./usr/libexec/velmora/velmora-settings
./usr/libexec/xscreensaver/velmora-hack
./usr/share/applications/screensavers/velmora-hack.desktop
./usr/share/applications/velmora.desktop
./usr/share/pixmaps/velmora.svg
./usr/share/xscreensaver/config/velmora-hack.xml"

# cmake --install into a staging root.
DESTDIR="$scratch/stage" "${CMAKE:?}" --install "${BUILD_DIR:?}" --prefix /usr >/dev/null
installed=$(cd "$scratch/stage" && find . -type f | sort)
[ "$installed" = "$expected" ] || fail "cmake --install put: $installed"
pass "cmake --install puts the programs, the configuration, the entries and the icon"

# cpack -G DEB, staged in the scratch folder rather than the build folder.
"${CPACK:?}" -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$scratch/package" >"$scratch/cpack.log" ||
    { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB failed"; }
deb=$(ls "$scratch"/package/velmora_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || fail "cpack wrote no velmora_*.deb"
listed=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
[ "$listed" = "$expected" ] || fail "dpkg-deb --contents lists: $listed"
pass "$(basename "$deb") holds exactly the expected files"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libsdl2-2.0-0 libepoxy0 libegl1 libgl1 libgtk-3-0 libfreetype6 libx11-6 libc6; do
    echo "$depends" | grep -Eq "(^|, )$library( |,|$)" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = velmora ] || fail "the package is not named velmora"
pass "Depends: $depends"

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
hack="$root/usr/libexec/xscreensaver/velmora-hack"
[ -x "$hack" ] || fail "the hack is not executable in libexec/xscreensaver"
config="$root/usr/share/xscreensaver/config/velmora-hack.xml"
xmllint --noout "$config" || fail "the XScreenSaver configuration does not parse"
# XScreenSaver finds a hack's configuration by the hack's name.
[ "$(xmllint --xpath 'string(/screensaver/@name)' "$config")" = velmora-hack ] ||
    fail "the configuration does not name velmora-hack"
for attribute in low:5 high:100 default:50; do
    value=$(xmllint --xpath "string(//number[@id='birds']/@${attribute%%:*})" "$config")
    [ "$value" = "${attribute#*:}" ] || fail "bird slider $attribute is $value"
done
pass "the configuration parses, names the hack and offers 5 to 100 birds, 50 by default"

entry="$root/usr/share/applications/screensavers/velmora-hack.desktop"
grep -qx 'Exec=/usr/libexec/xscreensaver/velmora-hack --root' "$entry" ||
    fail "the screen-saver entry does not run the installed hack: $(grep Exec "$entry")"
grep -qx 'Exec=velmora' "$root/usr/share/applications/velmora.desktop" ||
    fail "the application entry does not run velmora"
pass "the desktop entries run the installed programs"

"$hack" -help >/dev/null || fail "the installed hack does not run"
code=0
"$hack" -birds 0 2>/dev/null || code=$?
[ "$code" -eq 2 ] || fail "the installed hack accepted -birds 0 (code $code)"
pass "the extracted hack runs"

code=0
"$root/usr/libexec/velmora/velmora-settings" </dev/null 2>/dev/null || code=$?
[ "$code" -eq 2 ] || fail "the installed dialog program ran without a request (code $code)"
# Without a display the dialog program starts and reports no display; the saver then ends.
errors=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/velmora" 2>&1 >/dev/null || true)
case "$errors" in
    *"cannot run the settings dialog"*) fail "the installed saver misses its dialog: $errors" ;;
esac
pass "the installed saver finds its dialog program in libexec/velmora"
