#!/usr/bin/env bash
# "cmake --install" into a fresh prefix lays out the program, its settings
# program (libexec/velmo/velmo-setup), a link to it
# for xscreensaver, the settings' menu entry, the icon, the manual page and
# xscreensaver's description of the program, and the installed program runs
# on its own. Installed without the dialog's part (as the package velmo
# without velmo-setup), velmo /c says which package to install.
source "$(dirname "$0")/lib.sh"
build="$(cd "$(dirname "$VELMO")" && pwd)"
prefix="$WORK/prefix"

cmake --install "$build" --prefix "$prefix" >"$WORK/install.log" 2>&1 || fail "install failed: $(cat "$WORK/install.log")"

bin="$prefix/bin/velmo"
[ -x "$bin" ] || fail "no executable bin/velmo"
cmp -s "$bin" "$VELMO" || fail "bin/velmo is not the program that was built"

hack="$prefix/libexec/xscreensaver/velmo"
[ -L "$hack" ] && [ "$(readlink "$hack")" = ../../bin/velmo ] || fail "libexec/xscreensaver/velmo is no link to bin/velmo"
[ "$(readlink -f "$hack")" = "$(readlink -f "$bin")" ] || fail "libexec/xscreensaver/velmo does not reach the program"
man="$prefix/share/man/man6/velmo.6.gz"
[ -f "$man" ] || fail "no manual page share/man/man6/velmo.6.gz"
zcat "$man" | grep -q '^\.TH VELMO 6' || fail "the manual page is not velmo(6)"

desktop="$prefix/share/applications/velmo-settings.desktop"
[ -f "$desktop" ] || fail "no menu entry share/applications/velmo-settings.desktop"
grep -qx "Exec=velmo /c" "$desktop" || fail "the menu entry does not run 'velmo /c'"
grep -qx "Icon=velmo" "$desktop" || fail "the menu entry names no velmo icon"
grep -qx "Type=Application" "$desktop" || fail "the menu entry is not an application"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "the menu entry is not valid"
fi

icon="$prefix/share/icons/hicolor/64x64/apps/velmo.png"
[ -f "$icon" ] || fail "no icon share/icons/hicolor/64x64/apps/velmo.png"
[ "$(identify -format "%m %wx%h" "$icon")" = "PNG 64x64" ] || fail "the icon is not a 64 x 64 PNG"

xml="$prefix/share/xscreensaver/config/velmo.xml"
[ -f "$xml" ] || fail "no share/xscreensaver/config/velmo.xml"
python3 - "$xml" <<'PY' || fail "velmo.xml is not what xscreensaver reads"
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == "screensaver" and root.get("name") == "velmo", root.attrib
assert root.get("_label") == "Velmo"
assert root.find("_description") is not None and root.find("_description").text.strip()
assert root.find("command").get("arg") == "--root"
PY

# The installed program stands alone: with a malformed window id it says so
# and ends with code 1 (a usage error), without any display.
out=$(env -u DISPLAY XSCREENSAVER_WINDOW=junk "$bin" 2>&1) && rc=0 || rc=$?
[ "$rc" = 1 ] || fail "the installed program ended with $rc for a malformed id, not 1: $out"
grep -q "'junk' is not a valid window id" <<<"$out" || fail "the installed program said: $out"
# The settings dialog is a program of its own that velmo /c becomes: it is
# found beside the installed program and speaks for itself.
setup="$prefix/libexec/velmo/velmo-setup"
[ -x "$setup" ] || fail "no executable libexec/velmo/velmo-setup"
! ldd "$bin" | grep -q libQt6 || fail "the saver's program loads Qt: $(ldd "$bin" | grep libQt6)"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin" /c 2>&1) && rc=0 || rc=$?
[ "$rc" = 2 ] || fail "velmo /c without a display ended with $rc, not 2: $out"
grep -q "the settings need a display" <<<"$out" || fail "velmo /c did not reach velmo-setup: $out"

# The saver's part alone (the package velmo without its recommended
# velmo-setup): velmo /c names the package to install, on standard error and
# in a message box, and fails.
alone="$WORK/saver-only"
cmake --install "$build" --prefix "$alone" --component saver >"$WORK/install.log" 2>&1 ||
  fail "installing the saver alone failed: $(cat "$WORK/install.log")"
[ ! -e "$alone/libexec/velmo/velmo-setup" ] && [ ! -e "$alone/share/applications" ] || fail "the saver's part holds the dialog's files"
# The idle watcher is the saver's: velmo --idle becomes it, and it loads
# neither SDL nor cairo. Without any display it names the way and fails.
[ -x "$alone/libexec/velmo/velmo-idle" ] || fail "the saver's part lacks libexec/velmo/velmo-idle"
! ldd "$alone/libexec/velmo/velmo-idle" | grep -qE "libSDL2|libcairo" ||
  fail "velmo-idle loads the saver's libraries: $(ldd "$alone/libexec/velmo/velmo-idle" | grep -E "libSDL2|libcairo")"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent XDG_RUNTIME_DIR="$WORK" \
  "$alone/bin/velmo" --idle 2>&1) && rc=0 || rc=$?
[ "$rc" = 2 ] || fail "velmo --idle without a display ended with $rc, not 2: $out"
grep -q "this session does not say when it is idle" <<<"$out" || fail "velmo --idle without a display said: $out"
VELMO_FILES+=("$(readlink -f "$alone/bin/velmo")")
start_xvfb 640x480x24
"$alone/bin/velmo" /c 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
wait_until 'grep -q "package velmo-setup" "$WORK/err" 2>/dev/null' 30 || fail "velmo /c without velmo-setup said: $(cat "$WORK/err")"
title=$(sed -n 's/^\([^:]*\): The settings dialog velmo-setup is not installed.*/\1/p' "$WORK/err")
[ -n "$title" ] || fail "velmo /c without velmo-setup said: $(cat "$WORK/err")"
dismiss_box "$title"
wait_exit "$pid" 10 || fail "velmo /c without velmo-setup did not end after its box"
[ "$RC" = 2 ] || fail "velmo /c without velmo-setup ended with $RC, not 2"
echo "installed bin, the xscreensaver link, menu entry, icon, manual page and xscreensaver description into $prefix"
