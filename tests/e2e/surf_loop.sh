#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The surf through SDL's own audio: on SDL's disk device the program's sound
# is the generated clip played round and round, every byte of it, with no
# gap or repeat at the seam. Without a sound device the program says so in
# one line and runs on, silent.
source "$(dirname "$0")/lib.sh"
clip="$(cd "$(dirname "$VELMO")" && pwd)/assets/soundname.wav"
[ -f "$clip" ] || fail "no generated clip at $clip"
start_xvfb 640x480x24

# The disk device writes what the program plays into a file, faster than
# real time; two loops and a bit are enough to see the seam.
out="$WORK/surf.raw"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$out" SDL_DISKAUDIODELAY=5 "$VELMO" -window 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver showed nothing: $(cat "$WORK/err")"
need=$(( $(stat -c %s "$clip") * 5 / 2 ))
wait_until '[ "$(stat -c %s "$out" 2>/dev/null || echo 0)" -gt "$need" ] || ! alive "$pid"' 120 ||
  fail "the disk device got $(stat -c %s "$out" 2>/dev/null || echo no) bytes, not $need"
alive "$pid" || fail "the saver ended: $(cat "$WORK/err")"
kill "$pid"
wait_exit "$pid" 10 || fail "the saver did not end on SIGTERM"
python3 - "$clip" "$out" <<'PY' || fail "what was played is not the clip looped"
import struct, sys
wave, played = open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read()
at = 12
while wave[at:at + 4] != b'data':
    at += 8 + struct.unpack('<I', wave[at + 4:at + 8])[0]
size = struct.unpack('<I', wave[at + 4:at + 8])[0]
clip = wave[at + 8:at + 8 + size]
# The device may write silence before the clip starts; from there on every
# byte is the clip's, round and round.
start = played.find(clip[:4096])
assert start >= 0, 'the clip\'s start was never played'
assert played[:start].count(0) == start, 'something other than silence before the clip'
# The ending silences the device at once, before it closes: the silence
# written after the last sound of the clip is no fault.
body = played[start:].rstrip(b'\0')
loops = len(body) // len(clip)
assert loops >= 2, f'{loops} loops'
expected = (clip * (loops + 1))[:len(body)]
if body != expected:
    bad = next(i for i in range(len(body)) if body[i] != expected[i])
    sys.exit(f'byte {bad} of the loop (at {bad % len(clip)} of the clip) differs')
print(f'{len(body)} bytes played: {len(body) / len(clip):.2f} loops of the clip, seamless')
PY

# No sound device at all: one line, and the saver runs.
SDL_AUDIODRIVER=no-such-device "$VELMO" -window 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "without a sound device the saver showed nothing: $(cat "$WORK/err")"
alive "$pid" || fail "without a sound device the saver ended: $(cat "$WORK/err")"
[ "$(cat "$WORK/err")" = "velmo: no sound device: the surf is off" ] ||
  fail "without a sound device the saver said: $(cat "$WORK/err")"
kill "$pid"
wait_exit "$pid" 10 || fail "the silent saver did not end on SIGTERM"
[ "$RC" = 0 ] || fail "the silent saver ended with $RC"
echo "PASS: the surf loops seamlessly through SDL's audio; without a device one line and silence"
