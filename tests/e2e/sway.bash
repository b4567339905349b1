# Sourced after lib.sh by the scripts that run headless sway: starting it
# and judging an output's picture. sway refuses root: it runs as nobody when
# the test runs as root, in a runtime directory of its own.

# Starts sway with the headless backend and two outputs placed by the
# config lines $1 ("output NAME mode WxH position X Y"); exports
# XDG_RUNTIME_DIR, WAYLAND_DISPLAY and SWAYSOCK for its clients.
start_sway() {
  local as_user=()
  chmod 711 "$WORK"
  RUNTIME=$(mktemp -d "$WORK/runtime.XXXXXX")
  if [ "$(id -u)" = 0 ]; then
    chown nobody:nogroup "$RUNTIME"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  printf '%s\n' "$1" >"$RUNTIME/config"
  chmod 644 "$RUNTIME/config"
  "${as_user[@]}" env -i HOME="$RUNTIME" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$RUNTIME" WLR_BACKENDS=headless \
    WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$RUNTIME/config" \
    >"$WORK/sway.log" 2>&1 &
  SWAY=$!
  PIDS+=("$SWAY")
  wait_until '[ -n "$(sway_socket "wayland-*")" ] && [ -n "$(sway_socket "sway-ipc.*")" ] || ! kill -0 $SWAY 2>/dev/null' 30
  [ -n "$(sway_socket "sway-ipc.*")" ] || fail "sway did not start: $(tail -5 "$WORK/sway.log")"
  export XDG_RUNTIME_DIR="$RUNTIME" WAYLAND_DISPLAY="$(sway_socket "wayland-*")"
  export SWAYSOCK="$RUNTIME/$(sway_socket "sway-ipc.*")"
  wait_until 'swaymsg -t get_outputs >/dev/null 2>&1' 10 || fail "sway does not answer"
}
sway_socket() { find "$RUNTIME" -maxdepth 1 -type s -name "$1" -printf '%f\n' | head -n 1; }

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
