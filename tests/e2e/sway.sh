#!/usr/bin/env bash
# The saver on sway, a wlroots compositor, with its headless backend and two
# outputs of different sizes, one sway serving three layouts set through
# swaymsg: the primary first (HEADLESS-1 1920 x 1080 at 0,0, HEADLESS-2
# 1280 x 1024 beside it), the primary second (HEADLESS-2 at 0,0, HEADLESS-1
# at 1280,0), and one above the other. In each, within 3 s of its first
# frame every output's grim shot shows sky over rocks and the clock shows on
# the primary only (shots in the build tree, sway-*.png), and a key typed
# through a virtual keyboard (wtype) ends it with 0. The surfaces are on
# the overlay layer (wlr-layer-shell): a window mapped after the saver does
# not show above it. The full-screen xdg_toplevel kept for compositors
# without the layer shell is run too, in the second layout, and ends on
# SIGTERM with 0. An output added while it runs is covered; an output turned
# to a larger mode at scale 2 shows the scene at its pixels. Then swayidle
# starts it after the idle time, and a key ends it. sway refuses root: it
# runs as nobody when the test runs as root, in a runtime directory of its own.
source "$(dirname "$0")/lib.sh"
for tool in sway swaymsg grim wtype swayidle setpriv weston-flower; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
done
unset DISPLAY WAYLAND_DISPLAY WAYLAND_SOCKET SDL_VIDEODRIVER QT_QPA_PLATFORM

source "$(dirname "$0")/sway.bash"
start_sway "output HEADLESS-1 mode 1920x1080 position 0 0
output HEADLESS-2 mode 1280x1024 position 1920 0"

# The clock's orange marks in the top-right part of the shot $1 (the sky
# there has none).
clock_pixels() {
  local w h
  read -r w h < <(identify -format "%w %h" "$1")
  convert "$1" -crop "$((w * 2 / 5))x$((h * 2 / 5))+$((w * 3 / 5))+0" +repage \
    -fx 'r > 0.7 && g > 0.3 && g < 0.75 && b < 0.35' -format "%[fx:int(mean * w * h)]" info:
}
outputs() {  # the active ones
  swaymsg -r -t get_outputs | python3 -c 'import json, sys; print("\n".join(sorted(o["name"] for o in json.load(sys.stdin) if o["active"])))'
}

# Starts the saver ($1 names the run; further words are its environment)
# and waits for its first frame; sets pid.
start_saver() {
  local name="$1"
  shift
  env "$@" "$VELMO" /s 2>"$WORK/$name.err" &
  pid=$!
  PIDS+=("$pid")
  wait_shown "$pid" || fail "$name: the saver showed nothing: $(cat "$WORK/$name.err")"
}
# Within 3 s every output shows the seascape and the clock is on the
# primary ($2) only; the shots side by side go to sway-$1.png.
check_outputs() {
  local name="$1" primary="$2" o shots=() n
  for o in $(outputs); do
    wait_until "seascape_on $o" 3 || fail "$name: $o shows no seascape within 3 s: $(cat "$WORK/$name.err")"
    shots+=("$WORK/$o.ppm")
    n=$(clock_pixels "$WORK/$o.ppm")
    if [ "$o" = "$primary" ]; then
      [ "$n" -gt 200 ] || fail "$name: no clock on the primary $o"
    else
      [ "$n" -lt 20 ] || fail "$name: a clock on $o, not the primary"
    fi
  done
  convert "${shots[@]}" -background black +append -resize 50% "$ARTEFACTS/sway-$name.png"
}
# A key ends the saver with 0. wtype's keyboard exists only while it runs:
# the pause lets the saver bind it before the key comes, and a key typed
# while the saver is still starting the other outputs' scenes (seconds on a
# loaded machine with a sanitizer build, the loop reading nothing
# meanwhile) finds no keyboard of the saver's and is typed again, as a user would.
type_until_gone() {
  wait_until "wtype -s 1000 -k space; ! kill -0 $1 2>/dev/null" 30 0.5
}
key_ends() {
  type_until_gone "$pid" || fail "$1: the saver did not end on a key"
  wait_exit "$pid" 10 || fail "$1: the saver did not end on a key"
  [ "$RC" = 0 ] || fail "$1: the saver ended on a key with exit code $RC: $(cat "$WORK/$1.err")"
}

# The primary first.
start_saver first
check_outputs first HEADLESS-1

