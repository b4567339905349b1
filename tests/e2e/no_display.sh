#!/usr/bin/env bash
# A machine with no display at all (a console login, an ssh session), or one
# whose named display does not answer: every mode that needs one says so on
# the terminal and ends with exit code 2 (it could not start), instead of
# running unseen or aborting.
source "$(dirname "$0")/lib.sh"
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER QT_QPA_PLATFORM

run_without_display() {  # $1 = label, rest = arguments
  local label="$1"
  shift
  "$VELMO" "$@" >"$WORK/out" 2>"$WORK/err" &
  local pid=$!
  PIDS+=("$pid")
  wait_exit "$pid" 10 || fail "$label kept running without a display: $(cat "$WORK/err")"
  [ "$RC" = 2 ] || fail "$label ended with exit code $RC, not 2: $(cat "$WORK/err")"
  grep -qi "display" "$WORK/err" || fail "$label gave no clear message: $(cat "$WORK/err")"
}

run_without_display "the saver" /s
run_without_display "the saver with no argument"
run_without_display "the settings dialog" /c
run_without_display "the saver on the root window" -root
# A Wayland compositor that is named but does not answer.
export WAYLAND_DISPLAY="velmo-e2e-gone-$$"
run_without_display "the saver on a dead Wayland compositor" /s
grep -q "no Wayland compositor answers on $WAYLAND_DISPLAY" "$WORK/err" || fail "the saver did not name the compositor"
run_without_display "the settings dialog on a dead Wayland compositor" /c
grep -q "no Wayland compositor answers on $WAYLAND_DISPLAY" "$WORK/err" || fail "the dialog did not name the compositor"
unset WAYLAND_DISPLAY
# A display that is named but does not answer.
for n in $(seq 180 230); do [ -e "/tmp/.X$n-lock" ] || break; done
export DISPLAY=":$n"
run_without_display "the settings dialog on a dead display" /c
run_without_display "the saver on a dead display" /s
[ ! -e "$XDG_CONFIG_HOME/Corvane/Velmo20.reg" ] || fail "settings were written without a display"
echo "PASS"
