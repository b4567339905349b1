#!/usr/bin/env bash
# A message box ends with the program however the program ends: TERM, INT
# and HUP at each kind of box (the settings program missing, a stored value
# that cannot be read, a display mode the monitor refuses) end the program
# and its box within half a second, leaving no process, no window and no
# open standard error (SIGTERM at the refused mode's box with exit code 0);
# SIGKILL of the program takes its box within a second.
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x24
# A copy with no velmo-setup beside it: "/c" shows its box.
mkdir "$WORK/alone"
cp "$VELMO" "$WORK/alone/velmo"
VELMO_FILES+=("$WORK/alone/velmo")

# Starts the program with arguments $2.. for the box kind $1, its standard
# error into $WORK/err.$1 through a pipe whose reader marks its end of file.
start_at_box() {
  local kind="$1"
  shift
  rm -f "$WORK/eof.$kind"
  case "$kind" in
    setup) ;;
    value) write_settings && sed -i 's/^"NumBirds"=.*/"NumBirds"="twelve"/' "$SETTINGS_FILE" ;;
    mode) write_settings flag_defres=0 ResHor=1600 ResVert=1200 ;;
  esac
  local program="$VELMO"
  [ "$kind" = setup ] && program="$WORK/alone/velmo"
  "$program" "$@" 2> >(cat >"$WORK/err.$kind"; touch "$WORK/eof.$kind") &
  pid=$!
  PIDS+=("$pid")
  wait_for 20 box_shown || fail "no box for $kind: $(cat "$WORK/err.$kind" 2>/dev/null)"
  tree=$(process_tree "$pid")
  [ "$(echo "$tree" | wc -l)" -ge 2 ] || fail "no box process below the program for $kind"
}

box_shown() { window_exists "ERROR" || window_exists "Velmo.*" || window_exists "velmo"; }
no_window() { ! xwininfo -root -tree 2>/dev/null | grep -qiE '"(ERROR|velmo[^"]*)"'; }
# shellcheck disable=SC2086
ended() { all_gone $tree && no_window && [ -e "$WORK/eof.$kind" ]; }

for kind in setup value mode; do
  case "$kind" in
    setup) args=(/c) ;;
    *) args=(/s) ;;
  esac
  for sig in TERM INT HUP KILL; do
    start_at_box "$kind" "${args[@]}"
    t0=$(now_ms)
    kill -"$sig" "$pid"
    limit=0.5
    [ "$sig" = KILL ] && limit=1
    wait_for "$limit" ended || fail "$kind box, SIG$sig: after ${limit} s left: $(ps -o pid,stat,args -p "$(echo $tree | tr ' ' ,)" | tail -n +2)$(no_window || echo ' a window')$([ -e "$WORK/eof.$kind" ] || echo ' standard error open')"
    echo "$kind box, SIG$sig: program, box and standard error gone in $(($(now_ms) - t0)) ms"
    rc=0
    wait "$pid" 2>/dev/null || rc=$?
    # The saver asked to end while its box waits ends as asked, not as failed.
    [ "$kind$sig" != modeTERM ] || [ "$rc" = 0 ] || fail "SIGTERM at the ERROR box: exit code $rc"
  done
done