# A window mapped after the saver stays under its overlay surfaces: the
# primary's picture is still the seascape, with none of the window's pattern.
weston-flower >"$WORK/window.log" 2>&1 &
window=$!
PIDS+=("$window")
wait_until 'swaymsg -t get_tree | grep -q "\"app_id\": \"org.freedesktop.weston.flower\""' 10 || fail "the window did not map"
# (sway maps a window only once it has a picture: a shot now would show it.)
seascape_on HEADLESS-1 || fail "a window mapped later shows above the saver"
convert "$WORK/HEADLESS-1.ppm" -resize 50% "$ARTEFACTS/sway-window-under.png"
kill -0 "$pid" 2>/dev/null || fail "the saver ended when a window was mapped under it"
kill "$window"

key_ends first

# The primary second: HEADLESS-2 at the origin.
swaymsg output HEADLESS-2 position 0 0 >/dev/null
swaymsg output HEADLESS-1 position 1280 0 >/dev/null
start_saver second
check_outputs second HEADLESS-2
key_ends second
# The same through full-screen xdg_toplevels, as on compositors without the
# layer shell (GNOME, weston); SIGTERM ends it with 0.
start_saver toplevel VELMO_WAYLAND_NO_LAYER_SHELL=1
check_outputs toplevel HEADLESS-2
sigterm_ends "$pid" "the saver" 10 "$WORK/toplevel.err"

# One above the other.
swaymsg output HEADLESS-1 position 0 0 >/dev/null
swaymsg output HEADLESS-2 position 0 1080 >/dev/null
start_saver stacked
check_outputs stacked HEADLESS-1

# An output added while it runs.
before=$(outputs)
swaymsg create_output >/dev/null || fail "sway did not make an output"
added=""
wait_until 'added=$(comm -13 <(echo "$before") <(outputs)); [ -n "$added" ]' 10 || fail "no new output"
start=$(date +%s%N)
wait_until "seascape_on $added" 20 || fail "the added output $added stays uncovered (the saver $(kill -0 $pid 2>/dev/null && echo runs || echo ended)): $(cat "$WORK/stacked.err")"
coveredMs=$((($(date +%s%N) - start) / 1000000))
convert "$WORK/$added.ppm" -resize 50% "$ARTEFACTS/sway-added.png"

# The second output at scale 2 with twice the pixels: the scene is laid out
# on those pixels (so the gulls and the sea are drawn at that size), not a
# picture of half the size enlarged, whose every 2 x 2 block would be one
# colour.
swaymsg output HEADLESS-2 mode 2560x2048 scale 2 >/dev/null || fail "sway did not take the mode and scale"
doubled() {  # the sea band of the shot $1 unchanged by halving and doubling it
  convert "$1" -crop "2560x140+0+1300" +repage "$WORK/band.png"
  convert "$WORK/band.png" -sample 50% -sample 200% "$WORK/band2.png"
  [ "$(compare -metric AE "$WORK/band.png" "$WORK/band2.png" null: 2>&1 || true)" = 0 ]
}
wait_until 'seascape_on HEADLESS-2 && [ "$(identify -format %w "$WORK/HEADLESS-2.ppm")" = 2560 ] &&
  ! doubled "$WORK/HEADLESS-2.ppm"' 30 ||
  fail "the scale-2 output does not show the scene at its pixels: $(cat "$WORK/stacked.err")"
convert "$WORK/HEADLESS-2.ppm" -resize 25% "$ARTEFACTS/sway-scale2.png"
key_ends stacked

# The desktop's own idle tool starts it: swayidle runs the command after two
# idle seconds; it is stopped once the saver shows, so that the key that
# ends the saver does not start the wait again.
: >"$READY"
swayidle -w timeout 2 "exec '$VELMO' /s 2>'$WORK/idle.err'" >"$WORK/swayidle.log" 2>&1 &
idle=$!
PIDS+=("$idle")
wait_until '[ -s "$READY" ]' 30 || fail "swayidle did not start the saver: $(cat "$WORK/swayidle.log")"
pid=$(head -n 1 "$READY")
kill "$idle"
type_until_gone "$pid" || fail "the saver started by swayidle did not end on a key"
echo "PASS: three layouts whole within 3 s with the clock on the primary (layer shell and xdg_toplevel), a later window under the saver, an added output covered in ${coveredMs} ms, scale 2 at its pixels, keys and SIGTERM end it, swayidle starts it"
