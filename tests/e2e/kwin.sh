#!/usr/bin/env bash
# The saver on KDE's compositor, KWin, as an unprivileged user with its own
# session bus, nested in an Xvfb, with two outputs of different sizes
# (1024 x 768 at the origin, the primary, and 800 x 600 to its right): each
# output's window shows sky over rocks, the clock on the primary only (shots
# in the build tree, kwin-X11-0.png and kwin-X11-1.png); a key typed through
# KDE's fake input ends it with 0, and so does SIGTERM. The idle watcher
# (velmo --idle --after 3) starts it after three seconds without input, told
# by KWin's ext-idle-notify, and a key ends it. An output resized while the
# saver shows is covered whole at its new size, on the layer surface (shrunk
# to 640 x 480) and on the full-screen toplevel (grown back to 800 x 600).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/desks.bash"
kwin_binary >/dev/null
kwin_keys_ready
desk_start
start_kwin_nested 1024x768 800x600

# Output $1 becomes $2 (WxH) while the saver runs; within a while its
# window shows the whole seascape at that size (the shot kwin-resized-$3.png).
resized_whole() {
  local out="$1" size="$2" shot="$WORK/kwin-resized-$3.png" fault="not shot"
  xdotool windowsize "${KWIN_WINDOWS[$out]}" "${size%x*}" "${size#*x}"
  wait_until "grep -qx 'X11-$out [0-9-]* [0-9-]* ${size/x/ }' <<<\"\$(wayland_outputs)\"" 10 ||
    fail "KWin's output X11-$out did not become $size: $(wayland_outputs)"
  wait_until 'kwin_shot "$out" "$shot" && fault=$(seascape_fault "$shot" noclock); [ -z "$fault" ]' 20 || true
  cp "$shot" "$ARTEFACTS/" 2>/dev/null || true
  [ -z "$fault" ] || fail "output X11-$out resized to $size ($3): $fault"
  [ "$(identify -format %wx%h "$shot")" = "$size" ] || fail "output X11-$out's shot is not $size"
}

"$VELMO" /s 2>"$WORK/saver.err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver showed nothing: $(cat "$WORK/saver.err")"
for output in 0:clock 1:noclock; do
  shot="$WORK/kwin-X11-${output%:*}.png" fault="not shot"
  wait_until 'kwin_shot "${output%:*}" "$shot" && fault=$(seascape_fault "$shot" "${output#*:}"); [ -z "$fault" ]' 20 || true
  cp "$shot" "$ARTEFACTS/" 2>/dev/null || true
  [ -z "$fault" ] || fail "output X11-${output%:*}: $fault; the saver said: $(cat "$WORK/saver.err")"
done

resized_whole 1 640x480 layer-shell

# A key and SIGTERM end it with 0; the idle watcher learns from the
# compositor that the session is idle and starts it after the delay.
desk_endings "kwin_key 57" "$WORK/fake_key.log" 42 ext-idle-notify

# The full-screen toplevel (as on GNOME), whose size KWin 5.27 keeps when
# its output grows.
VELMO_WAYLAND_NO_LAYER_SHELL=1 "$VELMO" /s 2>"$WORK/toplevel.err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver showed nothing without the layer shell: $(cat "$WORK/toplevel.err")"
resized_whole 1 800x600 toplevel
sigterm_ends "$pid" "the saver without the layer shell" 10 "$WORK/toplevel.err"
echo "PASS: both outputs show the seascape, the clock on the primary only; a key and SIGTERM end it with 0; the idle watcher started it after ${IDLE_WAITED} ms, a key ended it; a resized output is covered whole, on a layer surface and a toplevel"
