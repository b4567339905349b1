#!/usr/bin/env bash
# The saver on GNOME's compositor: mutter headless, as an unprivileged user
# with its own session bus and PipeWire, with two virtual monitors of
# different sizes (1024 x 768 at the origin, the primary, and 800 x 600 to
# its right). Each monitor, shot through mutter's screen cast, shows sky over
# rocks, the clock on the primary only (shots in the build tree,
# mutter-Meta-0.png and mutter-Meta-1.png); a key typed through mutter's
# remote desktop ends it with 0, and so does SIGTERM. The idle watcher
# (velmo --idle --after 3) starts it after three seconds without input, told
# by mutter's IdleMonitor, and a key ends it. Meta-1 turned a quarter while
# the saver shows (mutter then gives the saver's window there the primary's
# size) is covered whole, 600 x 800 (mutter-turned.png).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/desks.bash"
desk_start
desk_start_pipewire
start_mutter 1024x768 800x600
mutter_remote_start

# Shoots monitor $1 into $WORK/mutter-$1.png and says what is wrong with it
# ($2: clock or noclock), or nothing.
monitor_fault() {
  local shot="$WORK/mutter-$1.png"
  mutter_shot "$1" "$shot" || { cat "$WORK/remote.answer"; return; }
  seascape_fault "$shot" "$2"
}

"$VELMO" /s 2>"$WORK/saver.err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver showed nothing: $(cat "$WORK/saver.err")"
for monitor in Meta-0:clock Meta-1:noclock; do
  fault="not shot"
  wait_until 'fault=$(monitor_fault "${monitor%:*}" "${monitor#*:}"); [ -z "$fault" ]' 20 1 || true
  cp "$WORK/mutter-${monitor%:*}.png" "$ARTEFACTS/" 2>/dev/null || true
  [ -z "$fault" ] || fail "monitor ${monitor%:*}: $fault; the saver said: $(cat "$WORK/saver.err")"
done
[ "$(identify -format %wx%h "$WORK/mutter-Meta-1.png")" = 800x600 ] || fail "Meta-1 is not 800 x 600"

mutter_turn Meta-1 || fail "mutter did not turn Meta-1: $(cat "$WORK/remote.answer")"
fault="not shot"
wait_until 'fault=$(monitor_fault Meta-1 noclock); [ -z "$fault" ] && [ "$(identify -format %wx%h "$WORK/mutter-Meta-1.png")" = 600x800 ] ||
  { fault="${fault:-not 600 x 800}"; false; }' 20 1 || true
cp "$WORK/mutter-Meta-1.png" "$ARTEFACTS/mutter-turned.png" 2>/dev/null || true
[ -z "$fault" ] || fail "Meta-1 turned: $fault; the saver said: $(cat "$WORK/saver.err")"
fault=$(monitor_fault Meta-0 clock)
[ -z "$fault" ] || fail "Meta-0 after Meta-1 turned: $fault"

# A key and SIGTERM end it with 0; the idle watcher learns from the
# compositor that the session is idle and starts it after the delay.
desk_endings "mutter_key 0x20" "$WORK/remote.answer" 0x20 "GNOME IdleMonitor"
echo "PASS: both monitors show the seascape, the clock on the primary only, and a monitor turned while it runs; a key and SIGTERM end it with 0; the idle watcher started it after ${IDLE_WAITED} ms, a key ended it"
