#!/usr/bin/env bash
# The saver on KDE's compositor, KWin, as an unprivileged user with its own
# session bus, nested in an Xvfb, with two outputs of different sizes
# (1024 x 768 at the origin, the primary, and 800 x 600 to its right): each
# output's window shows sky over rocks, the clock on the primary only (shots
# in the build tree, kwin-X11-0.png and kwin-X11-1.png); a key typed through
# KDE's fake input ends it with 0, and so does SIGTERM. The idle watcher
# (velmo --idle --after 3) starts it after three seconds without input, told
# by KWin's ext-idle-notify, and a key ends it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/desks.bash"
kwin_binary >/dev/null
kwin_keys_ready
desk_start
start_kwin_nested 1024x768 800x600

"$VELMO" /s 2>"$WORK/saver.err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" 60 || fail "the saver showed nothing: $(cat "$WORK/saver.err")"
for output in 0:clock 1:noclock; do
  shot="$WORK/kwin-X11-${output%:*}.png" fault="not shot"
  wait_until 'kwin_shot "${output%:*}" "$shot" && fault=$(seascape_fault "$shot" "${output#*:}"); [ -z "$fault" ]' 20 || true
  cp "$shot" "$ARTEFACTS/" 2>/dev/null || true
  [ -z "$fault" ] || fail "output X11-${output%:*}: $fault; the saver said: $(cat "$WORK/saver.err")"
done

# A key and SIGTERM end it with 0; the idle watcher learns from the
# compositor that the session is idle and starts it after the delay.
desk_endings "kwin_key 57" "$WORK/fake_key.log" 42 ext-idle-notify
echo "PASS: both outputs show the seascape, the clock on the primary only; a key and SIGTERM end it with 0; the idle watcher started it after ${IDLE_WAITED} ms, a key ended it"
