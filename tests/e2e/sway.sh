#!/usr/bin/env bash
# The saver on sway, a wlroots compositor, with its headless backend and two
# outputs of different sizes (1920 x 1080 and 1280 x 1024 beside it): every
# output shows sky over rocks (shot with grim into the build tree,
# sway-outputs.png); an output added while it runs is covered; an output
# turned to a larger mode at scale 2 shows the scene at its pixels, not an
# enlarged smaller one; a key typed through a virtual keyboard (wtype) ends
# it with 0, and so does SIGTERM. Then swayidle starts it after the idle
# time, and a key ends it. sway refuses root: it runs as nobody when the
# test runs as root, in a runtime directory of its own.
source "$(dirname "$0")/lib.sh"
for tool in sway swaymsg grim wtype swayidle setpriv; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
done
unset DISPLAY WAYLAND_DISPLAY WAYLAND_SOCKET SDL_VIDEODRIVER QT_QPA_PLATFORM

as_user=()
chmod 711 "$WORK"
RUNTIME=$(mktemp -d "$WORK/runtime.XXXXXX")
if [ "$(id -u)" = 0 ]; then
  chown nobody:nogroup "$RUNTIME"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
cat >"$RUNTIME/config" <<'CONF'
output HEADLESS-1 mode 1920x1080 position 0 0
output HEADLESS-2 mode 1280x1024 position 1920 0
CONF
chmod 644 "$RUNTIME/config"
"${as_user[@]}" env -i HOME="$RUNTIME" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$RUNTIME" WLR_BACKENDS=headless \
  WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$RUNTIME/config" \
  >"$WORK/sway.log" 2>&1 &
SWAY=$!
PIDS+=("$SWAY")
socket() { find "$RUNTIME" -maxdepth 1 -type s -name "$1" -printf '%f\n' | head -n 1; }
wait_until '[ -n "$(socket "wayland-*")" ] && [ -n "$(socket "sway-ipc.*")" ] || ! kill -0 $SWAY 2>/dev/null' 30
[ -n "$(socket "sway-ipc.*")" ] || fail "sway did not start: $(tail -5 "$WORK/sway.log")"
export XDG_RUNTIME_DIR="$RUNTIME" WAYLAND_DISPLAY="$(socket "wayland-*")" SWAYSOCK="$RUNTIME/$(socket "sway-ipc.*")"
wait_until 'swaymsg -t get_outputs >/dev/null 2>&1' 10 || fail "sway does not answer"

# Means of a shot's part ($2 = WxH+X+Y) as "red green blue" (0..255).
means() {
  convert "$1" -crop "$2" +repage -format "%[fx:int(255*mean.r)] %[fx:int(255*mean.g)] %[fx:int(255*mean.b)]" info:
}
# Whether the output $1 shows the seascape: a sky bluer than grey at the
# top and, at the bottom, rocks darker than the sky. Shot into $WORK/$1.ppm.
seascape_on() {
  local shot="$WORK/$1.ppm" w h
  grim -t ppm -o "$1" "$shot" 2>/dev/null || return 1
  read -r w h < <(identify -format "%w %h" "$shot")
  read -r sr sg sb < <(means "$shot" "${w}x$((h / 8))+0+0")
  read -r rr rg rb < <(means "$shot" "${w}x$((h / 20))+0+$((h - h / 10))")
  [ $((sb - sg)) -gt 20 ] && [ $((rr + rg + rb)) -lt $((sr + sg + sb)) ]
}

# The saver over both outputs.
"$VELMO" /s 2>"$WORK/saver.err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver showed nothing: $(cat "$WORK/saver.err")"
for output in HEADLESS-1 HEADLESS-2; do
  wait_until "seascape_on $output" 20 || fail "$output shows no seascape: $(cat "$WORK/saver.err")"
done
convert "$WORK/HEADLESS-1.ppm" "$WORK/HEADLESS-2.ppm" -background black +append "$ARTEFACTS/sway-outputs.png"

# An output added while it runs.
before=$(swaymsg -t get_outputs | grep -o '"name": "HEADLESS-[0-9]*"' | sort)
swaymsg create_output >/dev/null || fail "sway did not make an output"
added=""
wait_until 'added=$(comm -13 <(echo "$before") <(swaymsg -t get_outputs | grep -o "\"name\": \"HEADLESS-[0-9]*\"" | sort) | grep -o "HEADLESS-[0-9]*"); [ -n "$added" ]' 10 ||
  fail "no new output"
start=$(date +%s%N)
wait_until "seascape_on $added" 10 || fail "the added output $added stays uncovered"
coveredMs=$((($(date +%s%N) - start) / 1000000))
convert "$WORK/$added.ppm" "$ARTEFACTS/sway-added.png"

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
  ! doubled "$WORK/HEADLESS-2.ppm"' 20 ||
  fail "the scale-2 output does not show the scene at its own pixels: $(cat "$WORK/saver.err")"
convert "$WORK/HEADLESS-2.ppm" "$ARTEFACTS/sway-scale2.png"

# A key from a virtual keyboard ends it; the pause lets the saver bind the
# keyboard before the key comes.
wtype -s 1000 -k space || fail "wtype could not type"
wait_exit "$pid" 10 || fail "the saver did not end on a key"
[ "$RC" = 0 ] || fail "the saver ended on a key with exit code $RC: $(cat "$WORK/saver.err")"

# SIGTERM ends it with 0.
"$VELMO" /s 2>"$WORK/term.err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver showed nothing: $(cat "$WORK/term.err")"
sigterm_ends "$pid" "the saver" 10 "$WORK/term.err"

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
wtype -s 1000 -k space || fail "wtype could not type"
wait_until "! kill -0 $pid 2>/dev/null" 10 || fail "the saver started by swayidle did not end on a key"
echo "PASS: both outputs show the seascape, an added output covered in ${coveredMs} ms, scale 2 at its pixels, a key and SIGTERM end it, swayidle starts it"
