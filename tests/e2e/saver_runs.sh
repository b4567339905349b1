#!/usr/bin/env bash
# "velmo /s" with an empty config on two screen sizes: it starts at the
# desktop's mode and stores the fifteen defaults; the picture is a still sky,
# a moving sea, rocks over the sea, gulls, the orange clock near the top right
# and the frame-rate text at the lower left; a mouse jump or a key ends it
# with code 0.
source "$(dirname "$0")/lib.sh"

count_colour() { convert "$1" -crop "$2" +repage -fuzz "$4" -fill white -opaque "$3" -fill black +opaque white -format "%[fx:int(mean*w*h)]" info:; }

run_size() {
  local W="$1" H="$2" end="$3"
  start_xvfb "${W}x${H}x24"
  rm -rf "$XDG_CONFIG_HOME/Corvane"
  xdotool mousemove $((W / 2)) $((H / 2))
  "$VELMO" /s 2>"$WORK/err" &
  local pid=$!
  PIDS+=("$pid")
  wait_shown "$pid" || fail "the saver showed nothing at ${W}x${H}: $(cat "$WORK/err")"
  # Bands of the layout: the picture's rows 380 (the sea) and 423 (the
  # rocks) of 600, with more sky above on screens narrower than 4:3 (up to
  # 800 rows shown).
  local shown=$((800 * H / W)) top
  ((shown < 600)) && shown=600
  ((shown > 800)) && shown=800
  top=$((600 - shown))
  local skyEnd=$(((200 - top) * H / shown - 12)) seaTop=$(((380 - top) * H / shown)) rockTop=$(((423 - top) * H / shown))
  local sky rocks skyMoved seaMoved="" orange white
  import -window root "$WORK/a.png"
  wait_until 'import -window root "$WORK/b.png"
    seaMoved=$(part_changed "$WORK/a.png" "$WORK/b.png" "${W}x$((rockTop - seaTop - 4))+0+$((seaTop + 4))")
    [ "${seaMoved%% *}" -gt 200 ]' 10 || true
  cp "$WORK/a.png" "$ARTEFACTS/saver-${W}x${H}.png"

  local reg="$XDG_CONFIG_HOME/Corvane/Velmo20.reg" name
  [ -f "$reg" ] || fail "no settings file after the first run"
  for name in NumBirds flag_clock flag_PlaySound flag_fps TermMouse Gamma flag_defres ResHor ResVert ColorDepth \
    clockX clockY clockRad ColorClock SetSpeed; do
    grep -q "^\"$name\"=dword:" "$reg" || fail "$name missing from the first-run settings"
  done
  grep -qi "^\"ResHor\"=dword:$(printf %08x "$W")" "$reg" || fail "ResHor is not the desktop's $W"
  # The clock in proportion: radius 70 and 20 to the edges on 600 rows.
  local side=$((W < H ? W : H))
  local clockX=$((W - (70 * side + 300) / 600 - (20 * side + 300) / 600))
  grep -qi "^\"clockX\"=dword:$(printf %08x $clockX)" "$reg" || fail "clockX is not $clockX"

  sky=$(grey "$WORK/a.png" "$((W - 300))x${skyEnd}+0+0")
  rocks=$(grey "$WORK/a.png" "${W}x$((H / 20))+0+$((H - H / 10))")
  [ "$sky" -gt 40 ] || fail "the sky is too dark ($sky)"
  [ "$rocks" -lt "$sky" ] || fail "the rocks ($rocks) are not darker than the sky ($sky)"
  skyMoved=$(part_changed "$WORK/a.png" "$WORK/b.png" "$((W - 300))x${skyEnd}+0+0")
  [ "${skyMoved%% *}" -eq 0 ] 2>/dev/null || fail "the sky above the gulls is not still ($skyMoved)"
  [ "${seaMoved%% *}" -gt 200 ] 2>/dev/null || fail "the sea does not move ($seaMoved)"
  # The clock: orange (255,128,0) at the top right.
  orange=$(count_colour "$WORK/a.png" "180x180+$((W - 180))+0" "rgb(255,128,0)" "8%")
  [ "$orange" -gt 40 ] || fail "no orange clock at the top right ($orange pixels)"
  # The frame-rate text: white pixels near (20, H - 30).
  white=$(count_colour "$WORK/a.png" "160x20+15+$((H - 32))" "rgb(255,255,255)" "2%")
  [ "$white" -gt 30 ] || fail "no frame-rate text at the lower left ($white pixels)"

  local t0
  case "$end" in
    mouse)
      # The first move only sets where the mouse is; the second, apart from
      # it, is the jump that ends the saver.
      xdotool mousemove $((W / 2 + 10)) $((H / 2))
      sleep 0.2
      t0=$(date +%s%N)
      xdotool mousemove $((W / 2 + 90)) $((H / 2 + 80))
      ;;
    key)
      t0=$(date +%s%N)
      xdotool key shift
      ;;
  esac
  wait_exit "$pid" 10 || fail "the saver did not end on the $end"
  [ "$RC" = 0 ] || fail "exit code $RC"
  local ms=$((($(date +%s%N) - t0) / 1000000))
  [ "$ms" -lt 1500 ] || fail "the saver took $ms ms to end"
  echo "${W}x${H}: sky $sky, rocks $rocks, sea moved $seaMoved px, clock $orange px, text $white px; ended on the $end in $ms ms"
  kill "$XVFB_PID" 2>/dev/null || true
  wait "$XVFB_PID" 2>/dev/null || true
  XVFB_PID=""
}

run_size 1024 768 mouse
run_size 1280 1024 key
