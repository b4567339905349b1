#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# velmo --add-to-xscreensaver on the ~/.xscreensaver that xscreensaver's own
# settings program writes, for an unprivileged user beside the real daemon:
# before the file exists it says how to get one and writes nothing; then it
# adds one line, Velmo's, at the end of the programs: list and leaves every
# other byte; a second run changes nothing; and the daemon, reading the file
# again by itself, runs Velmo when asked for the list's last entry.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/daemon.bash"
command -v xscreensaver-settings >/dev/null || skip "xscreensaver-settings is not installed"
start_xvfb 1024x768x24
daemon_prepare "maze --root"
file="$daemon/home/.xscreensaver"
rm -f "$file"
daemon_run xscreensaver --no-splash --verbose --log "$daemon/log" &
PIDS+=($!)
wait_until 'daemon_run xscreensaver-command -version >/dev/null 2>&1' 30 || fail "the daemon did not start: $(cat "$daemon/log")"

# No file yet.
daemon_run "$daemon/bin/velmo.bin" --add-to-xscreensaver >"$WORK/out" 2>"$WORK/err" && RC=0 || RC=$?
[ "$RC" = 2 ] || fail "without ~/.xscreensaver it ended with $RC, not 2"
grep -q "does not exist yet. xscreensaver-settings writes it" "$WORK/err" || fail "without ~/.xscreensaver it said: $(cat "$WORK/err")"
[ ! -e "$file" ] || fail "without ~/.xscreensaver it wrote one"

# xscreensaver-settings writes the file when a setting changes: one more
# minute of "Blank After" (its + button, where GTK lays it out on this
# screen without a window manager).
setsid "${as_daemon[@]}" env -i DISPLAY="$DISPLAY" HOME="$daemon/home" PATH="$daemon/bin:/usr/bin:/bin" \
  XDG_CONFIG_HOME="$daemon/config" xscreensaver-settings >"$WORK/settings.log" 2>&1 &
settings=$!
PIDS+=("$settings")
wait_until 'xdotool search --onlyvisible --name "^XScreenSaver: " >/dev/null 2>&1' 30 ||
  fail "xscreensaver-settings showed no window: $(cat "$WORK/settings.log")"
click_plus() {
  xdotool mousemove 269 504 click 1
  wait_until '[ -s "$file" ]' 3
}
wait_until click_plus 30 || {
  import -window root "$ARTEFACTS/xscreensaver-settings.png" 2>/dev/null || true
  fail "xscreensaver-settings did not write $file"
}
grep -q "^# Written by xscreensaver-settings" "$file" || fail "the file is not xscreensaver-settings': $(head -n 3 "$file")"
kill -TERM -- "-$settings" 2>/dev/null || true
wait_until "! kill -0 $settings 2>/dev/null" 10 || fail "xscreensaver-settings did not end"
cp "$file" "$WORK/written"
mode=$(stat -c %a "$file")

daemon_run "$daemon/bin/velmo.bin" --add-to-xscreensaver >"$WORK/out" 2>"$WORK/err" || fail "adding failed: $(cat "$WORK/err")"
grep -q "^velmo: added \"velmo --root\" to the programs: list of $file" "$WORK/out" || fail "adding said: $(cat "$WORK/out")"
python3 - "$WORK/written" "$file" <<'PY' || fail "the file changed otherwise than by Velmo's line"
import sys
old, new = open(sys.argv[1], 'rb').read().split(b'\n'), open(sys.argv[2], 'rb').read().split(b'\n')
assert len(new) == len(old) + 1, (len(old), len(new))
at = next(i for i in range(len(new)) if i >= len(old) or old[i] != new[i])
assert new[:at] + new[at + 1:] == old, 'other lines differ'
assert new[at].split() == [b'velmo', b'--root', b'\\n\\'], new[at]
assert old[at - 1].endswith(b'\\n\\') and old[at].strip() == b'', 'not at the end of the list'
PY
[ "$(stat -c %a "$file")" = "$mode" ] || fail "the file's mode changed from $mode to $(stat -c %a "$file")"
cp "$file" "$WORK/added"
daemon_run "$daemon/bin/velmo.bin" --add-to-xscreensaver >"$WORK/out" 2>"$WORK/err" || fail "the second run failed: $(cat "$WORK/err")"
grep -q "already; nothing was changed" "$WORK/out" || fail "the second run said: $(cat "$WORK/out")"
cmp -s "$file" "$WORK/added" || fail "the second run changed the file"
[ "$(grep -c "velmo --root" "$file")" = 1 ] || fail "Velmo is listed $(grep -c "velmo --root" "$file") times"

# The daemon's list: its last entry (counted from 1) is Velmo.
last=$(python3 - "$file" <<'PY'
import re, sys
text = open(sys.argv[1]).read()
value = re.search(r'^programs:(.*?)(?<!\\)\n', text, re.S | re.M).group(1).replace('\\\n', '')
print(len([e for e in value.split('\\n') if e.strip()]))
PY
)
# Where Velmo's package is installed, the daemon's PATH (its own directory
# first) finds that velmo: the entry added is pointed at our stand-in (the
# daemon reads the changed file again by itself).
if [ -e /usr/libexec/xscreensaver/velmo ]; then
  sed -i "s|^\([[:space:]]*\)velmo --root|\1$daemon/bin/velmo --root|" "$file"
fi
daemon_run xscreensaver-command -select "$last" >/dev/null || fail "the daemon did not take -select $last"
wait_until '[ -n "$(ours)" ]' 30 || fail "the daemon did not run Velmo as its entry $last: $(tail -n 20 "$daemon/log")"
pid=$(ours | tail -n 1)
wait_until "grep -qxF $pid '$daemon/ready' || [ ! -d /proc/$pid ]" 180 && grep -qxF "$pid" "$daemon/ready" ||
  fail "Velmo showed nothing: $(tail -n 20 "$daemon/log")"
daemon_run xscreensaver-command -deactivate >/dev/null || fail "the daemon did not take -deactivate"
wait_until '[ -z "$(ours)" ]' 10 || fail "Velmo did not end after -deactivate"
echo "PASS: --add-to-xscreensaver added one line to xscreensaver-settings' file (mode $mode kept), once; the daemon ran it as entry $last"
