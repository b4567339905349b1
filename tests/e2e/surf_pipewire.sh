#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The surf on a desktop's sound server: PipeWire and WirePlumber for a test
# user, ALSA going through pipewire-alsa. With no output at all (a desktop
# whose only output sleeps, a remote session) the sound never plays, and the
# driver's calls may never return: the saver must still show its first
# frame within 3 s and end within 1 s of a key, with code 0, nothing of it
# left. Both drivers a Debian desktop uses: SDL's default (through ALSA) and
# SDL_AUDIODRIVER=pipewire. Then the same with a null sink, where the surf
# really plays: a stream of the saver's runs on the server.
source "$(dirname "$0")/lib.sh"
command -v xdotool >/dev/null || skip "xdotool is not installed (scripts/setup.sh installs it)"
start_xvfb 800x600x24
export SDL_AUDIODRIVER=

# One run with driver $1 ("" for SDL's default); $2 "plays" when the surf
# must be seen playing on the server first.
run() {
  local driver="$1" expect="$2" pid started shown_ms ended_ms
  started=$(now_ms)
  "${PW_USER[@]}" env "${PW_ENV[@]}" HOME="$PW_RUNTIME" XDG_CONFIG_HOME="$PW_RUNTIME/config" \
    SDL_AUDIODRIVER="$driver" "$VELMO" /s 2>"$WORK/err" &
  pid=$!
  PIDS+=("$pid")
  wait_shown "$pid" || fail "${driver:-default}: the saver showed nothing: $(cat "$WORK/err")"
  shown_ms=$(($(now_ms) - started))
  # The first frame within 3 s, whatever the sound does: 3 s more than the
  # same saver takes on SDL's dummy sound, so a sanitizer build on a loaded
  # machine is judged on what the sound adds.
  [ "$shown_ms" -lt $((3000 + BASE_MS)) ] ||
    fail "${driver:-default}: the first frame came after $shown_ms ms (${BASE_MS} ms without sound)"
  if [ "$expect" = plays ]; then
    wait_until 'env "${PW_ENV[@]}" pw-dump 2>/dev/null | python3 -c "
import json, sys
nodes = [o for o in json.load(sys.stdin) if o.get(\"type\") == \"PipeWire:Interface:Node\"]
ours = [n for n in nodes if n[\"info\"][\"props\"].get(\"media.class\") == \"Stream/Output/Audio\"
        and \"velmo\" in (n[\"info\"][\"props\"].get(\"node.name\", \"\") + n[\"info\"][\"props\"].get(\"application.name\", \"\")).lower()]
sys.exit(0 if any(n[\"info\"][\"state\"] == \"running\" for n in ours) else 1)"' 20 ||
      fail "${driver:-default}: no stream of the saver runs on the null sink: $(cat "$WORK/err")"
  else
    # Give the sound a moment to get stuck where it will.
    sleep 1
  fi
  alive "$pid" || fail "${driver:-default}: the saver ended by itself: $(cat "$WORK/err")"
  started=$(now_ms)
  xdotool key shift
  wait_for 10 all_gone "$pid" || fail "${driver:-default}: a key did not end the saver within 10 s"
  ended_ms=$(($(now_ms) - started))
  wait_exit "$pid" 10 || fail "${driver:-default}: the saver's process was not reaped"
  [ "$RC" = 0 ] || fail "${driver:-default}: the saver ended with $RC: $(cat "$WORK/err")"
  [ "$ended_ms" -lt 2000 ] || fail "${driver:-default}: the key took $ended_ms ms to end the saver"
  wait_until '[ -z "$(ours_running)" ]' 3 || fail "${driver:-default}: left running: $(ours_running)"
  echo "${driver:-default} ${expect}: first frame after $shown_ms ms, ended $ended_ms ms after the key"
}

# The same saver on SDL's dummy sound: what the start costs on this machine.
BASE_MS=0
started=$(now_ms)
SDL_AUDIODRIVER=dummy "$VELMO" /s 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver showed nothing: $(cat "$WORK/err")"
BASE_MS=$(($(now_ms) - started))
sigterm_ends "$pid" "the saver on dummy sound" 10 "$WORK/err"
echo "dummy sound: first frame after $BASE_MS ms"

start_pipewire
run "" silent
run pipewire silent
"${PW_USER[@]}" env "${PW_ENV[@]}" pw-cli create-node adapter '{ factory.name=support.null-audio-sink node.name=test-sink
  media.class=Audio/Sink object.linger=true audio.position=[FL FR] }' >/dev/null || fail "no null sink"
run "" plays
run pipewire plays
echo "PASS: with PipeWire and no output the saver starts and ends at once; with a sink the surf plays"
