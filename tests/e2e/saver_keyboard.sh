#!/usr/bin/env bash
# Keyboard-only mode: the mouse and other keys do nothing, the arrows move the
# clock and "+"/"-" step the brightness, each stored at once; Escape ends.
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x24

reg_dir="$XDG_CONFIG_HOME/Corvane"
mkdir -p "$reg_dir"
cat >"$reg_dir/Velmo20.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\SOFTWARE\Corvane\Velmo20]
"NumBirds"=dword:00000004
"flag_clock"=dword:00000001
"flag_PlaySound"=dword:00000000
"flag_fps"=dword:00000000
"TermMouse"=dword:00000000
"Gamma"=dword:000000c8
"flag_defres"=dword:00000001
"ResHor"=dword:00000400
"ResVert"=dword:00000300
"ColorDepth"=dword:00000020
"clockX"=dword:000003a0
"clockY"=dword:00000064
"clockRad"=dword:00000046
"ColorClock"=dword:000080ff
"SetSpeed"=dword:00000002
REG
value() { grep -i "^\"$1\"=dword:" "$reg_dir/Velmo20.reg" | sed 's/.*dword://' | tr -d '\r' | xargs -I{} printf '%d' 0x{}; }

"$VELMO" /s 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the saver ended by itself: $(cat "$WORK/err")"

xdotool mousemove 100 100
sleep 0.1
xdotool mousemove 600 500
xdotool key a F5 space Return
sleep 0.3
kill -0 "$pid" 2>/dev/null || fail "the mouse or a plain key ended the saver in keyboard-only mode"

xdotool key Right Right Right Up Up
sleep 0.3
[ "$(value clockX)" = 931 ] || fail "clockX is $(value clockX), not 931"
[ "$(value clockY)" = 98 ] || fail "clockY is $(value clockY), not 98"
# At the band's edge the key still stores, and the clock goes no further.
for _ in $(seq 12); do xdotool key Right; done
sleep 0.3
[ "$(value clockX)" = 934 ] || fail "clockX passed its bound: $(value clockX)"

xdotool key minus minus minus plus
sleep 0.3
[ "$(value Gamma)" = 198 ] || fail "Gamma is $(value Gamma), not 198"

xdotool key Escape
wait_exit "$pid" 5 || fail "Escape did not end the saver"
[ "$RC" = 0 ] || fail "exit code $RC"
grep -q '"NumBirds"=dword:00000004' "$reg_dir/Velmo20.reg" || fail "other values were lost"
echo "keyboard-only mode: clock moved and stored, brightness stepped and stored, Escape ended"
